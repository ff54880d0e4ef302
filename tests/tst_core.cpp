// The parts of the program that need no window: amounts and statement texts.
#include "core/amount.h"
#include "core/statement.h"

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

QTEST_GUILESS_MAIN(CoreTest)
#include "tst_core.moc"
