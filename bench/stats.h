#pragma once

#include <QList>
#include <QString>

// Summary of one action's timings, in milliseconds.
struct Summary {
    int count = 0;
    double median = 0;
    double p95 = 0; // nearest rank: with 5 samples it is the largest
};

Summary summarize(QList<double> samples);

// How often an action is repeated: at least minimum times, at most maximum,
// and no more once the timed runs have taken budgetMs together.
struct Repetitions {
    int minimum = 5;
    int maximum = 31;
    double budgetMs = 10000;
};

// 1000000 as "1 000 000".
QString thousands(qint64 n);

// One clock for the whole benchmark, in nanoseconds since it started.
qint64 benchClock();
