// The software update against a real HTTPS server on the loopback, listening
// on the manifest address compiled into the program: the manifest and the
// offer, the download with its progress, the saved installer and its run.
#include "core/config.h"
#include "koravel3.h"
#include "support/dbfixture.h"
#include "support/guard.h"
#include "support/httpsserver.h"
#include "support/modal.h"

#include <QApplication>
#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLineEdit>
#include <QMessageBox>
#include <QProcess>
#include <QProgressBar>
#include <QPushButton>
#include <QSslConfiguration>
#include <QStackedWidget>
#include <QTest>

#include <algorithm>
#include <memory>

Q_DECLARE_METATYPE(testsupport::HttpsResponse)
Q_DECLARE_METATYPE(testsupport::HttpsResponse::Length)

namespace {

QStringList debugLines;
QtMessageHandler chainedHandler = nullptr;

void recordDebug(QtMsgType type, const QMessageLogContext &context, const QString &message) {
    if (type == QtDebugMsg)
        debugLines << message;
    if (chainedHandler)
        chainedHandler(type, context, message);
}

QStringList linesStartingWith(const QString &prefix) {
    QStringList found;
    for (const QString &line : std::as_const(debugLines))
        if (line.startsWith(prefix))
            found << line;
    return found;
}

const QUrl manifestUrl() {
    return QUrl(QString::fromUtf8(config::updateManifestUrl));
}

QString installerPath() {
    return QDir(QCoreApplication::applicationDirPath()).filePath(QStringLiteral("update.exe"));
}

// An address on the manifest's server.
QString onServer(const QString &path) {
    QUrl url = manifestUrl();
    url.setPath(path);
    return url.toString();
}

QByteArray manifest(const QJsonObject &members) {
    return QJsonDocument(members).toJson(QJsonDocument::Compact);
}

QByteArray offering(const QString &downloadUrl, const QString &sha256 = QString()) {
    QJsonObject members{{"version", "4.0"}, {"download_url", downloadUrl}};
    if (!sha256.isEmpty())
        members.insert("sha256", sha256);
    return manifest(members);
}

QByteArray script(const char *commands) {
    return QByteArray("#!/bin/sh\n") + commands + "\n";
}

QString sha256Of(const QByteArray &data) {
    return QString::fromLatin1(QCryptographicHash::hash(data, QCryptographicHash::Sha256).toHex());
}

QByteArray readFile(const QString &path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<unreadable>");
}

bool writeFile(const QString &path, const QByteArray &data) {
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(data) == data.size();
}

void removeInstaller() {
    if (QFileInfo(installerPath()).isDir())
        QDir(installerPath()).removeRecursively();
    else
        QFile::remove(installerPath());
}

// Records, for every message box shown, whether it had a parent widget.
class BoxParents : public QObject {
public:
    QHash<QString, QWidget *> parents;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override {
        if (event->type() == QEvent::Show)
            if (auto *box = qobject_cast<QMessageBox *>(watched))
                parents.insert(box->windowTitle(), box->parentWidget());
        return false;
    }
};

const QString offerTitle = QStringLiteral("Mise à jour disponible");
const QString offerText =
    QStringLiteral("Une nouvelle version du logiciel est disponible. Voulez-vous mettre à jour?");
const QString downloadedTitle = QStringLiteral("Mise à jour téléchargée");
const QString downloadedText = QStringLiteral(
    "La mise à jour a été téléchargée avec succès. L'installation va maintenant démarrer.");
const QString successText = QStringLiteral(
    "La mise à jour a été installée avec succès. Vous pouvez redémarrer l'application.");

constexpr int networkTimeout = 15000;

} // namespace

class UpdateTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void init();
    void cleanup();

    void offerFollowsNumericVersion_data();
    void offerFollowsNumericVersion();
    void manifestFailures_data();
    void manifestFailures();
    void noKeepsAddressAndHiddenBar();
    void missingDownloadUrl();
    void refusedDownloads_data();
    void refusedDownloads();
    void progressValues_data();
    void progressValues();
    void downloadReplacesInstaller_data();
    void downloadReplacesInstaller();
    void installerOutcome_data();
    void installerOutcome();
    void installerRunsInBackground();
    void checksRunSideBySide();
    void loginWithServerDownCompletesNormally();

private:
    bool listenOnManifestAddress(const testsupport::TestCertificate &identity);
    bool invoke(const char *slot) { return QMetaObject::invokeMethod(window.get(), slot); }
    QProgressBar *bar() const { return window->findChild<QProgressBar *>("progressBar"); }

    testsupport::TestCertificate trusted;
    testsupport::TestCertificate untrusted;
    std::unique_ptr<testsupport::HttpsServer> server;
    std::unique_ptr<testsupport::HttpsServer> strangerServer;
    std::unique_ptr<Koravel3> window;
    BoxParents boxParents;
};

void UpdateTest::initTestCase() {
    testsupport::failOnConnectWarnings();
    chainedHandler = qInstallMessageHandler(recordDebug);
    QVERIFY2(testsupport::db::admin().isOpen(), "the test database server must be running");
    QCOMPARE(manifestUrl().scheme(), QStringLiteral("https"));

    trusted = testsupport::makeCertificate(manifestUrl().host());
    untrusted = testsupport::makeCertificate(manifestUrl().host());
    QVERIFY(!trusted.certificate.isNull() && !trusted.key.isNull());
    QVERIFY(!untrusted.certificate.isNull() && !untrusted.key.isNull());
    // Trusted by this process only, as an agency's own certificate would be
    // trusted by the system.
    QSslConfiguration configuration = QSslConfiguration::defaultConfiguration();
    configuration.addCaCertificate(trusted.certificate);
    QSslConfiguration::setDefaultConfiguration(configuration);

    server = std::make_unique<testsupport::HttpsServer>();
    QVERIFY2(listenOnManifestAddress(trusted), qPrintable(server->errorString()));
    strangerServer = std::make_unique<testsupport::HttpsServer>();
    QVERIFY(strangerServer->listen(QHostAddress(manifestUrl().host()), 0, untrusted));
}

void UpdateTest::cleanupTestCase() {
    removeInstaller();
    qInstallMessageHandler(chainedHandler);
}

bool UpdateTest::listenOnManifestAddress(const testsupport::TestCertificate &identity) {
    const QUrl url = manifestUrl();
    return server->listen(QHostAddress(url.host()), quint16(url.port(443)), identity);
}

void UpdateTest::init() {
    removeInstaller();
    server->clearResponses();
    server->clearRequests();
    strangerServer->clearResponses();
    strangerServer->clearRequests();
    window = std::make_unique<Koravel3>();
    debugLines.clear();
    boxParents.parents.clear();
    qApp->installEventFilter(&boxParents);
}

void UpdateTest::cleanup() {
    qApp->removeEventFilter(&boxParents);
    window.reset();
    removeInstaller();
}

void UpdateTest::offerFollowsNumericVersion_data() {
    QTest::addColumn<QByteArray>("body");
    QTest::addColumn<QString>("version");
    QTest::addColumn<bool>("offered");
    const auto row = [](const char *version, bool offered) {
        QTest::newRow(version) << manifest({{"version", version},
                                            {"download_url", onServer("/update.exe")}})
                               << QString::fromLatin1(version) << offered;
    };
    for (const char *newer : {"3.1.4", "3.1.10", "3.2", "4.0", "10.0", "3.1.3.1"})
        row(newer, true);
    for (const char *older : {"3.1.3", "3.1.3.0", "3.1.2", "3.0.9", "", "v4.0", "4.0-beta", "4..0",
                              "99999999999.0", " 4.0"})
        row(older, false);
    QTest::newRow("missing version")
        << manifest({{"download_url", onServer("/update.exe")}}) << QString() << false;
    QTest::newRow("numeric version")
        << manifest({{"version", 4.0}, {"download_url", onServer("/update.exe")}}) << QString()
        << false;
}

