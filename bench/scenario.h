#pragma once

#include "results.h"
#include "support/windowtest.h"

#include <QElapsedTimer>

#include <functional>

// How often an action is repeated: at least minimum times, at most maximum,
// and no more once the timed runs have taken budgetMs together.
struct Repetitions {
    int minimum = 5;
    int maximum = 31;
    double budgetMs = 8000;
};

// Drives the window through an agent's day (log in, type in the search box,
// open the lists, load a policy, save a new one, run the reports, export,
// open the policy card) with the test kit's gestures, so that the slots'
// real statements reach the server.
class Scenario : public testsupport::WindowTest {
public:
    // The watcher answers the window's boxes and dialogs; the scenario
    // queues the file names of the exports on it.
    Scenario(const Repetitions &repetitions, const QString &workDir,
             testsupport::ModalWatcher *modals);

    StageResult run(int policies, bool indexed);

    // A new window, shown at the benchmark's size.
    void openShown();
    // From the login page; false when the home page did not open.
    bool logIn(const QString &user, const QString &password);
    // On the accounting page (opened first when it is not shown): the period,
    // the report's button (1 to 3), then VALIDER; the rows the report shows.
    int showReport(char report, const QDate &start, const QDate &end);

private:
    using Step = std::function<void(int)>;
    // Runs prepare (untimed) and act (timed, until the window has handled
    // the events it posted) once to warm up and check, then as often as the
    // repetitions allow. With afterAnswer, also collects for each run the
    // time from the last answer to a box or dialog to the end of the action.
    ActionResult measure(const QString &label, const Step &prepare, const Step &act,
                         const std::function<QString()> &check,
                         ActionResult *afterAnswer = nullptr);
    void click(const char *button);
    QString rowsShown(const char *view) const;
    // "title: text" of every box answered since the watcher last forgot.
    QStringList boxesSeen() const;
    // Delivers what the action posted, repaints included.
    static void settle();

    Repetitions m_repetitions;
    QString m_workDir;
    testsupport::ModalWatcher *m_modals;
    QElapsedTimer m_clock;
    qint64 m_lastAnswered = 0; // nanoseconds of m_clock
};
