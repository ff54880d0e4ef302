#include "koravel3.h"

#include <QApplication>
#include <QIcon>

int main(int argc, char *argv[]) {
    QApplication app(argc, argv);
    // Names the per-user data folder (certificate pictures, downloaded
    // installer) ~/.local/share/Koravel/koravel3.
    QCoreApplication::setOrganizationName(QStringLiteral("Koravel"));
    QCoreApplication::setApplicationName(QStringLiteral("koravel3"));
    loadQtFrench();
    initKoravel3Resources();
    app.setWindowIcon(QIcon(QStringLiteral(":/log/QUIRO.png")));
    Koravel3 window;
    window.show();
    return app.exec();
}
