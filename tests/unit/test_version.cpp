// Update manifests judged on their text: digests, signatures, addresses,
// versions.
#include "core/version.h"

#include <QTest>

class VersionTest : public QObject {
    Q_OBJECT

private slots:
    void digestForm_data();
    void digestForm();
    void base64Decoding_data();
    void base64Decoding();
    void signedMessageIsVersionLineFeedDigest();
    void addresses_data();
    void addresses();
    void manifestDefects_data();
    void manifestDefects();
    void sizeLimits_data();
    void sizeLimits();
    void newer_data();
    void newer();
    void progress_data();
    void progress();
};

namespace {

const QString digestOfAbc =
    QStringLiteral("ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad");
// 64 bytes 0x00..0x3f, as a signature would be encoded.
const QString validSignature = QString::fromLatin1([] {
    QByteArray bytes;
    for (int i = 0; i < 64; ++i)
        bytes += char(i);
    return bytes.toBase64();
}());

} // namespace

void VersionTest::digestForm_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("accepted");
    QTest::newRow("lowercase") << digestOfAbc << true;
    QTest::newRow("capitals") << digestOfAbc.toUpper() << false;
    QTest::newRow("one digit short") << digestOfAbc.chopped(1) << false;
    QTest::newRow("one digit more") << digestOfAbc + "0" << false;
    QTest::newRow("blank after") << digestOfAbc + " " << false;
    QTest::newRow("not hex") << QString(digestOfAbc).replace(0, 1, "g") << false;
    QTest::newRow("empty") << QString() << false;
}

void VersionTest::digestForm() {
    QFETCH(QString, text);
    QFETCH(bool, accepted);
    QCOMPARE(version::isSha256Hex(text), accepted);
    QCOMPARE(version::sha256Hex("abc"), digestOfAbc);
}

void VersionTest::base64Decoding_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("size");
    QTest::addColumn<bool>("decoded");
    QTest::newRow("signature") << validSignature << 64 << true;
    QTest::newRow("wrong size") << validSignature << 63 << false;
    QTest::newRow("public key") << "q/0suCqXqpimqlxBlf50NLBQmUxwaJGovrfwKbjrHCo=" << 32 << true;
    QTest::newRow("padding missing")
        << "q/0suCqXqpimqlxBlf50NLBQmUxwaJGovrfwKbjrHCo" << 32 << false;
    QTest::newRow("stray bits in last digit")
        << "q/0suCqXqpimqlxBlf50NLBQmUxwaJGovrfwKbjrHCp=" << 32 << false;
    QTest::newRow("line break") << validSignature.left(40) + "\n" + validSignature.mid(40) << 64
                                << false;
    QTest::newRow("url alphabet") << QString(validSignature).replace('+', '-') << 64 << false;
    QTest::newRow("not Latin-1") << QString(validSignature).replace(0, 1, QChar(0x100)) << 64
                                 << false;
    QTest::newRow("empty") << QString() << 64 << false;
}

void VersionTest::base64Decoding() {
    QFETCH(QString, text);
    QFETCH(int, size);
    QFETCH(bool, decoded);
    const std::optional<QByteArray> bytes = version::decodeBase64(text, size);
    QCOMPARE(bytes.has_value(), decoded);
    if (decoded)
        QCOMPARE(QString::fromLatin1(bytes->toBase64()), text);
}

void VersionTest::signedMessageIsVersionLineFeedDigest() {
    QCOMPARE(version::signedMessage("3.2.0", digestOfAbc), "3.2.0\n" + digestOfAbc.toLatin1());
    QCOMPARE(version::signedMessage(QStringLiteral("4.0é"), "x"), QByteArray("4.0\xc3\xa9\nx"));
}

void VersionTest::addresses_data() {
    QTest::addColumn<QString>("address");
    QTest::addColumn<bool>("accepted");
    QTest::newRow("https") << "https://maj.agence.example/koravel-setup.exe" << true;
    QTest::newRow("https with port") << "https://127.0.0.2:8443/version.json" << true;
    QTest::newRow("scheme in capitals") << "HTTPS://maj.agence.example/a.exe" << true;
    QTest::newRow("http") << "http://maj.agence.example/a.exe" << false;
    QTest::newRow("file") << "file:///tmp/update.exe" << false;
    QTest::newRow("no host") << "https:///a.exe" << false;
    QTest::newRow("relative") << "update.exe" << false;
    QTest::newRow("empty") << "" << false;
}

void VersionTest::addresses() {
    QFETCH(QString, address);
    QFETCH(bool, accepted);
    const QString defect = version::addressDefect(address);
    QCOMPARE(defect.isEmpty(), accepted);
    if (!accepted)
        QCOMPARE(defect, "adresse refusée, seul https est accepté : " + address);
}

