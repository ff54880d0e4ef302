#include "core/statements.h"

#include "core/nodes.h"
#include "core/policy.h"
#include "core/policycolumns.h"
#include "core/tariff.h"

namespace statements {

namespace {

// Policies whose expiry date is today or one of the next three days.
const char *const withinThreeDays = "valabl =(CURDATE()+INTERVAL 1 DAY) or valabl= CURDATE() or "
                                    "valabl =(CURDATE()+INTERVAL 2 DAY) or valabl "
                                    "=(CURDATE()+INTERVAL 3 DAY)) ";

// The counters of the two ways of logging in. They select the same rows.
struct CounterTexts {
    const char *userOpen;  // before the user name
    const char *password;  // between user name and password
    const char *countEnd;  // after the password, before the period
    const char *listStart; // the expiring list, before the agent id
};

const CounterTexts buttonTexts{
    "select count(valabl) from principal where (users='",
    "') and (password='",
    "') and ",
    "select immat as 'MATRICULE',nom as'NOM',valable as 'EFFET',valabl as 'EXPIRATION' from "
    "principal where (idpersonne='",
};

const CounterTexts returnKeyTexts{
    "select count(valabl) from principal where users='",
    "' and password='",
    "' and ",
    "select immat as 'MATRICULE',nom as 'NOM',valable as 'EFFET',valabl as 'EXPIRATION' from "
    "principal where (idpersonne='",
};

const CounterTexts &countersOf(LoginWay way) {
    return way == LoginWay::Button ? buttonTexts : returnKeyTexts;
}

const char *const agentsList = "select immat as 'MATRICULE',nom as 'NOM',valable as 'EFFET',"
                               "valabl as 'EXPIRATION' from principal where idpersonne='";

// "insert into <table>(<columns>) values('<value>',...,STR_TO_DATE('<date>',
// '%d/%m/%Y' ),...) ": the columns the statement writes, in the table's
// order, each value between quotes or, for a date, converted by the server.
sql::Statement insertOf(const char *table, policy::Written statement,
                        const policy::PolicyRecord &record) {
    sql::Statement st("insert into ");
    st << table << "(";
    const QByteArray names = policy::columnNames(statement).join(QLatin1Char(',')).toLatin1();
    st << names.constData() << ") values(";
    const char *separator = "";
    for (const policy::Column &column : policy::columns()) {
        if (!(column.written & statement))
            continue;
        st << separator << (column.dateEnd ? "STR_TO_DATE('" : "'") << record.*column.member
           << (column.dateEnd ? column.dateEnd : "'");
        separator = ",";
    }
    st << ") ";
    return st;
}

// The period clause shared by every report statement.
void appendPeriod(sql::Statement &statement, const QString &start, const QString &end) {
    statement << "currentd between STR_TO_DATE('" << start << "','%d/%m/%Y' ) and STR_TO_DATE('"
              << end << "','%d/%m/%Y' )";
}

} // namespace

sql::Statement agentLogin(const QString &user, const QString &password) {
    sql::Statement st("select * FROM personnes where user='");
    st << user << "' and password='" << password << "' ";
    return st;
}

sql::Statement policyTotal(const QString &user, const QString &password) {
    sql::Statement st("select count(idpersonne) from principal where users='");
    st << user << "' and password='" << password << "'";
    return st;
}

sql::Statement expiringCount(LoginWay way, const QString &user, const QString &password) {
    const CounterTexts &texts = countersOf(way);
    sql::Statement st(texts.userOpen);
    st << user << texts.password << password << texts.countEnd << "(" << withinThreeDays;
    return st;
}

sql::Statement expiredCount(LoginWay way, const QString &user, const QString &password) {
    const CounterTexts &texts = countersOf(way);
    sql::Statement st(texts.userOpen);
    st << user << texts.password << password << texts.countEnd
       << "valabl <(CURDATE()-INTERVAL 1 DAY) ";
    return st;
}

sql::Statement expiringListAtLogin(LoginWay way, const QString &agent) {
    sql::Statement st(countersOf(way).listStart);
    st << agent << "') and (" << withinThreeDays;
    return st;
}

sql::Statement search(SearchWay way, const QString &agent, const QString &text) {
    sql::Statement st(way == SearchWay::Typing
                          ? "select distinct immat as 'IMMATRICULE',nom as 'NOM', valabl "
                            "as'EXPIRATION' from principal WHERE (idpersonne='"
                          : "select distinct immat as 'IMMATRICULE',nom as'NOM', valabl "
                            "as'EXPIRATION' from principal WHERE (idpersonne='");
    st << agent << "') and (immat LIKE '%";
    st.like(text) << "%'or nom LIKE '%";
    st.like(text) << "%') order by idpersonne desc ";
    return st;
}

sql::Statement allPolicies(const QString &agent) {
    sql::Statement st(agentsList);
    st << agent << "'  ";
    return st;
}

sql::Statement expiringPolicies(const QString &agent) {
    sql::Statement st(agentsList);
    st << agent << "' and (" << withinThreeDays;
    return st;
}

sql::Statement expiredPolicies(const QString &agent) {
    sql::Statement st("select immat as 'IMMATRICULATION',nom as 'NOM',valabl as 'DATE "
                      "EXPIRATION' from principal where idpersonne='");
    st << agent << "' and valabl <= CURDATE() ";
    return st;
}

sql::Statement formLoad(const QString &plate, const QString &agent) {
    sql::Statement st("select *from principal where immat='");
    st << plate << "' order by idpersonne='" << agent << "' desc, id desc limit 1";
    return st;
}

sql::Statement policyCard(const QString &agent, const QString &plate) {
    sql::Statement st("select *from principal where (idpersonne='");
    st << agent << "') and (immat='" << plate << "')";
    return st;
}

sql::Statement policyNumbers(const QString &agent, const QString &plate) {
    sql::Statement st("select distinct police from principal1 where (idpersonne='");
    st << agent << "') and (immat = '" << plate << "') ";
    return st;
}

sql::Statement stubDetails(const QString &agent, const QString &number) {
    sql::Statement st("select *from principal1 where (idpersonne='");
    st << agent << "') and (police='" << number << "') ";
    return st;
}

sql::Statement storedPlate(const QString &key) {
    sql::Statement st("select immat,police,idpersonne,users from principal where id='");
    st << key << "'";
    return st;
}

sql::Statement storedPolicy(const QString &key) {
    sql::Statement st("select *from principal where id='");
    st << key << "'";
    return st;
}

sql::Statement bracketLabels(int category) {
    sql::Statement st("select categorie from ");
    st << tariff::tableOf(category);
    return st;
}

sql::Statement bracketLabel(const tariff::Bracket &bracket) {
    if (tariff::picksSubType(bracket.category))
        return bracketLabels(bracket.category);
    sql::Statement st("select categorie from ");
    st << tariff::tableOf(bracket.category) << " where repere='" << QString::number(bracket.number)
       << "'";
    return st;
}

sql::Statement tariffRow(const tariff::Bracket &bracket) {
    sql::Statement st("select * from ");
    st << tariff::tableOf(bracket.category);
    if (tariff::picksSubType(bracket.category))
        st << " where categorie ='";
    else
        st << " where repere='";
    st << QString::number(bracket.number) << "'";
    return st;
}

sql::Statement commissionDifference() {
    return sql::Statement("select difcomm from parametres where id='1'");
}

sql::Statement nodeStatus() {
    // SHOW would answer even a node that takes no queries.
    return sql::Statement("select variable_name, variable_value from "
                          "information_schema.global_status where variable_name in ('")
           << connection::readyVariable << "','" << connection::stateVariable
           << "') union all select variable_name, variable_value from "
              "information_schema.global_variables where variable_name in ('"
           << connection::onVariable << "','" << connection::rejectVariable << "')";
}

sql::Statement commissionPercentage() {
    return sql::Statement("select pourcentage from parametres where id='2'");
}

sql::Statement historyInsert(const policy::PolicyRecord &record) {
    return insertOf("principal1", policy::History, record);
}

sql::Statement policyInsert(const policy::PolicyRecord &record) {
    return insertOf("principal", policy::Policy, record);
}

sql::Statement policyRenewal(const policy::PolicyRecord &r, const QString &key) {
    sql::Statement st("update principal set idpersonne='");
    st << r.idpersonne << "',users='" << r.users << "',password='" << r.password << "',nom='"
       << r.nom << "',attestation='" << r.attestation << "',adresse='" << r.adresse
       << "',persacontacter='" << r.persacontacter << "',telephone='" << r.telephone
       << "',coutpolice='" << r.coutpolice << "',prime='" << r.prime << "',taxe='" << r.taxe
       << "',fga='" << r.fga << "',pca='" << r.pca << "',primetotal='" << r.primetotal
       << "',genre='" << r.genre << "',marque='" << r.marque << "',type='" << r.type << "',immat='"
       << r.immat << "',police='" << r.police;
    st << "',valable=STR_TO_DATE('" << r.valable << "','%d/%m/%Y' ),valabl=STR_TO_DATE('"
       << r.valabl << "','%d/%m/%Y'),valableau='" << r.valableau << "',valablea='" << r.valablea
       << "',nbrdemois='" << r.nbrdemois << "',energie='" << r.energie << "',forcefiscal='"
       << r.forcefiscal << "',categorie='" << r.categorie << "',tranchef='" << r.tranchef
       << "',nbrdeplace='" << r.nbrdeplace << "',sommencais='" << r.sommencais << "',sommefact='"
       << r.sommefact;
    st << "',currentd=STR_TO_DATE('" << r.currentd << "','%d/%m/%Y' ),cmois='" << r.cmois
       << "', cannee='" << r.cannee << "',trie=(trie+1)  where id='" << key << "' ";
    return st;
}

sql::Statement clientInsert(const policy::PolicyRecord &r, const char *package) {
    sql::Statement st("insert into clients (idvendeur,nom,effet,expiration,garanti,attestation,"
                      "police,genre,marque,type,immat,adresse)values('");
    st << r.idpersonne << "','" << r.nom << "',STR_TO_DATE('" << r.valable
       << "','%d/%m/%Y' ),STR_TO_DATE('" << r.valabl << "','%d/%m/%Y'),'" << package << "','"
       << r.attestation << "','" << r.police << "','" << r.genre << "','" << r.marque << "','"
       << r.type << "','" << r.immat << "','" << r.adresse << "')";
    return st;
}

sql::Statement report(Report report, const QString &start, const QString &end,
                      const QString &agent) {
    sql::Statement st;
    switch (report) {
    case Report::ClientStatistics:
        st << "select nom,immat as 'IMMATRICULATION',valabl as 'DATE EXPIRATION',trie as "
              "'RENOUVELLEMENT' from principal where ";
        appendPeriod(st, start, end);
        st << " and (idpersonne='" << agent << "') order by trie DESC ";
        break;
    case Report::SalesList:
        st << "select distinct nom,immat as 'IMMATRICULATION',valable as'Effet', valabl "
              "as'Expiration' from principal1 where ";
        appendPeriod(st, start, end);
        st << " and (idpersonne='" << agent << "') order by trie DESC ";
        break;
    case Report::CashDetails:
        st << "select attestation as 'N° Attestation',nom as 'Assuré', immat as'Immatriculation',"
              "police as'N° Police', valable as'Effet', valabl as'Expiration', prime as'Prime "
              "Nette', coutpolice as'Frais', taxe as'Taxe', fga as'FGA', pca as'PCA', sommencais "
              "as'P. Total' from principal1 WHERE ";
        appendPeriod(st, start, end);
        st << " and (idpersonne ='" << agent << "') ";
        break;
    }
    return st;
}

QList<sql::Statement> cashTotals(const QString &start, const QString &end, const QString &agent) {
    QList<sql::Statement> totals;
    for (const char *head : {"select SUM(prime) from principal where (idpersonne='",
                             "select sum(coutpolice) from principal where (idpersonne='",
                             "select sum(taxe) from principal where (idpersonne='",
                             "select sum(fga) from principal where (idpersonne='",
                             "select sum(pca) from principal where (idpersonne='",
                             "select sum(primetotal) from principal where (idpersonne='"}) {
        sql::Statement st(head);
        st << agent << "') and ";
        appendPeriod(st, start, end);
        totals << st;
    }
    return totals;
}

} // namespace statements
