#include "load.h"

#include "core/policy.h"
#include "core/statement.h"
#include "core/statements.h"
#include "datagen.h"
#include "server.h"
#include "support/dbfixture.h"
#include "support/policyform.h"

#include <QCoreApplication>
#include <QDate>
#include <QFile>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QThread>

#include <unistd.h>

#include <atomic>
#include <cstdio>
#include <memory>
#include <random>
#include <thread>
#include <utility>
#include <vector>

namespace form = testsupport::policyform;

namespace load {

namespace {

// User and system time of a process, in clock ticks; 0 when it is gone.
qint64 cpuTicks(qint64 pid) {
    QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
    if (pid <= 0 || !stat.open(QIODevice::ReadOnly))
        return 0;
    // The fields after the command's parenthesis: state is field 3, utime
    // and stime fields 14 and 15.
    const QByteArray line = stat.readAll();
    const QList<QByteArray> fields = line.mid(line.lastIndexOf(')') + 2).split(' ');
    return fields.size() > 12 ? fields.at(11).toLongLong() + fields.at(12).toLongLong() : 0;
}

double share(qint64 ticks, qint64 ms) {
    const double seconds = double(ticks) / double(sysconf(_SC_CLK_TCK));
    return ms > 0 ? seconds / (ms / 1000.0) / QThread::idealThreadCount() : 0;
}

// Waits until the server has finished what earlier work left it (InnoDB's
// purge and flushing after the agents' accounts, the previous level's
// saves), so that each level starts from a quiet server: at most 5 % of the
// machine's cores over a second, or ten minutes at most.
void waitForQuietServer(qint64 pid) {
    QElapsedTimer waited;
    waited.start();
    while (pid > 0 && waited.elapsed() < 600000) {
        const qint64 before = cpuTicks(pid);
        QThread::msleep(1000);
        if (share(cpuTicks(pid) - before, 1000) < 0.05)
            return;
    }
}

struct Counters {
    std::atomic<long> answered{0};
    std::atomic<long> failed{0};
    std::atomic<bool> going{false};
    std::atomic<bool> stopping{false};
    std::atomic<int> loggedIn{0};
};

// One counter's agent and his day, statement after statement.
class Counter {
public:
    Counter(int agent, const QString &server, Counters &shared)
        : m_agent(agent)
        , m_id(QString::number(agent))
        , m_user(datagen::agentUser(agent))
        , m_server(server)
        , m_shared(shared) {}

    void run(double pace, unsigned seed) {
        const QString name = QStringLiteral("counter%1").arg(m_agent);
        {
            QSqlDatabase connection = QSqlDatabase::addDatabase(QStringLiteral("QMYSQL"), name);
            connection.setHostName(m_server);
            connection.setPort(3306);
            connection.setDatabaseName(QStringLiteral("assurebdd"));
            connection.setUserName(m_user);
            connection.setPassword(datagen::agentPassword(m_agent));
            if (!connection.open()) {
                std::fprintf(stderr, "load: %s cannot log in: %s\n", qPrintable(m_user),
                             qPrintable(connection.lastError().text()));
                ++m_shared.failed;
                ++m_shared.loggedIn;
                QSqlDatabase::removeDatabase(name);
                return;
            }
            m_db = &connection;
            for (int step = 0; step < firstDayStep; ++step)
                act(step);
            ++m_shared.loggedIn;
            while (!m_shared.going && !m_shared.stopping)
                QThread::msleep(5);
            // The counters do not start in step: each its own moment within
            // the first pace, then one statement every pace seconds.
            std::mt19937 random(seed);
            const qint64 paceMs = qint64(pace * 1000);
            QElapsedTimer clock;
            clock.start();
            qint64 next = std::uniform_int_distribution<qint64>(0, qMax<qint64>(paceMs, 1))(random);
            for (int step = 0; !m_shared.stopping; ++step) {
                while (clock.elapsed() < next && !m_shared.stopping)
                    QThread::msleep(qMin<qint64>(20, next - clock.elapsed()));
                if (m_shared.stopping)
                    break;
                act(firstDayStep + step % dayStepCount);
                next += paceMs;
            }
            m_db = nullptr;
        }
        QSqlDatabase::removeDatabase(name);
    }

private:
    // Steps 0 to 4 are the login; the day goes round steps 5 to 14.
    static constexpr int firstDayStep = 5;
    static constexpr int dayStepCount = 10;

