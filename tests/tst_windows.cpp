// What only Windows shows: the program's settings files in the Windows
// folders, printing through the Windows spooler, the encrypted login through
// Schannel and an update that installs the next version over the running
// program. scripts/windows.sh runs it under Wine from the installed
// program's folder, with the rig's services on loopback, and reads the
// printed pages back with the Linux tools this program cannot run.
#include "koravel3.h"
#include "support/connectwarnings.h"
#include "support/dbfixture.h"
#include "support/inifiles.h"
#include "support/printqueue.h"
#include "support/talonlayout.h"
#include "support/trustedkeys.h"
#include "support/windowtest.h"

#include <QDir>
#include <QFile>
#include <QLabel>
#include <QPrinterInfo>
#include <QSslCertificate>
#include <QStatusBar>
#include <QTest>

#include <windows.h>

#include <wincrypt.h>

namespace db = testsupport::db;
namespace form = testsupport::policyform;

namespace {

// Where scripts/windows.sh wants the printed jobs and finds the update it
// prepared; a test fails when it is not given.
QString proofDir() {
    return qEnvironmentVariable("KORAVEL_PROOF_DIR");
}

QString iniFile(const char *folderVariable) {
    return qEnvironmentVariable(folderVariable) + QStringLiteral("/Koravel/koravel3.ini");
}

// The FileVersion of an exe's version resource, "a.b.c.d".
QString fileVersion(const QString &exe) {
    const std::wstring path = QDir::toNativeSeparators(exe).toStdWString();
    const DWORD size = GetFileVersionInfoSizeW(path.c_str(), nullptr);
    QByteArray data(int(size), '\0');
    VS_FIXEDFILEINFO *info = nullptr;
    UINT length = 0;
    if (!size || !GetFileVersionInfoW(path.c_str(), 0, size, data.data()) ||
        !VerQueryValueW(data.data(), L"\\", reinterpret_cast<void **>(&info), &length))
        return QString();
    return QStringLiteral("%1.%2.%3.%4")
        .arg(HIWORD(info->dwFileVersionMS))
        .arg(LOWORD(info->dwFileVersionMS))
        .arg(HIWORD(info->dwFileVersionLS))
        .arg(LOWORD(info->dwFileVersionLS));
}

// Puts the agency's CA among the agent's trusted roots, as the technician
// does on a counter: Schannel checks the update server against the Windows
// store.
bool trustInWindows(const QString &pem) {
    const QList<QSslCertificate> certificates = QSslCertificate::fromPath(pem);
    HCERTSTORE store =
        CertOpenStore(CERT_STORE_PROV_SYSTEM_W, 0, 0, CERT_SYSTEM_STORE_CURRENT_USER, L"Root");
    if (certificates.isEmpty() || !store)
        return false;
    const QByteArray der = certificates.first().toDer();
    const bool added = CertAddEncodedCertificateToStore(
        store, X509_ASN_ENCODING, reinterpret_cast<const BYTE *>(der.constData()),
        DWORD(der.size()), CERT_STORE_ADD_REPLACE_EXISTING, nullptr);
    CertCloseStore(store, 0);
    return added;
}

} // namespace

class WindowsTest : public testsupport::WindowTest {
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanup();
    void settingsFromWindowsFolders_data();
    void settingsFromWindowsFolders();
    void talonThroughTheSpooler();
    void encryptedLogin_data();
    void encryptedLogin();
    void updateInstallsTheNextVersion();

private:
    // A fresh window, then the agent "awa" logs in; the program says the
    // debug line twice (start and login).
    void logIn(const char *said = "connecter.....");
};

void WindowsTest::initTestCase() {
    testsupport::failOnConnectWarnings();
    QVERIFY2(db::admin().isOpen(), "the test database server must be running");
    // As the program names itself: its folders under %LOCALAPPDATA%.
    QCoreApplication::setOrganizationName(QStringLiteral("Koravel"));
    QCoreApplication::setApplicationName(QStringLiteral("koravel3"));
    QVERIFY2(QDir(proofDir()).exists(), "KORAVEL_PROOF_DIR must name the proof's folder");
    // Wine shows the rig's CUPS queue as the Windows default printer.
    QCOMPARE(QPrinterInfo::defaultPrinterName(), QStringLiteral("talons"));
}

