#pragma once

#include "probes.h"
#include "scenario.h"

#include <QList>
#include <QString>

// Everything one benchmark run measured.
struct BenchResults {
    QStringList notes; // the machine, the versions, the load
    QList<StageResult> stages;
    QList<probes::StartResult> starts;
    QList<QPair<int, probes::MemoryResult>> memory; // by number of policies
};

// The results as plain-text tables for the terminal, or as Markdown tables
// for docs/performance.md.
QString renderText(const BenchResults &results);
QString renderMarkdown(const BenchResults &results);
