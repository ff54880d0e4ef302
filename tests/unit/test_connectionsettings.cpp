// The database server read from koravel3.ini over the compiled-in values.
#include "core/config.h"
#include "core/connectionsettings.h"

#include <QFile>
#include <QRegularExpression>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>

class ConnectionSettingsTest : public QObject {
    Q_OBJECT

private slots:
    void serverSettings_data();
    void serverSettings();
    void lostConnectionCode_data();
    void lostConnectionCode();
    void userAndMachine_data();
    void userAndMachine();
    void agentAccounts_data();
    void agentAccounts();
    void statusLine_data();
    void statusLine();
};

namespace {

// An INI file of the given text, for as long as the folder lives.
QString iniFile(const QTemporaryDir &folder, const char *name, const QString &text) {
    QFile file(folder.filePath(QLatin1String(name)));
    if (file.open(QIODevice::WriteOnly))
        file.write(text.toUtf8());
    return file.fileName();
}

} // namespace

void ConnectionSettingsTest::userAndMachine_data() {
    QTest::addColumn<QString>("user");
    QTest::addColumn<QString>("machine");
    QTest::addColumn<QString>("host");
    QTest::addColumn<QString>("options");
    const QString plain = "MYSQL_OPT_CONNECT_TIMEOUT=3;MYSQL_OPT_READ_TIMEOUT=30;"
                          "MYSQL_OPT_WRITE_TIMEOUT=30";
    const QString server = "[database]\nhost=192.0.2.10\n";
    // clang-format off
    QTest::newRow("user's host wins")      << "[database]\nhost=192.0.2.66\n" << server << "192.0.2.66" << plain;
    QTest::newRow("machine's host kept")    << "[database]\nport=3307\n" << server << "192.0.2.10" << plain;
    QTest::newRow("locked: machine's host") << "[database]\nhost=192.0.2.66\n" << server + "locked=true\n" << "192.0.2.10" << plain;
    QTest::newRow("CA from the machine")   << "" << server + "ssl_ca=/etc/ca.pem\n" << "192.0.2.10" << plain + ";SSL_CA=/etc/ca.pem";
    QTest::newRow("client certificate")    << "" << server + "ssl_ca=/c.pem\nssl_cert=/k.crt\nssl_key=/k.key\n" << "192.0.2.10" << plain + ";SSL_CA=/c.pem;SSL_CERT=/k.crt;SSL_KEY=/k.key";
    QTest::newRow("CA of the user ignored") << "[database]\nssl_ca=/home/ca.pem\n" << server << "192.0.2.10" << plain;
    QTest::newRow("file name with ;")      << "" << server + "ssl_ca=\"/a;b.pem\"\n" << "192.0.2.10" << "";
    // clang-format on
}

// The machine's settings, the user's over them key by key.
void ConnectionSettingsTest::userAndMachine() {
    QFETCH(QString, user);
    QFETCH(QString, machine);
    QFETCH(QString, host);
    QFETCH(QString, options);
    QTemporaryDir folder;
    const QSettings machineSettings(iniFile(folder, "machine.ini", machine), QSettings::IniFormat);
    const QSettings userSettings(iniFile(folder, "user.ini", user), QSettings::IniFormat);
    const connection::Settings read = connection::read(userSettings, machineSettings);
    QCOMPARE(read.host, host);
    QCOMPARE(connection::connectOptions(read), options);
}

void ConnectionSettingsTest::agentAccounts_data() {
    QTest::addColumn<QString>("user");
    QTest::addColumn<QString>("machine");
    QTest::addColumn<bool>("agents");
    const QString account = "[database]\nuser=guichet\npassword=s3cret\n";
    // clang-format off
    QTest::newRow("machine says agent")    << account << account + "accounts=agent\n" << true;
    QTest::newRow("user's file cannot")    << account + "accounts=agent\n" << account << false;
    QTest::newRow("counter, the default")  << account << account + "accounts=counter\n" << false;
    // clang-format on
}

// With agents' own accounts, no INI file names an account.
void ConnectionSettingsTest::agentAccounts() {
    QFETCH(QString, user);
    QFETCH(QString, machine);
    QFETCH(bool, agents);
    QTemporaryDir folder;
    const connection::Settings read =
        connection::read(QSettings(iniFile(folder, "user.ini", user), QSettings::IniFormat),
                         QSettings(iniFile(folder, "machine.ini", machine), QSettings::IniFormat));
    QCOMPARE(read.agentAccounts, agents);
    QCOMPARE(read.user, agents ? QString() : QStringLiteral("guichet"));
    QCOMPARE(read.password, agents ? QString() : QStringLiteral("s3cret"));
    QCOMPARE(connection::describe(read, true).contains(QLatin1String("comptes des agents")),
             agents);
}

void ConnectionSettingsTest::statusLine_data() {
    QTest::addColumn<QString>("host");
    QTest::addColumn<QString>("password");
    QTest::addColumn<QString>("cipher");
    QTest::addColumn<bool>("defaultPassword");
    QTest::addColumn<bool>("encrypted");
    // clang-format off
    QTest::newRow("demo on this machine")  << "127.0.0.1"  << "tulvo"  << ""                 << false << false;
    QTest::newRow("localhost")              << "localhost"  << "tulvo"  << ""                 << false << false;
    QTest::newRow("IPv6 loopback")          << "::1"        << "tulvo"  << ""                 << false << false;
    QTest::newRow("agency server, demo pw") << "192.0.2.10" << "tulvo"  << ""                 << true  << false;
    QTest::newRow("127 as a name part")     << "127.0.0.1.example" << "tulvo" << ""           << true  << false;
    QTest::newRow("own password, TLS")      << "192.0.2.10" << "s3cret" << "TLS_AES_256_GCM_SHA384" << false << true;
    // clang-format on
}

