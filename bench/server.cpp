#include "server.h"

#include "core/statement.h"
#include "support/dbfixture.h"

#include <QFile>
#include <QMap>

#include <cstdio>
#include <functional>

namespace db = testsupport::db;

namespace server {

namespace {

// One ALTER per table: InnoDB drops indexes in place and reads a table once
// to build all of its indexes.
bool alterEach(const QList<Index> &indexes, const std::function<QString(const Index &)> &clause) {
    QMap<QString, QStringList> byTable;
    for (const Index &index : indexes)
        byTable[index.table] << clause(index);
    bool ok = true;
    for (auto it = byTable.cbegin(); it != byTable.cend(); ++it) {
        sql::Statement statement("alter table `");
        statement << it.key().toUtf8().constData() << "` "
                  << it.value().join(QStringLiteral(", ")).toUtf8().constData();
        ok = exec(statement) && ok;
    }
    return ok;
}

} // namespace

bool open(const QString &host) {
    // bench/run.sh names the benchmark's administrator kvbench.
    db::useAdminAccount(QStringLiteral("kvbench"), QStringLiteral("kvbench"));
    db::useServer(host);
    if (db::admin().isOpen())
        return true;
    std::fprintf(stderr, "bench: cannot reach the benchmark server on %s:3306\n", qPrintable(host));
    return false;
}

qint64 pid() {
    QFile file(db::scalar(sql::Statement("select @@pid_file").text()).toString());
    return file.open(QIODevice::ReadOnly) ? file.readAll().trimmed().toLongLong() : 0;
}

bool exec(const sql::Statement &statement) {
    return db::exec(statement.text());
}

QList<Index> secondaryIndexes() {
    QList<Index> indexes;
    for (const QString &row : db::rows(
             sql::Statement(
                 "select table_name, index_name, concat(if(non_unique, 'add index `', 'add unique "
                 "index `'), index_name, '` (', group_concat(concat('`', column_name, '`', "
                 "coalesce(concat('(', sub_part, ')'), '')) order by seq_in_index separator ','), "
                 "')') from information_schema.statistics where table_schema = database() and "
                 "index_name <> 'PRIMARY' group by table_name, index_name, non_unique "
                 "order by table_name, index_name")
                 .text()))
        indexes << Index{row.section(QLatin1Char('|'), 0, 0), row.section(QLatin1Char('|'), 1, 1),
                         row.section(QLatin1Char('|'), 2)};
    return indexes;
}

bool dropIndexes(const QList<Index> &indexes) {
    return alterEach(indexes, [](const Index &index) {
        return QStringLiteral("drop index `%1`").arg(index.name);
    });
}

bool createIndexes(const QList<Index> &indexes) {
    return alterEach(indexes, [](const Index &index) { return index.definition; });
}

void analyze() {
    exec(sql::Statement("analyze table personnes, principal, principal1, clients"));
}

void restartStatementClock() {
    exec(sql::Statement("truncate table performance_schema.events_statements_history_long"));
}

double statementMs() {
    static const QString ownThread =
        db::scalar(sql::Statement("select thread_id from performance_schema.threads where "
                                  "processlist_id = connection_id()")
                       .text())
            .toString();
    if (ownThread.isEmpty())
        return -1;
    sql::Statement total("select coalesce(sum(timer_wait), 0) / 1e9 from "
                         "performance_schema.events_statements_history_long where thread_id <> ");
    total << ownThread.toLatin1().constData();
    const QVariant ms = db::scalar(total.text());
    return ms.isValid() ? ms.toDouble() : -1;
}

} // namespace server
