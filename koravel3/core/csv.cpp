#include "core/csv.h"

#include <QAbstractItemModel>
#include <QStringList>

namespace csv {

namespace {

bool runsAsFormula(const QString &value) {
    if (value.isEmpty())
        return false;
    const QChar first = value.front();
    if (first == u'=' || first == u'+' || first == u'@' || first == u'\t' || first == u'\r')
        return true;
    // "-15" is a number; "-" before anything else starts a formula.
    return first == u'-' && !(value.size() > 1 && value.at(1) >= u'0' && value.at(1) <= u'9');
}

QString line(const QStringList &values) {
    QStringList fields;
    fields.reserve(values.size());
    for (const QString &value : values)
        fields << field(value);
    return fields.join(QLatin1Char(';')) + QLatin1Char('\n');
}

} // namespace

QString field(const QString &value) {
    QString quoted = runsAsFormula(value) ? QLatin1Char('\'') + value : value;
    quoted.replace(QLatin1Char('"'), QLatin1String("\"\""));
    return QLatin1Char('"') + quoted + QLatin1Char('"');
}

QString text(QAbstractItemModel *model) {
    if (!model)
        return QStringLiteral("\n");
    while (model->canFetchMore(QModelIndex()))
        model->fetchMore(QModelIndex());

    const int columns = model->columnCount();
    QStringList values;
    for (int column = 0; column < columns; ++column)
        values << model->headerData(column, Qt::Horizontal, Qt::DisplayRole).toString();
    QString out = line(values);

    const int rows = model->rowCount();
    for (int row = 0; row < rows; ++row) {
        values.clear();
        for (int column = 0; column < columns; ++column)
            values << model->data(model->index(row, column), Qt::DisplayRole).toString();
        out += line(values);
    }
    return out;
}

} // namespace csv
