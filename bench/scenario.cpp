#include "scenario.h"

#include "admin.h"
#include "support/modal.h"

#include <QAbstractItemModel>
#include <QApplication>
#include <QDateEdit>
#include <QPushButton>
#include <QStackedWidget>
#include <QTableView>

#include <cstdio>

namespace {

constexpr int accountingPage = 3;

} // namespace

void settle() {
    QCoreApplication::processEvents();
}

Scenario::Scenario(const Repetitions &repetitions, const QString &workDir,
                   testsupport::ModalWatcher *modals)
    : m_repetitions(repetitions)
    , m_workDir(workDir)
    , m_modals(modals) {
    m_modals->onAnswer([this] { m_lastAnswered = benchClock(); });
}

void Scenario::click(const char *button) {
    // click() sends pressed, released and clicked in turn, as the mouse does.
    widget<QPushButton>(button)->click();
}

void Scenario::showReport(char report, const QDate &start, const QDate &end) {
    if (widget<QStackedWidget>("login")->currentIndex() != accountingPage)
        click("pushButton_8");
    widget<QDateEdit>("dateEdit")->setDate(start);
    widget<QDateEdit>("dateEdit_2")->setDate(end);
    const char *buttons[] = {"pushButton_11", "pushButton_12", "pushButton_13"};
    click(buttons[report - '1']);
}

QStringList Scenario::boxesSeen() const {
    QStringList seen;
    for (const testsupport::SeenBox &box : m_modals->boxes())
        seen << box.title + QStringLiteral(": ") + box.text;
    return seen;
}

QString Scenario::rowsShown(const char *view) const {
    QAbstractItemModel *model = widget<QTableView>(view)->model();
    if (!model)
        return QString();
    while (model->canFetchMore(QModelIndex()))
        model->fetchMore(QModelIndex());
    return thousands(model->rowCount()) + QStringLiteral(" rows");
}

ActionResult Scenario::measure(const QString &label, const Step &prepare, const Step &act,
                               const Check &check, ActionResult *afterAnswer) {
    ActionResult result;
    result.label = label;
    std::fprintf(stderr, "  %-34s", qPrintable(label));
    std::fflush(stderr);

    // The first run warms the caches and shows whether the slot did its work.
    prepare(0);
    act(0);
    settle();
    result.problem = check();
    if (!result.problem.isEmpty()) {
        std::fprintf(stderr, "not measured: %s\n", qPrintable(result.problem));
        return result;
    }

    QList<double> samples;
    QList<double> serverSamples;
    QList<double> afterSamples;
    double spent = 0;
    for (int rep = 1; rep <= m_repetitions.maximum; ++rep) {
        if (samples.size() >= m_repetitions.minimum && spent >= m_repetitions.budgetMs)
            break;
        prepare(rep);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        m_lastAnswered = 0;
        admin::restartStatementClock();
        const qint64 started = benchClock();
        act(rep);
        settle();
        const qint64 ended = benchClock();
        const double server = admin::statementMs();
        if (server >= 0)
            serverSamples << server;
        const double ms = (ended - started) / 1e6;
        samples << ms;
        spent += ms;
        if (m_lastAnswered > started)
            afterSamples << (ended - m_lastAnswered) / 1e6;
    }
    result.problem = check();
    result.summary = summarize(samples);
    result.server = summarize(serverSamples);
    if (afterAnswer) {
        afterAnswer->summary = summarize(afterSamples);
        if (afterSamples.isEmpty())
            afterAnswer->problem = QStringLiteral("no dialog was answered");
    }
    std::fprintf(stderr, "median %9.2f ms  p95 %9.2f ms  server %8.2f ms  (%d runs)\n",
                 result.summary.median, result.summary.p95, result.server.median,
                 result.summary.count);
    return result;
}
