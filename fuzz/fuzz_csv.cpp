// Whatever the cells hold, a spreadsheet reading the file gets them back,
// those it would run as formulas behind an apostrophe that keeps them text.
#include "core/csv.h"

#include <QAbstractTableModel>
#include <QStringList>

#include <cstddef>
#include <cstdint>

namespace {

class Grid : public QAbstractTableModel {
public:
    QStringList header;
    QList<QStringList> cells;

    int rowCount(const QModelIndex & = QModelIndex()) const override { return int(cells.size()); }
    int columnCount(const QModelIndex & = QModelIndex()) const override {
        return int(header.size());
    }
    QVariant data(const QModelIndex &index, int role) const override {
        if (role != Qt::DisplayRole)
            return QVariant();
        const QStringList &row = cells.at(index.row());
        return index.column() < row.size() ? row.at(index.column()) : QString();
    }
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override {
        if (role != Qt::DisplayRole || orientation != Qt::Horizontal)
            return QVariant();
        return header.at(section);
    }
};

// Reads CSV as a spreadsheet does: quoted fields, "" for a quote inside.
QList<QStringList> readBack(const QString &text) {
    QList<QStringList> lines;
    QStringList line;
    QString field;
    bool quoted = false;
    for (int i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (quoted) {
            if (c == u'"') {
                if (i + 1 < text.size() && text.at(i + 1) == u'"') {
                    field += c;
                    ++i;
                } else {
                    quoted = false;
                }
            } else {
                field += c;
            }
        } else if (c == u'"') {
            quoted = true;
        } else if (c == u';') {
            line << field;
            field.clear();
        } else if (c == u'\n') {
            line << field;
            lines << line;
            line.clear();
            field.clear();
        } else {
            field += c;
        }
    }
    return lines;
}

// What a spreadsheet should read back for value: the value itself, or the
// value behind an apostrophe when its start would make it a formula.
QString expected(const QString &value) {
    static const QString triggers = QStringLiteral("=+@");
    qsizetype blank = 0;
    while (blank < value.size() && value.at(blank).isSpace())
        ++blank;
    bool number = value.size() > 1 && value.at(0) == u'-';
    qsizetype digits = 0, separators = 0;
    for (qsizetype i = 1; number && i < value.size(); ++i) {
        const QChar c = value.at(i);
        if (c >= u'0' && c <= u'9')
            ++digits;
        else if ((c == u'.' || c == u',') && digits > 0 && i + 1 < value.size() && !separators)
            ++separators;
        else
            number = false;
    }
    const bool formula =
        value.startsWith(u'\t') || value.startsWith(u'\r') ||
        (blank < value.size() && (triggers.contains(value.at(blank)) ||
                                  (value.at(blank) == u'-' && !(number && blank == 0))));
    return formula ? QLatin1Char('\'') + value : value;
}

QStringList expected(const QStringList &values) {
    QStringList out;
    for (const QString &value : values)
        out << expected(value);
    return out;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    const QString input = QString::fromUtf8(reinterpret_cast<const char *>(data), qsizetype(size));
    const QStringList rows = input.split(QChar(0x1e));
    Grid grid;
    grid.header = rows.first().split(QChar(0x1f));
    for (int r = 1; r < rows.size(); ++r) {
        QStringList row = rows.at(r).split(QChar(0x1f));
        while (row.size() < grid.header.size())
            row << QString();
        grid.cells << row.mid(0, grid.header.size());
    }
    const QList<QStringList> back = readBack(csv::text(&grid));
    if (back.size() != grid.cells.size() + 1 || back.first() != expected(grid.header))
        __builtin_trap();
    for (int r = 0; r < grid.cells.size(); ++r)
        if (back.at(r + 1) != expected(grid.cells.at(r)))
            __builtin_trap();
    return 0;
}
