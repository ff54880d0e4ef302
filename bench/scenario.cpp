#include "scenario.h"

#include "server.h"

#include <QAbstractItemModel>
#include <QCoreApplication>
#include <QDateEdit>
#include <QPushButton>
#include <QTableView>
#include <QTest>

#include <cstdio>

Scenario::Scenario(const Repetitions &repetitions, const QString &workDir,
                   testsupport::ModalWatcher *modals)
    : m_repetitions(repetitions)
    , m_workDir(workDir)
    , m_modals(modals) {
    m_clock.start();
    m_modals->onAnswer([this] { m_lastAnswered = m_clock.nsecsElapsed(); });
}

void Scenario::openShown() {
    openWindow();
    showWindow(QSize(1366, 768));
    settle();
}

void Scenario::settle() {
    QCoreApplication::processEvents();
}

bool Scenario::logIn(const QString &user, const QString &password) {
    submitLogin(user, password);
    settle();
    return page() == Koravel3::HomePage;
}

int Scenario::showReport(char report, const QDate &start, const QDate &end) {
    if (page() != Koravel3::AccountingPage)
        click("pushButton_8");
    const char *buttons[] = {"pushButton_11", "pushButton_12", "pushButton_13"};
    runReport(buttons[report - '1'], start, end);
    settle();
    const QAbstractItemModel *model = child<QTableView>("tableView_2")->model();
    return model ? model->rowCount() : 0;
}

void Scenario::click(const char *button) {
    QTest::mouseClick(child<QPushButton>(button), Qt::LeftButton);
}

QStringList Scenario::boxesSeen() const {
    QStringList seen;
    for (const testsupport::SeenBox &box : m_modals->boxes())
        seen << box.title + QStringLiteral(": ") + box.text;
    return seen;
}

QString Scenario::rowsShown(const char *view) const {
    QAbstractItemModel *model = child<QTableView>(view)->model();
    if (!model)
        return QString();
    while (model->canFetchMore(QModelIndex()))
        model->fetchMore(QModelIndex());
    return thousands(model->rowCount()) + QStringLiteral(" rows");
}

ActionResult Scenario::measure(const QString &label, const Step &prepare, const Step &act,
                               const std::function<QString()> &check, ActionResult *afterAnswer) {
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
        // What the preparation left to paint (the login page after a
        // log-out) is on the screen before the agent acts; a button's press
        // would otherwise paint it inside the timed run.
        settle();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        m_lastAnswered = 0;
        server::restartStatementClock();
        const qint64 started = m_clock.nsecsElapsed();
        act(rep);
        settle();
        const qint64 ended = m_clock.nsecsElapsed();
        const double serverMs = server::statementMs();
        if (serverMs >= 0)
            serverSamples << serverMs;
        samples << (ended - started) / 1e6;
        spent += samples.last();
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
