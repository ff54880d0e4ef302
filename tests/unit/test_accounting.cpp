// The invoice, the commission, what is paid back and the packages a save
// registers.
#include "core/accounting.h"

#include <QTest>

class AccountingTest : public QObject {
    Q_OBJECT

private slots:
    void invoiceTotal_data();
    void invoiceTotal();
    void commission_data();
    void commission();
    void totalText_data();
    void totalText();
    void packages_data();
    void packages();
};

void AccountingTest::invoiceTotal_data() {
    QTest::addColumn<QList<int>>("period"); // premium, tax, FGA, policy cost
    QTest::addColumn<int>("total");
    QTest::newRow("worked example") << QList<int>{53628, 5487, 1300, 3000} << 63415;
    QTest::newRow("negative") << QList<int>{-53628, 5487, 1300, 3000} << -43841;
    QTest::newRow("sum wraps") << QList<int>{2147483647, 1, 0, 0} << int(-2147483648LL);
    QTest::newRow("sum wraps twice")
        << QList<int>{2147483647, 2147483647, 2147483647, 2147483647} << -4;
}

void AccountingTest::invoiceTotal() {
    QFETCH(QList<int>, period);
    QFETCH(int, total);
    QCOMPARE(accounting::invoiceTotal(period[0], period[1], period[2], period[3]), total);
}

void AccountingTest::commission_data() {
    QTest::addColumn<int>("net");
    QTest::addColumn<int>("pca");
    QTest::addColumn<int>("fees");
    QTest::addColumn<int>("total");
    QTest::addColumn<int>("commission");
    QTest::addColumn<int>("payBack");
    QTest::newRow("a month of sales") << 268140 << 1975 << 15000 << 317075 << 43789 << 273286;
    QTest::newRow("tenth truncated") << 19 << 0 << 0 << 19 << 1 << 18;
    QTest::newRow("negative net truncates toward zero") << -19 << 0 << 0 << 0 << -1 << 1;
    QTest::newRow("nothing") << 0 << 0 << 0 << 0 << 0 << 0;
}

void AccountingTest::commission() {
    QFETCH(int, net);
    QFETCH(int, pca);
    QFETCH(int, fees);
    QFETCH(int, total);
    QFETCH(int, commission);
    QFETCH(int, payBack);
    QCOMPARE(accounting::commission(net, pca, fees), commission);
    QCOMPARE(accounting::payBack(total, commission), payBack);
}

void AccountingTest::totalText_data() {
    QTest::addColumn<QVariant>("sum");
    QTest::addColumn<QString>("text");
    QTest::newRow("no row") << QVariant() << "";
    QTest::newRow("integer") << QVariant(63415) << "63415";
    QTest::newRow("large double, no exponent") << QVariant(12000000.0) << "12000000";
    QTest::newRow("decimal sum text") << QVariant(QStringLiteral("268140")) << "268140";
}

void AccountingTest::totalText() {
    QFETCH(QVariant, sum);
    QFETCH(QString, text);
    QCOMPARE(accounting::totalText(sum), text);
}

void AccountingTest::packages_data() {
    QTest::addColumn<bool>("simple");
    QTest::addColumn<bool>("complet");
    QTest::addColumn<bool>("premium");
    QTest::addColumn<QStringList>("rows");
    QTest::newRow("simple") << true << false << false << QStringList{"TIERS SIMPLE"};
    QTest::newRow("simple wins over complet")
        << true << true << false << QStringList{"TIERS SIMPLE"};
    QTest::newRow("complet and premium")
        << false << true << true << QStringList{"TIERS COMPLET", "TIERS PREMIUM"};
    QTest::newRow("premium alone") << false << false << true << QStringList{"TIERS PREMIUM"};
    QTest::newRow("none") << false << false << false << QStringList{};
}

void AccountingTest::packages() {
    QFETCH(bool, simple);
    QFETCH(bool, complet);
    QFETCH(bool, premium);
    QFETCH(QStringList, rows);
    QStringList chosen;
    for (const char *package : accounting::packages(simple, complet, premium))
        chosen << QString::fromLatin1(package);
    QCOMPARE(chosen, rows);
}

QTEST_GUILESS_MAIN(AccountingTest)
#include "test_accounting.moc"
