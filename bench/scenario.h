#pragma once

#include "stats.h"
#include "support/window.h"

#include <QDate>
#include <QList>
#include <QString>
#include <QStringList>

#include <QWidget>

#include <cstdio>
#include <cstdlib>
#include <functional>

namespace testsupport {
class ModalWatcher;
}

// One measured action of the window.
struct ActionResult {
    QString label;
    Summary summary;
    Summary server;  // the part the server spent on the statements
    QString detail;  // what the action showed, e.g. "1 000 rows"
    QString problem; // why it was not measured (the slot did nothing, ...)
};

// Every action at one size of the database, with or without the secondary
// indexes.
struct StageResult {
    int policies = 0;
    bool indexed = true;
    QList<ActionResult> actions;
};

// Drives one window through an agent's day: log in, type in the search box,
// open the lists, load a policy, save a new one, run the reports, open the
// policy card and export. Every action goes through the window's own widgets
// and signals, so the slots' real statements reach the server.
class Scenario {
public:
    // The watcher answers the window's boxes and dialogs; the scenario
    // queues the file names of the exports on it.
    Scenario(const Repetitions &repetitions, const QString &workDir,
             testsupport::ModalWatcher *modals);

    StageResult run(int policies, bool indexed);

private:
    using Step = std::function<void(int)>;
    using Check = std::function<QString()>;

    // Runs prepare (untimed) and act (timed, until the window has handled
    // the events it posted) once to warm up and check, then as often as the
    // repetitions allow.
    // With afterAnswer, also collects for each run the time from the moment
    // the last modal box or dialog was answered to the end of the action.
    ActionResult measure(const QString &label, const Step &prepare, const Step &act,
                         const Check &check, ActionResult *afterAnswer = nullptr);

    template <typename T> T *widget(const char *name) const;
    void click(const char *button);
    void showReport(char report, const QDate &start, const QDate &end);
    QString rowsShown(const char *view) const;
    // "title: text" of every box answered since the watcher last forgot.
    QStringList boxesSeen() const;

    Repetitions m_repetitions;
    QString m_workDir;
    testsupport::ModalWatcher *m_modals;
    // When the last box or dialog was answered, in nanoseconds of
    // benchClock(); 0 when none was since the run started.
    qint64 m_lastAnswered = 0;
    QWidget *m_window = nullptr; // the Koravel3 window of the running stage
    int m_agent = 1;
    QString m_stageTag;
};

// Settles the window: delivers what the action posted (repaints included).
void settle();

template <typename T> T *Scenario::widget(const char *name) const {
    T *found = testsupport::child<T>(m_window, name);
    if (!found) {
        std::fprintf(stderr, "bench: the window has no %s named %s\n",
                     T::staticMetaObject.className(), name);
        std::exit(2);
    }
    return found;
}
