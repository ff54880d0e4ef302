#pragma once

#include <QList>
#include <QPair>
#include <QString>
#include <QStringList>

// Timings of one action or probe, in milliseconds.
struct Summary {
    int count = 0;
    double median = 0;
    double p95 = 0; // nearest rank: with 5 samples it is the largest
};
Summary summarize(QList<double> samples);

// One measured action, or one probe of the start or the memory.
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

struct MemoryResult {
    int policies = 0;
    double peakMiB = 0;
    double residentMiB = 0;
    QString detail;
    QString problem;
};

// The window measured while other counters were at work (bench/load.h).
struct LoadStage {
    int counters = 0;
    double pace = 1; // seconds between two statements of one counter
    double statementsPerSecond = 0;
    double failed = 0;    // statements of the counters that failed
    double serverCpu = 0; // shares of all the machine's cores
    double generatorCpu = 0;
    QString problem;
    StageResult stage;
};

// Everything one benchmark run measured.
struct BenchResults {
    QStringList notes; // the machine, the versions, the load
    QList<StageResult> stages;
    QList<LoadStage> loads;
    QList<ActionResult> starts;
    QList<MemoryResult> memory;
};

// The tables in Markdown: one per size (with and without the indexes side by
// side), the start and the memory.
QString markdown(const BenchResults &results);
bool hasProblems(const BenchResults &results);

// 1000000 as "1 000 000".
QString thousands(qint64 n);
