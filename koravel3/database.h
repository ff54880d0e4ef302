#pragma once

#include <QSqlQuery>
#include <QString>

class QSqlError;

namespace sql {
class Statement;

// Runs a statement on the default connection without reopening a connection
// that is closed; the result tells whether it executed.
QSqlQuery run(const Statement &statement);
bool run(QSqlQuery &query, const Statement &statement);

// True when a statement failed for want of a working connection (closed, or
// dropped by the server), which a new connection may cure.
bool connectionLost(const QSqlError &error);

// A box's text: the French sentence for the agent, then the driver's text.
QString withDetail(const QString &sentence, const QString &detail);

} // namespace sql
