// The counter on a three-node Galera cluster (scripts/cluster.sh), its
// machine file listing the three nodes: a node killed between two saves or
// during one, and a node that answers but is out of service. Every row is
// counted on every node.
#include "support/connectwarnings.h"
#include "support/dbfixture.h"
#include "support/inifiles.h"
#include "support/loadrun.h"
#include "support/modal.h"
#include "support/policyform.h"
#include "support/printqueue.h"
#include "support/relay.h"
#include "support/windowtest.h"

#include <QDate>
#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QTableView>
#include <QTest>
#include <QThread>

#include <atomic>
#include <functional>
#include <memory>

namespace db = testsupport::db;
namespace form = testsupport::policyform;
using testsupport::SeenBox;

namespace {

const char *const nodes[] = {"127.0.0.21", "127.0.0.22", "127.0.0.23"};
const char *const saveFailed = "L'enregistrement a échoué : rien n'a été enregistré.";

bool cluster(const QStringList &arguments) {
    QProcess script;
    script.setProcessChannelMode(QProcess::ForwardedChannels);
    script.start(QStringLiteral("bash"),
                 QStringList{QStringLiteral(KORAVEL_SOURCE_DIR "/scripts/cluster.sh")} + arguments);
    return script.waitForFinished(300000) && script.exitCode() == 0;
}

// What one statement answers on node n (1 to 3), through a connection of
// its own: each row's values joined by '|', the rows by ';'; empty for a
// statement without rows, "down" when the node does not run it.
QString onNode(int n, const QString &statement) {
    const QString name = QStringLiteral("node%1").arg(n);
    QString value = QStringLiteral("down");
    {
        QSqlDatabase node = QSqlDatabase::addDatabase(QStringLiteral("QMYSQL"), name);
        node.setHostName(QLatin1String(nodes[n - 1]));
        node.setDatabaseName(QStringLiteral("assurebdd"));
        node.setUserName(QStringLiteral("kvtest"));
        node.setPassword(QStringLiteral("kvtest"));
        node.setConnectOptions(QStringLiteral("MYSQL_OPT_CONNECT_TIMEOUT=3"));
        QSqlQuery query(node);
        if (node.open() && query.exec(statement)) {
            QStringList rows;
            while (query.next()) {
                QStringList values;
                for (int i = 0; i < query.record().count(); ++i)
                    values << query.value(i).toString();
                rows << values.join(QLatin1Char('|'));
            }
            value = rows.join(QLatin1Char(';'));
        }
    }
    QSqlDatabase::removeDatabase(name);
    return value;
}

// The policy, history and client-register rows, as each node holds them.
QStringList rowsOnEveryNode() {
    QStringList counts;
    for (int n = 1; n <= 3; ++n)
        counts << onNode(n, QStringLiteral("SELECT CONCAT((SELECT COUNT(*) FROM principal), '/', "
                                           "(SELECT COUNT(*) FROM principal1), '/', "
                                           "(SELECT COUNT(*) FROM clients))"));
    return counts;
}

// The statement the trigger kv_pause holds runs on node 1.
bool pausedOnNode1() {
    return onNode(1, QStringLiteral("SELECT COUNT(*) FROM information_schema.processlist WHERE "
                                    "info LIKE 'SET @kv_pause%'")) == QLatin1String("1");
}

bool killNode1() {
    return cluster({QStringLiteral("kill"), QStringLiteral("1")});
}

} // namespace

class ClusterTest : public testsupport::WindowTest {
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void nodeKilledBetweenSaves();
    void nodeKilledDuringSave();
    void nodeKilledAfterTheCommit();
    void concurrentRenewalOnAnotherNode();
    void nodeOutOfService_data();
    void nodeOutOfService();
    void sixteenCountersAcrossTheNodes();

private:
    QList<SeenBox> clickSave();
    // Saves the form while another thread waits for ready() (every 10 ms,
    // 30 s at most), then runs then() once; done: whether it did and
    // succeeded.
    QList<SeenBox> saveWhile(const std::function<bool()> &ready, const std::function<bool()> &then,
                             bool &done);
    QString serverLine() const { return child<QLabel>("serverLabel")->text(); }

