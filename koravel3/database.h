#pragma once

#include "koravel3.h"

#include <QSqlQuery>
#include <QString>

class QSqlError;

// The style sheet of every result table: light green rows, darker alternate
// rows.
inline constexpr char tableStyle[] = "QTableView::item:alternate { background-color: #bfffbf; } "
                                     "QTableView::item { background-color: #deffde; }";

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

// One action of the agent that may send several statements (a login, a
// price, a report). Once it has told the agent that the server is lost, or
// once the session ended behind one of its boxes, its remaining statements
// are skipped: one box and one reconnection attempt per action, and nothing
// of a previous agent's session filled in after the next one began.
class Koravel3::GestureScope {
public:
    explicit GestureScope(Koravel3 &window);
    ~GestureScope();
    GestureScope(const GestureScope &) = delete;
    GestureScope &operator=(const GestureScope &) = delete;

private:
    Koravel3 &window;
};
