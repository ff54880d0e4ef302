#pragma once

#include <QElapsedTimer>
#include <QProcess>
#include <QString>

// Other counters at work beside the measured window: light clients, one
// connection each (threads of one process of their own, not windows), that
// send the statements of an agent's day as the program builds them
// (core/statements.h) with their own agents' ids, plates and dates, first
// issues and renewals included, each save a real transaction; one statement
// (or one save) every pace seconds each. Counter c is agent c + 1: agent 1
// is the measured window's.
namespace load {

struct Level {
    int counters = 0;
    double pace = 1; // seconds between two statements of one counter
};

// What a level cost, over the time the window was measured beside it.
struct Measure {
    double statementsPerSecond = 0; // answered by the server, every counter
    double failed = 0;              // statements the server refused or lost
    double serverCpu = 0;           // the server's process, share of all cores
    double generatorCpu = 0;        // the counters' process, share of all cores
    QString problem;
};

// Gives agents 2 .. counters + 1 their server accounts (koravel_add_agent)
// through the benchmark's administrator connection.
bool prepareAgents(int counters);

// "koravel3bench load COUNTERS PACE SERVERS": the counters' process, the
// counters shared round the comma-separated servers (a cluster's nodes). It logs
// every counter in, prints "ready", starts on the line "go" and stops at
// "stop" (or at the end of its input), then prints "answered N failed N
// seconds S".
int generatorMain(int argc, char **argv);

// The counters' process for one level, beside the window.
class Generator {
public:
    // Waits for a quiet server, then starts the process (program run in
    // load mode) and waits until every counter has logged in and the
    // counters are at work; a level of no counters starts nothing.
    bool start(const Level &level, const QString &program, const QString &servers);
    // Stops the counters and tells what the level cost since start().
    Measure finish();

private:
    Level m_level;
    QProcess m_process;
    QElapsedTimer m_clock;
    qint64 m_serverPid = 0;
    qint64 m_serverTicks = 0;
    qint64 m_generatorTicks = 0;
    QString m_problem;
};

} // namespace load
