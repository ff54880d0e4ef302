// Takes the pictures of the documentation from the real program: the window
// is built, logged into and worked as an agent does, under an X server.
//
//   koravel3-screenshots OUTPUT_DIR SPOOL_DIR [--laptop]
//
// --laptop takes only the pictures of a 1366 × 768 screen (run it on such a
// screen).
// OUTPUT_DIR receives the PNG files; SPOOL_DIR is the spool directory of the
// print queue that is the default printer (scripts/cups.sh), from which the
// printed talon pages are read back. The database must be running on the
// compiled-in address with the demo data. scripts/screenshots.sh sets all of
// this up.
#include "driver.h"
#include "koravel3.h"
#include "scenario.h"

#include <QApplication>
#include <QDir>
#include <QIcon>
#include <QTest>

#include <cstdio>

int main(int argc, char *argv[]) {
    QApplication app(argc, argv);
    const QStringList args = QApplication::arguments();
    const bool laptop = args.size() == 4 && args.at(3) == QLatin1String("--laptop");
    if (args.size() != 3 && !laptop) {
        std::fprintf(stderr, "usage: koravel3-screenshots OUTPUT_DIR SPOOL_DIR [--laptop]\n");
        return 2;
    }
    const QString outDir = args.at(1);
    const QString spoolDir = args.at(2);
    if (!QDir().mkpath(outDir) || !QDir(spoolDir).exists()) {
        std::fprintf(stderr, "no directory %s or %s\n", qPrintable(outDir), qPrintable(spoolDir));
        return 2;
    }

    QCoreApplication::setOrganizationName(QStringLiteral("Koravel"));
    QCoreApplication::setApplicationName(QStringLiteral("koravel3"));
    loadQtFrench();
    initKoravel3Resources();
    app.setWindowIcon(QIcon(QStringLiteral(":/log/QUIRO.png")));
    Koravel3 window;
    window.show();
    if (!QTest::qWaitForWindowExposed(&window)) {
        std::fprintf(stderr, "the window was not shown\n");
        return 1;
    }
    window.activateWindow();
    driver::settle(500);

    Scenario scenario(window, outDir, spoolDir);
    if (!(laptop ? scenario.runOnLaptopScreen() : scenario.run())) {
        for (const QString &failure : scenario.failures())
            std::fprintf(stderr, "screenshots: %s\n", qPrintable(failure));
        return 1;
    }
    std::printf("screenshots: pictures saved in %s\n", qPrintable(QDir(outDir).absolutePath()));
    return 0;
}