void VersionTest::manifestDefects_data() {
    QTest::addColumn<QByteArray>("body");
    QTest::addColumn<QString>("defect");
    const auto body = [](const QString &version, const QString &sha256, const QString &signature,
                         const QString &url) {
        return QStringLiteral(
                   R"({"version":"%1","sha256":"%2","signature":"%3","download_url":"%4",)"
                   R"("notes":"ignorée"})")
            .arg(version, sha256, signature, url)
            .toUtf8();
    };
    const QString url = QStringLiteral("https://maj.agence.example/a.exe");
    const QString badDigest =
        QStringLiteral("sha256 absent ou mal formé (64 chiffres hexadécimaux minuscules attendus)");
    QTest::newRow("sound") << body("3.2.0", digestOfAbc, validSignature, url) << QString();
    QTest::newRow("digest in capitals")
        << body("3.2.0", digestOfAbc.toUpper(), validSignature, url) << badDigest;
    QTest::newRow("digest missing")
        << QByteArray(R"({"version":"3.2.0","download_url":"https://a.example/a"})") << badDigest;
    QTest::newRow("signature missing")
        << body("3.2.0", digestOfAbc, QString(), url) << "signature absente";
    QTest::newRow("signature not a string")
        << QStringLiteral(R"({"version":"3.2.0","sha256":"%1","signature":64})")
               .arg(digestOfAbc)
               .toUtf8()
        << "signature absente";
    QTest::newRow("signature too short") << body("3.2.0", digestOfAbc, validSignature.mid(4), url)
                                         << "signature mal formée (base64 de 64 octets attendu)";
    QTest::newRow("same version") << body("3.1.3", digestOfAbc, validSignature, url)
                                  << "version « 3.1.3 » non plus récente que 3.1.3";
    QTest::newRow("http download")
        << body("3.2.0", digestOfAbc, validSignature, "http://a.example/a")
        << "adresse refusée, seul https est accepté : http://a.example/a";
}

void VersionTest::manifestDefects() {
    QFETCH(QByteArray, body);
    QFETCH(QString, defect);
    const std::optional<version::Manifest> manifest = version::readManifest(body);
    QVERIFY(manifest);
    QCOMPARE(version::defect(*manifest, QStringLiteral("3.1.3")), defect);
}

void VersionTest::sizeLimits_data() {
    QTest::addColumn<qint64>("announced");
    QTest::addColumn<qint64>("received");
    QTest::addColumn<qint64>("limit");
    QTest::addColumn<QString>("defect");
    const qint64 manifest = version::manifestLimit;
    const qint64 installer = version::installerLimit;
    const QString over =
        QStringLiteral("taille annoncée de %1 octets, limite de %2 octets dépassée");
    QTest::newRow("nothing yet") << qint64(-1) << qint64(0) << manifest << QString();
    QTest::newRow("manifest of 64 KiB") << qint64(65536) << qint64(65536) << manifest << QString();
    QTest::newRow("manifest announced one byte over")
        << qint64(65537) << qint64(0) << manifest << over.arg("65537", "65536");
    QTest::newRow("unknown length, 64 KiB") << qint64(-1) << qint64(65536) << manifest << QString();
    QTest::newRow("unknown length, one byte over")
        << qint64(-1) << qint64(65537) << manifest << "plus de 65536 octets reçus, limite dépassée";
    QTest::newRow("more than announced") << qint64(100) << qint64(65537) << manifest
                                         << "plus de 65536 octets reçus, limite dépassée";
    QTest::newRow("installer of 1 GiB") << installer << installer << installer << QString();
    QTest::newRow("installer announced one byte over")
        << installer + 1 << qint64(0) << installer << over.arg("1073741825", "1073741824");
}

void VersionTest::sizeLimits() {
    QFETCH(qint64, announced);
    QFETCH(qint64, received);
    QFETCH(qint64, limit);
    QFETCH(QString, defect);
    QCOMPARE(version::sizeDefect(announced, received, limit), defect);
}

void VersionTest::newer_data() {
    QTest::addColumn<QString>("latest");
    QTest::addColumn<bool>("newer");
    for (const char *later : {"3.1.4", "3.1.10", "3.2", "4.0", "10.0", "3.1.3.1"})
        QTest::newRow(later) << later << true;
    for (const char *notLater : {"3.1.3", "3.1.3.0", "3.1.2", "3.0.9", "", "v4.0", "4.0-beta",
                                 "4..0", "99999999999.0", " 4.0"})
        QTest::newRow(notLater) << notLater << false;
}

// Against 3.1.3 as the running version.
void VersionTest::newer() {
    QFETCH(QString, latest);
    QFETCH(bool, newer);
    QCOMPARE(version::isNewer(latest, QStringLiteral("3.1.3")), newer);
}

void VersionTest::progress_data() {
    QTest::addColumn<qint64>("received");
    QTest::addColumn<qint64>("total");
    QTest::addColumn<int>("percent");
    // clang-format off
    QTest::newRow("start")         << qint64(0)    << qint64(4096) << 0;
    QTest::newRow("quarter")       << qint64(1024) << qint64(4096) << 25;
    QTest::newRow("truncated")     << qint64(2)    << qint64(3)    << 66;
    QTest::newRow("complete")      << qint64(4096) << qint64(4096) << 100;
    QTest::newRow("unknown total") << qint64(1024) << qint64(-1)   << -1;
    QTest::newRow("zero total")    << qint64(0)    << qint64(0)    << -1;
    QTest::newRow("beyond total")  << qint64(5000) << qint64(4096) << -1;
    QTest::newRow("huge file")     << qint64(2000000000000000000) << qint64(4000000000000000000) << 50;
    // clang-format on
}

void VersionTest::progress() {
    QFETCH(qint64, received);
    QFETCH(qint64, total);
    QFETCH(int, percent);
    QCOMPARE(version::progressPercent(received, total), percent);
}

QTEST_GUILESS_MAIN(VersionTest)
#include "test_version.moc"
