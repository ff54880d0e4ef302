// The software update against a real HTTPS server on the loopback, listening
// on the manifest address compiled into the program, with releases signed by a
// key pair the test makes: the manifest and the offer, the signature, the
// download with its progress, the saved installer and its run.
#include "core/config.h"
#include "koravel3.h"
#include "support/connectwarnings.h"
#include "support/dbfixture.h"
#include "support/httpsserver.h"
#include "support/modal.h"
#include "support/signing.h"
#include "support/trustedkeys.h"
#include "support/windowtest.h"

#include <QApplication>
#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLineEdit>
#include <QMessageBox>
#include <QNetworkAccessManager>
#include <QProcess>
#include <QProgressBar>
#include <QPushButton>
#include <QSslConfiguration>
#include <QStackedWidget>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include <algorithm>
#include <functional>
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

// Where the program keeps the download: the user's own data folder.
QString dataFolder() {
    return QStandardPaths::writableLocation(QStandardPaths::AppLocalDataLocation);
}

QString installerPath() {
    return QDir(dataFolder()).filePath(QStringLiteral("update.exe"));
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

// Records, for every message box shown, whether it had a parent widget, and
// lets a test act while a box is on screen.
class BoxParents : public QObject {
public:
    QHash<QString, QWidget *> parents;
    std::function<void(const QString &title)> onShow;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override {
        if (event->type() == QEvent::Show)
            if (auto *box = qobject_cast<QMessageBox *>(watched)) {
                parents.insert(box->windowTitle(), box->parentWidget());
                if (onShow)
                    onShow(box->windowTitle());
            }
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
const QString failureTitle = QStringLiteral("Échec de la mise à jour");
const QString notOffered = QStringLiteral("Update not offered: ");
const QString badSignature = QStringLiteral("signature non valide pour la clé de l'agence");

constexpr int networkTimeout = 15000;

} // namespace

class UpdateTest : public testsupport::WindowTest {
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
    void manifestSizeLimit_data();
    void manifestSizeLimit();
    void installerAnnouncedOverLimitIsAbandoned();
    void releaseSignedBySecondKeyIsOffered();
    void unsignedOrUnsafeManifestsOfferNothing_data();
    void unsignedOrUnsafeManifestsOfferNothing();
    void noKeepsAddressAndHiddenBar();
    void refusedDownloads_data();
    void refusedDownloads();
    void progressValues_data();
    void progressValues();
    void downloadReplacesInstaller_data();
    void downloadReplacesInstaller();
    void installerOutcome_data();
    void installerOutcome();
    void installerCannotStart_data();
    void installerCannotStart();
    void installerChangedOnDiskIsNotRun_data();
    void installerChangedOnDiskIsNotRun();
    void startInstallerAloneRunsNothing();
    void installerRunsInBackground();
    void answeredOfferKeepsItsOwnRelease();
    void checksRunSideBySide();
    void loginWithServerDownCompletesNormally();

private:
    bool listenOnManifestAddress(const testsupport::TestCertificate &identity);
    QProgressBar *bar() const { return child<QProgressBar>("progressBar"); }
    // A manifest of installer signed by the agency, as it signs: version,
    // address, digest and signature, plus any extra members.
    QByteArray release(const QByteArray &installer, const QString &path = "/update.exe",
                       const QString &version = "4.0", const QJsonObject &extra = {}) const;
    // Runs the offer of a release with its installer served, answering Yes,
    // until count boxes were shown.
    void acceptRelease(const QByteArray &installer, testsupport::ModalWatcher &watcher, int count);

    QTemporaryDir dataHome;
    testsupport::ReleaseKey agency;
    testsupport::ReleaseKey stranger;
    testsupport::TestCertificate trusted;
    testsupport::TestCertificate untrusted;
    std::unique_ptr<testsupport::HttpsServer> server;
    std::unique_ptr<testsupport::HttpsServer> strangerServer;
    BoxParents boxParents;
};

void UpdateTest::initTestCase() {
    testsupport::failOnConnectWarnings();
    chainedHandler = qInstallMessageHandler(recordDebug);
    QVERIFY2(testsupport::db::admin().isOpen(), "the test database server must be running");
    QCOMPARE(manifestUrl().scheme(), QStringLiteral("https"));
    // As the program names itself, with the data folder in a scratch home.
    QVERIFY(dataHome.isValid());
    qputenv("XDG_DATA_HOME", QFile::encodeName(dataHome.path()));
    QCoreApplication::setOrganizationName(QStringLiteral("Koravel"));
    QCoreApplication::setApplicationName(QStringLiteral("koravel3"));
    QCOMPARE(installerPath(), dataHome.filePath("Koravel/koravel3/update.exe"));
    QVERIFY2(agency.isValid() && stranger.isValid(), "openssl and tools/sign-update must work");

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
    qInstallMessageHandler(chainedHandler);
}

bool UpdateTest::listenOnManifestAddress(const testsupport::TestCertificate &identity) {
    const QUrl url = manifestUrl();
    return server->listen(QHostAddress(url.host()), quint16(url.port(443)), identity);
}

QByteArray UpdateTest::release(const QByteArray &installer, const QString &path,
                               const QString &version, const QJsonObject &extra) const {
    const QString digest = sha256Of(installer);
    QJsonObject members{{"version", version},
                        {"download_url", onServer(path)},
                        {"sha256", digest},
                        {"signature", agency.signature(version, digest)}};
    for (auto member = extra.begin(); member != extra.end(); ++member)
        members.insert(member.key(), member.value());
    return manifest(members);
}

void UpdateTest::acceptRelease(const QByteArray &installer, testsupport::ModalWatcher &watcher,
                               int count) {
    server->setResponse(manifestUrl().path(), {200, release(installer)});
    server->setResponse("/update.exe", {200, installer});
    watcher.setAnswer(QMessageBox::Yes);
    QVERIFY(invoke("checkForUpdates"));
    QTRY_COMPARE_WITH_TIMEOUT(watcher.boxes().size(), count, networkTimeout);
}

void UpdateTest::init() {
    testsupport::trustKeys(agency.publicKey());
    // Removed, so that every download has to make the folder again.
    QDir(dataHome.path()).removeRecursively();
    server->clearResponses();
    server->clearRequests();
    strangerServer->clearResponses();
    strangerServer->clearRequests();
    window = std::make_unique<Koravel3>();
    debugLines.clear();
    boxParents.parents.clear();
    boxParents.onShow = nullptr;
    qApp->installEventFilter(&boxParents);
}

void UpdateTest::cleanup() {
    qApp->removeEventFilter(&boxParents);
    window.reset();
}

void UpdateTest::offerFollowsNumericVersion_data() {
    QTest::addColumn<QString>("version");
    QTest::addColumn<bool>("offered");
    // The rule's cases are the core's unit rows; these two are the wiring.
    QTest::newRow("newer") << "99.0" << true;
    QTest::newRow("the running version") << QString::fromUtf8(config::applicationVersion) << false;
}

void UpdateTest::offerFollowsNumericVersion() {
    QFETCH(QString, version);
    QFETCH(bool, offered);
    // Signed as given: only the version decides.
    const QByteArray body = release(script("exit 0"), "/update.exe", version);
    server->setResponse(manifestUrl().path(), {200, body});
    testsupport::ModalWatcher watcher(QMessageBox::No);

    QVERIFY(invoke("checkForUpdates"));
    QTRY_COMPARE_WITH_TIMEOUT(linesStartingWith("du:").size(), 1, networkTimeout);
    QTest::qWait(100);

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
        QVERIFY(linesStartingWith(notOffered).isEmpty());
    } else {
        QCOMPARE(linesStartingWith(notOffered),
                 QStringList(notOffered + "version « " + version + " » non plus récente que " +
                             config::applicationVersion));
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
        << 200 << release(script("exit 0")) << true << "Error checking for updates: ";
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

void UpdateTest::manifestSizeLimit_data() {
    QTest::addColumn<testsupport::HttpsResponse::Length>("length");
    QTest::addColumn<int>("size");
    QTest::addColumn<QString>("diagnostic");
    using Length = testsupport::HttpsResponse::Length;
    const QString failed = QStringLiteral("Error checking for updates: ");
    QTest::newRow("64 KiB") << Length::Announced << 65536 << QString();
    QTest::newRow("announced over 64 KiB")
        << Length::Announced << 65537
        << failed + "taille annoncée de 65537 octets, limite de 65536 octets dépassée";
    QTest::newRow("over 64 KiB, unannounced")
        << Length::Unknown << 65537 << failed + "plus de 65536 octets reçus, limite dépassée";
}

void UpdateTest::manifestSizeLimit() {
    QFETCH(testsupport::HttpsResponse::Length, length);
    QFETCH(int, size);
    QFETCH(QString, diagnostic);
    // A signed release, padded with blanks that JSON allows.
    QByteArray body = release(script("exit 0"));
    body += QByteArray(size - body.size(), ' ');
    server->setResponse(manifestUrl().path(), {200, body, length, 4, 20});
    testsupport::ModalWatcher watcher(QMessageBox::No);

    QVERIFY(invoke("checkForUpdates"));
    if (diagnostic.isEmpty()) {
        QTRY_COMPARE_WITH_TIMEOUT(watcher.boxes().size(), 1, networkTimeout);
        QCOMPARE(watcher.first().title, offerTitle);
        return;
    }
    QTRY_COMPARE_WITH_TIMEOUT(linesStartingWith("Error"), QStringList(diagnostic), networkTimeout);
    QTest::qWait(200);
    QVERIFY(linesStartingWith("reponse :").isEmpty());
    QVERIFY(linesStartingWith("du:").isEmpty());
    QVERIFY(watcher.boxes().isEmpty());
}

void UpdateTest::installerAnnouncedOverLimitIsAbandoned() {
    const QByteArray installer = script("exit 0");
    testsupport::HttpsResponse huge{200, installer};
    huge.announcedLength = qint64(1024) * 1024 * 1024 + 1;
    server->setResponse(manifestUrl().path(), {200, release(installer)});
    server->setResponse("/update.exe", huge);
    testsupport::ModalWatcher watcher(QMessageBox::Yes);

    QVERIFY(invoke("checkForUpdates"));
    QTRY_COMPARE_WITH_TIMEOUT(watcher.boxes().size(), 2, networkTimeout);

    const testsupport::SeenBox failure = watcher.boxes().at(1);
    QCOMPARE(failure.title, failureTitle);
    QCOMPARE(failure.text, QStringLiteral("Le téléchargement de la mise à jour a échoué."));
    QCOMPARE(failure.informativeText,
             QStringLiteral("taille annoncée de 1073741825 octets, limite de 1073741824 octets "
                            "dépassée"));
    QCOMPARE(linesStartingWith("Error downloading update: "),
             QStringList("Error downloading update: " + failure.informativeText));
    QVERIFY(bar()->isHidden());
    QVERIFY(!QFileInfo::exists(installerPath()));
}

void UpdateTest::releaseSignedBySecondKeyIsOffered() {
    // Built with two keys while the agency changes keys; this release is
    // signed with the second.
    testsupport::trustKeys(stranger.publicKey() + "," + agency.publicKey());
    server->setResponse(manifestUrl().path(), {200, release(script("exit 0"))});
    testsupport::ModalWatcher watcher(QMessageBox::No);

    QVERIFY(invoke("checkForUpdates"));
    QTRY_COMPARE_WITH_TIMEOUT(watcher.boxes().size(), 1, networkTimeout);
    QCOMPARE(watcher.first().title, offerTitle);
}

void UpdateTest::unsignedOrUnsafeManifestsOfferNothing_data() {
    QTest::addColumn<QByteArray>("body");
    QTest::addColumn<bool>("keyBuiltIn");
    QTest::addColumn<QString>("reason");
    const QByteArray installer = script("exit 0");
    const QString digest = sha256Of(installer);
    const QString url = onServer("/update.exe");
    const auto members = [&](const QString &sha256, const QString &signature) {
        QJsonObject object{{"version", "4.0"}, {"download_url", url}, {"sha256", sha256}};
        if (!signature.isNull())
            object.insert("signature", signature);
        return object;
    };
    const QString badDigest =
        QStringLiteral("sha256 absent ou mal formé (64 chiffres hexadécimaux minuscules attendus)");

    QTest::newRow("no key built in") << release(installer) << false
                                     << "aucune clé publique intégrée : ce programme n'a pas de "
                                        "canal de mise à jour";
    QTest::newRow("signed by another key")
        << manifest(members(digest, stranger.signature("4.0", digest))) << true << badSignature;
    QTest::newRow("signature of another version")
        << manifest(members(digest, agency.signature("3.0.0", digest))) << true << badSignature;
    QTest::newRow("signature of another installer")
        << manifest(members(digest, agency.signature("4.0", sha256Of("other")))) << true
        << badSignature;
    QTest::newRow("signature with a final line feed")
        << manifest(members(digest, agency.signature("4.0", digest + "\n"))) << true
        << badSignature;
    QTest::newRow("signature missing")
        << manifest(members(digest, QString())) << true << "signature absente";
    QTest::newRow("sha256 in capitals")
        << manifest(members(digest.toUpper(), agency.signature("4.0", digest.toUpper()))) << true
        << badDigest;
    // Nothing in the manifest can name another key or another digest.
    QJsonObject smuggled = members(digest, stranger.signature("4.0", digest));
    smuggled.insert("public_key", stranger.publicKey());
    smuggled.insert("signature_ed25519", agency.signature("4.0", digest));
    QTest::newRow("extra members naming another key") << manifest(smuggled) << true << badSignature;
    QJsonObject plain = members(digest, agency.signature("4.0", digest));
    plain.insert("download_url", QString(url).replace("https:", "http:"));
    QTest::newRow("plain http download")
        << manifest(plain) << true
        << "adresse refusée, seul https est accepté : " + plain.value("download_url").toString();
}

void UpdateTest::unsignedOrUnsafeManifestsOfferNothing() {
    QFETCH(QByteArray, body);
    QFETCH(bool, keyBuiltIn);
    QFETCH(QString, reason);
    if (!keyBuiltIn)
        testsupport::trustKeys(QString());
    server->setResponse(manifestUrl().path(), {200, body});
    server->setResponse("/update.exe", {200, script("exit 0")});
    testsupport::ModalWatcher watcher(QMessageBox::Yes);

    QVERIFY(invoke("checkForUpdates"));
    QTRY_COMPARE_WITH_TIMEOUT(linesStartingWith(notOffered).size(), 1, networkTimeout);
    QTest::qWait(200);

    QCOMPARE(linesStartingWith(notOffered), QStringList(notOffered + reason));
    QCOMPARE(linesStartingWith("lv:").size(), 1);
    QCOMPARE(linesStartingWith("du:").size(), 1);
    QVERIFY(watcher.boxes().isEmpty());
    QVERIFY(bar()->isHidden());
    QCOMPARE(server->requests(), QStringList(manifestUrl().path()));
}

void UpdateTest::noKeepsAddressAndHiddenBar() {
    server->setResponse(manifestUrl().path(), {200, release(script("exit 0"), "/v2/update.exe")});
    testsupport::ModalWatcher watcher(QMessageBox::No);
    QVERIFY(invoke("checkForUpdates"));
    QTRY_COMPARE_WITH_TIMEOUT(watcher.boxes().size(), 1, networkTimeout);
    QVERIFY(bar()->isHidden());
    QCOMPARE(linesStartingWith("du:"), QStringList("du: " + onServer("/v2/update.exe")));

    // The refused release is not downloaded behind the agent's back.
    QVERIFY(invoke("downloadUpdate"));
    QTest::qWait(200);
    QCOMPARE(linesStartingWith("Error downloading update: "),
             QStringList("Error downloading update: aucune mise à jour signée acceptée, rien "
                         "n'est téléchargé"));
    QCOMPARE(server->requests(), QStringList(manifestUrl().path()));
    QVERIFY(bar()->isHidden());

    // The next login asks again and offers again.
    QVERIFY(invoke("checkForUpdates"));
    QTRY_COMPARE_WITH_TIMEOUT(watcher.boxes().size(), 2, networkTimeout);
    QCOMPARE(watcher.boxes().at(1).title, offerTitle);
}

void UpdateTest::refusedDownloads_data() {
    QTest::addColumn<QString>("path");
    QTest::addColumn<testsupport::HttpsResponse>("response");
    QTest::addColumn<bool>("strangerServes");
    QTest::addColumn<bool>("blockedTarget");
    QTest::addColumn<QString>("diagnostic");
    QTest::addColumn<QString>("sentence");
    const testsupport::HttpsResponse served{200, script("exit 0")};
    const QString failed = QStringLiteral("Error downloading update: ");
    const QString downloadFailed = QStringLiteral("Le téléchargement de la mise à jour a échoué.");

    QTest::newRow("untrusted certificate")
        << "/update.exe" << served << true << false << failed << downloadFailed;
    testsupport::HttpsResponse other = served;
    other.body = script("exit 0 # not the signed installer");
    QTest::newRow("other bytes than signed")
        << "/update.exe" << other << false << false << failed << downloadFailed;
    testsupport::HttpsResponse truncated = served;
    truncated.body += QByteArray(4096, 'x');
    truncated.length = testsupport::HttpsResponse::Length::Truncated;
    QTest::newRow("truncated body")
        << "/update.exe" << truncated << false << false << failed << downloadFailed;
    QTest::newRow("missing installer")
        << "/absent.exe" << served << false << false << failed << downloadFailed;
    QTest::newRow("cannot save")
        << "/update.exe" << served << false << true << "Error saving update file: "
        << "La mise à jour n'a pas pu être enregistrée sur cet ordinateur.";
}

void UpdateTest::refusedDownloads() {
    QFETCH(QString, path);
    QFETCH(testsupport::HttpsResponse, response);
    QFETCH(bool, strangerServes);
    QFETCH(bool, blockedTarget);
    QFETCH(QString, diagnostic);
    QFETCH(QString, sentence);
    const QByteArray signedInstaller = script("exit 0");
    QJsonObject members = QJsonDocument::fromJson(release(signedInstaller)).object();
    if (strangerServes) {
        QUrl url = manifestUrl();
        url.setPort(strangerServer->port());
        url.setPath(path);
        members.insert("download_url", url.toString());
    }
    server->setResponse(manifestUrl().path(), {200, manifest(members)});
    server->setResponse(path, response);
    strangerServer->setResponse(path, response);
    QVERIFY(QDir().mkpath(dataFolder()));
    const QByteArray earlier("an earlier installer that must stay as it was");
    if (blockedTarget)
        QVERIFY(QDir().mkpath(installerPath()));
    else
        QVERIFY(writeFile(installerPath(), earlier));
    testsupport::ModalWatcher watcher(QMessageBox::Yes);

    QVERIFY(invoke("checkForUpdates"));
    QTRY_COMPARE_WITH_TIMEOUT(watcher.boxes().size(), 2, networkTimeout);
    QTest::qWait(200);

    QCOMPARE(watcher.boxes().size(), 2);
    const testsupport::SeenBox failure = watcher.boxes().at(1);
    QCOMPARE(failure.title, failureTitle);
    QCOMPARE(failure.text, sentence);
    QCOMPARE(failure.icon, QMessageBox::Critical);
    QCOMPARE(failure.buttons, QMessageBox::Ok);
    QVERIFY(!failure.informativeText.isEmpty());
    // The technical cause beneath is the one the diagnostic logs.
    QCOMPARE(linesStartingWith(diagnostic), QStringList(diagnostic + failure.informativeText));
    QCOMPARE(boxParents.parents.value(failureTitle), static_cast<QWidget *>(window.get()));
    QVERIFY(bar()->isHidden());
    QVERIFY(linesStartingWith("chemin :").isEmpty());
    if (blockedTarget)
        QVERIFY(QFileInfo(installerPath()).isDir());
    else
        QCOMPARE(readFile(installerPath()), earlier);
    QCOMPARE(server->requests().size() + strangerServer->requests().size(), strangerServes ? 1 : 2);
}

void UpdateTest::progressValues_data() {
    QTest::addColumn<qint64>("received");
    QTest::addColumn<qint64>("total");
    QTest::addColumn<int>("value");
    // The percentages are the core's unit rows; the bar shows one and keeps
    // its value when none can be told.
    QTest::newRow("quarter") << qint64(1024) << qint64(4096) << 25;
    QTest::newRow("unknown total") << qint64(1024) << qint64(-1) << 7;
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
    server->setResponse(manifestUrl().path(), {200, release(installer)});
    server->setResponse("/update.exe", response);
    QVERIFY(QDir().mkpath(dataFolder()));
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
    QTest::addColumn<QJsonObject>("extra");
    QTest::addColumn<QString>("title");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QMessageBox::Icon>("icon");
    QTest::addColumn<QString>("diagnostic");
    const QString line =
        QStringLiteral("L'installateur s'est terminé avec le code de sortie : %1 et le statut de "
                       "sortie : %2");
    QTest::newRow("exit 0") << script("exit 0") << QJsonObject() << "Mise à jour Terminée"
                            << successText << QMessageBox::Information
                            << line.arg("0", "NormalExit");
    // Members the program does not read are ignored, as before signatures.
    QTest::newRow("exit 0, extra members")
        << script("exit 0") << QJsonObject{{"notes", "Corrections"}, {"size", 22}}
        << "Mise à jour Terminée" << successText << QMessageBox::Information
        << line.arg("0", "NormalExit");
    QTest::newRow("exit 3")
        << script("exit 3") << QJsonObject() << failureTitle
        << "L'installation de la mise à jour a échoué : l'installateur a signalé une erreur (code "
           "de sortie : 3)."
        << QMessageBox::Critical << line.arg("3", "NormalExit");
    QTest::newRow("crash") << script("kill -SEGV $$") << QJsonObject() << failureTitle
                           << "L'installation de la mise à jour a échoué : l'installateur s'est "
                              "arrêté brutalement (code de sortie : %1)."
                           << QMessageBox::Critical << line.arg("%1", "CrashExit");
}

void UpdateTest::installerOutcome() {
    QFETCH(QByteArray, installer);
    QFETCH(QJsonObject, extra);
    QFETCH(QString, title);
    QFETCH(QString, text);
    QFETCH(QMessageBox::Icon, icon);
    QFETCH(QString, diagnostic);
    // The manifest exactly as the agency's release tool prints it.
    QJsonObject members = agency.publish(installer, "4.0", onServer("/setup.exe"));
    QCOMPARE(members.keys(), QStringList({"download_url", "sha256", "signature", "version"}));
    for (auto member = extra.begin(); member != extra.end(); ++member)
        members.insert(member.key(), member.value());
    server->setResponse(manifestUrl().path(), {200, manifest(members)});
    server->setResponse("/setup.exe", {200, installer});
    testsupport::ModalWatcher watcher(QMessageBox::Yes);

    QVERIFY(invoke("checkForUpdates"));
    QTRY_COMPARE_WITH_TIMEOUT(watcher.boxes().size(), 3, networkTimeout);
    QTest::qWait(200);

    QCOMPARE(watcher.boxes().size(), 3);
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
    QCOMPARE(server->requests(), QStringList({manifestUrl().path(), "/setup.exe"}));
}

void UpdateTest::installerCannotStart_data() {
    QTest::addColumn<QByteArray>("installer");
    QTest::newRow("not a program") << QByteArray(4096, '\x7f');
    QTest::newRow("interpreter missing") << QByteArray("#!/nonexistent/koravel-sh\nexit 0\n");
}

void UpdateTest::installerCannotStart() {
    QFETCH(QByteArray, installer);
    testsupport::ModalWatcher watcher;
    acceptRelease(installer, watcher, 3);
    QTest::qWait(200);

    QCOMPARE(watcher.boxes().size(), 3);
    QCOMPARE(watcher.boxes().at(1).title, downloadedTitle);
    const testsupport::SeenBox failure = watcher.boxes().at(2);
    QCOMPARE(failure.title, failureTitle);
    QCOMPARE(failure.text, QStringLiteral("Le programme d'installation n'a pas pu être démarré."));
    QCOMPARE(failure.icon, QMessageBox::Critical);
    QCOMPARE(failure.buttons, QMessageBox::Ok);
    QVERIFY(!failure.informativeText.isEmpty());
    QCOMPARE(linesStartingWith("Error starting update: "),
             QStringList("Error starting update: " + failure.informativeText));
    QCOMPARE(linesStartingWith("chemin :"), QStringList("chemin : " + installerPath()));
    QVERIFY(linesStartingWith("L'installateur s'est terminé").isEmpty());
}

void UpdateTest::installerChangedOnDiskIsNotRun_data() {
    QTest::addColumn<bool>("removed");
    QTest::newRow("replaced") << false;
    QTest::newRow("removed") << true;
}

void UpdateTest::installerChangedOnDiskIsNotRun() {
    QFETCH(bool, removed);
    const QString flag = dataHome.filePath("replacement-ran");
    const QByteArray signedInstaller = script(qPrintable("touch '" + flag + "'"));
    const QByteArray replacement = script(qPrintable("touch '" + flag + "'; echo another"));
    // While the agent reads "downloaded", another program swaps the file.
    boxParents.onShow = [&](const QString &title) {
        if (title != downloadedTitle)
            return;
        if (removed)
            QFile::remove(installerPath());
        else
            writeFile(installerPath(), replacement);
    };
    testsupport::ModalWatcher watcher;
    acceptRelease(signedInstaller, watcher, 3);
    QTest::qWait(300);

    const testsupport::SeenBox refusal = watcher.boxes().at(2);
    QCOMPARE(refusal.title, failureTitle);
    QCOMPARE(refusal.text, QStringLiteral("Le fichier téléchargé a été modifié depuis sa "
                                          "vérification ; il n'a pas été lancé."));
    QCOMPARE(refusal.icon, QMessageBox::Critical);
    QCOMPARE(refusal.informativeText,
             removed ? "fichier illisible : " + installerPath()
                     : QStringLiteral("empreinte SHA-256 %1 au lieu de %2")
                           .arg(sha256Of(replacement), sha256Of(signedInstaller)));
    QCOMPARE(linesStartingWith("Error starting update: "),
             QStringList("Error starting update: " + refusal.informativeText));
    QVERIFY(window->findChildren<QProcess *>().isEmpty());
    QVERIFY(!QFileInfo::exists(flag));
    QCOMPARE(watcher.boxes().size(), 3);
}

void UpdateTest::startInstallerAloneRunsNothing() {
    const QString flag = dataHome.filePath("installer-ran");
    QVERIFY(QDir().mkpath(dataFolder()));
    QVERIFY(writeFile(installerPath(), script(qPrintable("touch '" + flag + "'"))));
    QVERIFY(QFile::setPermissions(installerPath(),
                                  QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
    testsupport::ModalWatcher watcher;

    QVERIFY(invoke("startInstaller"));
    QTest::qWait(200);

    QCOMPARE(linesStartingWith("Error starting update: "),
             QStringList("Error starting update: aucune empreinte signée pour update.exe, rien "
                         "n'est lancé"));
    QVERIFY(window->findChildren<QProcess *>().isEmpty());
    QVERIFY(!QFileInfo::exists(flag));
    QVERIFY(watcher.boxes().isEmpty());
}

void UpdateTest::installerRunsInBackground() {
    const QString flag = dataHome.filePath("installer-ran");
    testsupport::ModalWatcher watcher;
    acceptRelease(script(qPrintable("sleep 1; touch '" + flag + "'; exit 0")), watcher, 2);

    const QList<QProcess *> processes = window->findChildren<QProcess *>();
    QCOMPARE(processes.size(), 1);
    QVERIFY(processes.first()->waitForStarted(5000));
    QCOMPARE(processes.first()->state(), QProcess::Running);
    QCOMPARE(processes.first()->program(), installerPath());
    QVERIFY(processes.first()->arguments().isEmpty());
    QVERIFY(!QFileInfo::exists(flag));
    QCOMPARE(watcher.boxes().size(), 2);

    QTRY_COMPARE_WITH_TIMEOUT(watcher.boxes().size(), 3, networkTimeout);
    QVERIFY(QFileInfo::exists(flag));
    QCOMPARE(watcher.boxes().at(2).text, successText);
}

void UpdateTest::answeredOfferKeepsItsOwnRelease() {
    const QByteArray first = script("exit 0 # 4.0");
    const QByteArray unsignedInstaller = script("exit 0 # unsigned");
    const QByteArray later =
        manifest({{"version", "4.1"}, {"download_url", onServer("/later.exe")}});
    server->setResponse(manifestUrl().path(), {200, release(first)});
    server->setResponse("/update.exe", {200, first});
    server->setResponse("/later.exe", {200, unsignedInstaller});
    // While the first offer is open, the next login's check reads another
    // manifest, which sets downloadUrl but offers nothing.
    boxParents.onShow = [&](const QString &title) {
        if (title != offerTitle)
            return;
        server->setResponse(manifestUrl().path(), {200, later});
        invoke("checkForUpdates");
    };
    testsupport::ModalWatcher watcher(QMessageBox::Yes);
    watcher.holdWhile([] { return linesStartingWith(notOffered).isEmpty(); });

    QVERIFY(invoke("checkForUpdates"));
    QTRY_COMPARE_WITH_TIMEOUT(watcher.boxes().size(), 3, networkTimeout);

    QCOMPARE(linesStartingWith("du:"),
             QStringList({"du: " + onServer("/update.exe"), "du: " + onServer("/later.exe")}));
    QCOMPARE(watcher.boxes().at(0).title, offerTitle);
    QCOMPARE(watcher.boxes().at(2).text, successText);
    QCOMPARE(server->requests(),
             QStringList({manifestUrl().path(), manifestUrl().path(), "/update.exe"}));
    QCOMPARE(readFile(installerPath()), first);
}

void UpdateTest::checksRunSideBySide() {
    // A slow manifest: the second check starts while the first one waits.
    testsupport::HttpsResponse slow{
        200, manifest({{"version", config::applicationVersion}, {"download_url", ""}})};
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
    // Through one manager: one per check kept a network thread each.
    QCOMPARE(window->findChildren<QNetworkAccessManager *>().size(), 1);
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

    QCOMPARE(page(), Koravel3::HomePage);
    QVERIFY2(checked, qPrintable(debugLines.join('\n')));
    QVERIFY(watcher.boxes().isEmpty());
    QVERIFY(bar()->isHidden());
    QVERIFY(listening);
}

QTEST_MAIN(UpdateTest)
#include "tst_update.moc"