void UpdateTest::offerFollowsNumericVersion() {
    QFETCH(QByteArray, body);
    QFETCH(QString, version);
    QFETCH(bool, offered);
    server->setResponse(manifestUrl().path(), {200, body});
    testsupport::ModalWatcher watcher(QMessageBox::No);

    QVERIFY(invoke("checkForUpdates"));
    QTRY_COMPARE_WITH_TIMEOUT(linesStartingWith("du:").size(), 1, networkTimeout);

    QCOMPARE(linesStartingWith("reponse :"), QStringList("reponse :" + QString::fromUtf8(body)));
    QCOMPARE(linesStartingWith("lv:"), QStringList("lv: " + version));
    QCOMPARE(linesStartingWith("du:"), QStringList("du: " + onServer("/update.exe")));
    QCOMPARE(watcher.boxes().size(), offered ? 1 : 0);
    if (offered) {
        const testsupport::SeenBox box = watcher.first();
        QCOMPARE(box.title, offerTitle);
        QCOMPARE(box.text, offerText);
        QCOMPARE(box.icon, QMessageBox::Information);
        QCOMPARE(box.buttons, QMessageBox::Yes | QMessageBox::No);
        QVERIFY(boxParents.parents.contains(offerTitle));
        QCOMPARE(boxParents.parents.value(offerTitle), static_cast<QWidget *>(nullptr));
    }
    QVERIFY(bar()->isHidden());
    QCOMPARE(server->requests(), QStringList(manifestUrl().path()));
}

void UpdateTest::manifestFailures_data() {
    QTest::addColumn<int>("status");
    QTest::addColumn<QByteArray>("body");
    QTest::addColumn<bool>("untrustedServer");
    QTest::addColumn<QString>("diagnostic");
    QTest::newRow("not JSON") << 200 << QByteArray("version=4.0") << false
                              << "reponse :version=4.0";
    QTest::newRow("JSON array") << 200 << QByteArray("[\"4.0\"]") << false << "reponse :[\"4.0\"]";
    QTest::newRow("missing file") << 404 << QByteArray() << false << "Error checking for updates: ";
    QTest::newRow("untrusted certificate")
        << 200 << offering(onServer("/update.exe")) << true << "Error checking for updates: ";
}

void UpdateTest::manifestFailures() {
    QFETCH(int, status);
    QFETCH(QByteArray, body);
    QFETCH(bool, untrustedServer);
    QFETCH(QString, diagnostic);
    server->setResponse(manifestUrl().path(), {status, body});
    if (untrustedServer) {
        server->close();
        QVERIFY(listenOnManifestAddress(untrusted));
    }
    testsupport::ModalWatcher watcher(QMessageBox::Yes);

    QVERIFY(invoke("checkForUpdates"));
    const bool seen =
        QTest::qWaitFor([&] { return !linesStartingWith(diagnostic).isEmpty(); }, networkTimeout);
    if (untrustedServer) {
        server->close();
        QVERIFY(listenOnManifestAddress(trusted));
    }

    QVERIFY2(seen, qPrintable(debugLines.join('\n')));
    QCOMPARE(linesStartingWith(diagnostic).size(), 1);
    if (diagnostic.startsWith("Error"))
        QVERIFY(linesStartingWith(diagnostic).constFirst().size() > diagnostic.size());
    QVERIFY(linesStartingWith("lv:").isEmpty());
    QVERIFY(watcher.boxes().isEmpty());
    QVERIFY(bar()->isHidden());
    QCOMPARE(server->requests().size(), untrustedServer ? 0 : 1);
}

