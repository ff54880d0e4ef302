#pragma once

#include <QList>
#include <QString>

namespace sql {
class Statement;
}

// What the benchmark does on its server beside the window, through the test
// kit's administrator connection (testsupport::db::admin).
namespace server {

// Opens the administrator connection to host (the benchmark's server, or a
// node of its cluster); false with a message on standard error when the
// server does not answer.
bool open(const QString &host);
// The server's process id, from its pid file; 0 when it cannot be read.
qint64 pid();
// Runs one statement; false (and the server's text as a warning) when it fails.
bool exec(const sql::Statement &statement);

// A secondary index as the schema declared it, so that it can be dropped and
// later built again exactly.
struct Index {
    QString table;
    QString name;
    QString definition; // "add index `name` (`column`,`column`(length))"
};
// Every index of the database other than the primary keys.
QList<Index> secondaryIndexes();
bool dropIndexes(const QList<Index> &indexes);
bool createIndexes(const QList<Index> &indexes);

// Refreshes the optimizer's statistics of the policy tables.
void analyze();

// The server's own account of the time it spent on the window's statements
// (performance_schema, every connection but the administrator's): forget
// what it recorded so far, then read the total since, in milliseconds
// (negative when the server does not record statements).
void restartStatementClock();
double statementMs();

} // namespace server
