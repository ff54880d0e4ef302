#include "admin.h"

#include "core/config.h"
#include "core/statement.h"

#include <QMap>
#include <QSqlError>
#include <QSqlQuery>

#include <cstdio>

namespace admin {

namespace {

const char *const connectionName = "koravel3bench-admin";

void complain(const QSqlQuery &query, const sql::Statement &statement) {
    std::fprintf(stderr, "bench: statement failed: %s\n  %s\n",
                 qPrintable(query.lastError().text()), qPrintable(statement.text().left(300)));
}

QByteArray quotedName(const QString &name) {
    return "`" + name.toUtf8() + "`";
}

} // namespace

bool open() {
    QSqlDatabase db =
        QSqlDatabase::addDatabase(QStringLiteral("QMYSQL"), QLatin1String(connectionName));
    db.setHostName(QString::fromUtf8(config::databaseHost));
    db.setPort(3306);
    db.setDatabaseName(QStringLiteral("assurebdd"));
    db.setUserName(QStringLiteral("kvbench"));
    db.setPassword(QStringLiteral("kvbench"));
    if (!db.open()) {
        std::fprintf(stderr, "bench: cannot reach the benchmark server on %s:3306: %s\n",
                     config::databaseHost, qPrintable(db.lastError().text()));
        return false;
    }
    return true;
}

QSqlDatabase connection() {
    return QSqlDatabase::database(QLatin1String(connectionName), false);
}

bool exec(const sql::Statement &statement) {
    QSqlQuery query(connection());
    if (query.exec(statement.text()))
        return true;
    complain(query, statement);
    return false;
}

QVariant scalar(const sql::Statement &statement) {
    QSqlQuery query(connection());
    if (!query.exec(statement.text())) {
        complain(query, statement);
        return {};
    }
    return query.next() ? query.value(0) : QVariant();
}

QStringList column(const sql::Statement &statement) {
    QStringList values;
    QSqlQuery query(connection());
    if (!query.exec(statement.text())) {
        complain(query, statement);
        return values;
    }
    while (query.next())
        values << query.value(0).toString();
    return values;
}

QList<Index> secondaryIndexes() {
    QList<Index> indexes;
    QSqlQuery query(connection());
    const sql::Statement statement(
        "select table_name, index_name, non_unique, column_name, sub_part "
        "from information_schema.statistics where table_schema = database() "
        "and index_name <> 'PRIMARY' order by table_name, index_name, seq_in_index");
    if (!query.exec(statement.text())) {
        complain(query, statement);
        return indexes;
    }
    while (query.next()) {
        const QString table = query.value(0).toString();
        const QString name = query.value(1).toString();
        if (indexes.isEmpty() || indexes.last().table != table || indexes.last().name != name) {
            Index index;
            index.table = table;
            index.name = name;
            index.unique = query.value(2).toInt() == 0;
            indexes << index;
        }
        QString part = QString::fromUtf8(quotedName(query.value(3).toString()));
        if (!query.value(4).isNull())
            part += QLatin1Char('(') + query.value(4).toString() + QLatin1Char(')');
        indexes.last().parts << part;
    }
    return indexes;
}

bool dropIndexes(const QList<Index> &indexes) {
    // One ALTER per table: InnoDB drops secondary indexes in place.
    QMap<QString, QList<Index>> byTable;
    for (const Index &index : indexes)
        byTable[index.table] << index;
    bool ok = true;
    for (auto it = byTable.cbegin(); it != byTable.cend(); ++it) {
        sql::Statement statement("alter table ");
        statement << quotedName(it.key()).constData();
        const char *separator = " ";
        for (const Index &index : it.value()) {
            statement << separator << "drop index " << quotedName(index.name).constData();
            separator = ", ";
        }
        ok = exec(statement) && ok;
    }
    return ok;
}

bool createIndexes(const QList<Index> &indexes) {
    // One ALTER per table, so InnoDB reads each table once for all its
    // indexes.
    QMap<QString, QList<Index>> byTable;
    for (const Index &index : indexes)
        byTable[index.table] << index;
    bool ok = true;
    for (auto it = byTable.cbegin(); it != byTable.cend(); ++it) {
        sql::Statement statement("alter table ");
        statement << quotedName(it.key()).constData();
        const char *separator = " ";
        for (const Index &index : it.value()) {
            statement << separator << (index.unique ? "add unique index " : "add index ")
                      << quotedName(index.name).constData() << " ("
                      << index.parts.join(QLatin1Char(',')).toUtf8().constData() << ")";
            separator = ", ";
        }
        ok = exec(statement) && ok;
    }
    return ok;
}

void restartStatementClock() {
    QSqlQuery query(connection());
    query.exec(QStringLiteral("truncate table performance_schema.events_statements_history_long"));
}

double statementMs() {
    static const QVariant ownThread = scalar(sql::Statement(
        "select thread_id from performance_schema.threads where processlist_id = connection_id()"));
    if (!ownThread.isValid())
        return -1;
    sql::Statement statement("select coalesce(sum(timer_wait), 0) / 1e9 from "
                             "performance_schema.events_statements_history_long "
                             "where thread_id <> ");
    statement << ownThread.toString().toLatin1().constData();
    const QVariant total = scalar(statement);
    return total.isValid() ? total.toDouble() : -1;
}

void analyze() {
    exec(sql::Statement("analyze table personnes, principal, principal1, clients"));
}

} // namespace admin
