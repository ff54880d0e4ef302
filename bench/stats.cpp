#include "stats.h"

#include <QElapsedTimer>

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
    const int rank = std::max(1, static_cast<int>(std::ceil(0.95 * n)));
    summary.p95 = samples[rank - 1];
    return summary;
}

qint64 benchClock() {
    static QElapsedTimer clock = [] {
        QElapsedTimer started;
        started.start();
        return started;
    }();
    return clock.nsecsElapsed();
}

QString thousands(qint64 n) {
    QString digits = QString::number(n);
    for (int i = digits.size() - 3; i > 0; i -= 3)
        digits.insert(i, QLatin1Char(' '));
    return digits;
}
