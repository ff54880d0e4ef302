#pragma once

#include <QSqlDatabase>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <QVariantMap>

#include <functional>

namespace testsupport {

// The test suite's own way into the real MariaDB server that the program
// uses: a separate named connection with administrator rights, for putting
// rows in place and reading back what the program wrote.
namespace db {

// The fixture connection, opened on first use; a test fails when the server
// is not there.
QSqlDatabase admin();
// The account admin() opens with (kvtest by default), for a server that
// names its administrator otherwise; call it before the first use.
void useAdminAccount(const QString &user, const QString &password);
// The server admin() and counter() reach (the rig's by default), for a test
// of another one, such as a node of the rig's cluster; call it before the
// first use.
void useServer(const QString &host);

// A second named connection as the program's own account (agnt), for what
// that account may and may not do on the server; opened on first use.
QSqlDatabase counter();

// Runs one statement on the fixture connection; false (and a warning with
// the server's text) when it fails.
bool exec(const QString &statement);
// First column of the first row, or an invalid value.
QVariant scalar(const QString &statement);
// Every row, columns joined by '|', NULL as "NULL".
QStringList rows(const QString &statement);

// Empties the policy and agent tables and reloads the tariff rows and the
// parameters, so each test starts from the same state.
bool reset();

// Inserts an agent and returns its id (0 on failure).
int addAgent(const QString &user, const QString &password, const QString &name = QString(),
             const QString &telephone = QString(), const QString &address = QString());

// The password a policy of that agent holds in the tables: the typed one
// with the counter's account, none with agents' own accounts.
QString storedPassword(const QString &typed);

// Inserts a policy into principal (or principal1 when history is true) with
// plausible defaults overridden by the given column values; the values are
// SQL expressions, e.g. {"valabl", "CURDATE() + INTERVAL 3 DAY"} or
// {"nom", "'DUPONT'"}. Returns the new row's id (0 on failure).
int addPolicy(const QVariantMap &columns, bool history = false);

// Quotes a text as a SQL literal for the maps above.
QString literal(const QString &text);

// The statements that the program's connections sent to the server while the
// action ran, in order, read from the server's general log.
QStringList statementsSentDuring(const std::function<void()> &action);
// Those of the statements that change data (insert, update and delete,
// in any case).
QStringList writes(const QStringList &statements);

// Every row of the given tables as "table|digest", the digest covering all
// the row's columns byte for byte (NULL included), sorted. The server
// computes the digests, which keeps comparisons of whole tables quick.
QStringList rowDigests(const QStringList &tables);
// The digests of everything a save or a reprint could change: principal,
// principal1 and clients; empty when the three tables are.
QStringList policyTables();
// History and client-register rows that have no policy row behind them: a
// save cut short must leave none.
int orphans();

// Stops or starts the program's database server through the rig script
// ("stop" / "start"); the fixture connection is reopened afterwards.
bool server(const QString &verb);
// The folder of the rig's TLS files: ca.pem, other-ca.pem (a CA that signed
// nothing of the rig's), client-cert.pem and client-key.pem.
QString tlsFolder();
// A second server of the rig, on its own address, that offers no TLS:
// started and stopped like server().
bool plainServer(const QString &verb);
QString plainServerHost();

} // namespace db
} // namespace testsupport
