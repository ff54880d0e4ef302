#include "core/csv.h"

#include <QAbstractItemModel>
#include <QRegularExpression>
#include <QStringView>

namespace csv {

namespace {

bool runsAsFormula(const QString &value) {
    if (value.startsWith(u'\t') || value.startsWith(u'\r'))
        return true;
    // A spreadsheet skips the blanks before a formula's sign.
    qsizetype first = 0;
    while (first < value.size() && value.at(first).isSpace())
        ++first;
    if (first == value.size())
        return false;
    const QChar sign = value.at(first);
    if (sign == u'=' || sign == u'+' || sign == u'@')
        return true;
    // "-15" is a number; "-1+1" and "-2+3+cmd|..." are formulas.
    static const QRegularExpression number(QStringLiteral("\\A-[0-9]+([.,][0-9]+)?\\z"));
    return sign == u'-' && !number.match(value).hasMatch();
}

// The report's thousand rows are written straight into one text: a list of
// fields per line and a copy per field cost more than the rows themselves.
void appendField(QString &out, const QString &value) {
    out += u'"';
    if (runsAsFormula(value))
        out += u'\'';
    const QStringView rest(value);
    qsizetype from = 0;
    for (qsizetype quote = rest.indexOf(u'"'); quote >= 0; quote = rest.indexOf(u'"', from)) {
        out += rest.mid(from, quote + 1 - from);
        out += u'"';
        from = quote + 1;
    }
    out += rest.mid(from);
    out += u'"';
}

template <typename Value> void appendLine(QString &out, int columns, const Value &valueAt) {
    for (int column = 0; column < columns; ++column) {
        if (column > 0)
            out += u';';
        appendField(out, valueAt(column));
    }
    out += u'\n';
}

} // namespace

QString field(const QString &value) {
    QString quoted;
    appendField(quoted, value);
    return quoted;
}

QString text(QAbstractItemModel *model) {
    if (!model)
        return QStringLiteral("\n");
    while (model->canFetchMore(QModelIndex()))
        model->fetchMore(QModelIndex());

    const int columns = model->columnCount();
    QString out;
    appendLine(out, columns, [model](int column) {
        return model->headerData(column, Qt::Horizontal, Qt::DisplayRole).toString();
    });
    const int rows = model->rowCount();
    // About the width of the first line for every row.
    out.reserve(out.size() * (rows + 1));
    for (int row = 0; row < rows; ++row)
        appendLine(out, columns, [model, row](int column) {
            return model->data(model->index(row, column), Qt::DisplayRole).toString();
        });
    return out;
}

} // namespace csv
