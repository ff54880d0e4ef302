// What a save refuses before anything is written, and why, in French.
#include "core/policy.h"

#include <QHash>
#include <QTest>

namespace {

using R = policy::PolicyRecord;

// Genre V.P, power 9, 12 months, CALCULER: the clean order.
R priced() {
    R r;
    r.categorie = "CATEGORIE 1 : Véhicules à carrosserie de tourisme";
    r.forcefiscal = "9";
    r.tranchef = "7a10";
    r.nbrdemois = "12";
    r.net = "4469";
    r.prime = "53628";
    r.taxe = "5487";
    r.fga = "1300";
    r.pca = "395";
    r.coutpolice = "3000";
    r.primetotal = r.sommefact = "63415";
    r.valable = r.currentd = "01/02/2025";
    r.valabl = "31/01/2026";
    return r;
}

// The record's texts by column name, for the rows below.
QString R::*member(const QString &column) {
    static const QHash<QString, QString R::*> members{{"categorie", &R::categorie},
                                                      {"forcefiscal", &R::forcefiscal},
                                                      {"tranchef", &R::tranchef},
                                                      {"nbrdemois", &R::nbrdemois},
                                                      {"net", &R::net},
                                                      {"prime", &R::prime},
                                                      {"taxe", &R::taxe},
                                                      {"fga", &R::fga},
                                                      {"pca", &R::pca},
                                                      {"coutpolice", &R::coutpolice},
                                                      {"primetotal", &R::primetotal},
                                                      {"sommefact", &R::sommefact},
                                                      {"valable", &R::valable},
                                                      {"valabl", &R::valabl},
                                                      {"nom", &R::nom}};
    return members.value(column);
}

const char *const category2 =
    "categorie=CATEGORIE 2 : Véhicules pour le transport de marchandises ou de matériels";
const char *const category5 = "categorie=CATEGORIE 5: Véhicules motorisés à deux ou trois roues";

} // namespace

class PolicyTest : public QObject {
    Q_OBJECT

private slots:
    void refusal_data();
    void refusal();
    void collectedAmount_data();
    void collectedAmount();
    void overwriteNamesThePolicy();
};

void PolicyTest::refusal_data() {
    QTest::addColumn<QStringList>("changes"); // column=text, over priced()
    QTest::addColumn<QString>("startsWith");  // empty: accepted
    const QString calculer = QStringLiteral("La prime de ce formulaire n'a pas été calculée");
    // clang-format off
    QTest::newRow("ordinary") << QStringList{} << "";
    // What NOUVEAU/CLEAR or a policy load leave: no category, no premium.
    QTest::newRow("no category") << QStringList{"categorie="} << calculer;
    QTest::newRow("no period premium") << QStringList{"prime="} << calculer;
    QTest::newRow("period group empty") << QStringList{"prime=", "taxe=", "fga=", "pca=", "coutpolice="} << calculer;
    QTest::newRow("net blank") << QStringList{"net="} << calculer;
    QTest::newRow("period without net") << QStringList{"prime=0"} << calculer;
    QTest::newRow("months changed after") << QStringList{"nbrdemois=6"} << calculer;
    // The orders of choices that kept a premium of another tariff.
    QTest::newRow("genre changed after power") << QStringList{category2, "tranchef=2", "taxe=6735", "fga=3237", "primetotal=66600", "sommefact=66600"} << calculer;
    QTest::newRow("power without bracket after months") << QStringList{"forcefiscal=24"} << calculer;
    QTest::newRow("blank months after") << QStringList{"nbrdemois=", "prime=0", "taxe=747", "fga=112", "primetotal=3859", "sommefact=3859"} << calculer;
    QTest::newRow("invoice not computed again") << QStringList{"primetotal=63810", "sommefact=63810"} << calculer;
    QTest::newRow("label of another bracket") << QStringList{"tranchef=2", "taxe=4578", "fga=1066", "primetotal=62272", "sommefact=62272"} << calculer;
    QTest::newRow("category 2, clean order") << QStringList{category2, "tranchef=8a10", "net=9970", "prime=119640", "taxe=13262", "fga=3249", "pca=997", "primetotal=139151", "sommefact=139151"} << "";
    QTest::newRow("sub-type picked before months") << QStringList{category5, "forcefiscal=3", "tranchef=2 scooter<=125cm3", "net=2577", "prime=30924", "taxe=3654", "fga=844", "pca=258", "primetotal=38422", "sommefact=38422"} << "";
    QTest::newRow("sub-type picked after months") << QStringList{category5, "forcefiscal=3", "tranchef=2 scooter<=125cm3", "net=2577", "prime=30924", "taxe=2433", "fga=533", "pca=258", "primetotal=36890", "sommefact=36890"} << calculer;
    // The fields' own refusals come first, naming the field.
    QTest::newRow("one amount empty") << QStringList{"coutpolice="} << "« COUT DE POLICE »";
    QTest::newRow("amount with letters") << QStringList{"prime=53628F"} << "« PRIME TOTAL »";
    QTest::newRow("amount beyond 32 bits") << QStringList{"pca=99999999999"} << "« PCA »";
    QTest::newRow("invoice empty") << QStringList{"primetotal="} << "« SOMME FACTURE »";
    QTest::newRow("no such day") << QStringList{"valable=31/02/2025"} << "« DATE D'EFFET »";
    QTest::newRow("expiry missing") << QStringList{"valabl="} << "« DATE D'EXPIRATION »";
    QTest::newRow("name of 255") << QStringList{"nom=" + QString(255, u'é')} << "";
    QTest::newRow("name of 256") << QStringList{"nom=" + QString(256, u'é')} << "« NOM » : texte trop long";
    QTest::newRow("emoji count once") << QStringList{"nom=" + QStringLiteral("😀").repeated(255)} << "";
    // clang-format on
}

