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
};

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
