#include "tls.h"

#include <QSqlDatabase>
#include <QSqlDriver>
#include <QSqlError>
#include <QVariant>

#include <mysql.h>

namespace tls {

QString sessionCipher(const QSqlDatabase &db) {
    const QVariant handle = db.driver() ? db.driver()->handle() : QVariant();
    // The driver's handle, named as the toolkit normalised its type.
    const char *type = handle.typeName();
    if (!handle.isValid() || (qstrcmp(type, "MYSQL*") != 0 && qstrcmp(type, "st_mysql*") != 0))
        return QString();
    MYSQL *mysql = *static_cast<MYSQL *const *>(handle.constData());
    const char *cipher = mysql ? mysql_get_ssl_cipher(mysql) : nullptr;
    return cipher ? QString::fromLatin1(cipher) : QString();
}

bool isTlsFailure(const QSqlError &error) {
    // CR_SSL_CONNECTION_ERROR, and the texts of the client library's TLS
    // layer, whose codes vary between versions.
    const QString text = error.text();
    return error.nativeErrorCode() == QLatin1String("2026") ||
           text.contains(QLatin1String("SSL"), Qt::CaseInsensitive) ||
           text.contains(QLatin1String("TLS"), Qt::CaseInsensitive);
}

} // namespace tls
