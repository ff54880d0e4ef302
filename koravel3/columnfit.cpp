#include "columnfit.h"

#include <QAbstractItemModel>
#include <QDate>
#include <QFontMetricsF>
#include <QHash>
#include <QHeaderView>
#include <QLocale>
#include <QSet>
#include <QStyledItemDelegate>
#include <QTableView>

#include <algorithm>
#include <array>
#include <cmath>
#include <utility>

namespace {

// How far shaping (kerning, ligatures, rounding) may move a text's width
// from the sum of its characters' advances, in ems: a little for any text,
// and more for a longer one. Measured over the fonts of a Debian desktop at
// 8 to 14 points, the widest excess was 0.6 em for a 79-character text.
constexpr qreal slackPerText = 0.15;
constexpr qreal slackPerCharacter = 0.01;
// The most texts measured exactly per column. Past it, the column is as wide
// as the largest bound of the texts it did not measure, so that none of them
// can be cut off.
constexpr int exactMeasures = 48;

// Latin, its diacritics and the usual punctuation are drawn from the view's
// font one character after another; for anything else (other scripts,
// combining marks, surrogate pairs, fallback fonts) only the text's own
// measure is trusted.
constexpr char16_t latinEnd = 0x0300;
constexpr char16_t punctuationStart = 0x2000;
constexpr char16_t punctuationEnd = 0x20d0;

// Sums of character advances, one table lookup per character.
class Estimator {
public:
    explicit Estimator(const QFont &font)
        : metrics(font)
        , em(metrics.height()) {
        advances.fill(-1);
    }

    // At least as wide as the text once laid out.
    qreal bound(const QString &text) {
        qreal sum = 0;
        for (const QChar c : text) {
            const char16_t u = c.unicode();
            qsizetype slot;
            if (u < latinEnd)
                slot = u;
            else if (u >= punctuationStart && u < punctuationEnd)
                slot = latinEnd + (u - punctuationStart);
            else
                return exact(text);
            qreal &advance = advances[slot];
            if (advance < 0)
                advance = metrics.horizontalAdvance(c);
            sum += advance;
        }
        return sum + em * (slackPerText + slackPerCharacter * text.size());
    }

    qreal exact(const QString &text) const { return metrics.horizontalAdvance(text); }

private:
    QFontMetricsF metrics;
    qreal em;
    std::array<qreal, latinEnd + (punctuationEnd - punctuationStart)> advances;
};

// The view's text of each cell. A number or a date is written in the
// locale's format, which costs more than all the rest of the fit; a column
// repeats its amounts and its days, so each value is formatted once.
class DisplayTexts {
public:
    DisplayTexts(const QStyledItemDelegate *delegate, const QLocale &locale)
        : delegate(delegate)
        , locale(locale) {}

    QString of(const QVariant &value) {
        qint64 key;
        switch (value.typeId()) {
        case QMetaType::Int:
        case QMetaType::LongLong:
        case QMetaType::UInt:
        case QMetaType::ULongLong:
            key = value.toLongLong();
            break;
        case QMetaType::QDate:
            key = value.toDate().toJulianDay();
            break;
        default:
            return delegate->displayText(value, locale);
        }
        const std::pair<int, qint64> slot(value.typeId(), key);
        auto known = shown.constFind(slot);
        if (known == shown.constEnd())
            known = shown.insert(slot, delegate->displayText(value, locale));
        return *known;
    }

private:
    const QStyledItemDelegate *delegate;
    QLocale locale;
    QHash<std::pair<int, qint64>, QString> shown;
};

struct Cell {
    int row;
    qreal bound;
};

} // namespace

void fitColumnsToContents(QTableView *view) {
    QAbstractItemModel *model = view->model();
    auto *delegate = qobject_cast<QStyledItemDelegate *>(view->itemDelegate());
    if (!model || !delegate) {
        view->resizeColumnsToContents();
        return;
    }
    QHeaderView *header = view->horizontalHeader();
    const QLocale locale = view->locale();
    Estimator estimator(view->font());
    DisplayTexts display(delegate, locale);
    const int rows = model->rowCount();
    QList<Cell> cells;
    QStringList texts;
    for (int column = 0; column < model->columnCount(); ++column) {
        cells.clear();
        texts.clear();
        for (int row = 0; row < rows; ++row) {
            texts << display.of(model->index(row, column).data(Qt::DisplayRole));
            cells.append({row, estimator.bound(texts.last())});
        }
        std::sort(cells.begin(), cells.end(),
                  [](const Cell &a, const Cell &b) { return a.bound > b.bound; });

        // Measure from the largest bound down, until the widest exact width
        // reaches the next bound: no text left can be wider.
        qreal widest = -1;
        int widestRow = -1;
        qreal beyond = 0; // how much wider an unmeasured text may be
        int measured = 0;
        QSet<QString> seen;
        for (const Cell &cell : std::as_const(cells)) {
            if (cell.bound <= widest)
                break;
            if (measured == exactMeasures) {
                beyond = cell.bound - widest;
                break;
            }
            const QString &text = texts.at(cell.row);
            if (seen.contains(text))
                continue;
            seen.insert(text);
            ++measured;
            const qreal width = estimator.exact(text);
            if (width > widest) {
                widest = width;
                widestRow = cell.row;
            }
        }

        int size = header->sectionSizeHint(column);
        if (widestRow >= 0) {
            int cell = view->sizeHintForIndex(model->index(widestRow, column)).width();
            if (view->showGrid())
                ++cell;
            size = qMax(size, cell + int(std::ceil(beyond)));
        }
        header->resizeSection(
            column, qBound(header->minimumSectionSize(), size, header->maximumSectionSize()));
    }
}
