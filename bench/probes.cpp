#include "probes.h"

#include "koravel3.h"
#include "scenario.h"
#include "support/modal.h"

#include <QApplication>
#include <QDate>
#include <QFile>
#include <QProcess>
#include <QTimer>

#include <chrono>
#include <cstdio>

namespace probes {

namespace {

// The moment the probe was exec'd, as bash's $EPOCHREALTIME put it in the
// environment just before exec.
double msSinceLaunch() {
    // $EPOCHREALTIME follows the locale's decimal separator.
    const double launched = qEnvironmentVariable("KORAVEL_BENCH_T0")
                                .replace(QLatin1Char(','), QLatin1Char('.'))
                                .toDouble();
    const double now =
        std::chrono::duration<double>(std::chrono::system_clock::now().time_since_epoch()).count();
    return (now - launched) * 1000.0;
}

// The command that starts the probe: bash marks the time, then execs it, so
// the time counts the program's whole start: loading the libraries, the
// window, the connection and the first paint.
QStringList startCommand(const QString &program, Server server) {
    const QString launch =
        QStringLiteral("export KORAVEL_BENCH_T0=$EPOCHREALTIME; exec \"$0\" probe-start");
    if (server == Server::Up)
        return {QStringLiteral("bash"), QStringLiteral("-c"), launch, program};
    // Refused: only loopback is up, and nothing listens on it. Unreachable:
    // loopback stays down and the address is routed into one end of a veth
    // pair whose other end has no address, so no SYN is ever answered, as
    // with a host that is switched off.
    const QString network = server == Server::Refused
                                ? QStringLiteral("ip link set lo up && ")
                                : QStringLiteral("host=$(\"$0\" host) && "
                                                 "ip link add kvb0 type veth peer name kvb1 && "
                                                 "ip link set kvb0 up && ip link set kvb1 up && "
                                                 "sysctl -qw net.ipv4.conf.all.route_localnet=1 "
                                                 "net.ipv4.conf.kvb0.route_localnet=1 && "
                                                 "ip addr add 127.0.0.254/32 dev kvb0 && "
                                                 "ip route add \"$host/32\" dev kvb0 src "
                                                 "127.0.0.254 && ");
    return {QStringLiteral("unshare"), QStringLiteral("-n"), QStringLiteral("bash"),
            QStringLiteral("-c"),      network + launch,     program};
}

QByteArray statusField(const QByteArray &status, const char *field) {
    for (const QByteArray &line : status.split('\n'))
        if (line.startsWith(QByteArray(field) + ':'))
            return line.mid(qstrlen(field) + 1).trimmed().split(' ').value(0);
    return "0";
}

// The first paint of the window: the login page is on the screen.
class FirstPaint : public QObject {
public:
    bool eventFilter(QObject *watched, QEvent *event) override {
        if (event->type() == QEvent::Paint && !m_seen) {
            m_seen = true;
            // Report once the whole paint pass has been delivered.
            QTimer::singleShot(0, qApp, [] {
                std::printf("shown %.3f\n", msSinceLaunch());
                std::fflush(stdout);
                qApp->exit(0);
            });
        }
        return QObject::eventFilter(watched, event);
    }

private:
    bool m_seen = false;
};

// Runs the probe; its standard output, or the problem that stopped it.
QByteArray runProbe(const QStringList &command, const char *expected, QString *problem) {
    QProcess process;
    process.start(command.first(), command.mid(1));
    if (!process.waitForFinished(300000)) {
        process.kill();
        process.waitForFinished();
    }
    const QByteArray out = process.readAllStandardOutput();
    if (process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0 ||
        !out.contains(expected))
        *problem =
            QStringLiteral("the probe failed: ") +
            QString::fromLocal8Bit(out.trimmed() + ' ' + process.readAllStandardError().trimmed())
                .section(QLatin1Char('\n'), -1);
    return out;
}

} // namespace

ActionResult measureStart(const QString &program, Server server, int repetitions) {
    ActionResult result;
    result.label = server == Server::Up        ? QStringLiteral("server up")
                   : server == Server::Refused ? QStringLiteral("server stopped (refused)")
                                               : QStringLiteral("host unreachable (no answer)");
    QList<double> samples;
    // One start first, not counted, so the libraries are in the page cache as
    // on an agent's machine that has run the program before.
    for (int rep = 0; rep <= repetitions && result.problem.isEmpty(); ++rep) {
        const QByteArray out = runProbe(startCommand(program, server), "shown ", &result.problem);
        if (rep > 0 && result.problem.isEmpty())
            samples << out.mid(out.indexOf("shown ") + 6).split('\n').value(0).toDouble();
    }
    result.summary = summarize(samples);
    return result;
}

MemoryResult measureMemory(const QString &program, int policies, const QString &user,
                           const QString &password) {
    MemoryResult result;
    result.policies = policies;
    const QList<QByteArray> words =
        runProbe({program, QStringLiteral("probe-memory"), user, password}, "memory ",
                 &result.problem)
            .trimmed()
            .split(' ');
    result.peakMiB = words.value(1).toLongLong() / 1024.0;
    result.residentMiB = words.value(2).toLongLong() / 1024.0;
    result.detail = QString::fromLocal8Bit(words.value(3)) + QStringLiteral(" rows");
    return result;
}

int startProbe() {
    Koravel3 window;
    FirstPaint firstPaint;
    window.installEventFilter(&firstPaint);
    window.show();
    QTimer::singleShot(60000, qApp, [] {
        std::printf("problem no paint within 60 s\n");
        qApp->exit(1);
    });
    return qApp->exec();
}

int memoryProbe(const QString &user, const QString &password) {
    // An update offer met by chance is declined.
    testsupport::ModalWatcher modals(QMessageBox::No);
    Scenario day(Repetitions(), QString(), &modals);
    day.openShown();
    if (!day.logIn(user, password)) {
        std::printf("problem login-failed\n");
        return 1;
    }
    const QDate today = QDate::currentDate();
    const int rows = day.showReport('3', today.addYears(-1).addDays(1), today);
    QFile status(QStringLiteral("/proc/self/status"));
    const QByteArray fields = status.open(QIODevice::ReadOnly) ? status.readAll() : QByteArray();
    std::printf("memory %s %s %d\n", statusField(fields, "VmHWM").constData(),
                statusField(fields, "VmRSS").constData(), rows);
    return 0;
}

} // namespace probes
