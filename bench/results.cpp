#include "results.h"

#include <algorithm>
#include <cmath>

Summary summarize(QList<double> samples) {
    Summary summary;
    summary.count = samples.size();
    if (samples.isEmpty())
        return summary;
    std::sort(samples.begin(), samples.end());
    const int n = samples.size();
    summary.median = n % 2 ? samples[n / 2] : (samples[n / 2 - 1] + samples[n / 2]) / 2;
    summary.p95 = samples[std::max(1, static_cast<int>(std::ceil(0.95 * n))) - 1];
    return summary;
}

QString thousands(qint64 n) {
    QString digits = QString::number(n);
    for (int i = digits.size() - 3; i > 0; i -= 3)
        digits.insert(i, QLatin1Char(' '));
    return digits;
}

namespace {

QString ms(double value) {
    return QString::number(value, 'f', value >= 100 ? 0 : value >= 10 ? 1 : 2);
}

QString row(const QStringList &cells) {
    return QStringLiteral("| ") + cells.join(QStringLiteral(" | ")) + QStringLiteral(" |\n");
}

// The header row and the alignment row: words left, figures right.
QString header(const QStringList &titles) {
    QString align = QStringLiteral("|");
    for (int i = 0; i < titles.size(); ++i)
        align +=
            i == 0 || i == titles.size() - 1 ? QStringLiteral(" --- |") : QStringLiteral(" ---: |");
    return row(titles) + align + QLatin1Char('\n');
}

bool measured(const ActionResult *action) {
    return action && action->problem.isEmpty() && action->summary.count;
}

QStringList cells(const ActionResult *action, bool withServer = true) {
    if (!measured(action))
        return QStringList{QStringLiteral("not run")} + QStringList(withServer ? 3 : 2, QString());
    QStringList out{ms(action->summary.median), ms(action->summary.p95)};
    if (withServer)
        out << (action->server.count ? ms(action->server.median) : QStringLiteral("-"));
    return out << QString::number(action->summary.count);
}

const ActionResult *find(const QList<StageResult> &stages, int policies, bool indexed,
                         const QString &label) {
    for (const StageResult &stage : stages)
        if (stage.policies == policies && stage.indexed == indexed)
            for (const ActionResult &action : stage.actions)
                if (action.label == label)
                    return &action;
    return nullptr;
}

QString sizeTable(const BenchResults &results, int policies) {
    QString out =
        QStringLiteral("\n#### N = %1 policies (%2 per agent), %3 history rows\n\n")
            .arg(thousands(policies), thousands(policies / 1000), thousands(3LL * policies)) +
        header({"action", "median", "p95", "server", "n", "no-index median", "p95", "server", "n",
                "ratio", "shown / problem"});
    QStringList labels;
    for (const StageResult &stage : results.stages)
        for (const ActionResult &action : stage.actions)
            if (stage.policies == policies && !labels.contains(action.label))
                labels << action.label;
    for (const QString &label : labels) {
        const ActionResult *a = find(results.stages, policies, true, label);
        const ActionResult *b = find(results.stages, policies, false, label);
        QString ratio;
        if (measured(a) && measured(b) && a->summary.median > 0) {
            const double r = b->summary.median / a->summary.median;
            ratio = QString::number(r, 'f', r >= 10 ? 0 : 1) + QLatin1Char('x');
        }
        QString note = a ? (a->problem.isEmpty() ? a->detail : a->problem) : QString();
        if (b && !b->problem.isEmpty() && (!a || a->problem.isEmpty()))
            note = QStringLiteral("without indexes: ") + b->problem;
        out += row(QStringList{label} + cells(a) + cells(b) + QStringList{ratio, note});
    }
    return out;
}

} // namespace

// One row per load level: what the other counters cost the server, then
// each action's median and p95 with the secondary indexes.
QString loadTable(const QList<LoadStage> &loads) {
    QString out = QStringLiteral("\n#### Under load: %1 policies, other counters at work\n\n")
                      .arg(thousands(loads.first().stage.policies));
    QStringList titles{"counters", "pace s",     "statements/s",
                       "failed",   "server CPU", "counters' CPU"};
    for (const ActionResult &action : loads.first().stage.actions)
        titles << action.label;
    titles << QStringLiteral("problem");
    out += header(titles);
    const auto percent = [](double share) { return QString::number(share * 100, 'f', 0) + '%'; };
    for (const LoadStage &load : loads) {
        QStringList cells{QString::number(load.counters),
                          QString::number(load.pace),
                          QString::number(load.statementsPerSecond, 'f', 1),
                          QString::number(load.failed, 'f', 0),
                          percent(load.serverCpu),
                          percent(load.generatorCpu)};
        QString problem = load.problem;
        for (const ActionResult &action : load.stage.actions) {
            cells << (action.problem.isEmpty() ? ms(action.summary.median) + QStringLiteral(" / ") +
                                                     ms(action.summary.p95)
                                               : QStringLiteral("-"));
            if (problem.isEmpty() && !action.problem.isEmpty())
                problem = action.label + QStringLiteral(": ") + action.problem;
        }
        out += row(cells << problem);
    }
    return out + QStringLiteral("\nEach action: median / p95 in ms.\n");
}

QString markdown(const BenchResults &results) {
    QString out;
    for (const QString &note : results.notes)
        out += QStringLiteral("- ") + note + QLatin1Char('\n');
    QList<int> sizes;
    for (const StageResult &stage : results.stages)
        if (!sizes.contains(stage.policies))
            sizes << stage.policies;
    for (int policies : sizes)
        out += sizeTable(results, policies);
    if (!results.loads.isEmpty())
        out += loadTable(results.loads);
    if (!results.starts.isEmpty()) {
        out += QStringLiteral("\n#### Start: process exec to the login page painted, in ms\n\n") +
               header({"database server", "median", "p95", "n", "problem"});
        for (const ActionResult &start : results.starts)
            out +=
                row(QStringList{start.label} + cells(&start, false) + QStringList{start.problem});
    }
    if (!results.memory.isEmpty()) {
        out += QStringLiteral("\n#### Memory: after login and the cash-desk report over one "
                              "year (VmHWM, VmRSS)\n\n") +
               header({"policies", "peak MiB", "resident MiB", "report rows"});
        for (const MemoryResult &m : results.memory)
            out += row(m.problem.isEmpty()
                           ? QStringList{thousands(m.policies), QString::number(m.peakMiB, 'f', 1),
                                         QString::number(m.residentMiB, 'f', 1), m.detail}
                           : QStringList{thousands(m.policies), QStringLiteral("not run"),
                                         QString(), m.problem});
    }
    return out;
}

bool hasProblems(const BenchResults &results) {
    bool problems = false;
    for (const StageResult &stage : results.stages)
        for (const ActionResult &action : stage.actions)
            problems = problems || !action.problem.isEmpty();
    for (const ActionResult &start : results.starts)
        problems = problems || !start.problem.isEmpty();
    for (const MemoryResult &memory : results.memory)
        problems = problems || !memory.problem.isEmpty();
    for (const LoadStage &load : results.loads) {
        problems = problems || !load.problem.isEmpty();
        for (const ActionResult &action : load.stage.actions)
            problems = problems || !action.problem.isEmpty();
    }
    return problems;
}
