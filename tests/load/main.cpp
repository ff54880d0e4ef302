// One agent at the counter, as many times as asked: logs in through the
// window, then issues policies one after another through the form and the
// VALIDER/IMPRIMER button, the message boxes answered as soon as they open.
// tst_load starts sixteen of these at once.
//
//   koravel3load USER PASSWORD COUNT [HOSTS]
//
// HOSTS, when given, is the host key of the driver's own user file (the
// nodes of a cluster, in the order this counter tries them).
// After the login it prints "ready" and waits for a line on its standard
// input, so that all the agents start saving at the same moment. It prints
// one "saved <n> <id>" line per policy, or "failed <n> <title>: <text>",
// then "done <saved> <failed> <milliseconds> <certificate files>".
#include "koravel3.h"
#include "support/modal.h"
#include "support/policyform.h"
#include "support/window.h"

#include <QApplication>
#include <QDate>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPrinterInfo>
#include <QPushButton>
#include <QSettings>
#include <QStackedWidget>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QTextStream>

#include <cstdio>

namespace form = testsupport::policyform;
using testsupport::child;

namespace {

QTextStream out(stdout);

void say(const QString &line) {
    out << line << Qt::endl;
}

QString day(int offset) {
    return QDate::currentDate().addDays(offset).toString(QStringLiteral("dd/MM/yyyy"));
}

// Policy n of the agent: its own plate, name and numbers; one in ten
// expires tomorrow and one in ten expired five days ago; the guarantee
// packages go round SIMPLE + PREMIUM, COMPLET, none.
form::Values policyValues(const QString &agent, int n) {
    const QString tag = QStringLiteral("%1-%2").arg(agent).arg(n);
    QString start = day(0);
    QString end = day(364);
    if (n % 10 == 0)
        end = day(1);
    else if (n % 10 == 1) {
        start = day(-30);
        end = day(-5);
    }
    form::Values values = form::with(form::ordinary(), {{"LEN", QStringLiteral("CLIENT ") + tag},
                                                        {"LEIM", QStringLiteral("LD-") + tag},
                                                        {"LEPO", QStringLiteral("POL-") + tag},
                                                        {"LEP", QStringLiteral("T-") + tag},
                                                        {"LEDU", start},
                                                        {"LEAU", end},
                                                        {"LESE", QString::number(1000 + n)},
                                                        {"checkBox_25", n % 3 == 0 ? "1" : "0"},
                                                        {"checkBox_26", n % 3 == 1 ? "1" : "0"},
                                                        {"checkBox_27", n % 3 == 0 ? "1" : "0"}});
    // The agent's id, name and password stay as the login left them.
    form::Values typed;
    for (const auto &value : values)
        if (value.first != QLatin1String("label_5") &&
            value.first != QLatin1String("lineEdit_user_2") &&
            value.first != QLatin1String("lineEdit_passw_2"))
            typed.append(value);
    return typed;
}

} // namespace

int main(int argc, char **argv) {
    QApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() != 4 && args.size() != 5) {
        std::fprintf(stderr, "usage: koravel3load USER PASSWORD COUNT [HOSTS]\n");
        return 2;
    }
    const QString user = args.at(1);
    const QString password = args.at(2);
    const int count = args.at(3).toInt();

    // Each save prints the front of the talons: a load run must not send
    // its jobs to a real printer.
    if (!QPrinterInfo::defaultPrinterName().isEmpty() ||
        !QPrinterInfo::availablePrinterNames().isEmpty()) {
        std::fprintf(stderr,
                     "koravel3load: a printer is available (%s); run without one "
                     "(CUPS_SERVER pointing nowhere)\n",
                     qPrintable(QPrinterInfo::defaultPrinterName()));
        return 3;
    }
    say(QStringLiteral("printer none"));

    // The certificate of each policy is written to the program's data
    // folder, here a folder of this run's own.
    QTemporaryDir certificates;
    if (!certificates.isValid())
        return 4;
    qputenv("XDG_DATA_HOME", QFile::encodeName(certificates.path()));
    if (args.size() == 5) {
        QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, certificates.path());
        QSettings(QSettings::IniFormat, QSettings::UserScope, QStringLiteral("Koravel"),
                  QStringLiteral("koravel3"))
            .setValue(QStringLiteral("database/host"), args.at(4));
    }

    initKoravel3Resources();
    Koravel3 window;
    // An update offer is declined; the save's box has its one button.
    testsupport::ModalWatcher boxes(QMessageBox::No);
    auto *pages = child<QStackedWidget>(&window, "login");
    child<QLineEdit>(&window, "lineEdit_user_2")->setText(user);
    child<QLineEdit>(&window, "lineEdit_passw_2")->setText(password);
    QTest::mouseClick(child<QPushButton>(&window, "pushButton_c"), Qt::LeftButton);
    if (pages->currentIndex() != Koravel3::HomePage) {
        say(QStringLiteral("login refused"));
        return 5;
    }
    const QString agent = child<QLabel>(&window, "label_5")->text();
    say(QStringLiteral("ready %1").arg(agent));
    QFile input;
    if (!input.open(stdin, QIODevice::ReadOnly) || input.readLine().isEmpty())
        return 6;

    auto *clear = child<QPushButton>(&window, "pushButton_4");
    auto *save = child<QPushButton>(&window, "pushButton_3");
    auto *key = child<QLabel>(&window, "LID");
    int saved = 0;
    int failed = 0;
    QElapsedTimer clock;
    clock.start();
    for (int n = 1; n <= count; ++n) {
        QTest::mouseClick(clear, Qt::LeftButton);
        const QStringList refused = form::fill(&window, policyValues(agent, n));
        const qsizetype before = boxes.boxes().size();
        QTest::mouseClick(save, Qt::LeftButton);
        QList<testsupport::SeenBox> seen;
        for (const testsupport::SeenBox &box : boxes.boxes().mid(before))
            if (box.title != QStringLiteral("Mise à jour disponible"))
                seen << box;
        if (refused.isEmpty() && seen.size() == 1 &&
            seen.first().text == QLatin1String("ENREGISTRER")) {
            ++saved;
            say(QStringLiteral("saved %1 %2").arg(n).arg(key->text()));
        } else {
            ++failed;
            QStringList shown;
            for (const testsupport::SeenBox &box : seen)
                shown << box.title + QStringLiteral(": ") + box.text;
            say(QStringLiteral("failed %1 %2 %3")
                    .arg(n)
                    .arg(refused.join(QLatin1Char(',')), shown.join(QStringLiteral(" / "))));
        }
    }
    const qint64 elapsed = clock.elapsed();
    say(QStringLiteral("done %1 %2 %3 %4")
            .arg(saved)
            .arg(failed)
            .arg(elapsed)
            .arg(QDir(QStandardPaths::writableLocation(QStandardPaths::AppLocalDataLocation) +
                      QStringLiteral("/qrcodes"))
                     .entryList(QDir::Files)
                     .size()));
    return failed == 0 ? 0 : 1;
}