void UpdateTest::noKeepsAddressAndHiddenBar() {
    server->setResponse(manifestUrl().path(), {200, offering(onServer("/v2/update.exe"))});
    testsupport::ModalWatcher watcher(QMessageBox::No);
    QVERIFY(invoke("checkForUpdates"));
    QTRY_COMPARE_WITH_TIMEOUT(watcher.boxes().size(), 1, networkTimeout);
    QVERIFY(bar()->isHidden());
    QTest::qWait(200);
    QCOMPARE(server->requests(), QStringList(manifestUrl().path()));

    // The address read from the refused offer is still the one a download uses.
    QVERIFY(invoke("downloadUpdate"));
    QTRY_COMPARE_WITH_TIMEOUT(linesStartingWith("Error downloading update: ").size(), 1,
                              networkTimeout);
    QCOMPARE(server->requests(), QStringList({manifestUrl().path(), "/v2/update.exe"}));

    // The next login asks again and offers again.
    QVERIFY(invoke("checkForUpdates"));
    QTRY_COMPARE_WITH_TIMEOUT(watcher.boxes().size(), 2, networkTimeout);
    QCOMPARE(watcher.boxes().at(1).title, offerTitle);
}

void UpdateTest::missingDownloadUrl() {
    server->setResponse(manifestUrl().path(), {200, manifest({{"version", "4.0"}})});
    testsupport::ModalWatcher watcher(QMessageBox::Yes);
    QVERIFY(invoke("checkForUpdates"));
    QTRY_COMPARE_WITH_TIMEOUT(linesStartingWith("Error downloading update: ").size(), 1,
                              networkTimeout);
    QCOMPARE(linesStartingWith("du:"), QStringList("du: "));
    QCOMPARE(watcher.boxes().size(), 1);
    QCOMPARE(watcher.first().title, offerTitle);
    QVERIFY(!bar()->isHidden());
    QVERIFY(!QFileInfo::exists(installerPath()));
    QTest::qWait(200);
    QCOMPARE(watcher.boxes().size(), 1);
}

void UpdateTest::refusedDownloads_data() {
    QTest::addColumn<QByteArray>("body");
    QTest::addColumn<QString>("servedPath");
    QTest::addColumn<testsupport::HttpsResponse>("response");
    QTest::addColumn<bool>("reachesServer");
    QTest::addColumn<bool>("blockedTarget");
    QTest::addColumn<QString>("diagnostic");
    const QByteArray installer = script("exit 0");
    const testsupport::HttpsResponse served{200, installer};
    const QString failed = QStringLiteral("Error downloading update: ");

    QTest::newRow("plain http") << offering(onServer("/update.exe").replace("https:", "http:"))
                                << "/update.exe" << served << false << false << failed;
    QUrl stranger = manifestUrl();
    stranger.setPort(strangerServer->port());
    stranger.setPath("/update.exe");
    QTest::newRow("untrusted certificate")
        << offering(stranger.toString()) << QString() << served << false << false << failed;
    QTest::newRow("digest mismatch")
        << offering(onServer("/update.exe"), sha256Of(installer + "tampered")) << "/update.exe"
        << served << true << false << failed;
    QTest::newRow("malformed digest") << offering(onServer("/update.exe"), "not-a-digest")
                                      << "/update.exe" << served << true << false << failed;
    testsupport::HttpsResponse truncated = served;
    truncated.body = installer + QByteArray(4096, 'x');
    truncated.length = testsupport::HttpsResponse::Length::Truncated;
    QTest::newRow("truncated body") << offering(onServer("/update.exe")) << "/update.exe"
                                    << truncated << true << false << failed;
    QTest::newRow("missing installer")
        << offering(onServer("/absent.exe")) << "/update.exe" << served << true << false << failed;
    QTest::newRow("cannot save") << offering(onServer("/update.exe")) << "/update.exe" << served
                                 << true << true << "Error saving update file: ";
}