    bool send(const sql::Statement &statement, QSqlQuery *result = nullptr) {
        QSqlQuery query(*m_db);
        query.setForwardOnly(true);
        const bool ok = query.exec(statement.text());
        if (ok) {
            ++m_shared.answered;
            if (result)
                *result = std::move(query);
            else
                while (query.next()) {
                }
        } else {
            ++m_shared.failed;
        }
        return ok;
    }

    // A save as the program makes it: the history row, the policy (first
    // issue, or the renewal of key), a client row, in one transaction.
    void save(const QString &key) {
        const QDate today = QDate::currentDate();
        const QString tag = QStringLiteral("%1-%2").arg(m_id).arg(++m_saves);
        policy::PolicyRecord r = form::record(
            form::with(form::ordinary(),
                       {{"label_5", m_id},
                        {"lineEdit_user_2", m_user},
                        {"LEN", QStringLiteral("CHARGE ") + tag},
                        {"LEIM", key.isEmpty() ? QStringLiteral("LD-") + tag : m_plate},
                        {"LEPO", QStringLiteral("POL-") + tag},
                        {"LEP", QStringLiteral("T-") + tag},
                        {"LEDU", today.toString(QStringLiteral("dd/MM/yyyy"))},
                        {"LEAU", today.addDays(364).toString(QStringLiteral("dd/MM/yyyy"))}}),
            QStringLiteral("08:00"), QStringLiteral("23:59"));
        r.password.clear();
        if (!m_db->transaction()) {
            ++m_shared.failed;
            return;
        }
        QSqlQuery written;
        const bool ok =
            send(statements::historyInsert(r)) &&
            send(key.isEmpty() ? statements::policyInsert(r) : statements::policyRenewal(r, key),
                 &written) &&
            send(statements::clientInsert(r, policy::tiersSimple));
        if (ok && key.isEmpty())
            m_key = written.lastInsertId().toString();
        if (!ok || !m_db->commit()) {
            m_db->rollback();
            ++m_shared.failed;
        }
    }

    void act(int step) {
        const QDate today = QDate::currentDate();
        const QString day = QStringLiteral("dd/MM/yyyy");
        switch (step) {
        // The login: the agent, his counters and his expiring policies.
        case 0:
            send(statements::agentLogin(m_user, QString()));
            break;
        case 1:
            send(statements::policyTotal(m_user, QString()));
            break;
        case 2:
            send(statements::expiringCount(statements::LoginWay::Button, m_user, QString()));
            break;
        case 3:
            send(statements::expiredCount(statements::LoginWay::Button, m_user, QString()));
            break;
        case 4:
            send(statements::expiringListAtLogin(statements::LoginWay::Button, m_id));
            break;
        // The lists, a customer found and loaded, his card.
        case 5: {
            QSqlQuery rows;
            if (send(statements::allPolicies(m_id), &rows) && rows.next())
                m_plate = rows.value(0).toString();
            while (rows.next()) {
            }
            break;
        }
        case 6:
            send(statements::search(statements::SearchWay::Typing, m_id, m_plate.left(2)));
            break;
        case 7:
            send(statements::search(statements::SearchWay::Typing, m_id, m_plate.left(4)));
            break;
        case 8:
            send(statements::formLoad(m_plate, m_id));
            break;
        case 9:
            send(statements::policyCard(m_id, m_plate));
            break;
        // A first issue, the renewal of the policy it wrote.
        case 10:
            save(QString());
            break;
        case 11:
            send(statements::storedPlate(m_key.isEmpty() ? QStringLiteral("0") : m_key));
            break;
        case 12:
            if (!m_key.isEmpty())
                save(m_key);
            break;
        // The cash desk over the year, the expiring list.
        case 13:
            send(statements::report(statements::Report::CashDetails,
                                    today.addYears(-1).toString(day), today.toString(day), m_id));
            break;
        default:
            send(statements::expiringPolicies(m_id));
            break;
        }
    }

