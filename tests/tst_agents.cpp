// Agents logged in to the server under their own accounts (made by
// koravel_add_agent): what the server refuses them whatever client they use,
// password in hand, and the program's own saves that it lets through and
// records in the journal; against the real MariaDB server.
#include "core/config.h"
#include "core/policy.h"
#include "core/statements.h"
#include "support/connectwarnings.h"
#include "support/dbfixture.h"
#include "support/environment.h"
#include "support/policyform.h"

#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QTest>

namespace db = testsupport::db;
namespace form = testsupport::policyform;

namespace {

// The policies that init() puts in place, in this order after the reset.
const int ownPolicy = 1;       // Awa's (agent 1)
const int colleaguePolicy = 2; // Moussa's (agent 2)
// A quote and a backslash: the procedure must quote them.
const QString awaPassword = QStringLiteral("l'épée\\1");

// A named connection as that account, opened on first use.
QSqlDatabase session(const QString &user) {
    const QString name = QStringLiteral("agents-") + user;
    if (QSqlDatabase::contains(name))
        return QSqlDatabase::database(name);
    QSqlDatabase opened = QSqlDatabase::addDatabase(QStringLiteral("QMYSQL"), name);
    opened.setHostName(QString::fromUtf8(config::databaseHost));
    opened.setPort(3306);
    opened.setDatabaseName(QStringLiteral("assurebdd"));
    opened.setUserName(user);
    opened.setPassword(user == QLatin1String("awa")      ? awaPassword
                       : user == QLatin1String("moussa") ? QStringLiteral("moussa-secret")
                                                         : QStringLiteral("tulvo"));
    opened.open();
    return opened;
}

// The ordinary form saved by an agent, who typed his old password.
policy::PolicyRecord sale(const QString &agent = QStringLiteral("1"),
                          const QString &user = QStringLiteral("awa")) {
    policy::PolicyRecord r = form::record(form::ordinary(), "08:00", "23:59");
    r.idpersonne = agent;
    r.users = user;
    return r;
}

QString history(const policy::PolicyRecord &r) {
    return statements::historyInsert(r).text();
}

QString renewal(const policy::PolicyRecord &r, int key) {
    return statements::policyRenewal(r, QString::number(key)).text();
}

QStringList everyTable() {
    return db::rowDigests(
        {"principal", "principal1", "clients", "personnes", "parametres", "categorie1", "journal"});
}

} // namespace

class AgentsTest : public testsupport::KitTest {
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();
    void accountsMade();
    void noPasswordToRead_data();
    void noPasswordToRead();
    void refused_data();
    void refused();
    void saved_data();
    void saved();
    void counterClockSetBack();
    void salesSideBySide();
    void addAgentRefused_data();
    void addAgentRefused();
    void cleanupTestCase();
};

void AgentsTest::initTestCase() {
    testsupport::failOnConnectWarnings();
    QVERIFY2(db::admin().isOpen(), "the test database server must be running");
}

void AgentsTest::init() {
    QVERIFY(db::reset());
    QCOMPARE(db::addAgent("awa", "pw1", "Awa DIALLO"), 1);
    QCOMPARE(db::addAgent("moussa", "pw2", "Moussa FALL"), 2);
    QCOMPARE(db::addPolicy({{"idpersonne", "'1'"}, {"users", "'awa'"}, {"password", "'pw1'"}}),
             ownPolicy);
    QCOMPARE(db::addPolicy({{"idpersonne", "'2'"},
                            {"users", "'moussa'"},
                            {"password", "'pw2'"},
                            {"immat", "'DK-2222-BB'"}}),
             colleaguePolicy);
    QVERIFY(db::addPolicy({{"idpersonne", "'1'"}, {"users", "'awa'"}, {"password", "'pw1'"}},
                          true) > 0);
    QVERIFY(db::exec("CALL koravel_add_agent('awa', " + db::literal(awaPassword) + ")"));
    QVERIFY(db::exec("CALL koravel_add_agent('moussa', 'moussa-secret')"));
}

void AgentsTest::cleanup() {
    // Each row starts a session of its own: no SET of a row carries over.
    for (const QString &name : QSqlDatabase::connectionNames())
        if (name.startsWith(QLatin1String("agents-"))) {
            QSqlDatabase::database(name, false).close();
            QSqlDatabase::removeDatabase(name);
        }
}

void AgentsTest::accountsMade() {
    QCOMPARE(db::rows("SELECT User, Host, max_user_connections, default_role FROM mysql.user "
                      "WHERE User IN ('awa', 'moussa') ORDER BY User"),
             QStringList({"awa|%|4|koravel_agent", "moussa|%|4|koravel_agent"}));
    QVERIFY2(session("awa").isOpen(), qPrintable(session("awa").lastError().text()));
}

