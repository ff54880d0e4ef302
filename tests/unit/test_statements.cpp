// The exact text of every statement the program sends, for ordinary values:
// a changed blank, quote or parenthesis fails here, in one obvious place.
// The window tests check only that the window sends them, and a few of them
// against the server's own log.
#include "core/policy.h"
#include "core/statements.h"
#include "core/tariff.h"

#include <QTest>

using namespace statements;

namespace {

const char *const category1 = "CATEGORIE 1 : Véhicules à carrosserie de tourisme";
const char *const withinThreeDays = "(valabl =(CURDATE()+INTERVAL 1 DAY) or valabl= CURDATE() or "
                                    "valabl =(CURDATE()+INTERVAL 2 DAY) or valabl "
                                    "=(CURDATE()+INTERVAL 3 DAY)) ";

// An ordinary first issue by agent 12.
policy::PolicyRecord ordinaryRecord() {
    policy::PolicyRecord r;
    r.idpersonne = "12";
    r.users = "awa";
    r.password = "pw1";
    r.nom = "Fatou SOW";
    r.adresse = "Dakar Plateau";
    r.persacontacter = "Moussa SOW";
    r.telephone = "771234567";
    r.coutpolice = "3000";
    r.prime = "53628";
    r.taxe = "5487";
    r.fga = "1300";
    r.pca = "395";
    r.primetotal = r.sommefact = "63810";
    r.genre = "V.P";
    r.marque = "TOYOTA";
    r.type = "COROLLA";
    r.immat = "DK-1234-AB";
    r.police = "POL-778";
    r.attestation = "T-5521";
    r.valable = r.currentd = "01/02/2025";
    r.valabl = "31/01/2026";
    r.valableau = "08:00";
    r.valablea = "23:59";
    r.nbrdemois = "12";
    r.energie = "DIESEL";
    r.forcefiscal = "9";
    r.categorie = QString::fromUtf8(category1);
    r.tranchef = "7a10";
    r.nbrdeplace = "5";
    r.sommencais = "63810";
    r.cmois = "3";
    r.cannee = "2025";
    r.padres = "Rue 10 Dakar";
    r.trie = "1";
    return r;
}

const QString insertValues = QStringLiteral(
    "values('12','awa','pw1','Fatou SOW','Dakar Plateau','Moussa SOW','771234567','3000','53628',"
    "'5487','1300','395','63810','V.P','TOYOTA','COROLLA','DK-1234-AB','POL-778','T-5521',"
    "STR_TO_DATE('01/02/2025','%d/%m/%Y' ),STR_TO_DATE('31/01/2026','%d/%m/%Y'),'08:00','23:59',"
    "'12','DIESEL','9','CATEGORIE 1 : Véhicules à carrosserie de tourisme','7a10','5','63810',"
    "'63810',STR_TO_DATE('01/02/2025','%d/%m/%Y' ),'3','2025','Rue 10 Dakar'");
const QString insertColumns = QStringLiteral(
    "idpersonne,users,password,nom,adresse,persacontacter,telephone,coutpolice,prime,taxe,fga,pca,"
    "primetotal,genre,marque,type,immat,police,attestation,valable,valabl,valableau,valablea,"
    "nbrdemois,energie,forcefiscal,categorie,tranchef,nbrdeplace,sommencais,sommefact,currentd,"
    "cmois,cannee,padres");

QString period(const char *column = "currentd") {
    return QStringLiteral("%1 between STR_TO_DATE('01/03/2025','%d/%m/%Y' ) and "
                          "STR_TO_DATE('31/03/2025','%d/%m/%Y' )")
        .arg(QLatin1String(column));
}

} // namespace

class StatementsTest : public QObject {
    Q_OBJECT

private slots:
    void text_data();
    void text();
    void cashTotalsInOrder();
};

