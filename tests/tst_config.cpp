// Which server the window connects to: the INI files that the machine's
// administrator and the user write, read at each connection, against the
// real database server.
#include "core/config.h"
#include "koravel3.h"
#include "support/connectwarnings.h"
#include "support/dbfixture.h"
#include "support/environment.h"
#include "support/inifiles.h"
#include "support/modal.h"

#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QScopeGuard>
#include <QSettings>
#include <QSqlDatabase>
#include <QStackedWidget>
#include <QStatusBar>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTest>

#include <future>
#include <memory>
#include <thread>

namespace {

const QString rigHost = QString::fromUtf8(config::databaseHost);

QString shownServer(const Koravel3 &window) {
    const auto *label = window.findChild<QLabel *>(QStringLiteral("serverLabel"));
    return label ? label->text() : QStringLiteral("(no serverLabel)");
}

// A server that greets like MariaDB without offering TLS, then asks the
// client to switch to mysql_clear_password, as a machine in the middle
// would; it keeps whatever the client sends after that question.
class ClearPasswordServer {
public:
    ClearPasswordServer() {
        std::promise<quint16> listening;
        std::future<quint16> port = listening.get_future();
        worker = std::thread([this, &listening] { serve(listening); });
        listenPort = port.get();
    }
    ~ClearPasswordServer() {
        if (worker.joinable())
            worker.join();
    }
    quint16 port() const { return listenPort; }
    // What arrived after the question, once the client has given up.
    QByteArray afterSwitch() {
        worker.join();
        return received;
    }

private:
    static QByteArray packet(quint8 sequence, const QByteArray &payload) {
        const auto size = quint32(payload.size());
        const char header[] = {char(size), char(size >> 8), char(size >> 16), char(sequence)};
        return QByteArray(header, 4) + payload;
    }
    void serve(std::promise<quint16> &listening) {
        QTcpServer server;
        listening.set_value(server.listen(QHostAddress::LocalHost) ? server.serverPort() : 0);
        if (!server.isListening() || !server.waitForNewConnection(10000))
            return;
        std::unique_ptr<QTcpSocket> client(server.nextPendingConnection());
        // Protocol 41, secure connection and plug-in authentication; no SSL.
        const quint32 capabilities = 0x1 | 0x8 | 0x200 | 0x2000 | 0x8000 | 0x20000 | 0x80000;
        QByteArray greeting("\x0a"
                            "5.5.5-10.11.6-MariaDB");
        greeting += QByteArray("\0\x01\0\0\0abcdefgh\0", 14);
        greeting += char(capabilities);
        greeting += char(capabilities >> 8);
        greeting += QByteArray("\x21\x02\0", 3);
        greeting += char(capabilities >> 16);
        greeting += char(capabilities >> 24);
        greeting += char(21);
        greeting += QByteArray(10, '\0');
        greeting += QByteArray("ijklmnopqrst\0mysql_native_password\0", 35);
        client->write(packet(0, greeting));
        client->waitForBytesWritten(5000);
        if (!client->waitForReadyRead(5000))
            return;
        client->readAll();
        client->write(packet(2, QByteArray("\xfemysql_clear_password\0", 22)));
        client->waitForBytesWritten(5000);
        while (client->waitForReadyRead(3000))
            received += client->readAll();
    }

    quint16 listenPort = 0;
    QByteArray received;
    std::thread worker;
};

} // namespace