void AgentsTest::noPasswordToRead_data() {
    QTest::addColumn<QString>("table");
    QTest::newRow("personnes") << "personnes";
    QTest::newRow("principal") << "principal";
    QTest::newRow("principal1") << "principal1";
}

// The agent may read the column (the login's "select *"): it holds nothing.
void AgentsTest::noPasswordToRead() {
    QFETCH(QString, table);
    QSqlQuery query(session("awa"));
    QVERIFY2(query.exec("SELECT COUNT(*), SUM(`password` <> '') FROM " + table),
             qPrintable(query.lastError().text()));
    QVERIFY(query.next());
    QVERIFY(query.value(0).toInt() > 0);
    QCOMPARE(query.value(1).toInt(), 0);
}

void AgentsTest::refused_data() {
    QTest::addColumn<QString>("account");
    QTest::addColumn<QStringList>("earlier"); // committed first; each must pass
    QTest::addColumn<QStringList>("attempt"); // one transaction; only the last fails
    QTest::addColumn<QString>("error");       // the server's error number
    const QString grant = "1142", column = "1143", trigger = "1644";
    const policy::PolicyRecord r = sale();
    policy::PolicyRecord cheap = r;
    cheap.prime = cheap.primetotal = cheap.sommefact = cheap.sommencais = "1";
    const QString insert = statements::policyInsert(r).text();
    // The program's own inserts, naming the id as well.
    QString idPolicy = insert;
    idPolicy.replace("principal(", "principal(id,").replace("values('", "values(2147483647,'");
    QString idClient = statements::clientInsert(r, policy::tiersSimple).text();
    idClient.replace("clients (", "clients (idclient,").replace("values('", "values(2147483647,'");
    const QStringList none;
    QTest::newRow("give own policy away")
        << "awa" << none
        << QStringList{"UPDATE principal SET idpersonne='2',users='moussa' WHERE id=1"} << trigger;
    QTest::newRow("take a colleague's policy")
        << "awa" << none
        << QStringList{"UPDATE principal SET idpersonne='1',users='awa' WHERE id=2"} << trigger;
    QTest::newRow("re-price own policy")
        << "awa" << none << QStringList{"UPDATE principal SET prime=1,primetotal=1 WHERE id=1"}
        << trigger;
    QTest::newRow("back-date own policy")
        << "awa" << none
        << QStringList{"UPDATE principal SET currentd='2020-01-01',valable='2020-01-01' WHERE id=1"}
        << trigger;
    QTest::newRow("sale committed before the renewal")
        << "awa" << QStringList{history(cheap)} << QStringList{renewal(cheap, ownPolicy)}
        << trigger;
    QTest::newRow("sale committed in a transaction of its own")
        << "awa" << QStringList{"START TRANSACTION", history(cheap), "COMMIT"}
        << QStringList{renewal(cheap, ownPolicy)} << trigger;
    QTest::newRow("renewal priced apart from its sale")
        << "awa" << none << QStringList{history(r), renewal(cheap, ownPolicy)} << trigger;
    QTest::newRow("first issue without its sale")
        << "awa" << none << QStringList{insert} << trigger;
    QTest::newRow("one sale, two policies")
        << "awa" << none << QStringList{history(r), insert, insert} << trigger;
    QTest::newRow("history in a colleague's name")
        << "awa" << none << QStringList{history(sale("2", "moussa"))} << trigger;
    QTest::newRow("history under a colleague's id")
        << "awa" << none << QStringList{history(sale("2", "awa"))} << trigger;
    QTest::newRow("client row in a colleague's name")
        << "awa" << none
        << QStringList{statements::clientInsert(sale("2", "moussa"), policy::tiersSimple).text()}
        << trigger;
    QTest::newRow("history naming its writer")
        << "awa" << none
        << QStringList{"INSERT INTO principal1 (idpersonne, users, enregistre_par) VALUES "
                       "('1', 'awa', 'moussa')"}
        << column;
    QTest::newRow("UPDATE history")
        << "awa" << none << QStringList{"UPDATE principal1 SET prime=1"} << grant;
    QTest::newRow("DELETE history")
        << "awa" << none << QStringList{"DELETE FROM principal1"} << grant;
    QTest::newRow("DELETE policy")
        << "awa" << none << QStringList{"DELETE FROM principal"} << grant;
    QTest::newRow("UPDATE personnes")
        << "awa" << none << QStringList{"UPDATE personnes SET nom='x'"} << grant;
    QTest::newRow("UPDATE parametres")
        << "awa" << none << QStringList{"UPDATE parametres SET pourcentage=99"} << grant;
    QTest::newRow("UPDATE tariff")
        << "awa" << none << QStringList{"UPDATE categorie1 SET primenette=1"} << grant;
    QTest::newRow("policy id at its end") << "awa" << none << QStringList{idPolicy} << column;
    QTest::newRow("client id at its end") << "awa" << none << QStringList{idClient} << column;
    QTest::newRow("counter: policy id at its end")
        << "agnt" << none << QStringList{idPolicy} << column;
    QTest::newRow("counter: client id at its end")
        << "agnt" << none << QStringList{idClient} << column;
    QTest::newRow("read the journal")
        << "awa" << none << QStringList{"SELECT * FROM journal"} << grant;
    QTest::newRow("INSERT journal")
        << "awa" << none << QStringList{"INSERT INTO journal (compte, action) VALUES ('x', 'x')"}
        << grant;
    QTest::newRow("UPDATE journal")
        << "awa" << none << QStringList{"UPDATE journal SET nouvel_agent='1'"} << grant;
    QTest::newRow("DELETE journal") << "awa" << none << QStringList{"DELETE FROM journal"} << grant;
}

