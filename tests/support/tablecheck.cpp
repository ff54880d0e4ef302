#include "support/tablecheck.h"

#include <QAbstractItemModel>

namespace testsupport {

QStringList headers(const QAbstractItemModel *model) {
    QStringList out;
    for (int c = 0; model && c < model->columnCount(); ++c)
        out << model->headerData(c, Qt::Horizontal).toString();
    return out;
}

QStringList sortedColumn(const QAbstractItemModel *model, int column) {
    QStringList out;
    for (int r = 0; model && r < model->rowCount(); ++r)
        out << model->index(r, column).data().toString();
    out.sort();
    return out;
}

QString asLogged(QString statement) {
    while (statement.endsWith(QLatin1Char(' ')))
        statement.chop(1);
    return statement;
}

QStringList asLogged(const QStringList &statements) {
    QStringList out;
    for (const QString &statement : statements)
        out << asLogged(statement);
    return out;
}

} // namespace testsupport