class ConfigTest : public testsupport::KitTest {
    Q_OBJECT

public:
    // Each test writes the machine's file it needs.
    static void initMain() { testsupport::prepareEnvironment(testsupport::Accounts::Counter); }

private slots:
    void initTestCase();
    void serverFromIniFiles_data();
    void serverFromIniFiles();
    void readAtEachConnection();
    void serverShownInStatusBar();
    void tlsLogin_data();
    void tlsLogin();
    void noClearPasswordToAFakeServer();
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
    QTest::newRow("locked system file over a user file")
        << rig + "locked=true\n"
        << "host=127.0.0.9\nuser=autre\n"
        << true << "Serveur : " + rigHost + ":3306" + base;
    // An unknown server is not a TLS fault, whatever its name says.
    QTest::newRow("unknown server with the agency's CA")
        << "host=tls-db.invalid\npassword=p\nssl_ca=" + testsupport::db::tlsFolder() + "/ca.pem\n"
        << "" << false << "Serveur : tls-db.invalid:3306" + refused;
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

void ConfigTest::tlsLogin_data() {
    QTest::addColumn<QString>("ca");
    QTest::addColumn<bool>("plainServer");
    QTest::newRow("the agency's CA") << "ca.pem" << false;
    QTest::newRow("another CA") << "other-ca.pem" << false;
    QTest::newRow("server without TLS") << "ca.pem" << true;
}

// With the agency's CA in the machine's file, only a session encrypted
// under a certificate that CA signed gets any statement of the agent's.
void ConfigTest::tlsLogin() {
#ifdef Q_OS_WIN
    QSKIP("the server without TLS is started by a Linux script; the Linux suite proves this");
#endif
    QFETCH(QString, ca);
    QFETCH(bool, plainServer);
    const QString tls = testsupport::db::tlsFolder();
    QVERIFY(QFile::exists(tls + "/" + ca));
    const QString host = plainServer ? testsupport::db::plainServerHost() : rigHost;
    if (plainServer)
        QVERIFY(testsupport::db::plainServer("start"));
    const auto stopPlain = qScopeGuard([&] {
        if (plainServer)
            testsupport::db::plainServer("stop");
    });
    QVERIFY(testsupport::db::reset());
    QVERIFY(testsupport::db::addAgent("awa", "awa-pw"));
    const testsupport::IniFiles files;
    QVERIFY(
        files.write("system", QStringLiteral("host=%1\nssl_ca=%2/%3\nssl_cert=%2/client-cert.pem\n"
                                             "ssl_key=%2/client-key.pem\n")
                                  .arg(host, tls, ca)));
    const bool accepted = ca == QLatin1String("ca.pem") && !plainServer;
    testsupport::ModalWatcher watcher;
    QTest::ignoreMessage(QtDebugMsg, accepted ? "connecter....." : "impossible de se connection");
    Koravel3 window;
    QStringList sent;
    window.findChild<QLineEdit *>("lineEdit_user_2")->setText("awa");
    window.findChild<QLineEdit *>("lineEdit_passw_2")->setText("awa-pw");
    QTest::ignoreMessage(QtDebugMsg, accepted ? "connecter....." : "impossible de se connection");
    sent = testsupport::db::statementsSentDuring(
        [&] { QVERIFY(QMetaObject::invokeMethod(&window, "on_pushButton_c_clicked")); });
    const auto page = window.findChild<QStackedWidget *>("login")->currentIndex();
    if (accepted) {
        QCOMPARE(page, int(Koravel3::HomePage));
        QVERIFY2(shownServer(window).contains(QStringLiteral(" : connexion chiffrée (")),
                 qPrintable(shownServer(window)));
        for (const testsupport::SeenBox &box : watcher.boxes())
            QVERIFY(box.title != QStringLiteral("Connexion non sécurisée"));
        return;
    }
    QCOMPARE(page, int(Koravel3::LoginPage));
    QCOMPARE(sent, QStringList());
    QVERIFY(shownServer(window).endsWith(QStringLiteral(" : connexion impossible")));
    // Once at start, once at the login.
    QCOMPARE(watcher.boxes().size(), 2);
    for (const testsupport::SeenBox &box : watcher.boxes()) {
        QCOMPARE(box.title, QStringLiteral("Connexion non sécurisée"));
        QCOMPARE(box.icon, QMessageBox::Critical);
        QVERIFY2(box.text.contains(QStringLiteral("\n\nDétail : ")), qPrintable(box.text));
    }
}

// The client library must not switch to sending the password in clear when
// a server without TLS asks for it.
void ConfigTest::noClearPasswordToAFakeServer() {
    ClearPasswordServer fake;
    QVERIFY(fake.port());
    const testsupport::IniFiles files;
    QVERIFY(files.write(
        "user",
        QStringLiteral("host=127.0.0.1\nport=%1\npassword=secret-en-clair\n").arg(fake.port())));
    QTest::ignoreMessage(QtDebugMsg, "impossible de se connection");
    const Koravel3 window;
    const QByteArray sent = fake.afterSwitch();
    QVERIFY2(!sent.contains("secret-en-clair"), sent.constData());
    QVERIFY(!QSqlDatabase::database(QSqlDatabase::defaultConnection, false).isOpen());
}

QTEST_MAIN(ConfigTest)
#include "tst_config.moc"