void UpdateTest::refusedDownloads() {
    QFETCH(QByteArray, body);
    QFETCH(QString, servedPath);
    QFETCH(testsupport::HttpsResponse, response);
    QFETCH(bool, reachesServer);
    QFETCH(bool, blockedTarget);
    QFETCH(QString, diagnostic);
    server->setResponse(manifestUrl().path(), {200, body});
    server->setResponse(servedPath, response);
    strangerServer->setResponse("/update.exe", response);
    const QByteArray earlier("an earlier installer that must stay as it was");
    if (blockedTarget)
        QVERIFY(QDir().mkpath(installerPath()));
    else
        QVERIFY(writeFile(installerPath(), earlier));
    testsupport::ModalWatcher watcher(QMessageBox::Yes);

    QVERIFY(invoke("checkForUpdates"));
    QTRY_COMPARE_WITH_TIMEOUT(linesStartingWith(diagnostic).size(), 1, networkTimeout);
    QVERIFY(linesStartingWith(diagnostic).constFirst().size() > diagnostic.size());
    QTest::qWait(200);

    QCOMPARE(watcher.boxes().size(), 1);
    QCOMPARE(watcher.first().title, offerTitle);
    QVERIFY(!bar()->isHidden());
    QVERIFY(linesStartingWith("chemin :").isEmpty());
    if (blockedTarget)
        QVERIFY(QFileInfo(installerPath()).isDir());
    else
        QCOMPARE(readFile(installerPath()), earlier);
    QCOMPARE(server->requests().size() + strangerServer->requests().size(), reachesServer ? 2 : 1);
}

void UpdateTest::progressValues_data() {
    QTest::addColumn<qint64>("received");
    QTest::addColumn<qint64>("total");
    QTest::addColumn<int>("value");
    QTest::newRow("start") << qint64(0) << qint64(4096) << 0;
    QTest::newRow("quarter") << qint64(1024) << qint64(4096) << 25;
    QTest::newRow("truncated") << qint64(2) << qint64(3) << 66;
    QTest::newRow("complete") << qint64(4096) << qint64(4096) << 100;
    QTest::newRow("unknown total") << qint64(1024) << qint64(-1) << 7;
    QTest::newRow("zero total") << qint64(0) << qint64(0) << 7;
    QTest::newRow("beyond total") << qint64(5000) << qint64(4096) << 7;
    QTest::newRow("huge file") << qint64(4) * 1000000000000000000 / 2
                               << qint64(8) * 1000000000000000000 / 2 << 50;
}

void UpdateTest::progressValues() {
    QFETCH(qint64, received);
    QFETCH(qint64, total);
    QFETCH(int, value);
    bar()->setValue(7);
    QVERIFY(QMetaObject::invokeMethod(window.get(), "onDownloadProgress", Q_ARG(qint64, received),
                                      Q_ARG(qint64, total)));
    QCOMPARE(bar()->value(), value);
}

void UpdateTest::downloadReplacesInstaller_data() {
    QTest::addColumn<testsupport::HttpsResponse::Length>("length");
    QTest::newRow("announced length") << testsupport::HttpsResponse::Length::Announced;
    QTest::newRow("unknown length") << testsupport::HttpsResponse::Length::Unknown;
}

