// Which server the window connects to: the INI files that the machine's
// administrator and the user write, read at each connection, against the
// real database server.
#include "core/config.h"
#include "koravel3.h"
#include "support/dbfixture.h"
#include "support/guard.h"
#include "support/inifiles.h"
#include "support/modal.h"

#include <QDir>
#include <QFile>
#include <QLabel>
#include <QSettings>
#include <QSqlDatabase>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

namespace {

const QString rigHost = QString::fromUtf8(config::databaseHost);

QString shownServer(const Koravel3 &window) {
    const auto *label = window.findChild<QLabel *>(QStringLiteral("serverLabel"));
    return label ? label->text() : QStringLiteral("(no serverLabel)");
}

} // namespace

class ConfigTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void serverFromIniFiles_data();
    void serverFromIniFiles();
    void readAtEachConnection();
    void serverShownInStatusBar();
};

void ConfigTest::initTestCase() {
    testsupport::failOnConnectWarnings();
    QVERIFY2(testsupport::db::admin().isOpen(), "the test database server must be running");
}

void ConfigTest::serverFromIniFiles_data() {
    QTest::addColumn<QString>("system");
    QTest::addColumn<QString>("user");
    QTest::addColumn<bool>("opens");
    QTest::addColumn<QString>("shown");
    const QString rig = "host=" + rigHost + "\nport=3306\n";
    const QString base = " (base assurebdd, compte agnt)";
    const QString refused = base + " : connexion impossible";
    QTest::newRow("no file: compiled-in server")
        << ""
        << "" << true << "Serveur : " + rigHost + ":3306" + base;
    QTest::newRow("user file, the server") << "" << rig + "user=agnt\npassword=tulvo\n"
                                           << true << "Serveur : " + rigHost + ":3306" + base;
    QTest::newRow("user file, nothing listens on the port")
        << ""
        << "host=" + rigHost + "\nport=1\n"
        << false << "Serveur : " + rigHost + ":1" + refused;
    QTest::newRow("user file, nothing listens on the address")
        << ""
        << "host=127.0.0.9\n"
        << false << "Serveur : 127.0.0.9:3306" + refused;
    QTest::newRow("user file, wrong password")
        << "" << rig + "password=\"tulvo \"\n"
        << false << "Serveur : " + rigHost + ":3306" + refused;
    QTest::newRow("system file alone") << "host=127.0.0.9\nuser=agnt\n"
                                       << "" << false << "Serveur : 127.0.0.9:3306" + refused;
    QTest::newRow("user file over system file")
        << "host=127.0.0.9\nport=1\n"
        << rig << true << "Serveur : " + rigHost + ":3306" + base;
    QTest::newRow("user file over system file, key by key")
        << "host=" + rigHost + "\nport=1\n"
        << "port=3306\n"
        << true << "Serveur : " + rigHost + ":3306" + base;
}

void ConfigTest::serverFromIniFiles() {
    QFETCH(QString, system);
    QFETCH(QString, user);
    QFETCH(bool, opens);
    QFETCH(QString, shown);
    const testsupport::IniFiles files;
    QVERIFY(files.write("system", system));
    QVERIFY(files.write("user", user));
    const testsupport::ModalWatcher boxes;
    QTest::ignoreMessage(QtDebugMsg, opens ? "connecter....." : "impossible de se connection");
    const Koravel3 window;
    QCOMPARE(QSqlDatabase::database(QSqlDatabase::defaultConnection, false).isOpen(), opens);
    QCOMPARE(shownServer(window), shown);
    QVERIFY(boxes.boxes().isEmpty());
}

void ConfigTest::readAtEachConnection() {
    const testsupport::IniFiles files;
    QVERIFY(files.write("user", "host=" + rigHost + "\n"));
    QTest::ignoreMessage(QtDebugMsg, "connecter.....");
    Koravel3 window;
    // The file changes while the program runs: the next connection follows it.
    QVERIFY(files.write("user", "host=" + rigHost + "\nport=1\n"));
    QTest::ignoreMessage(QtDebugMsg, "impossible de se connection");
    QVERIFY(!window.connectDatabase());
    QCOMPARE(shownServer(window),
             "Serveur : " + rigHost + ":1 (base assurebdd, compte agnt) : connexion impossible");
}

void ConfigTest::serverShownInStatusBar() {
    const testsupport::IniFiles files;
    QTest::ignoreMessage(QtDebugMsg, "connecter.....");
    const Koravel3 window;
    const auto *label = window.findChild<QLabel *>(QStringLiteral("serverLabel"));
    QVERIFY(label);
    QCOMPARE(label->parentWidget(), window.statusBar());
    QVERIFY(label->isVisibleTo(&window));
}

QTEST_MAIN(ConfigTest)
#include "tst_config.moc"
