#include "core/csv.h"

#include <QAbstractItemModel>
#include <QRegularExpression>
#include <QStringList>

namespace csv {

namespace {

bool runsAsFormula(const QString &value) {
    if (value.startsWith(u'\t') || value.startsWith(u'\r'))
        return true;
    // A spreadsheet skips the blanks before a formula's sign.
    const QString start = value.trimmed();
    if (start.isEmpty())
        return false;
    const QChar first = start.front();
    if (first == u'=' || first == u'+' || first == u'@')
        return true;
    // "-15" is a number; "-1+1" and "-2+3+cmd|..." are formulas.
    static const QRegularExpression number(QStringLiteral("\\A-[0-9]+([.,][0-9]+)?\\z"));
    return first == u'-' && !number.match(value).hasMatch();
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