    std::unique_ptr<testsupport::IniFiles> files;
    QString agent;
};

void ClusterTest::initTestCase() {
    testsupport::failOnConnectWarnings();
    testsupport::printqueue::useRigServer();
    // Node 3 is never stopped here: the fixture's connection stays up.
    db::useServer(QLatin1String(nodes[2]));
    QVERIFY2(cluster({QStringLiteral("status")}), "the rig's cluster must be running");
    QVERIFY(db::admin().isOpen());
}

void ClusterTest::init() {
    QVERIFY(cluster({QStringLiteral("start")}));
    QVERIFY(db::reset());
    agent = QString::number(db::addAgent("awa", "pw1", "Awa DIOP"));
    // The account is made through node 3 and each node applies it in its
    // own time: a login there before it has would pass that node over.
    for (int n = 1; n <= 2; ++n)
        QCOMPARE(onNode(n, QStringLiteral("SET STATEMENT wsrep_sync_wait = 1 FOR SELECT "
                                          "COUNT(*) FROM mysql.user WHERE user = 'awa'")),
                 QStringLiteral("1"));
    files = std::make_unique<testsupport::IniFiles>();
    QVERIFY(files->write("system", QStringLiteral("host=%1,%2,%3\nport=3306")
                                       .arg(QLatin1String(nodes[0]), QLatin1String(nodes[1]),
                                            QLatin1String(nodes[2]))));
    window = std::make_unique<Koravel3>();
}

void ClusterTest::cleanup() {
    window.reset();
    files.reset();
    onNode(1, QStringLiteral("SET GLOBAL wsrep_reject_queries = NONE"));
    onNode(1, QStringLiteral("SET GLOBAL wsrep_desync = OFF"));
    QVERIFY(db::exec("DROP TRIGGER IF EXISTS kv_pause"));
    QVERIFY(db::exec("DROP USER IF EXISTS 'awa'@'%'"));
    QVERIFY(cluster({QStringLiteral("start")}));
}

QList<SeenBox> ClusterTest::clickSave() {
    testsupport::ModalWatcher watcher;
    QTest::mouseClick(child<QPushButton>("pushButton_3"), Qt::LeftButton);
    return watcher.boxes();
}

QList<SeenBox> ClusterTest::saveWhile(const std::function<bool()> &ready,
                                      const std::function<bool()> &then, bool &done) {
    std::atomic<bool> ran{false};
    QThread *other = QThread::create([&] {
        for (int i = 0; i < 3000 && !ran; ++i) {
            QThread::msleep(10);
            if (ready())
                ran = then();
        }
    });
    other->start();
    const QList<SeenBox> boxes = clickSave();
    other->wait();
    delete other;
    done = ran;
    return boxes;
}

// The agent's day through node 1; node 1 killed between two saves: the
// renewal goes to node 2 without a box, the report reads there, and no
// policy is lost or written twice on any node, node 1 once back included.
void ClusterTest::nodeKilledBetweenSaves() {
    submitLogin("awa", "pw1");
    QCOMPARE(page(), Koravel3::HomePage);
    QVERIFY2(serverLine().startsWith(QStringLiteral("Serveur : 127.0.0.21:3306")),
             qPrintable(serverLine()));
    fillForm(form::with(form::ordinary(), {{"label_5", agent}}));
    QCOMPARE(clickSave().value(0).text, QStringLiteral("ENREGISTRER"));
    QCOMPARE(rowsOnEveryNode(), QStringList(3, QStringLiteral("1/1/1")));

    QVERIFY(cluster({QStringLiteral("kill"), QStringLiteral("1")}));
    fillForm({{"LEN", "Awa DIOP renouvelle"}});
    QElapsedTimer took;
    took.start();
    const QList<SeenBox> boxes = clickSave();
    qInfo("the save after node 1 died answered in %lld ms", took.elapsed());
    QCOMPARE(boxes.size(), 1);
    QCOMPARE(boxes.first().text, QStringLiteral("MIS A JOUR.."));
    QVERIFY2(serverLine().startsWith(QStringLiteral("Serveur : 127.0.0.22:3306")),
             qPrintable(serverLine()));
    QCOMPARE(rowsOnEveryNode(), QStringList({QStringLiteral("down"), QStringLiteral("1/2/2"),
                                             QStringLiteral("1/2/2")}));

    QTest::mouseClick(child<QPushButton>("pushButton_8"), Qt::LeftButton);
    // The sales of the form's start date.
    runReport("pushButton_12", QDate(2025, 2, 1), QDate(2025, 2, 1));
    QCOMPARE(child<QTableView>("tableView_2")->model()->rowCount(), 2);

    QVERIFY(cluster({QStringLiteral("restart"), QStringLiteral("1")}));
    QCOMPARE(rowsOnEveryNode(), QStringList(3, QStringLiteral("1/2/2")));
}