void AgentsTest::refused() {
    QFETCH(QString, account);
    QFETCH(QStringList, earlier);
    QFETCH(QStringList, attempt);
    QFETCH(QString, error);
    QSqlDatabase connection = session(account);
    QSqlQuery query(connection);
    // The session works and may read: the refusal is the server's rule.
    QVERIFY2(query.exec("SELECT COUNT(*) FROM principal"), qPrintable(query.lastError().text()));
    for (const QString &statement : earlier)
        QVERIFY2(query.exec(statement), qPrintable(query.lastError().text()));
    const QStringList before = everyTable();

    QVERIFY(connection.transaction());
    for (const QString &statement : attempt.mid(0, attempt.size() - 1))
        QVERIFY2(query.exec(statement), qPrintable(query.lastError().text()));
    QVERIFY(!query.exec(attempt.last()));
    QCOMPARE(query.lastError().nativeErrorCode(), error);
    if (error == QLatin1String("1644"))
        QVERIFY2(query.lastError().text().contains(QStringLiteral("Refusé par le serveur")),
                 qPrintable(query.lastError().text()));
    QVERIFY(connection.rollback());
    QCOMPARE(everyTable(), before);
}

void AgentsTest::saved_data() {
    QTest::addColumn<QString>("setup");  // sent first on the agent's session
    QTest::addColumn<int>("renewed");    // 0: a first issue
    QTest::addColumn<QString>("former"); // the journal's ancien_agent
    QTest::addColumn<int>("packages");
    QTest::newRow("first issue") << QString() << 0 << "NULL" << 1;
    QTest::newRow("first issue, clock set back")
        << "SET timestamp = UNIX_TIMESTAMP('2020-01-01')" << 0 << "NULL" << 2;
    QTest::newRow("own renewal") << QString() << ownPolicy << "1" << 1;
    QTest::newRow("colleague's policy renewed") << QString() << colleaguePolicy << "2" << 3;
}

// The program's own statements, in its order and in one transaction.
void AgentsTest::saved() {
    QFETCH(QString, setup);
    QFETCH(int, renewed);
    QFETCH(QString, former);
    QFETCH(int, packages);
    const int journalBefore = db::scalar("SELECT IFNULL(MAX(id), 0) FROM journal").toInt();
    const policy::PolicyRecord r = sale();
    QSqlDatabase connection = session("awa");
    QSqlQuery query(connection);
    QVERIFY2(query.exec("SELECT USER()") && query.next(), qPrintable(query.lastError().text()));
    const QString account = query.value(0).toString();
    if (!setup.isEmpty())
        QVERIFY2(query.exec(setup), qPrintable(query.lastError().text()));

    QVERIFY(connection.transaction());
    QVERIFY2(query.exec(history(r)), qPrintable(query.lastError().text()));
    QVERIFY2(query.exec(renewed ? renewal(r, renewed) : statements::policyInsert(r).text()),
             qPrintable(query.lastError().text()));
    const int key = renewed ? renewed : query.lastInsertId().toInt();
    const char *const names[] = {policy::tiersSimple, policy::tiersComplet, policy::tiersPremium};
    for (int i = 0; i < packages; ++i)
        QVERIFY2(query.exec(statements::clientInsert(r, names[i]).text()),
                 qPrintable(query.lastError().text()));
    QVERIFY(connection.commit());

    QCOMPARE(key, db::scalar("SELECT MAX(id) FROM principal WHERE idpersonne='1'").toInt());
    QCOMPARE(db::rows(QStringLiteral("SELECT idpersonne, users, `password`, primetotal, currentd, "
                                     "trie FROM principal WHERE id=%1")
                          .arg(key)),
             QStringList(QStringLiteral("1|awa||63415|2025-02-01|%1").arg(renewed ? 2 : 1)));
    const int sold = db::scalar("SELECT MAX(idhistorique) FROM principal1").toInt();
    QCOMPARE(db::rows(QStringLiteral("SELECT users, `password`, DATE(enregistre_le) = CURDATE(), "
                                     "enregistre_par FROM principal1 WHERE idhistorique=%1")
                          .arg(sold)),
             QStringList("awa||1|" + account));
    QCOMPARE(db::rows(QStringLiteral("SELECT action, id_police, ancien_agent, nouvel_agent, "
                                     "compte, id_historique FROM journal WHERE id > %1 ORDER BY id")
                          .arg(journalBefore)),
             QStringList({QStringLiteral("vente|NULL|NULL|1|%1|%2").arg(account).arg(sold),
                          QStringLiteral("%1|%2|%3|1|%4|%5")
                              .arg(QLatin1String(renewed ? "update" : "insert"))
                              .arg(key)
                              .arg(former, account)
                              .arg(sold)}));
    QCOMPARE(db::scalar(QStringLiteral("SELECT COUNT(DISTINCT connexion) FROM journal "
                                       "WHERE id > %1")
                            .arg(journalBefore))
                 .toInt(),
             1);
    QCOMPARE(db::scalar("SELECT COUNT(*) FROM clients WHERE idvendeur='1'").toInt(), packages);
}

