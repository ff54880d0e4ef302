#include "koravel3.h"

#include <QApplication>
#include <QIcon>

int main(int argc, char *argv[]) {
    QApplication app(argc, argv);
    initKoravel3Resources();
    app.setWindowIcon(QIcon(QStringLiteral(":/log/QUIRO.png")));
    Koravel3 window;
    window.show();
    return app.exec();
}