// Node 1 killed while the save waits between its statements: the policy is
// on no node, the agent is told so, and the next save goes to node 2.
void ClusterTest::nodeKilledDuringSave() {
    submitLogin("awa", "pw1");
    QCOMPARE(page(), Koravel3::HomePage);
    QVERIFY(db::exec("CREATE TRIGGER kv_pause BEFORE INSERT ON principal FOR EACH ROW "
                     "SET @kv_pause = SLEEP(60)"));
    fillForm(form::with(form::ordinary(), {{"label_5", agent}}));
    bool killed = false;
    const QList<SeenBox> boxes = saveWhile(pausedOnNode1, killNode1, killed);
    QVERIFY(killed);
    QCOMPARE(boxes.size(), 1);
    QVERIFY2(boxes.first().text.startsWith(QString::fromUtf8(saveFailed)),
             qPrintable(boxes.first().text));
    QCOMPARE(rowsOnEveryNode(), QStringList({QStringLiteral("down"), QStringLiteral("0/0/0"),
                                             QStringLiteral("0/0/0")}));

    QVERIFY(db::exec("DROP TRIGGER kv_pause"));
    QCOMPARE(clickSave().value(0).text, QStringLiteral("ENREGISTRER"));
    QVERIFY2(serverLine().startsWith(QStringLiteral("Serveur : 127.0.0.22:3306")),
             qPrintable(serverLine()));
    QCOMPARE(rowsOnEveryNode(), QStringList({QStringLiteral("down"), QStringLiteral("1/1/1"),
                                             QStringLiteral("1/1/1")}));
}

// Node 1 killed once the COMMIT has left and its answer is lost: the policy
// is on the other nodes with its history and client rows, or on none, and
// the agent is asked to check before saving again.
void ClusterTest::nodeKilledAfterTheCommit() {
    testsupport::AnswerLosingRelay relay("COMMIT", true, nodes[0]);
    QVERIFY(relay.port() > 0);
    QVERIFY(files->write("system", QStringLiteral("host=127.0.0.1:%1,%2,%3\nport=3306")
                                       .arg(relay.port())
                                       .arg(QLatin1String(nodes[1]), QLatin1String(nodes[2]))));
    submitLogin("awa", "pw1");
    QCOMPARE(page(), Koravel3::HomePage);
    fillForm(form::with(form::ordinary(), {{"label_5", agent}}));
    bool killed = false;
    const QList<SeenBox> boxes = saveWhile([&] { return relay.lost(); }, killNode1, killed);
    QVERIFY(killed);
    QCOMPARE(boxes.size(), 1);
    QVERIFY2(boxes.first().text.contains(QStringLiteral("vérifiez")),
             qPrintable(boxes.first().text));
    const QStringList rows = rowsOnEveryNode();
    QCOMPARE(rows.value(0), QStringLiteral("down"));
    QCOMPARE(rows.value(1), rows.value(2));
    QVERIFY2(rows.value(1) == QLatin1String("1/1/1") || rows.value(1) == QLatin1String("0/0/0"),
             qPrintable(rows.join(QLatin1Char(' '))));
    qInfo("after the lost COMMIT: %s", qPrintable(rows.value(1)));
}

