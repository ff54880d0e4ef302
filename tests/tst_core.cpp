// The parts of the program that need no window: amounts, statement texts
// and the server settings read from an INI file.
#include "core/amount.h"
#include "core/config.h"
#include "core/connectionsettings.h"
#include "core/statement.h"

#include <QFile>
#include <QRegularExpression>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>

#include <limits>

class CoreTest : public QObject {
    Q_OBJECT

private slots:
    void parse_data();
    void parse();
    void arithmetic_data();
    void arithmetic();
    void escaping_data();
    void escaping();
    void likePattern_data();
    void likePattern();
    void statementKeepsFragmentsAndEscapesValues();
    void serverSettings_data();
    void serverSettings();
};

void CoreTest::parse_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("value");
    QTest::newRow("digits") << "63415" << 63415;
    QTest::newRow("negative") << "-99" << -99;
    QTest::newRow("empty") << "" << 0;
    QTest::newRow("letters") << "abc" << 0;
    QTest::newRow("decimal comma") << "1500,50" << 0;
    QTest::newRow("decimal point") << "12345.50" << 0;
    QTest::newRow("int max") << "2147483647" << std::numeric_limits<int>::max();
    QTest::newRow("int min") << "-2147483648" << std::numeric_limits<int>::min();
    QTest::newRow("above int max") << "2147483648" << 0;
    QTest::newRow("below int min") << "-2147483649" << 0;
    QTest::newRow("hex is not decimal") << "0x10" << 0;
    QTest::newRow("digits then letters") << "12abc" << 0;
}

void CoreTest::parse() {
    QFETCH(QString, text);
    QFETCH(int, value);
    QCOMPARE(amount::parse(text), value);
}

void CoreTest::arithmetic_data() {
    QTest::addColumn<QString>("op");
    QTest::addColumn<int>("a");
    QTest::addColumn<int>("b");
    QTest::addColumn<int>("result");
    const int max = std::numeric_limits<int>::max();
    const int min = std::numeric_limits<int>::min();
    QTest::newRow("sum") << "+" << 53628 << 9787 << 63415;
    QTest::newRow("sum wraps") << "+" << max << 1 << min;
    QTest::newRow("difference") << "-" << 20000 << 4234 << 15766;
    QTest::newRow("difference wraps") << "-" << min << 1 << max;
    QTest::newRow("product") << "*" << 4469 << 12 << 53628;
    QTest::newRow("product wraps") << "*" << 65536 << 65536 << 0;
    QTest::newRow("product wraps negative") << "*" << max << 2 << -2;
    QTest::newRow("division truncates") << "/" << 5707350 << 100 << 57073;
    QTest::newRow("negative division truncates toward zero") << "/" << -4950 << 100 << -49;
    QTest::newRow("minus fifteen by ten") << "/" << -15 << 10 << -1;
    QTest::newRow("min by minus one wraps") << "/" << min << -1 << min;
    QTest::newRow("by zero") << "/" << 7 << 0 << 0;
    QTest::newRow("ninety percent") << "%" << 90 << 63415 << 57073;
    QTest::newRow("percent of a negative truncates toward zero") << "%" << 50 << -99 << -49;
    QTest::newRow("percent kept wide") << "%" << 100 << max << max;
    QTest::newRow("percent result wraps") << "%" << 200 << max << -2;
}

void CoreTest::arithmetic() {
    QFETCH(QString, op);
    QFETCH(int, a);
    QFETCH(int, b);
    QFETCH(int, result);
    int got = 0;
    if (op == "+")
        got = amount::add(a, b);
    else if (op == "-")
        got = amount::subtract(a, b);
    else if (op == "*")
        got = amount::multiply(a, b);
    else if (op == "%")
        got = amount::percentOf(a, b);
    else
        got = amount::divide(a, b);
    QCOMPARE(got, result);
    QCOMPARE(amount::format(got), QString::number(result));
}

void CoreTest::escaping_data() {
    QTest::addColumn<QString>("value");
    QTest::addColumn<QString>("escaped");
    QTest::newRow("ordinary") << "DK-1234-AB"
                              << "DK-1234-AB";
    QTest::newRow("accents unchanged") << "Assuré à Thiès"
                                       << "Assuré à Thiès";
    QTest::newRow("quote doubled") << "N'DIAYE"
                                   << "N''DIAYE";
    QTest::newRow("injection") << "' OR '1'='1"
                               << "'' OR ''1''=''1";
    QTest::newRow("backslash") << "a\\b"
                               << "a\\\\b";
    QTest::newRow("backslash before quote") << "\\'"
                                            << "\\\\''";
    QTest::newRow("nul") << QString(QChar(0)) << "\\0";
    QTest::newRow("percent unchanged") << "50%_"
                                       << "50%_";
    QTest::newRow("emoji unchanged") << QString::fromUtf8("🚗") << QString::fromUtf8("🚗");
}

void CoreTest::escaping() {
    QFETCH(QString, value);
    QFETCH(QString, escaped);
    QCOMPARE(sql::escaped(value), escaped);
}

void CoreTest::likePattern_data() {
    QTest::addColumn<QString>("value");
    QTest::addColumn<QString>("escaped");
    QTest::newRow("ordinary") << "DK"
                              << "DK";
    QTest::newRow("percent") << "50%"
                             << "50\\\\%";
    QTest::newRow("underscore") << "A_B"
                                << "A\\\\_B";
    QTest::newRow("backslash") << "a\\b"
                               << "a\\\\\\\\b";
    QTest::newRow("quote") << "O'"
                           << "O''";
}

void CoreTest::likePattern() {
    QFETCH(QString, value);
    QFETCH(QString, escaped);
    QCOMPARE(sql::escapedForLike(value), escaped);
}

void CoreTest::statementKeepsFragmentsAndEscapesValues() {
    sql::Statement ordinary("select * FROM personnes where user='");
    ordinary << QStringLiteral("demo") << "' and password='" << QStringLiteral("demo123") << "' ";
    QCOMPARE(ordinary.text(),
             QStringLiteral("select * FROM personnes where user='demo' and password='demo123' "));

    sql::Statement hostile("select * FROM personnes where user='");
    hostile << QStringLiteral("' OR '1'='1") << "' and password='" << QString() << "' ";
    QCOMPARE(hostile.text(), QStringLiteral("select * FROM personnes where user=''' OR ''1''=''1' "
                                            "and password='' "));

    sql::Statement search("immat LIKE '%");
    search.like(QStringLiteral("5%")) << "%'";
    QCOMPARE(search.text(), QStringLiteral("immat LIKE '%5\\\\%%'"));
}

void CoreTest::serverSettings_data() {
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

void CoreTest::serverSettings() {
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

QTEST_GUILESS_MAIN(CoreTest)
#include "tst_core.moc"