void StatementsTest::text_data() {
    QTest::addColumn<QString>("built");
    QTest::addColumn<QString>("expected");
    const QString within = QString::fromLatin1(withinThreeDays);
    const auto row = [](const char *name, const sql::Statement &statement, const QString &text) {
        QTest::newRow(name) << statement.text() << text;
    };

    row("login", agentLogin("awa", "pw1"),
        "select * FROM personnes where user='awa' and password='pw1' ");
    row("total counter", policyTotal("awa", "pw1"),
        "select count(idpersonne) from principal where users='awa' and password='pw1'");
    row("expiring counter, button", expiringCount(LoginWay::Button, "awa", "pw1"),
        "select count(valabl) from principal where (users='awa') and (password='pw1') and " +
            within);
    row("expiring counter, Enter", expiringCount(LoginWay::ReturnKey, "awa", "pw1"),
        "select count(valabl) from principal where users='awa' and password='pw1' and " + within);
    row("expired counter, button", expiredCount(LoginWay::Button, "awa", "pw1"),
        "select count(valabl) from principal where (users='awa') and (password='pw1') and valabl "
        "<(CURDATE()-INTERVAL 1 DAY) ");
    row("expired counter, Enter", expiredCount(LoginWay::ReturnKey, "awa", "pw1"),
        "select count(valabl) from principal where users='awa' and password='pw1' and valabl "
        "<(CURDATE()-INTERVAL 1 DAY) ");
    row("expiring list, button", expiringListAtLogin(LoginWay::Button, "12"),
        "select immat as 'MATRICULE',nom as'NOM',valable as 'EFFET',valabl as 'EXPIRATION' from "
        "principal where (idpersonne='12') and " +
            within);
    row("expiring list, Enter", expiringListAtLogin(LoginWay::ReturnKey, "12"),
        "select immat as 'MATRICULE',nom as 'NOM',valable as 'EFFET',valabl as 'EXPIRATION' from "
        "principal where (idpersonne='12') and " +
            within);

    row("search, typing", search(SearchWay::Typing, "12", "DK"),
        "select distinct immat as 'IMMATRICULE',nom as 'NOM', valabl as'EXPIRATION' from "
        "principal WHERE (idpersonne='12') and (immat LIKE '%DK%'or nom LIKE '%DK%') order by "
        "idpersonne desc ");
    row("search, button", search(SearchWay::Button, "12", "DK"),
        "select distinct immat as 'IMMATRICULE',nom as'NOM', valabl as'EXPIRATION' from "
        "principal WHERE (idpersonne='12') and (immat LIKE '%DK%'or nom LIKE '%DK%') order by "
        "idpersonne desc ");
    row("all policies", allPolicies("12"),
        "select immat as 'MATRICULE',nom as 'NOM',valable as 'EFFET',valabl as 'EXPIRATION' from "
        "principal where idpersonne='12'  ");
    row("expiring policies", expiringPolicies("12"),
        "select immat as 'MATRICULE',nom as 'NOM',valable as 'EFFET',valabl as 'EXPIRATION' from "
        "principal where idpersonne='12' and " +
            within);
    row("expired policies", expiredPolicies("12"),
        "select immat as 'IMMATRICULATION',nom as 'NOM',valabl as 'DATE EXPIRATION' from "
        "principal where idpersonne='12' and valabl <= CURDATE() ");

    row("form load", formLoad("DK-1234-AB", "12"),
        "select *from principal where immat='DK-1234-AB' order by idpersonne='12' desc, id desc "
        "limit 1");
    row("policy card", policyCard("12", "DK-1234-AB"),
        "select *from principal where (idpersonne='12') and (immat='DK-1234-AB')");
    row("policy numbers", policyNumbers("12", "DK-1234-AB"),
        "select distinct police from principal1 where (idpersonne='12') and (immat = "
        "'DK-1234-AB') ");
    row("stub details", stubDetails("12", "POL-778"),
        "select *from principal1 where (idpersonne='12') and (police='POL-778') ");
    row("stored plate", storedPlate("57"),
        "select immat,police,idpersonne,users from principal where id='57'");
    row("stored policy", storedPolicy("57"), "select *from principal where id='57'");

    const tariff::Bracket &car = *tariff::bracketForPower(1, "9");
    const tariff::Bracket &scooter = *tariff::bracketForPower(5, "4");
    row("bracket labels", bracketLabels(1), "select categorie from categorie1");
    row("bracket labels, unknown category", bracketLabels(8), "select categorie from ");
    row("bracket label", bracketLabel(car), "select categorie from categorie1 where repere='3'");
    row("bracket label, two-wheelers", bracketLabel(scooter), "select categorie from categorie5");
    row("tariff row", tariffRow(car), "select * from categorie1 where repere='3'");
    row("tariff row, two-wheelers", tariffRow(scooter),
        "select * from categorie5 where categorie ='2'");
    row("commission difference", commissionDifference(),
        "select difcomm from parametres where id='1'");
    row("commission percentage", commissionPercentage(),
        "select pourcentage from parametres where id='2'");

    const policy::PolicyRecord record = ordinaryRecord();
    row("history row", historyInsert(record),
        "insert into principal1(" + insertColumns + ") " + insertValues + ") ");
    row("first issue", policyInsert(record),
        "insert into principal(" + insertColumns + ",trie) " + insertValues + ",'1') ");
    row("renewal", policyRenewal(record, "57"),
        "update principal set idpersonne='12',users='awa',password='pw1',nom='Fatou SOW',"
        "attestation='T-5521',adresse='Dakar Plateau',persacontacter='Moussa SOW',"
        "telephone='771234567',coutpolice='3000',prime='53628',taxe='5487',fga='1300',pca='395',"
        "primetotal='63810',genre='V.P',marque='TOYOTA',type='COROLLA',immat='DK-1234-AB',"
        "police='POL-778',valable=STR_TO_DATE('01/02/2025','%d/%m/%Y' ),"
        "valabl=STR_TO_DATE('31/01/2026','%d/%m/%Y'),valableau='08:00',valablea='23:59',"
        "nbrdemois='12',energie='DIESEL',forcefiscal='9',categorie='CATEGORIE 1 : Véhicules à "
        "carrosserie de tourisme',tranchef='7a10',nbrdeplace='5',sommencais='63810',"
        "sommefact='63810',currentd=STR_TO_DATE('01/02/2025','%d/%m/%Y' ),cmois='3', "
        "cannee='2025',trie=(trie+1)  where id='57' ");
    row("client register", clientInsert(record, policy::tiersPremium),
        "insert into clients (idvendeur,nom,effet,expiration,garanti,attestation,police,genre,"
        "marque,type,immat,adresse)values('12','Fatou SOW',STR_TO_DATE('01/02/2025','%d/%m/%Y' ),"
        "STR_TO_DATE('31/01/2026','%d/%m/%Y'),'TIERS PREMIUM','T-5521','POL-778','V.P','TOYOTA',"
        "'COROLLA','DK-1234-AB','Dakar Plateau')");

    row("client statistics", report(Report::ClientStatistics, "01/03/2025", "31/03/2025", "12"),
        "select nom,immat as 'IMMATRICULATION',valabl as 'DATE EXPIRATION',trie as "
        "'RENOUVELLEMENT' from principal where " +
            period() + " and (idpersonne='12') order by trie DESC ");
    row("sales list", report(Report::SalesList, "01/03/2025", "31/03/2025", "12"),
        "select distinct nom,immat as 'IMMATRICULATION',valable as'Effet', valabl as'Expiration' "
        "from principal1 where " +
            period() + " and (idpersonne='12') order by trie DESC ");
    row("cash-desk details", report(Report::CashDetails, "01/03/2025", "31/03/2025", "12"),
        "select attestation as 'N° Attestation',nom as 'Assuré', immat as'Immatriculation',police "
        "as'N° Police', valable as'Effet', valabl as'Expiration', prime as'Prime Nette', "
        "coutpolice as'Frais', taxe as'Taxe', fga as'FGA', pca as'PCA', sommencais as'P. Total' "
        "from principal1 WHERE " +
            period() + " and (idpersonne ='12') ");
}

void StatementsTest::text() {
    QFETCH(QString, built);
    QFETCH(QString, expected);
    QCOMPARE(built, expected);
}

void StatementsTest::cashTotalsInOrder() {
    const QStringList columns{"SUM(prime)", "sum(coutpolice)", "sum(taxe)",
                              "sum(fga)",   "sum(pca)",        "sum(primetotal)"};
    const QList<sql::Statement> totals = cashTotals("01/03/2025", "31/03/2025", "12");
    QCOMPARE(totals.size(), columns.size());
    for (int i = 0; i < columns.size(); ++i)
        QCOMPARE(totals.at(i).text(),
                 QStringLiteral("select %1 from principal where (idpersonne='12') and ")
                         .arg(columns.at(i)) +
                     period());
}

QTEST_GUILESS_MAIN(StatementsTest)
#include "test_statements.moc"