void ConnectionSettingsTest::statusLine() {
    QFETCH(QString, host);
    QFETCH(QString, password);
    QFETCH(QString, cipher);
    QFETCH(bool, defaultPassword);
    QFETCH(bool, encrypted);
    connection::Settings settings = connection::compiledIn();
    settings.host = host;
    settings.password = password;
    const QString line = connection::describe(settings, true, cipher);
    QVERIFY(line.startsWith(QStringLiteral("Serveur : ")));
    QCOMPARE(line.contains(QStringLiteral("mot de passe par défaut")), defaultPassword);
    QCOMPARE(line.contains(QStringLiteral("connexion chiffrée (") + cipher + ")"), encrypted);
}

void ConnectionSettingsTest::lostConnectionCode_data() {
    QTest::addColumn<QString>("code");
    QTest::addColumn<bool>("lost");
    // clang-format off
    QTest::newRow("server gone away")        << "2006" << true;
    QTest::newRow("lost during query")       << "2013" << true;
    QTest::newRow("shutdown in progress")    << "1053" << true;
    QTest::newRow("error reading packet")    << "1158" << true;
    QTest::newRow("read timeout")            << "1159" << true;
    QTest::newRow("error writing packet")    << "1160" << true;
    QTest::newRow("write timeout")           << "1161" << true;
    QTest::newRow("duplicate entry")         << "1062" << false;
    QTest::newRow("table missing")           << "1146" << false;
    QTest::newRow("no code")                 << ""     << false;
    // clang-format on
}

void ConnectionSettingsTest::lostConnectionCode() {
    QFETCH(QString, code);
    QFETCH(bool, lost);
    QCOMPARE(connection::isLostConnectionCode(code), lost);
}

void ConnectionSettingsTest::serverSettings_data() {
    QTest::addColumn<QString>("ini");
    QTest::addColumn<QString>("host");
    QTest::addColumn<int>("port");
    QTest::addColumn<QString>("user");
    QTest::addColumn<QString>("password");
    QTest::addColumn<bool>("warns");
    const QString compiled = QString::fromUtf8(config::databaseHost);
    QTest::newRow("empty file") << "" << compiled << 3306 << "agnt"
                                << "tulvo" << false;
    QTest::newRow("every key") << "[database]\nhost=192.0.2.10\nport=3307\nuser=guichet\n"
                                  "password=s3cret\n"
                               << "192.0.2.10" << 3307 << "guichet"
                               << "s3cret" << false;
    QTest::newRow("another group is not read") << "[serveur]\nhost=192.0.2.10\n"
                                               << compiled << 3306 << "agnt"
                                               << "tulvo" << false;
    QTest::newRow("blank host and user") << "[database]\nhost=\nuser=  \n"
                                         << compiled << 3306 << "agnt"
                                         << "tulvo" << false;
    QTest::newRow("empty password is a password") << "[database]\npassword=\n"
                                                  << compiled << 3306 << "agnt"
                                                  << "" << false;
    QTest::newRow("quoted password keeps its spaces, comma and semicolon")
        << "[database]\npassword=\" a,b;c \"\n"
        << compiled << 3306 << "agnt"
        << " a,b;c " << false;
    QTest::newRow("unquoted password with a comma") << "[database]\npassword=a,b\n"
                                                    << compiled << 3306 << "agnt"
                                                    << "a,b" << false;
    QTest::newRow("accented password")
        << "[database]\npassword=Assuré\n"
        << compiled << 3306 << "agnt" << QStringLiteral("Assuré") << false;
    QTest::newRow("port with letters") << "[database]\nport=33o6\n"
                                       << compiled << 3306 << "agnt"
                                       << "tulvo" << true;
    QTest::newRow("port zero") << "[database]\nport=0\n"
                               << compiled << 3306 << "agnt"
                               << "tulvo" << true;
    QTest::newRow("port above 65535") << "[database]\nport=65536\n"
                                      << compiled << 3306 << "agnt"
                                      << "tulvo" << true;
    QTest::newRow("highest port") << "[database]\nport=65535\n"
                                  << compiled << 65535 << "agnt"
                                  << "tulvo" << false;
}

void ConnectionSettingsTest::serverSettings() {
    QFETCH(QString, ini);
    QFETCH(QString, host);
    QFETCH(int, port);
    QFETCH(QString, user);
    QFETCH(QString, password);
    QFETCH(bool, warns);
    QTemporaryDir folder;
    QFile file(folder.filePath(QStringLiteral("koravel3.ini")));
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(ini.toUtf8());
    file.close();
    const QRegularExpression portWarning(QStringLiteral("^koravel3.ini : port invalide"));
    if (warns)
        QTest::ignoreMessage(QtWarningMsg, portWarning);
    else
        QTest::failOnWarning(portWarning);
    const connection::Settings read =
        connection::read(QSettings(file.fileName(), QSettings::IniFormat));
    QCOMPARE(read.host, host);
    QCOMPARE(read.port, port);
    QCOMPARE(read.user, user);
    QCOMPARE(read.password, password);
}

QTEST_GUILESS_MAIN(ConnectionSettingsTest)
#include "test_connectionsettings.moc"