// The counter's role may not date a sale; a session's own clock may not
// either.
void AgentsTest::counterClockSetBack() {
    QSqlQuery query(session("agnt"));
    QVERIFY(query.exec("SET timestamp = UNIX_TIMESTAMP('2020-01-01')"));
    QVERIFY2(query.exec(history(sale())), qPrintable(query.lastError().text()));
    QCOMPARE(db::scalar("SELECT DATE(enregistre_le) = CURDATE() FROM principal1 "
                        "ORDER BY idhistorique DESC LIMIT 1")
                 .toInt(),
             1);
}

// Two agents' saves interleaved, neither committed before the other's
// policy write: the server's checks take no lock that makes one wait.
void AgentsTest::salesSideBySide() {
    const policy::PolicyRecord awaSale = sale();
    policy::PolicyRecord moussaSale = sale("2", "moussa");
    moussaSale.immat = "DK-2222-BB";
    QSqlDatabase awa = session("awa");
    QSqlDatabase moussa = session("moussa");
    QSqlQuery first(awa);
    QSqlQuery second(moussa);
    QVERIFY(first.exec("SET innodb_lock_wait_timeout = 2"));
    QVERIFY(second.exec("SET innodb_lock_wait_timeout = 2"));
    QVERIFY(awa.transaction());
    QVERIFY(moussa.transaction());
    QVERIFY2(first.exec(history(awaSale)), qPrintable(first.lastError().text()));
    QVERIFY2(second.exec(history(moussaSale)), qPrintable(second.lastError().text()));
    QVERIFY2(second.exec(statements::policyInsert(moussaSale).text()),
             qPrintable(second.lastError().text()));
    QVERIFY2(first.exec(renewal(awaSale, ownPolicy)), qPrintable(first.lastError().text()));
    QVERIFY(moussa.commit());
    QVERIFY(awa.commit());
    QCOMPARE(db::rows("SELECT id, idpersonne, immat FROM principal ORDER BY id"),
             QStringList({"1|1|DK-1234-AB", "2|2|DK-2222-BB", "3|2|DK-2222-BB"}));
}

void AgentsTest::addAgentRefused_data() {
    QTest::addColumn<QString>("user");
    QTest::newRow("no such agent") << "nobody";
    QTest::newRow("the counter's account") << "agnt";
}

// Neither a name without its personnes row nor an account that is not an
// agent's (here the counter's, which keeps its password and role).
void AgentsTest::addAgentRefused() {
    QFETCH(QString, user);
    QVERIFY(db::addAgent("agnt", "tulvo") > 0);
    const QStringList before = db::rows("SELECT User, Host, authentication_string FROM mysql.user "
                                        "ORDER BY User, Host");
    QSqlQuery query(db::admin());
    QVERIFY(!query.exec("CALL koravel_add_agent(" + db::literal(user) + ", 'x')"));
    QCOMPARE(query.lastError().nativeErrorCode(), QStringLiteral("1644"));
    QCOMPARE(db::rows("SELECT User, Host, authentication_string FROM mysql.user "
                      "ORDER BY User, Host"),
             before);
    QCOMPARE(db::scalar("SELECT `password` FROM personnes WHERE `user`='agnt'").toString(),
             QStringLiteral("tulvo"));
    QVERIFY(session("agnt").isOpen());
}

// The agents' accounts go with the test: the next test program meets none.
void AgentsTest::cleanupTestCase() {
    QVERIFY(db::exec("DROP USER IF EXISTS 'awa'@'%', 'moussa'@'%'"));
}

QTEST_MAIN(AgentsTest)
#include "tst_agents.moc"
