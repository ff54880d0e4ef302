// Expiry dates: the effect date plus the months, less one day, clamped to
// the end of a shorter month.
#include "core/validity.h"

#include <QTest>

#include <iterator>

class ValidityTest : public QObject {
    Q_OBJECT

private slots:
    void expiry_data();
    void expiry();
};

void ValidityTest::expiry_data() {
    QTest::addColumn<QString>("effect");
    QTest::addColumn<int>("months");
    QTest::addColumn<QString>("expiry");
    QTest::newRow("a year") << "15/03/2025" << 12 << "14/03/2026";
    QTest::newRow("one month") << "01/01/2025" << 1 << "31/01/2025";
    QTest::newRow("end of January") << "31/01/2025" << 1 << "27/02/2025";
    QTest::newRow("end of January, leap year") << "31/01/2024" << 1 << "28/02/2024";
    QTest::newRow("29 February") << "29/02/2024" << 12 << "27/02/2025";
    QTest::newRow("into a leap February") << "30/11/2023" << 3 << "28/02/2024";
    QTest::newRow("31 to a 30-day month") << "31/05/2025" << 1 << "29/06/2025";
    QTest::newRow("over the year end") << "15/12/2025" << 3 << "14/03/2026";
    QTest::newRow("no month") << "15/03/2025" << 0 << "14/03/2025";
    QTest::newRow("no month on the 1st") << "01/03/2025" << 0 << "28/02/2025";
    QTest::newRow("31 February") << "31/02/2025" << 12 << "";
    QTest::newRow("29 February of a common year") << "29/02/2025" << 1 << "";
    QTest::newRow("empty") << "" << 12 << "";
    QTest::newRow("ISO order") << "2025-03-15" << 12 << "";
    QTest::newRow("two-digit year") << "15/03/25" << 12 << "";
    QTest::newRow("words") << "demain" << 1 << "";
    QTest::newRow("month 13") << "15/13/2025" << 1 << "";
}

void ValidityTest::expiry() {
    QFETCH(QString, effect);
    QFETCH(int, months);
    QFETCH(QString, expiry);
    QCOMPARE(validity::expiryText(effect, months), expiry);
}

QTEST_GUILESS_MAIN(ValidityTest)
#include "test_validity.moc"