    int m_agent;
    QString m_id;
    QString m_user;
    QString m_server;
    Counters &m_shared;
    QSqlDatabase *m_db = nullptr;
    QString m_plate = QStringLiteral("DK");
    QString m_key;
    int m_saves = 0;
};

} // namespace

bool prepareAgents(int counters) {
    for (int agent = 2; agent <= counters + 1; ++agent) {
        sql::Statement account("CALL koravel_add_agent('");
        account << datagen::agentUser(agent) << "', '" << datagen::agentPassword(agent) << "')";
        if (!server::exec(account))
            return false;
    }
    return true;
}

int generatorMain(int argc, char **argv) {
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() != 5) {
        std::fprintf(stderr, "usage: koravel3bench load COUNTERS PACE SERVERS\n");
        return 2;
    }
    const int counters = args.at(2).toInt();
    const double pace = args.at(3).toDouble();
    // The servers the window's file names: counter c works with the c-th,
    // round the list, so that a cluster's nodes share the counters.
    const QStringList servers = args.at(4).split(QLatin1Char(','), Qt::SkipEmptyParts);
    // The client library is set up once, here, before the counters' threads
    // open their connections.
    QSqlDatabase::addDatabase(QStringLiteral("QMYSQL"), QStringLiteral("setup"));
    QSqlDatabase::removeDatabase(QStringLiteral("setup"));
    Counters shared;
    std::vector<std::unique_ptr<Counter>> agents;
    std::vector<std::thread> threads;
    for (int c = 1; c <= counters; ++c) {
        agents.push_back(
            std::make_unique<Counter>(c + 1, servers.value(c % qMax(1, servers.size())), shared));
        threads.emplace_back([&, c] { agents[c - 1]->run(pace, unsigned(c)); });
    }
    while (shared.loggedIn < counters)
        QThread::msleep(10);
    std::printf("ready\n");
    std::fflush(stdout);
    char line[64];
    if (!std::fgets(line, sizeof line, stdin) || qstrncmp(line, "go", 2) != 0) {
        shared.stopping = true;
        for (std::thread &thread : threads)
            thread.join();
        return 3;
    }
    const long answeredBefore = shared.answered;
    const long failedBefore = shared.failed;
    QElapsedTimer clock;
    clock.start();
    shared.going = true;
    while (std::fgets(line, sizeof line, stdin) && qstrncmp(line, "stop", 4) != 0) {
    }
    const qint64 ms = clock.elapsed();
    const long answered = shared.answered - answeredBefore;
    const long failed = shared.failed - failedBefore;
    shared.stopping = true;
    for (std::thread &thread : threads)
        thread.join();
    std::printf("answered %ld failed %ld seconds %.3f\n", answered, failed, ms / 1000.0);
    return 0;
}

bool Generator::start(const Level &level, const QString &program, const QString &servers) {
    m_level = level;
    m_problem.clear();
    m_serverPid = server::pid();
    waitForQuietServer(m_serverPid);
    if (level.counters > 0) {
        m_process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        m_process.start(program, {QStringLiteral("load"), QString::number(level.counters),
                                  QString::number(level.pace), servers});
        QByteArray out;
        QElapsedTimer waited;
        waited.start();
        while (!out.contains("ready\n") && waited.elapsed() < 300000 &&
               m_process.state() != QProcess::NotRunning) {
            m_process.waitForReadyRead(1000);
            out += m_process.readAllStandardOutput();
        }
        if (!out.contains("ready\n")) {
            m_problem = QStringLiteral("the counters did not log in");
            return false;
        }
        m_process.write("go\n");
        m_process.waitForBytesWritten(5000);
    }
    m_clock.start();
    m_serverTicks = cpuTicks(m_serverPid);
    m_generatorTicks = cpuTicks(m_process.processId());
    return true;
}

Measure Generator::finish() {
    Measure measure;
    const qint64 ms = m_clock.elapsed();
    measure.serverCpu = share(cpuTicks(m_serverPid) - m_serverTicks, ms);
    measure.problem = m_problem;
    if (m_level.counters == 0 || m_process.state() == QProcess::NotRunning)
        return measure;
    measure.generatorCpu = share(cpuTicks(m_process.processId()) - m_generatorTicks, ms);
    m_process.write("stop\n");
    m_process.closeWriteChannel();
    m_process.waitForFinished(120000);
    const QList<QByteArray> words = m_process.readAllStandardOutput().trimmed().split(' ');
    if (words.size() == 6 && words.at(0) == "answered") {
        const double seconds = words.at(5).toDouble();
        measure.statementsPerSecond = seconds > 0 ? words.at(1).toDouble() / seconds : 0;
        measure.failed = words.at(3).toDouble();
    } else {
        measure.problem = QStringLiteral("the counters' process gave no count");
    }
    return measure;
}

} // namespace load
