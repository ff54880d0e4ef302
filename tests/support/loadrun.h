#pragma once

#include <QString>
#include <QStringList>

#include <functional>

namespace testsupport::load {

inline constexpr int agents = 16;
inline constexpr int policiesEach = 100;

// Agent a (1 to agents): his login name and password.
QString user(int agent);
QString password(int agent);

// Sixteen agents at sixteen counters, each its own driver program
// (tests/load, at the path program), log in and issue a hundred policies each
// through the window's save at the same moment; agent a's driver reaches the
// servers that hostKey(a) names (empty: the test server). Afterwards the
// database, read through db::admin(), must hold every policy once, with its
// history row and its client-register rows. ids: the agents' personnes ids,
// in order. A failure is QTest's, as in a test function.
void sixteenAgentsAtOnce(const QString &program, const std::function<QString(int)> &hostKey,
                         QStringList &ids);

} // namespace testsupport::load