void UpdateTest::downloadReplacesInstaller() {
    QFETCH(testsupport::HttpsResponse::Length, length);
    // Binary bytes after the script's last command: line ends, NUL, high bytes.
    QByteArray installer = script("exit 0");
    for (int i = 0; i < 64 * 1024; ++i)
        installer += char(i * 7 % 256);
    installer += "\r\n\n\r\x1a";
    testsupport::HttpsResponse response{200, installer, length, 8, 80};
    server->setResponse(manifestUrl().path(), {200, offering(onServer("/update.exe"))});
    server->setResponse("/update.exe", response);
    QVERIFY(writeFile(installerPath(), QByteArray(200 * 1024, 'o')));
    QList<int> shown;
    connect(bar(), &QProgressBar::valueChanged, this, [&shown](int value) { shown << value; });
    testsupport::ModalWatcher watcher(QMessageBox::Yes);

    QVERIFY(invoke("checkForUpdates"));
    QTRY_COMPARE_WITH_TIMEOUT(watcher.boxes().size(), 3, networkTimeout);

    QCOMPARE(readFile(installerPath()), installer);
    QVERIFY(QFileInfo(installerPath()).isExecutable());
    QVERIFY(bar()->isHidden());
    if (length == testsupport::HttpsResponse::Length::Announced) {
        QVERIFY2(shown.size() >= 2, qPrintable(QString::number(shown.size())));
        QCOMPARE(shown.last(), 100);
        QVERIFY(std::is_sorted(shown.cbegin(), shown.cend()));
    } else {
        // Only the end of the transfer tells the size: no value before it.
        QCOMPARE(shown, QList<int>({100}));
    }
    const testsupport::SeenBox downloaded = watcher.boxes().at(1);
    QCOMPARE(downloaded.title, downloadedTitle);
    QCOMPARE(downloaded.text, downloadedText);
    QCOMPARE(downloaded.icon, QMessageBox::Information);
    QCOMPARE(downloaded.buttons, QMessageBox::Ok);
    QCOMPARE(boxParents.parents.value(downloadedTitle), static_cast<QWidget *>(window.get()));
    QCOMPARE(linesStartingWith("chemin :"), QStringList("chemin : " + installerPath()));
}

void UpdateTest::installerOutcome_data() {
    QTest::addColumn<QByteArray>("installer");
    QTest::addColumn<bool>("publishDigest");
    QTest::addColumn<QString>("title");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QMessageBox::Icon>("icon");
    QTest::addColumn<QString>("diagnostic");
    const QString line =
        QStringLiteral("L'installateur s'est terminé avec le code de sortie : %1 et le statut de "
                       "sortie : %2");
    QTest::newRow("exit 0") << script("exit 0") << false << "Mise à jour Terminée" << successText
                            << QMessageBox::Information << line.arg("0", "NormalExit");
    QTest::newRow("exit 0, digest published")
        << script("exit 0") << true << "Mise à jour Terminée" << successText
        << QMessageBox::Information << line.arg("0", "NormalExit");
    QTest::newRow("exit 3")
        << script("exit 3") << true << "Échec de la mise à jour"
        << "L'installation de la mise à jour a échoué : l'installateur a signalé une erreur (code "
           "de sortie : 3)."
        << QMessageBox::Critical << line.arg("3", "NormalExit");
    QTest::newRow("crash") << script("kill -SEGV $$") << false << "Échec de la mise à jour"
                           << "L'installation de la mise à jour a échoué : l'installateur s'est "
                              "arrêté brutalement (code de sortie : %1)."
                           << QMessageBox::Critical << line.arg("%1", "CrashExit");
}

void UpdateTest::installerOutcome() {
    QFETCH(QByteArray, installer);
    QFETCH(bool, publishDigest);
    QFETCH(QString, title);
    QFETCH(QString, text);
    QFETCH(QMessageBox::Icon, icon);
    QFETCH(QString, diagnostic);
    // The publisher may write the digest in capitals.
    const QString digest = publishDigest ? sha256Of(installer).toUpper() : QString();
    server->setResponse(manifestUrl().path(), {200, offering(onServer("/update.exe"), digest)});
    server->setResponse("/update.exe", {200, installer});
    testsupport::ModalWatcher watcher(QMessageBox::Yes);

    QVERIFY(invoke("checkForUpdates"));
    QTRY_COMPARE_WITH_TIMEOUT(watcher.boxes().size(), 3, networkTimeout);

    const QStringList ends = linesStartingWith("L'installateur s'est terminé");
    QCOMPARE(ends.size(), 1);
    if (diagnostic.contains("%1")) {
        // The code a crash reports is the platform's; the text shows the same.
        const QString code = ends.first().section(' ', 9, 9);
        diagnostic = diagnostic.arg(code);
        text = text.arg(code);
    }
    QCOMPARE(ends.first(), diagnostic);
    const testsupport::SeenBox end = watcher.boxes().at(2);
    QCOMPARE(end.title, title);
    QCOMPARE(end.text, text);
    QCOMPARE(end.icon, icon);
    QCOMPARE(end.buttons, QMessageBox::Ok);
    QCOMPARE(boxParents.parents.value(title), static_cast<QWidget *>(window.get()));
    QVERIFY(linesStartingWith("Error").isEmpty());
}

