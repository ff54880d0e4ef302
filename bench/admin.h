#pragma once

#include <QList>
#include <QSqlDatabase>
#include <QString>
#include <QStringList>
#include <QVariant>

namespace sql {
class Statement;
}

// The benchmark's own way into its server: a separate named connection with
// administrator rights for filling tables and switching indexes. The window
// under test never sees it.
namespace admin {

// Opens the connection to the compiled-in address; false with a message on
// standard error when the server does not answer.
bool open();
QSqlDatabase connection();

// Runs one statement; false (and the server's text on standard error) when
// it fails.
bool exec(const sql::Statement &statement);
QVariant scalar(const sql::Statement &statement);
QStringList column(const sql::Statement &statement);

// A secondary index as the schema declared it, so that it can be dropped
// and later built again exactly.
struct Index {
    QString table;
    QString name;
    bool unique = false;
    QStringList parts; // "`column`" or "`column`(length)"
};

// Every index of the database other than the primary keys.
QList<Index> secondaryIndexes();
bool dropIndexes(const QList<Index> &indexes);
bool createIndexes(const QList<Index> &indexes);

// Refreshes the optimizer's statistics of the policy tables.
void analyze();

// The server's own account of the time it spent on the window's statements
// (performance_schema, every connection but this one): forget what it
// recorded so far, then read the total since, in milliseconds (negative when
// the server does not record statements).
void restartStatementClock();
double statementMs();

} // namespace admin
