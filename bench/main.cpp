// The benchmark: the program's own window against a database of agency size.
//
//   koravel3bench run [options]        fill, measure and print the tables
//   koravel3bench host                 the compiled-in database address
//   koravel3bench probe-start          (child) start the window, report the first paint
//   koravel3bench probe-memory U P     (child) log in, run the year's report, report VmHWM
//
// bench/run.sh starts the server this needs and is the way to run it.
#include "core/config.h"
#include "core/connectionsettings.h"
#include "datagen.h"
#include "koravel3.h"
#include "load.h"
#include "probes.h"
#include "scenario.h"
#include "server.h"
#include "support/dbfixture.h"
#include "support/modal.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QIcon>
#include <QSettings>
#include <QTemporaryDir>
#include <QThread>
#include <QTime>

#include <cstdio>

namespace {

bool sawConnectWarning = false;

void messages(QtMsgType type, const QMessageLogContext &, const QString &text) {
    // The window writes a debug line on every connection; only warnings
    // matter here.
    if (type == QtDebugMsg || type == QtInfoMsg)
        return;
    if (text.contains(QLatin1String("connectSlotsByName")))
        sawConnectWarning = true;
    std::fprintf(stderr, "bench: Qt: %s\n", qPrintable(text));
    // A widget the benchmark drives is missing: nothing it measures would
    // mean anything.
    if (text.startsWith(QLatin1String("no child")))
        std::exit(2);
}

void step(const QString &what) {
    std::fprintf(stderr, "[%s] %s\n",
                 qPrintable(QTime::currentTime().toString(QStringLiteral("hh:mm:ss"))),
                 qPrintable(what));
}

// What follows the colon on the first line of the /proc file that starts
// with field (the whole line when there is no colon).
QString procField(const char *file, const char *field) {
    QFile in(QString::fromLatin1(file));
    const QByteArray text = in.open(QIODevice::ReadOnly) ? in.readAll() : QByteArray();
    for (const QByteArray &line : text.split('\n'))
        if (line.startsWith(field))
            return QString::fromUtf8(line.mid(line.indexOf(':') + 1).trimmed());
    return QString();
}

QString loadAverage() {
    return procField("/proc/loadavg", "").section(QLatin1Char(' '), 0, 2);
}

QString machine(const QString &server) {
    return QStringLiteral("%1, %2 cores, %3 GiB; MariaDB %4 on %5:3306 (loopback); Qt %6 "
                          "offscreen")
        .arg(procField("/proc/cpuinfo", "model name"))
        .arg(QThread::idealThreadCount())
        .arg(procField("/proc/meminfo", "MemTotal").section(QLatin1Char(' '), 0, 0).toDouble() /
                 1024 / 1024,
             0, 'f', 0)
        .arg(testsupport::db::scalar(QStringLiteral("select version()")).toString(), server,
             QString::fromUtf8(qVersion()));
}

int run(QApplication &app) {
    QCommandLineParser parser;
    parser.addHelpOption();
    parser.addPositionalArgument(QStringLiteral("run"), QStringLiteral("the mode"));
    // name, help, value name, default
    const char *const options[][4] = {
        {"sizes", "numbers of policies, comma-separated", "list", "10000,100000,1000000"},
        {"reps", "most runs per action", "n", "31"},
        {"min-reps", "fewest runs per action", "n", "5"},
        {"budget", "seconds of timed runs per action after which no more runs start", "s", "8"},
        {"start-reps", "starts per server state (0: the starts are not measured)", "n", "10"},
        {"server", "the server the benchmark fills and reads (a cluster's node)", "address",
         config::databaseHost},
        {"load",
         "at the largest size, the window measured again beside other counters: "
         "counters:pace (seconds between two statements of one counter), comma-separated, "
         "e.g. 0:1,16:1,50:1,16:0.1",
         "levels", ""},
        {"markdown", "also write the tables to this file", "file", ""}};
    for (const auto &option : options)
        parser.addOption(QCommandLineOption(option[0], option[1], option[2], option[3]));
    parser.process(app);
    const auto value = [&](const char *name) { return parser.value(QString::fromLatin1(name)); };

    QList<int> sizes;
    for (const QString &size : value("sizes").split(QLatin1Char(',')))
        sizes << size.trimmed().toInt();
    std::sort(sizes.begin(), sizes.end());
    Repetitions repetitions;
    repetitions.maximum = value("reps").toInt();
    repetitions.minimum = qMin(value("min-reps").toInt(), repetitions.maximum);
    repetitions.budgetMs = value("budget").toDouble() * 1000;
    const int startReps = value("start-reps").toInt();

    // The QR code of each save is written to the working directory.
    QTemporaryDir workDir;
    QDir::setCurrent(workDir.path());
    if (!server::open(value("server")))
        return 2;
    const QList<server::Index> indexes = server::secondaryIndexes();
    step(QStringLiteral("%1 secondary indexes in the schema").arg(indexes.size()));

    // Boxes get No (the update offer) or their only button, as soon as
    // their own event loop starts, so that the answer adds next to nothing
    // to the timing.
    testsupport::ModalWatcher modals(QMessageBox::No);
    modals.setInterval(0);
    Scenario scenario(repetitions, workDir.path(), &modals);
    BenchResults results;
    const QString program = QCoreApplication::applicationFilePath();
    // The window's server, as its user file (bench/run.sh's) names it: one
    // server, or the nodes of a cluster.
    const QString windowServer =
        connection::read(QSettings(QSettings::IniFormat, QSettings::UserScope,
                                   QStringLiteral("Koravel"), QStringLiteral("koravel3")))
            .host;
    results.notes << QStringLiteral("Machine: ") + machine(windowServer);
    const QString loadAtStart = loadAverage();

    step(QStringLiteral("agents"));
    if (!datagen::fillAgents())
        return 2;
    int have = 0;
    bool indexed = true;
    for (int policies : sizes) {
        QElapsedTimer timer;
        timer.start();
        if (indexed && !server::dropIndexes(indexes))
            return 2;
        indexed = false;
        step(QStringLiteral("filling %1 policies and %2 history rows")
                 .arg(policies)
                 .arg(3LL * policies));
        if (!datagen::fillPolicies(have, policies))
            return 2;
        have = policies;
        server::analyze();
        step(QStringLiteral("filled in %1 s; measuring with the primary keys only")
                 .arg(timer.elapsed() / 1000.0, 0, 'f', 1));
        results.stages << scenario.run(policies, false);

        timer.restart();
        if (!server::createIndexes(indexes))
            return 2;
        indexed = true;
        server::analyze();
        step(QStringLiteral("indexes built in %1 s; measuring with them")
                 .arg(timer.elapsed() / 1000.0, 0, 'f', 1));
        results.stages << scenario.run(policies, true);

        step(QStringLiteral("memory"));
        results.memory << probes::measureMemory(program, policies, datagen::agentUser(1),
                                                datagen::agentPassword(1));
    }

    QList<load::Level> levels;
    for (const QString &level : value("load").split(QLatin1Char(','), Qt::SkipEmptyParts))
        levels << load::Level{level.section(QLatin1Char(':'), 0, 0).toInt(),
                              level.section(QLatin1Char(':'), 1, 1).toDouble()};
    int busiest = 0;
    for (const load::Level &level : levels)
        busiest = qMax(busiest, level.counters);
    if (!levels.isEmpty() && !load::prepareAgents(busiest))
        return 2;
    for (const load::Level &level : levels) {
        step(QStringLiteral("%1 other counters, one statement every %2 s each")
                 .arg(level.counters)
                 .arg(level.pace));
        load::Generator generator;
        LoadStage stage;
        stage.counters = level.counters;
        stage.pace = level.pace;
        // The counters work with the servers the window's file names.
        if (generator.start(level, program, windowServer))
            stage.stage = scenario.run(have, indexed);
        const load::Measure measure = generator.finish();
        stage.stage.policies = have;
        stage.statementsPerSecond = measure.statementsPerSecond;
        stage.failed = measure.failed;
        stage.serverCpu = measure.serverCpu;
        stage.generatorCpu = measure.generatorCpu;
        stage.problem = measure.problem;
        results.loads << stage;
    }

    if (startReps > 0) {
        step(QStringLiteral("start with the server up, stopped and unreachable"));
        results.starts << probes::measureStart(program, probes::Server::Up, startReps)
                       << probes::measureStart(program, probes::Server::Refused, startReps)
                       << probes::measureStart(program, probes::Server::Unreachable,
                                               qMax(1, startReps / 3));
    }

    results.notes << QStringLiteral("Load average (1, 5, 15 min) at the start: %1; at the end: %2")
                         .arg(loadAtStart, loadAverage());
    results.notes << QStringLiteral(
        "Times in ms: median and 95th percentile (nearest rank) of n timed runs after one "
        "untimed warm-up; server: median of the time the server spent on the window's "
        "statements (performance_schema); ratio: median without the secondary indexes / "
        "median with them.");
    const QByteArray tables = markdown(results).toUtf8();
    std::printf("%s\n", tables.constData());
    if (!value("markdown").isEmpty()) {
        QFile file(value("markdown"));
        if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(tables) < 0)
            std::fprintf(stderr, "bench: cannot write %s\n", qPrintable(file.fileName()));
    }
    const char *failure = sawConnectWarning      ? "a slot was left unconnected (see the warnings)"
                          : hasProblems(results) ? "some actions could not be measured"
                                                 : nullptr;
    if (failure)
        std::fprintf(stderr, "bench: %s\n", failure);
    return failure ? 1 : 0;
}

} // namespace

int main(int argc, char **argv) {
    const QByteArray mode = argc > 1 ? QByteArray(argv[1]) : QByteArray();
    if (mode == "host") {
        std::printf("%s\n", config::databaseHost);
        return 0;
    }
    if (mode == "load")
        return load::generatorMain(argc, argv);

    // The window is measured on the offscreen platform, and a save must never
    // reach a real printer: the benchmark points the print system at no
    // server at all.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    qunsetenv("QT_QPA_PLATFORMTHEME");
    qputenv("CUPS_SERVER", "/nonexistent/koravel3bench.sock");
    qInstallMessageHandler(messages);

    // As the program's main sets itself up.
    QApplication app(argc, argv);
    initKoravel3Resources();
    app.setWindowIcon(QIcon(QStringLiteral(":/log/QUIRO.png")));
    if (mode == "probe-start")
        return probes::startProbe();
    if (mode == "probe-memory" && argc == 4)
        return probes::memoryProbe(QString::fromLocal8Bit(argv[2]),
                                   QString::fromLocal8Bit(argv[3]));
    if (mode == "run")
        return run(app);
    std::fprintf(stderr, "usage: %s run [--help] | host | load COUNTERS PACE SERVERS\n", argv[0]);
    return 2;
}