void UpdateTest::installerRunsInBackground() {
    const QString flag = QDir(QCoreApplication::applicationDirPath()).filePath("installer-ran");
    QFile::remove(flag);
    QVERIFY(
        writeFile(installerPath(), script(qPrintable("sleep 1; touch '" + flag + "'; exit 0"))));
    QVERIFY(QFile::setPermissions(installerPath(),
                                  QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
    testsupport::ModalWatcher watcher;

    QVERIFY(invoke("startInstaller"));
    const QList<QProcess *> processes = window->findChildren<QProcess *>();
    QCOMPARE(processes.size(), 1);
    QVERIFY(processes.first()->waitForStarted(5000));
    QCOMPARE(processes.first()->state(), QProcess::Running);
    QVERIFY(processes.first()->arguments().isEmpty());
    QVERIFY(!QFileInfo::exists(flag));
    QVERIFY(watcher.boxes().isEmpty());

    QTRY_COMPARE_WITH_TIMEOUT(watcher.boxes().size(), 1, networkTimeout);
    QVERIFY(QFileInfo::exists(flag));
    QCOMPARE(watcher.first().text, successText);
    QFile::remove(flag);
}

void UpdateTest::checksRunSideBySide() {
    // A slow manifest: the second check starts while the first one waits.
    testsupport::HttpsResponse slow{200, manifest({{"version", "3.1.3"}, {"download_url", ""}})};
    slow.chunks = 3;
    slow.chunkDelayMs = 150;
    server->setResponse(manifestUrl().path(), slow);
    testsupport::ModalWatcher watcher;
    QVERIFY(invoke("checkForUpdates"));
    QTRY_COMPARE_WITH_TIMEOUT(server->requests().size(), 1, networkTimeout);
    QVERIFY(linesStartingWith("lv:").isEmpty());
    QVERIFY(invoke("checkForUpdates"));
    QTRY_COMPARE_WITH_TIMEOUT(linesStartingWith("lv:").size(), 2, networkTimeout);
    QCOMPARE(server->requests().size(), 2);
    QVERIFY(watcher.boxes().isEmpty());
}

void UpdateTest::loginWithServerDownCompletesNormally() {
    QVERIFY(testsupport::db::reset());
    QVERIFY(testsupport::db::addAgent("guichet", "s3cret", "Awa DIOP") > 0);
    server->close();
    testsupport::ModalWatcher watcher;
    window->findChild<QLineEdit *>("lineEdit_user_2")->setText("guichet");
    window->findChild<QLineEdit *>("lineEdit_passw_2")->setText("s3cret");

    QTest::mouseClick(window->findChild<QPushButton *>("pushButton_c"), Qt::LeftButton);
    const bool checked =
        QTest::qWaitFor([] { return !linesStartingWith("Error checking for updates: ").isEmpty(); },
                        networkTimeout);
    QTest::qWait(200);
    const bool listening = listenOnManifestAddress(trusted);

    QCOMPARE(window->findChild<QStackedWidget *>("login")->currentIndex(), 1);
    QVERIFY2(checked, qPrintable(debugLines.join('\n')));
    QVERIFY(watcher.boxes().isEmpty());
    QVERIFY(bar()->isHidden());
    QVERIFY(listening);
}

QTEST_MAIN(UpdateTest)
#include "tst_update.moc"
