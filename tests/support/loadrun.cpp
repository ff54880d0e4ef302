#include "support/loadrun.h"

#include "support/dbfixture.h"

#include <QElapsedTimer>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <algorithm>
#include <memory>
#include <vector>

namespace testsupport::load {

namespace {

QString numbered(const QString &prefix, const QString &id, int n) {
    return QStringLiteral("%1%2-%3").arg(prefix, id).arg(n);
}

} // namespace

QString user(int agent) {
    return QStringLiteral("guichet%1").arg(agent, 2, 10, QLatin1Char('0'));
}

QString password(int agent) {
    return QStringLiteral("pw-%1").arg(agent);
}

void sixteenAgentsAtOnce(const QString &program, const std::function<QString(int)> &hostKey,
                         QStringList &ids) {
    const QTemporaryDir logs;
    QVERIFY(logs.isValid());
    ids.clear();
    QVERIFY(db::reset());
    for (int a = 1; a <= agents; ++a) {
        const int id = db::addAgent(user(a), password(a), QStringLiteral("Guichet %1").arg(a));
        QVERIFY(id > 0);
        ids << QString::number(id);
    }

    // Every driver logs in and waits; then all start saving together.
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    environment.insert(QStringLiteral("CUPS_SERVER"),
                       QStringLiteral("/nonexistent/koravel-no-printer.sock"));
    std::vector<std::unique_ptr<QProcess>> drivers;
    for (int a = 1; a <= agents; ++a) {
        auto driver = std::make_unique<QProcess>();
        driver->setProcessEnvironment(environment);
        driver->setStandardErrorFile(logs.filePath(user(a) + QStringLiteral(".err")));
        QStringList arguments{user(a), password(a), QString::number(policiesEach)};
        if (!hostKey(a).isEmpty())
            arguments << hostKey(a);
        driver->start(program, arguments);
        drivers.push_back(std::move(driver));
    }
    QStringList outputs(agents);
    for (int a = 0; a < agents; ++a) {
        QProcess &driver = *drivers[a];
        QElapsedTimer waited;
        waited.start();
        while (!outputs[a].contains(QLatin1String("ready")) && waited.elapsed() < 120000 &&
               driver.state() != QProcess::NotRunning) {
            driver.waitForReadyRead(1000);
            outputs[a] += QString::fromUtf8(driver.readAllStandardOutput());
        }
        QVERIFY2(outputs[a].contains(QStringLiteral("printer none\nready %1\n").arg(ids[a])),
                 qPrintable(user(a + 1) + QLatin1String(": ") + outputs[a]));
    }
    QElapsedTimer took;
    took.start();
    for (auto &driver : drivers) {
        driver->write("go\n");
        driver->closeWriteChannel();
    }
    for (auto &driver : drivers)
        QVERIFY(driver->waitForBytesWritten(10000) || driver->bytesToWrite() == 0);
    for (int a = 0; a < agents; ++a) {
        QProcess &driver = *drivers[a];
        QVERIFY(driver.waitForFinished(600000));
        outputs[a] += QString::fromUtf8(driver.readAllStandardOutput());
        QCOMPARE(driver.exitStatus(), QProcess::NormalExit);
        QVERIFY2(driver.exitCode() == 0, qPrintable(outputs[a].right(2000)));
    }
    const qint64 elapsed = took.elapsed();

    // Each driver saw "ENREGISTRER" a hundred times and got a key each time,
    // wrote a certificate per policy and printed nothing.
    QStringList keys;
    QList<qint64> durations;
    for (int a = 0; a < agents; ++a) {
        const QStringList lines = outputs[a].split(QLatin1Char('\n'), Qt::SkipEmptyParts);
        int saved = 0;
        for (const QString &line : lines) {
            const QStringList words = line.split(QLatin1Char(' '));
            if (words.first() == QLatin1String("saved")) {
                QCOMPARE(words.at(1), QString::number(++saved));
                keys << words.at(2);
            } else if (words.first() == QLatin1String("done")) {
                QCOMPARE(words.at(1), QString::number(policiesEach));
                QCOMPARE(words.at(2), QStringLiteral("0"));
                QCOMPARE(words.at(4), QString::number(policiesEach));
                durations << words.at(3).toLongLong();
            }
        }
        QCOMPARE(saved, policiesEach);
    }
    QCOMPARE(durations.size(), agents);
    std::sort(durations.begin(), durations.end());
    qInfo("%d policies by %d agents at once in %lld ms (each agent %lld to %lld ms)",
          agents * policiesEach, agents, elapsed, durations.first(), durations.last());

    // Exactly the policies issued, once each, under the keys the agents saw.
    const int total = agents * policiesEach;
    QCOMPARE(db::scalar("SELECT COUNT(*) FROM principal").toInt(), total);
    QCOMPARE(db::scalar("SELECT COUNT(*) FROM principal1").toInt(), total);
    QCOMPARE(db::scalar("SELECT COUNT(DISTINCT idpersonne, immat) FROM principal").toInt(), total);
    QCOMPARE(db::scalar("SELECT COUNT(DISTINCT idpersonne, immat) FROM principal1").toInt(), total);
    QStringList stored = db::rows("SELECT id FROM principal");
    stored.sort();
    keys.sort();
    QCOMPARE(keys, stored);
    QCOMPARE(db::scalar("SELECT COUNT(*) FROM principal WHERE trie <> 1").toInt(), 0);

    for (int a = 0; a < agents; ++a) {
        const QString id = ids[a];
        QStringList plates;
        for (int n = 1; n <= policiesEach; ++n)
            plates << numbered(QStringLiteral("LD-"), id, n);
        plates.sort();
        for (const char *table : {"principal", "principal1"}) {
            QStringList issued = db::rows(
                QStringLiteral("SELECT immat FROM %1 WHERE idpersonne='%2' AND users='%3' AND "
                               "password='%4'")
                    .arg(QLatin1String(table), id, user(a + 1),
                         db::storedPassword(password(a + 1))));
            issued.sort();
            QCOMPARE(issued, plates);
        }
        // Each history row and each client row belongs to its policy.
        QCOMPARE(db::scalar(QStringLiteral("SELECT COUNT(*) FROM principal p JOIN principal1 h "
                                           "ON h.idpersonne=p.idpersonne AND h.immat=p.immat AND "
                                           "h.police=p.police AND h.attestation=p.attestation "
                                           "AND h.sommencais=p.sommencais WHERE p.idpersonne='%1'")
                                .arg(id))
                     .toInt(),
                 policiesEach);
        QCOMPARE(db::scalar(QStringLiteral("SELECT SUM(sommencais) FROM principal WHERE "
                                           "idpersonne='%1'")
                                .arg(id))
                     .toLongLong(),
                 qint64(policiesEach) * 1000 + policiesEach * (policiesEach + 1) / 2);
        QStringList expectedClients;
        for (int n = 1; n <= policiesEach; ++n) {
            const QString plate = numbered(QStringLiteral("LD-"), id, n);
            if (n % 3 == 0)
                expectedClients << plate + QStringLiteral("|TIERS PREMIUM")
                                << plate + QStringLiteral("|TIERS SIMPLE");
            else if (n % 3 == 1)
                expectedClients << plate + QStringLiteral("|TIERS COMPLET");
        }
        expectedClients.sort();
        QStringList clients = db::rows(
            QStringLiteral("SELECT c.immat, c.garanti FROM clients c JOIN principal p ON "
                           "p.idpersonne=c.idvendeur AND p.immat=c.immat AND p.police=c.police "
                           "AND p.nom=c.nom WHERE c.idvendeur='%1'")
                .arg(id));
        clients.sort();
        QCOMPARE(clients, expectedClients);
    }
    QCOMPARE(db::scalar("SELECT COUNT(*) FROM clients").toInt(),
             agents * (policiesEach / 3 * 2 + (policiesEach + 2) / 3));
}

} // namespace testsupport::load
