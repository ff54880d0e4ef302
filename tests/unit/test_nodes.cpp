// The servers a host key names, and whether a cluster node serves.
#include "core/nodes.h"

#include <QTest>

using connection::Address;

class NodesTest : public QObject {
    Q_OBJECT

private slots:
    void addresses_data();
    void addresses();
    void serves_data();
    void serves();
};

void NodesTest::addresses_data() {
    QTest::addColumn<QString>("key");
    QTest::addColumn<QList<Address>>("expected");
    QTest::newRow("one server") << "192.0.2.10" << QList<Address>{{"192.0.2.10", 3306}};
    QTest::newRow("three nodes, one port")
        << "db1, db2 ,db3" << QList<Address>{{"db1", 3306}, {"db2", 3306}, {"db3", 3306}};
    QTest::newRow("a port each") << "10.0.0.1:3307,10.0.0.2:3308,10.0.0.3"
                                 << QList<Address>{
                                        {"10.0.0.1", 3307}, {"10.0.0.2", 3308}, {"10.0.0.3", 3306}};
    QTest::newRow("IPv6") << "[fd00::1]:3307,fd00::2,[fd00::3]"
                          << QList<Address>{
                                 {"fd00::1", 3307}, {"fd00::2", 3306}, {"fd00::3", 3306}};
    QTest::newRow("empty entries") << ",db1,,  ," << QList<Address>{{"db1", 3306}};
    QTest::newRow("port out of range keeps the key's")
        << "db1:0,db2:65536,db3:x" << QList<Address>{{"db1", 3306}, {"db2", 3306}, {"db3", 3306}};
    QTest::newRow("nothing") << "" << QList<Address>{};
}

void NodesTest::addresses() {
    QFETCH(QString, key);
    QFETCH(QList<Address>, expected);
    const QList<Address> list = connection::addresses(key, 3306);
    QCOMPARE(list.size(), expected.size());
    for (int i = 0; i < list.size(); ++i) {
        QCOMPARE(list[i].host, expected[i].host);
        QCOMPARE(list[i].port, expected[i].port);
    }
}

void NodesTest::serves_data() {
    QTest::addColumn<QString>("variables"); // name=value, by ';'
    QTest::addColumn<bool>("serves");
    QTest::newRow("server without replication") << "" << true;
    QTest::newRow("replication off") << "wsrep_on=OFF;wsrep_ready=OFF;wsrep_local_state=0" << true;
    QTest::newRow("synced node")
        << "wsrep_on=ON;wsrep_ready=ON;wsrep_local_state=4;wsrep_reject_queries=NONE" << true;
    QTest::newRow("not in the primary component")
        << "wsrep_on=ON;wsrep_ready=OFF;wsrep_local_state=4;wsrep_reject_queries=NONE" << false;
    QTest::newRow("donor, desynchronised")
        << "wsrep_on=ON;wsrep_ready=ON;wsrep_local_state=2;wsrep_reject_queries=NONE" << false;
    QTest::newRow("in maintenance")
        << "wsrep_on=ON;wsrep_ready=ON;wsrep_local_state=4;wsrep_reject_queries=ALL" << false;
    QTest::newRow("joining") << "wsrep_on=ON;wsrep_ready=OFF;wsrep_local_state=1" << false;
}

void NodesTest::serves() {
    QFETCH(QString, variables);
    QFETCH(bool, serves);
    QHash<QString, QString> values;
    for (const QString &pair : variables.split(';', Qt::SkipEmptyParts))
        values.insert(pair.section('=', 0, 0), pair.section('=', 1));
    QCOMPARE(connection::serves(values), serves);
}

QTEST_APPLESS_MAIN(NodesTest)
#include "test_nodes.moc"
