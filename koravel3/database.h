#pragma once

#include <QSqlQuery>

namespace sql {
class Statement;

// Runs a statement on the default connection without reopening a connection
// that is closed; the result tells whether it executed.
QSqlQuery run(const Statement &statement);
bool run(QSqlQuery &query, const Statement &statement);

} // namespace sql
