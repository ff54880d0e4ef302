// What a save refuses before anything is written, and why, in French.
#include "core/policy.h"

#include <QTest>

namespace {

policy::PolicyRecord priced() {
    policy::PolicyRecord r;
    r.coutpolice = "3000";
    r.prime = "53628";
    r.taxe = "5487";
    r.fga = "1300";
    r.pca = "395";
    r.primetotal = r.sommefact = "63810";
    r.categorie = "CATEGORIE 1 : Véhicules à carrosserie de tourisme";
    r.net = "4469";
    r.nbrdemois = "12";
    r.valable = r.currentd = "01/02/2025";
    r.valabl = "31/01/2026";
    return r;
}

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
    QTest::addColumn<QString>("field");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("startsWith"); // empty: accepted
    const QString calculer = QStringLiteral("La prime de ce formulaire n'a pas été calculée");
    QTest::newRow("ordinary") << ""
                              << ""
                              << "";
    // What NOUVEAU/CLEAR or a policy load leave: no category, no premium.
    QTest::newRow("no category") << "categorie"
                                 << "" << calculer;
    QTest::newRow("no period premium") << "prime"
                                       << "" << calculer;
    QTest::newRow("period group empty") << "group"
                                        << "" << calculer;
    // The period computed while the net premium was blank, then the power.
    QTest::newRow("period without net") << "prime"
                                        << "0" << calculer;
    QTest::newRow("net blank") << "net"
                               << "" << calculer;
    QTest::newRow("net 0") << "net"
                           << "0" << calculer;
    QTest::newRow("months changed after") << "nbrdemois"
                                          << "6" << calculer;
    QTest::newRow("one amount empty") << "coutpolice"
                                      << ""
                                      << "« COUT DE POLICE »";
    QTest::newRow("amount with letters") << "prime"
                                         << "53628F"
                                         << "« PRIME TOTAL »";
    QTest::newRow("amount beyond 32 bits") << "pca"
                                           << "99999999999"
                                           << "« PCA »";
    QTest::newRow("negative amount") << "taxe"
                                     << "-5"
                                     << "";
    QTest::newRow("invoice empty") << "primetotal"
                                   << ""
                                   << "« SOMME FACTURE »";
    QTest::newRow("no such day") << "valable"
                                 << "31/02/2025"
                                 << "« DATE D'EFFET »";
    QTest::newRow("expiry missing") << "valabl"
                                    << ""
                                    << "« DATE D'EXPIRATION »";
    QTest::newRow("name of 255") << "nom" << QString(255, u'é') << "";
    QTest::newRow("name of 256") << "nom" << QString(256, u'é') << "« NOM » : texte trop long";
    QTest::newRow("emoji count once") << "nom" << QStringLiteral("😀").repeated(255) << "";
}

void PolicyTest::refusal() {
    QFETCH(QString, field);
    QFETCH(QString, text);
    QFETCH(QString, startsWith);
    policy::PolicyRecord r = priced();
    if (field == QLatin1String("group"))
        r.coutpolice = r.prime = r.taxe = r.fga = r.pca = QString();
    else if (field == QLatin1String("categorie"))
        r.categorie = text;
    else if (field == QLatin1String("prime"))
        r.prime = text;
    else if (field == QLatin1String("net"))
        r.net = text;
    else if (field == QLatin1String("nbrdemois"))
        r.nbrdemois = text;
    else if (field == QLatin1String("coutpolice"))
        r.coutpolice = text;
    else if (field == QLatin1String("pca"))
        r.pca = text;
    else if (field == QLatin1String("taxe"))
        r.taxe = text;
    else if (field == QLatin1String("primetotal"))
        r.primetotal = text;
    else if (field == QLatin1String("valable"))
        r.valable = text;
    else if (field == QLatin1String("valabl"))
        r.valabl = text;
    else if (field == QLatin1String("nom"))
        r.nom = text;
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
