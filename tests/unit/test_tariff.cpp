// The tariff as data: genres, categories, the brackets a power selects, and
// the base amounts and month formulas of every bracket.
#include "core/tariff.h"
#include "support/tariffreference.h"

#include <QTest>

#include <iterator>

using namespace tariffreference;

class TariffTest : public QObject {
    Q_OBJECT

private slots:
    void genreCategory_data();
    void genreCategory();
    void categoryCaptions();
    void tariffRow_data();
    void tariffRow();
    void powersWithoutBracket_data();
    void powersWithoutBracket();
    void everyPowerHasOneAnswer();
};

void TariffTest::genreCategory_data() {
    QTest::addColumn<QString>("genre");
    QTest::addColumn<int>("category");
    QTest::newRow("V.P") << "V.P" << 1;
    QTest::newRow("CAMIONNETTE") << "CAMIONNETTE" << 2;
    QTest::newRow("CAMION") << "CAMION" << 3;
    QTest::newRow("REMORQUE") << "REMORQUE" << 3;
    QTest::newRow("SEMI-REMORQUE") << "SEMI-REMORQUE" << 3;
    QTest::newRow("TRACTEUR") << "TRACTEUR" << 3;
    QTest::newRow("TAXI") << "TAXI" << 4;
    QTest::newRow("SCOOTER") << "SCOOTER" << 5;
    QTest::newRow("TRICYCLE") << "TRICYCLE" << 5;
    QTest::newRow("SIDECAR") << "SIDECAR" << 5;
    QTest::newRow("MOTOCYCLE") << "MOTOCYCLE" << 5;
    QTest::newRow("BUS") << "BUS" << 6;
    QTest::newRow("AUTOCAR") << "AUTOCAR" << 7;
    QTest::newRow("GENRE") << "GENRE" << 0;
    QTest::newRow("empty") << "" << 0;
    QTest::newRow("lower case") << "v.p" << 0;
    QTest::newRow("trailing blank") << "BUS " << 0;
    QTest::newRow("caption is no genre") << caption(1) << 0;
}

void TariffTest::genreCategory() {
    QFETCH(QString, genre);
    QFETCH(int, category);
    QCOMPARE(tariff::categoryOfGenre(genre), category);
    QCOMPARE(tariff::picksSubType(category), category == 5);
}

void TariffTest::categoryCaptions() {
    QStringList expected;
    for (int category = 1; category <= 7; ++category) {
        expected << caption(category);
        QCOMPARE(tariff::categoryCaption(category), caption(category));
        QCOMPARE(tariff::categoryOfCaption(caption(category)), category);
    }
    QCOMPARE(tariff::categoryCaptions(), expected);
    QCOMPARE(tariff::categoryCaption(0), QString());
    QCOMPARE(tariff::categoryCaption(8), QString());
    QCOMPARE(tariff::categoryOfCaption(QString()), 0);
    // One blank less, or one accent less, is another text.
    QCOMPARE(tariff::categoryOfCaption(
                 QString::fromUtf8("CATEGORIE 3: Véhicule utilitaire autre carrosserie camions")),
             0);
    QCOMPARE(tariff::categoryOfCaption(
                 QStringLiteral("CATEGORIE 1 : Vehicules a carrosserie de tourisme")),
             0);
    QCOMPARE(tariff::categoryOfCaption(caption(6).toUpper()), 0);
}

void TariffTest::tariffRow_data() {
    QTest::addColumn<int>("index");
    for (int i = 0; i < int(std::size(tariffRows)); ++i)
        QTest::newRow(qPrintable(rowName(tariffRows[i]))) << i;
}

void TariffTest::tariffRow() {
    QFETCH(int, index);
    const TariffRow &row = tariffRows[index];
    const QStringList labels = QString::fromUtf8(row.labels).split(QLatin1Char('|'));
    const auto check = [&](const tariff::Bracket *bracket) {
        QVERIFY(bracket);
        QCOMPARE(bracket->category, row.category);
        QCOMPARE(bracket->number, row.bracket);
        QCOMPARE(bracket->base.net, row.net);
        QCOMPARE(bracket->base.tax, row.tax);
        QCOMPARE(bracket->base.fga, row.fga);
        QCOMPARE(bracket->base.pca, row.pca);
        for (int months : {0, 1, 12}) {
            QCOMPARE(bracket->tax.at(months), row.taxPerMonth * months + row.taxStart);
            QCOMPARE(bracket->fga.at(months), row.fgaPerMonth * months + row.fgaStart);
        }
    };
    for (const QString &power : QString::fromUtf8(row.powers).split(QLatin1Char(' '))) {
        check(tariff::bracketForPower(row.category, power));
        if (QTest::currentTestFailed())
            qWarning() << "power" << power;
    }
    for (const QString &label : labels)
        check(tariff::bracketForLabel(row.category, label));
    QCOMPARE(tariff::policyCost, 3000);
}

void TariffTest::powersWithoutBracket_data() {
    QTest::addColumn<int>("category");
    QTest::addColumn<QStringList>("powers");
    QTest::newRow("cat 1") << 1 << QStringList{"1", "24"};
    for (int category : {2, 3, 4, 6, 7})
        QTest::newRow(qPrintable(QStringLiteral("cat %1").arg(category)))
            << category << QStringList{"1", "23", "24", "+24"};
    QStringList cat5{"1"};
    for (int power = 9; power <= 24; ++power)
        cat5 << QString::number(power);
    QTest::newRow("cat 5") << 5 << (cat5 << "+24");
    QTest::newRow("no category") << 0 << allPowers();
    QTest::newRow("category 8") << 8 << allPowers();
}

void TariffTest::powersWithoutBracket() {
    QFETCH(int, category);
    QFETCH(QStringList, powers);
    for (const QString &power : powers)
        QVERIFY2(!tariff::bracketForPower(category, power), qPrintable(power));
    // Texts that are no power at all.
    for (const char *other : {"", "0", "25", "24+", " 9", "9 "})
        QVERIFY2(!tariff::bracketForPower(category, QLatin1String(other)), other);
}

void TariffTest::everyPowerHasOneAnswer() {
    // Every power of the list either selects the row the tariff names or is
    // one of the powers without a bracket; the program's table has no row
    // the tariff lacks.
    QCOMPARE(tariff::powerTexts(), allPowers());
    int selecting = 0;
    for (const TariffRow &row : tariffRows)
        selecting += int(QString::fromUtf8(row.powers).split(QLatin1Char(' ')).size());
    int found = 0;
    for (int category = 1; category <= 7; ++category)
        for (const QString &power : allPowers())
            if (tariff::bracketForPower(category, power))
                ++found;
    QCOMPARE(found, selecting);
    QCOMPARE(tariff::brackets().size(), qsizetype(std::size(tariffRows)));
}

QTEST_GUILESS_MAIN(TariffTest)
#include "test_tariff.moc"
