// Amounts: parsing the texts of line edits, and 32-bit arithmetic that wraps
// around instead of overflowing.
#include "core/amount.h"

#include <QTest>
#include <limits>

class AmountTest : public QObject {
    Q_OBJECT

private slots:
    void parse_data();
    void parse();
    void arithmetic_data();
    void arithmetic();
};

void AmountTest::parse_data() {
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

void AmountTest::parse() {
    QFETCH(QString, text);
    QFETCH(int, value);
    QCOMPARE(amount::parse(text), value);
}

void AmountTest::arithmetic_data() {
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

void AmountTest::arithmetic() {
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

QTEST_GUILESS_MAIN(AmountTest)
#include "test_amount.moc"