void WindowsTest::cleanup() {
    window.reset();
    QFile::remove(iniFile("ProgramData"));
    QFile::remove(iniFile("APPDATA"));
}

void WindowsTest::logIn(const char *said) {
    QVERIFY(db::reset());
    QVERIFY(db::addAgent("awa", "awa-pw"));
    QTest::ignoreMessage(QtDebugMsg, said);
    QTest::ignoreMessage(QtDebugMsg, said);
    window = std::make_unique<Koravel3>();
    submitLogin("awa", "awa-pw");
}

void WindowsTest::settingsFromWindowsFolders_data() {
    QTest::addColumn<QByteArray>("folder");
    QTest::newRow("machine, %ProgramData%") << QByteArray("ProgramData");
    QTest::newRow("agent, %APPDATA%") << QByteArray("APPDATA");
}

// "localhost" is named in that file alone: the status bar shows where the
// program went.
void WindowsTest::settingsFromWindowsFolders() {
    QFETCH(QByteArray, folder);
    QVERIFY(
        testsupport::writeIniFile(iniFile(folder.constData()), QStringLiteral("host=localhost\n")));
    logIn();
    QCOMPARE(page(), Koravel3::HomePage);
    QVERIFY2(child<QLabel>("serverLabel")->text().contains(QStringLiteral("localhost")),
             qPrintable(child<QLabel>("serverLabel")->text()));
}

// Front and back go through the spooler into the rig's queue; the script
// reads the jobs back (QR code, the front's words) from the copies left in
// the proof folder with the key they must show.
void WindowsTest::talonThroughTheSpooler() {
    QVERIFY(db::reset());
    openWindow();
    fillForm(form::ordinary());
    QList<testsupport::SeenBox> boxes;
    const QStringList front = testsupport::printqueue::documentsPrintedDuring(
        [&] { boxes = clickAnswered("pushButton_3"); });
    QCOMPARE(boxes.size(), 1);
    QCOMPARE(boxes.first().text, QStringLiteral("ENREGISTRER"));
    const QString key = child<QLabel>("LID")->text();
    QCOMPARE(db::scalar("SELECT id FROM principal").toString(), key);
    for (const auto &[name, text] : form::ordinary())
        if (name == QLatin1String("LEIM"))
            QCOMPARE(db::scalar("SELECT immat FROM principal").toString(), text);
    const QString picture =
        qEnvironmentVariable("LOCALAPPDATA") + "/Koravel/koravel3/qrcodes/" + key;
    QVERIFY2(QFile::exists(picture), qPrintable(picture));

    const QStringList back =
        testsupport::printqueue::documentsPrintedDuring([&] { clickAnswered("pushButton_17"); });
    QCOMPARE(front.size(), 1);
    QCOMPARE(back.size(), 1);
    const QDir proof(proofDir());
    for (const QString &name : {QStringLiteral("front.ps"), QStringLiteral("back.ps")})
        QFile::remove(proof.filePath(name));
    QVERIFY(QFile::copy(front.first(), proof.filePath("front.ps")));
    QVERIFY(QFile::copy(back.first(), proof.filePath("back.ps")));
    QFile expected(proof.filePath("talon-key.txt"));
    QVERIFY(expected.open(QIODevice::WriteOnly | QIODevice::Truncate));
    expected.write(key.toUtf8() + '\n');

    // Where the first word of each text belongs, in points, for the script
    // to find in the job.
    QHash<QString, QString> shown;
    for (const auto &[name, text] : form::ordinary())
        shown.insert(name, text);
    const certificate::FrontTexts texts{shown["LEN"],  shown["LEA"],  shown["CBG"],
                                        shown["LEM"],  shown["LETP"], shown["LEIM"],
                                        shown["LEPO"], shown["LEDU"], shown["LEAU"]};
    QFile places(proof.filePath("front-places.txt"));
    QVERIFY(places.open(QIODevice::WriteOnly | QIODevice::Truncate));
    for (const auto &[text, corner] : testsupport::frontPlaces(texts))
        places.write(QStringLiteral("%1 %2 %3\n")
                         .arg(text.section(QLatin1Char(' '), 0, 0))
                         .arg(corner.x() * 72.0 / 96.0)
                         .arg(corner.y() * 72.0 / 96.0)
                         .toUtf8());
}

