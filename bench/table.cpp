#include "table.h"

#include <QStringList>

#include <algorithm>

namespace {

class Table {
public:
    explicit Table(QStringList header)
        : m_header(std::move(header)) {}
    void add(QStringList row) { m_rows << row; }

    QString text() const {
        QList<int> widths;
        for (const QString &cell : m_header)
            widths << cell.size();
        for (const QStringList &row : m_rows)
            for (int i = 0; i < row.size() && i < widths.size(); ++i)
                widths[i] = std::max(widths[i], int(row[i].size()));
        auto line = [&](const QStringList &cells) {
            QStringList padded;
            for (int i = 0; i < widths.size(); ++i) {
                const QString cell = cells.value(i);
                // The first and the last column are words, the others figures.
                padded << (i == 0 || i == widths.size() - 1 ? cell.leftJustified(widths[i])
                                                            : cell.rightJustified(widths[i]));
            }
            return padded.join(QStringLiteral("  ")).trimmed() + QLatin1Char('\n');
        };
        QString out = line(m_header);
        int total = 0;
        for (int width : widths)
            total += width + 2;
        out += QString(total - 2, QLatin1Char('-')) + QLatin1Char('\n');
        for (const QStringList &row : m_rows)
            out += line(row);
        return out;
    }

    QString markdown() const {
        QString out =
            QStringLiteral("| ") + m_header.join(QStringLiteral(" | ")) + QStringLiteral(" |\n|");
        for (int i = 0; i < m_header.size(); ++i)
            out += i == 0 || i == m_header.size() - 1 ? QStringLiteral(" --- |")
                                                      : QStringLiteral(" ---: |");
        out += QLatin1Char('\n');
        for (const QStringList &row : m_rows)
            out += QStringLiteral("| ") + row.join(QStringLiteral(" | ")) + QStringLiteral(" |\n");
        return out;
    }

private:
    QStringList m_header;
    QList<QStringList> m_rows;
};

QString ms(double value) {
    if (value >= 100)
        return QString::number(value, 'f', 0);
    if (value >= 10)
        return QString::number(value, 'f', 1);
    return QString::number(value, 'f', 2);
}

QString ratio(double without, double with) {
    if (with <= 0)
        return QString();
    const double r = without / with;
    return (r >= 10 ? QString::number(r, 'f', 0) : QString::number(r, 'f', 1)) +
           QStringLiteral("x");
}

const StageResult *findStage(const BenchResults &results, int policies, bool indexed) {
    for (const StageResult &stage : results.stages)
        if (stage.policies == policies && stage.indexed == indexed)
            return &stage;
    return nullptr;
}

const ActionResult *findAction(const StageResult *stage, const QString &label) {
    if (!stage)
        return nullptr;
    for (const ActionResult &action : stage->actions)
        if (action.label == label)
            return &action;
    return nullptr;
}

QList<int> sizes(const BenchResults &results) {
    QList<int> found;
    for (const StageResult &stage : results.stages)
        if (!found.contains(stage.policies))
            found << stage.policies;
    return found;
}

QStringList actionLabels(const BenchResults &results) {
    QStringList labels;
    for (const StageResult &stage : results.stages)
        for (const ActionResult &action : stage.actions)
            if (!labels.contains(action.label))
                labels << action.label;
    return labels;
}

QStringList cells(const ActionResult *action) {
    if (!action)
        return {QStringLiteral("-"), QStringLiteral("-"), QStringLiteral("-"), QStringLiteral("-")};
    if (!action->problem.isEmpty() || action->summary.count == 0)
        return {QStringLiteral("not run"), QString(), QString(), QString()};
    return {ms(action->summary.median), ms(action->summary.p95),
            action->server.count ? ms(action->server.median) : QStringLiteral("-"),
            QString::number(action->summary.count)};
}

QList<Table> tables(const BenchResults &results, QStringList &titles) {
    QList<Table> out;
    for (int policies : sizes(results)) {
        const StageResult *with = findStage(results, policies, true);
        const StageResult *without = findStage(results, policies, false);
        titles << QStringLiteral("N = %1 policies (%2 per agent), %3 history rows")
                      .arg(thousands(policies), thousands(policies / 1000),
                           thousands(3LL * policies));
        Table table({QStringLiteral("action"), QStringLiteral("median"), QStringLiteral("p95"),
                     QStringLiteral("server"), QStringLiteral("n"),
                     QStringLiteral("no-index median"), QStringLiteral("p95"),
                     QStringLiteral("server"), QStringLiteral("n"), QStringLiteral("ratio"),
                     QStringLiteral("shown / problem")});
        for (const QString &label : actionLabels(results)) {
            const ActionResult *a = findAction(with, label);
            const ActionResult *b = findAction(without, label);
            QStringList row{label};
            row << cells(a) << cells(b);
            const bool both = a && b && a->problem.isEmpty() && b->problem.isEmpty() &&
                              a->summary.count && b->summary.count;
            row << (both ? ratio(b->summary.median, a->summary.median) : QString());
            QString note = a ? a->detail : QString();
            if (a && !a->problem.isEmpty())
                note = a->problem;
            else if (b && !b->problem.isEmpty())
                note = QStringLiteral("without indexes: ") + b->problem;
            row << note;
            table.add(row);
        }
        out << table;
    }

    if (sizes(results).size() > 1) {
        titles << QStringLiteral("Growth: median in ms with the indexes (without them)");
        QStringList header{QStringLiteral("action")};
        for (int policies : sizes(results))
            header << QStringLiteral("N = %1").arg(thousands(policies));
        header << QString();
        Table growth(header);
        for (const QString &label : actionLabels(results)) {
            QStringList row{label};
            for (int policies : sizes(results)) {
                const ActionResult *a = findAction(findStage(results, policies, true), label);
                const ActionResult *b = findAction(findStage(results, policies, false), label);
                auto one = [](const ActionResult *x) {
                    return x && x->problem.isEmpty() && x->summary.count ? ms(x->summary.median)
                                                                         : QStringLiteral("-");
                };
                row << one(a) + QStringLiteral(" (") + one(b) + QStringLiteral(")");
            }
            row << QString();
            growth.add(row);
        }
        out << growth;
    }

    if (!results.starts.isEmpty()) {
        titles << QStringLiteral("Start: process exec to the login page painted, in ms");
        Table start({QStringLiteral("database server"), QStringLiteral("median"),
                     QStringLiteral("p95"), QStringLiteral("n"), QStringLiteral("problem")});
        for (const probes::StartResult &s : results.starts) {
            if (!s.problem.isEmpty() || s.summary.count == 0)
                start.add({s.label, QStringLiteral("not run"), QString(), QString(), s.problem});
            else
                start.add({s.label, ms(s.summary.median), ms(s.summary.p95),
                           QString::number(s.summary.count), QString()});
        }
        out << start;
    }

    if (!results.memory.isEmpty()) {
        titles << QStringLiteral(
            "Memory: after login and the cash-desk report over one year (VmHWM, VmRSS)");
        Table memory({QStringLiteral("policies"), QStringLiteral("peak MiB"),
                      QStringLiteral("resident MiB"), QStringLiteral("report rows")});
        for (const auto &m : results.memory) {
            if (!m.second.problem.isEmpty())
                memory.add(
                    {thousands(m.first), QStringLiteral("not run"), QString(), m.second.problem});
            else
                memory.add({thousands(m.first), QString::number(m.second.peakKiB / 1024.0, 'f', 1),
                            QString::number(m.second.residentKiB / 1024.0, 'f', 1),
                            m.second.detail});
        }
        out << memory;
    }
    return out;
}

} // namespace

QString renderText(const BenchResults &results) {
    QStringList titles;
    const QList<Table> all = tables(results, titles);
    QString out = results.notes.join(QLatin1Char('\n')) + QLatin1Char('\n');
    for (int i = 0; i < all.size(); ++i)
        out += QLatin1Char('\n') + titles[i] + QLatin1Char('\n') + all[i].text();
    return out;
}

QString renderMarkdown(const BenchResults &results) {
    QStringList titles;
    const QList<Table> all = tables(results, titles);
    QString out;
    for (const QString &note : results.notes)
        out += QStringLiteral("- ") + note + QLatin1Char('\n');
    for (int i = 0; i < all.size(); ++i)
        out += QStringLiteral("\n#### ") + titles[i] + QStringLiteral("\n\n") + all[i].markdown();
    return out;
}
