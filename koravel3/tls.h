#pragma once

#include <QString>

class QSqlDatabase;
class QSqlError;

// What the client library says of a connection's encryption.
namespace tls {

// The cipher of the open connection's TLS session (its protocol version
// where the library cannot name the cipher), or an empty text when the
// session is in clear text. Asked of the client library itself, not of
// the server, which a machine in the middle could answer for.
QString sessionCipher(const QSqlDatabase &db);

// True when the connection failed in its TLS handshake (a certificate that
// the agency's CA did not sign, an unreadable CA or key file).
bool isTlsFailure(const QSqlError &error);

} // namespace tls
