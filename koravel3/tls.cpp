#include "tls.h"

#include <QSqlDatabase>
#include <QSqlDriver>
#include <QSqlError>
#include <QVariant>

#include <mysql.h>

namespace tls {

namespace {

// Wine's Schannel does not name the cipher (the client library then gives
// an empty name); the protocol version of the same session, also from the client
// library, still tells an encrypted session from a clear one there.
QString protocolVersion(MYSQL *mysql) {
    int id = -1;
    const char *name = nullptr;
    if (mariadb_get_infov(mysql, MARIADB_CONNECTION_TLS_VERSION_ID, &id) != 0 || id < 0 ||
        mariadb_get_infov(mysql, MARIADB_CONNECTION_TLS_VERSION, &name) != 0 || !name)
        return QString();
    return QString::fromLatin1(name);
}

} // namespace

QString sessionCipher(const QSqlDatabase &db) {
    const QVariant handle = db.driver() ? db.driver()->handle() : QVariant();
    // The driver's handle, named as the toolkit normalised its type.
    const char *type = handle.typeName();
    if (!handle.isValid() || (qstrcmp(type, "MYSQL*") != 0 && qstrcmp(type, "st_mysql*") != 0))
        return QString();
    MYSQL *mysql = *static_cast<MYSQL *const *>(handle.constData());
    if (!mysql)
        return QString();
    const char *cipher = mysql_get_ssl_cipher(mysql);
    return cipher && *cipher ? QString::fromLatin1(cipher) : protocolVersion(mysql);
}

bool isTlsFailure(const QSqlError &error) {
    // CR_SSL_CONNECTION_ERROR: the client library's TLS layer reports every
    // handshake and certificate failure under it. The text is not looked at:
    // it names the host, and an unknown "tls-db" is no TLS fault.
    return error.nativeErrorCode() == QLatin1String("2026");
}

} // namespace tls
