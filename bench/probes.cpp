#include "probes.h"

#include "koravel3.h"
#include "support/modal.h"
#include "support/window.h"

#include <QAbstractItemModel>
#include <QApplication>
#include <QComboBox>
#include <QDate>
#include <QDateEdit>
#include <QFile>
#include <QIcon>
#include <QLabel>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QStackedWidget>
#include <QTableView>
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
    switch (server) {
    case Server::Up:
        return {QStringLiteral("bash"), QStringLiteral("-c"), launch, program};
    case Server::Refused:
        return {QStringLiteral("unshare"),
                QStringLiteral("-n"),
                QStringLiteral("bash"),
                QStringLiteral("-c"),
                QStringLiteral("ip link set lo up && ") + launch,
                program};
    case Server::Unreachable:
        // Loopback stays down; the address is routed into one end of a
        // veth pair whose other end has no address, so no SYN is ever
        // answered, as with a host that is switched off.
        return {QStringLiteral("unshare"),
                QStringLiteral("-n"),
                QStringLiteral("bash"),
                QStringLiteral("-c"),
                QStringLiteral("host=$(\"$0\" host) && "
                               "ip link add kvb0 type veth peer name kvb1 && "
                               "ip link set kvb0 up && ip link set kvb1 up && "
                               "sysctl -qw net.ipv4.conf.all.route_localnet=1 "
                               "net.ipv4.conf.kvb0.route_localnet=1 && "
                               "ip addr add 127.0.0.254/32 dev kvb0 && "
                               "ip route add \"$host/32\" dev kvb0 src 127.0.0.254 && ") +
                    launch,
                program};
    }
    return {};
}

qint64 statusKiB(const char *field) {
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return 0;
    const QByteArray prefix = QByteArray(field) + ':';
    for (const QByteArray &line : status.readAll().split('\n'))
        if (line.startsWith(prefix))
            return line.mid(prefix.size()).trimmed().split(' ').value(0).toLongLong();
    return 0;
}

template <typename T> T *find(QWidget *window, const char *name) {
    T *found = testsupport::child<T>(window, name);
    if (!found) {
        std::printf("problem no widget %s\n", name);
        std::exit(2);
    }
    return found;
}

// The first paint of the window: the login page is on the screen.
class FirstPaint : public QObject {
public:
    using QObject::QObject;
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

} // namespace

StartResult measureStart(const QString &program, Server server, int repetitions) {
    StartResult result;
    result.label = server == Server::Up        ? QStringLiteral("server up")
                   : server == Server::Refused ? QStringLiteral("server stopped (refused)")
                                               : QStringLiteral("host unreachable (no answer)");
    const QStringList command = startCommand(program, server);
    QList<double> samples;
    // One start first, not counted, so the libraries are in the page cache as
    // on an agent's machine that has run the program before.
    for (int rep = 0; rep <= repetitions; ++rep) {
        QProcess process;
        process.setProcessChannelMode(QProcess::SeparateChannels);
        process.start(command.first(), command.mid(1));
        if (!process.waitForFinished(60000)) {
            process.kill();
            process.waitForFinished();
            result.problem = QStringLiteral("the probe did not finish");
            break;
        }
        const QByteArray out = process.readAllStandardOutput();
        const int at = out.indexOf("shown ");
        if (process.exitCode() != 0 || at < 0) {
            result.problem = QStringLiteral("the probe failed: ") +
                             QString::fromLocal8Bit(process.readAllStandardError().trimmed())
                                 .section(QLatin1Char('\n'), -1);
            break;
        }
        if (rep > 0)
            samples << out.mid(at + 6).split('\n').value(0).toDouble();
    }
    result.summary = summarize(samples);
    return result;
}

MemoryResult measureMemory(const QString &program, const QString &user, const QString &password) {
    MemoryResult result;
    QProcess process;
    process.start(program, {QStringLiteral("probe-memory"), user, password});
    if (!process.waitForFinished(300000)) {
        process.kill();
        process.waitForFinished();
        result.problem = QStringLiteral("the probe did not finish");
        return result;
    }
    const QList<QByteArray> words = process.readAllStandardOutput().trimmed().split(' ');
    if (process.exitCode() != 0 || words.value(0) != "memory") {
        result.problem =
            QStringLiteral("the probe failed: ") + QString::fromLocal8Bit(words.join(' '));
        return result;
    }
    result.peakKiB = words.value(1).toLongLong();
    result.residentKiB = words.value(2).toLongLong();
    result.detail = QString::fromLocal8Bit(words.value(3)) + QStringLiteral(" rows");
    return result;
}

int startProbe() {
    int argc = 1;
    char name[] = "koravel3bench";
    char *argv[] = {name, nullptr};
    // As the program's main does it.
    QApplication app(argc, argv);
    initKoravel3Resources();
    app.setWindowIcon(QIcon(QStringLiteral(":/log/QUIRO.png")));
    Koravel3 window;
    FirstPaint firstPaint;
    window.installEventFilter(&firstPaint);
    window.show();
    QTimer::singleShot(60000, &app, [] {
        std::printf("problem no paint within 60 s\n");
        qApp->exit(1);
    });
    return app.exec();
}

int memoryProbe(const QString &user, const QString &password) {
    int argc = 1;
    char name[] = "koravel3bench";
    char *argv[] = {name, nullptr};
    QApplication app(argc, argv);
    initKoravel3Resources();
    app.setWindowIcon(QIcon(QStringLiteral(":/log/QUIRO.png")));
    // An update offer met by chance is declined.
    testsupport::ModalWatcher modals(QMessageBox::No);
    Koravel3 window;
    window.resize(1366, 768);
    window.show();
    QCoreApplication::processEvents();

    find<QLineEdit>(&window, "lineEdit_user_2")->setText(user);
    find<QLineEdit>(&window, "lineEdit_passw_2")->setText(password);
    find<QPushButton>(&window, "pushButton_c")->click();
    QCoreApplication::processEvents();
    if (find<QStackedWidget>(&window, "login")->currentIndex() != 1) {
        std::printf("problem login-failed\n");
        return 1;
    }
    find<QPushButton>(&window, "pushButton_8")->click();
    const QDate today = QDate::currentDate();
    find<QDateEdit>(&window, "dateEdit")->setDate(today.addYears(-1).addDays(1));
    find<QDateEdit>(&window, "dateEdit_2")->setDate(today);
    find<QPushButton>(&window, "pushButton_13")->click();
    find<QPushButton>(&window, "pushButton_14")->click();
    QCoreApplication::processEvents();
    QAbstractItemModel *model = find<QTableView>(&window, "tableView_2")->model();
    const int rows = model ? model->rowCount() : 0;
    std::printf("memory %lld %lld %d\n", statusKiB("VmHWM"), statusKiB("VmRSS"), rows);
    return 0;
}

} // namespace probes