void WindowsTest::encryptedLogin_data() {
    QTest::addColumn<bool>("plainServer");
    QTest::newRow("the agency's server") << false;
    QTest::newRow("a server without TLS") << true;
}

// The agency's CA sits in %ProgramData%, where the technician puts it; the
// script started the rig's server without TLS beforehand.
void WindowsTest::encryptedLogin() {
    QFETCH(bool, plainServer);
    const QString tls = db::tlsFolder();
    // Written with forward slashes, as a path in an INI file must be: the
    // file's format takes a backslash for an escape.
    const QString ca = QDir::fromNativeSeparators(qEnvironmentVariable("ProgramData")) +
                       QStringLiteral("/Koravel/ca.pem");
    QFile::remove(ca);
    QVERIFY2(QDir().mkpath(QFileInfo(ca).path()) && QFile::copy(tls + "/ca.pem", ca),
             qPrintable(tls));
    const QString host = plainServer ? db::plainServerHost() : QStringLiteral("127.0.0.1");
    QVERIFY(testsupport::writeIniFile(
        iniFile("ProgramData"), QStringLiteral("host=%1\nssl_ca=%2\nlocked=true\n").arg(host, ca)));
    testsupport::ModalWatcher watcher;
    logIn(plainServer ? "impossible de se connection" : "connecter.....");
    const QString status = child<QLabel>("serverLabel")->text();
    if (!plainServer) {
        for (const testsupport::SeenBox &box : watcher.boxes())
            QFAIL(qPrintable(box.title + ": " + box.text + " " + box.informativeText));
        QCOMPARE(page(), Koravel3::HomePage);
        QVERIFY2(status.contains(QStringLiteral(" : connexion chiffrée (")), qPrintable(status));
        return;
    }
    QCOMPARE(page(), Koravel3::LoginPage);
    QVERIFY(!watcher.boxes().isEmpty());
    for (const testsupport::SeenBox &box : watcher.boxes())
        QCOMPARE(box.title, QStringLiteral("Connexion non sécurisée"));
}

// The script serves a signed manifest of the next version and its
// installer from https://127.0.0.1:8443; the installer runs over the folder
// this program runs from, as it would over a counter's running program.
void WindowsTest::updateInstallsTheNextVersion() {
    const QDir proof(proofDir() + QStringLiteral("/update"));
    QFile key(proof.filePath("public-key.txt"));
    QVERIFY2(key.open(QIODevice::ReadOnly), qPrintable(key.fileName()));
    testsupport::trustKeys(QString::fromLatin1(key.readAll().trimmed()));
    QVERIFY(trustInWindows(db::tlsFolder() + "/ca.pem"));
    QFile next(proof.filePath("version.txt"));
    QVERIFY(next.open(QIODevice::ReadOnly));
    const QString version = QString::fromLatin1(next.readAll().trimmed());

    testsupport::ModalWatcher watcher;
    watcher.setAnswer(QMessageBox::Yes);
    logIn();
    QTRY_COMPARE_WITH_TIMEOUT(watcher.boxes().size(), 3, 120000);
    QCOMPARE(watcher.boxes().at(0).title, QStringLiteral("Mise à jour disponible"));
    QCOMPARE(watcher.boxes().at(1).title, QStringLiteral("Mise à jour téléchargée"));
    QCOMPARE(watcher.boxes().at(2).title, QStringLiteral("Mise à jour Terminée"));
    const QString installer = qEnvironmentVariable("LOCALAPPDATA") + "/Koravel/koravel3/update.exe";
    QVERIFY2(QFile::exists(installer), qPrintable(installer));
    const QString installed = QCoreApplication::applicationDirPath() + "/koravel3.exe";
    QCOMPARE(fileVersion(installed), version + QStringLiteral(".0"));
}

QTEST_MAIN(WindowsTest)
#include "tst_windows.moc"