// Another node renews the same policy while the agent's renewal waits on
// node 1: the cluster certifies the other one first and refuses the
// agent's at its COMMIT. Nothing of the agent's save is on any node, and
// the agent is told that nothing was saved.
void ClusterTest::concurrentRenewalOnAnotherNode() {
    submitLogin("awa", "pw1");
    QCOMPARE(page(), Koravel3::HomePage);
    fillForm(form::with(form::ordinary(), {{"label_5", agent}}));
    QCOMPARE(clickSave().value(0).text, QStringLiteral("ENREGISTRER"));
    const QString key = child<QLabel>("LID")->text();
    // Only node 1's sessions wait, long enough for node 2's change to pass.
    QVERIFY(db::exec("CREATE TRIGGER kv_pause BEFORE UPDATE ON principal FOR EACH ROW "
                     "IF @@wsrep_node_address = '127.0.0.21' THEN SET @kv_pause = SLEEP(3); "
                     "END IF"));
    fillForm({{"LEN", "Awa DIOP renouvelle"}});
    bool changed = false;
    const QList<SeenBox> boxes = saveWhile(
        pausedOnNode1,
        [&] {
            return onNode(2,
                          QStringLiteral("UPDATE principal SET nom = 'AUTRE NOEUD' WHERE id = %1")
                              .arg(key)) == QString();
        },
        changed);
    QVERIFY(changed);
    QCOMPARE(boxes.size(), 1);
    QVERIFY2(boxes.first().text.startsWith(QString::fromUtf8(saveFailed)),
             qPrintable(boxes.first().text));
    for (int n = 1; n <= 3; ++n)
        QCOMPARE(onNode(n, QStringLiteral("SELECT CONCAT(nom, '/', trie, '/', (SELECT COUNT(*) "
                                          "FROM principal1)) FROM principal WHERE id = %1")
                               .arg(key)),
                 QStringLiteral("AUTRE NOEUD/1/1"));
}

void ClusterTest::nodeOutOfService_data() {
    QTest::addColumn<QString>("setting"); // on node 1; cleanup() undoes it
    QTest::newRow("in maintenance") << "SET GLOBAL wsrep_reject_queries = ALL";
    QTest::newRow("desynchronised") << "SET GLOBAL wsrep_desync = ON";
}

// A node that answers but takes no statements is passed over at the login,
// without a box.
void ClusterTest::nodeOutOfService() {
    QFETCH(QString, setting);
    QCOMPARE(onNode(1, setting), QString());
    testsupport::ModalWatcher watcher;
    submitLogin("awa", "pw1");
    QCOMPARE(page(), Koravel3::HomePage);
    QVERIFY(watcher.boxes().isEmpty());
    QVERIFY2(serverLine().startsWith(QStringLiteral("Serveur : 127.0.0.22:3306")),
             qPrintable(serverLine()));
}

// Sixteen counters saving at once, each starting on its own node: every
// policy once and every counter right (the load run's checks, through node
// 3), and every node holding the same rows.
void ClusterTest::sixteenCountersAcrossTheNodes() {
    QStringList ids;
    testsupport::load::sixteenAgentsAtOnce(
        QStringLiteral(KORAVEL_LOAD_DRIVER),
        [](int agent) {
            QStringList order;
            for (int i = 0; i < 3; ++i)
                order << QLatin1String(nodes[(agent + i) % 3]);
            return order.join(QLatin1Char(','));
        },
        ids);
    if (QTest::currentTestFailed())
        return;
    // The journal names the server each policy was written on.
    QCOMPARE(onNode(3, QStringLiteral("SELECT COUNT(DISTINCT noeud) FROM journal WHERE "
                                      "action = 'insert' AND id_police IN (SELECT id FROM "
                                      "principal)")),
             QStringLiteral("3"));
    const QString checksums =
        onNode(3, QStringLiteral("CHECKSUM TABLE principal, principal1, clients"));
    QVERIFY(!checksums.isEmpty() && checksums != QLatin1String("down"));
    for (int n = 1; n <= 2; ++n)
        QCOMPARE(onNode(n, QStringLiteral("CHECKSUM TABLE principal, principal1, clients")),
                 checksums);
}

QTEST_MAIN(ClusterTest)
#include "tst_cluster.moc"
