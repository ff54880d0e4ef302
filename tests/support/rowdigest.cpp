#include "support/rowdigest.h"

#include "support/dbfixture.h"

#include <QHash>

namespace testsupport {

namespace {

QString digestOf(const QString &table) {
    static QHash<QString, QString> digests;
    if (!digests.contains(table)) {
        QStringList columns;
        for (const QString &column :
             db::rows(QStringLiteral("SELECT COLUMN_NAME FROM information_schema.COLUMNS WHERE "
                                     "TABLE_SCHEMA=DATABASE() AND TABLE_NAME='%1' ORDER BY "
                                     "ORDINAL_POSITION")
                          .arg(table)))
            columns << QStringLiteral("IFNULL(HEX(`%1`),'-')").arg(column);
        digests.insert(
            table, QStringLiteral("MD5(CONCAT_WS('|',%1))").arg(columns.join(QLatin1Char(','))));
    }
    return digests.value(table);
}

} // namespace

QStringList rowDigests(const QStringList &tables) {
    QStringList out;
    for (const QString &table : tables)
        out << db::rows(QStringLiteral("SELECT '%1', %2 FROM %1").arg(table, digestOf(table)));
    out.sort();
    return out;
}

} // namespace testsupport