void PolicyTest::refusal() {
    QFETCH(QStringList, changes);
    QFETCH(QString, startsWith);
    R r = priced();
    for (const QString &change : changes) {
        const qsizetype equals = change.indexOf(u'=');
        QString R::*field = member(change.left(equals));
        QVERIFY2(field, qPrintable(change));
        r.*field = change.mid(equals + 1);
    }
    const QString refused = policy::refusal(r);
    if (startsWith.isEmpty()) {
        QCOMPARE(refused, QString());
        return;
    }
    QVERIFY2(refused.startsWith(startsWith), qPrintable(refused));
    QVERIFY(refused.endsWith(QStringLiteral("Rien n'a été enregistré.")));
    if (startsWith.startsWith(QLatin1String("La prime")))
        QVERIFY(refused.contains(QLatin1String("CALCULER")));
}

void PolicyTest::collectedAmount_data() {
    QTest::addColumn<QString>("collected");
    QTest::addColumn<QString>("key");
    QTest::addColumn<bool>("missing");
    QTest::newRow("collected") << "1500"
                               << "0" << false;
    QTest::newRow("renewal") << "1500"
                             << "57" << false;
    QTest::newRow("empty") << ""
                           << "0" << true;
    QTest::newRow("zero") << "0"
                          << "0" << true;
    QTest::newRow("decimal comma") << "1500,50"
                                   << "0" << true;
    QTest::newRow("negative key") << "1500"
                                  << "-4" << true;
}

void PolicyTest::collectedAmount() {
    QFETCH(QString, collected);
    QFETCH(QString, key);
    QFETCH(bool, missing);
    QCOMPARE(policy::collectedAmountMissing(collected, key), missing);
}

void PolicyTest::overwriteNamesThePolicy() {
    const QString text = policy::overwriteRefusal("57", "POL-778", "DK-1234-AB", "DK-9999-ZZ");
    for (const char *named : {"57", "POL-778", "DK-1234-AB", "DK-9999-ZZ", "NOUVEAU/CLEAR"})
        QVERIFY2(text.contains(QLatin1String(named)), named);
    QVERIFY(text.endsWith(QStringLiteral("Rien n'a été enregistré.")));
}

QTEST_GUILESS_MAIN(PolicyTest)
#include "test_policy.moc"
