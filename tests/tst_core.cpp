// The parts of the program that need no window: amounts, statement texts,
// the server settings read from an INI file and the form of update manifests.
#include "core/amount.h"
#include "core/config.h"
#include "core/connectionsettings.h"
#include "core/statement.h"
#include "core/version.h"

#include <QFile>
#include <QRegularExpression>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>

#include <limits>

class CoreTest : public QObject {
    Q_OBJECT

private slots:
    void parse_data();
    void parse();
    void arithmetic_data();
    void arithmetic();
    void escaping_data();
    void escaping();
    void likePattern_data();
    void likePattern();
    void statementKeepsFragmentsAndEscapesValues();
    void serverSettings_data();
    void serverSettings();
    void digestForm_data();
    void digestForm();
    void base64Decoding_data();
    void base64Decoding();
    void signedMessageIsVersionLineFeedDigest();
    void addresses_data();
    void addresses();
    void manifestDefects_data();
    void manifestDefects();
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

void CoreTest::parse_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("value");
    QTest::newRow("digits") << "63415" << 63415;
    QTest::newRow("negative") << "-99" << -99;
    QTest::newRow("empty") << "" << 0;
    QTest::newRow("letters") << "abc" << 0;
    QTest::newRow("decimal comma") << "1500,50" << 0;
    QTest::newRow("decimal point") << "12345.50" << 0;
    QTest::newRow("int max") << "2147483647" << std::numeric_limits<int>::max();
    QTest::newRow("int min") << "-2147483648" << std::numeric_limits<int>::min();
    QTest::newRow("above int max") << "2147483648" << 0;
    QTest::newRow("below int min") << "-2147483649" << 0;
    QTest::newRow("hex is not decimal") << "0x10" << 0;
    QTest::newRow("digits then letters") << "12abc" << 0;
}

void CoreTest::parse() {
    QFETCH(QString, text);
    QFETCH(int, value);
    QCOMPARE(amount::parse(text), value);
}

void CoreTest::arithmetic_data() {
    QTest::addColumn<QString>("op");
    QTest::addColumn<int>("a");
    QTest::addColumn<int>("b");
    QTest::addColumn<int>("result");
    const int max = std::numeric_limits<int>::max();
    const int min = std::numeric_limits<int>::min();
    QTest::newRow("sum") << "+" << 53628 << 9787 << 63415;
    QTest::newRow("sum wraps") << "+" << max << 1 << min;
    QTest::newRow("difference") << "-" << 20000 << 4234 << 15766;
    QTest::newRow("difference wraps") << "-" << min << 1 << max;
    QTest::newRow("product") << "*" << 4469 << 12 << 53628;
    QTest::newRow("product wraps") << "*" << 65536 << 65536 << 0;
    QTest::newRow("product wraps negative") << "*" << max << 2 << -2;
    QTest::newRow("division truncates") << "/" << 5707350 << 100 << 57073;
    QTest::newRow("negative division truncates toward zero") << "/" << -4950 << 100 << -49;
    QTest::newRow("minus fifteen by ten") << "/" << -15 << 10 << -1;
    QTest::newRow("min by minus one wraps") << "/" << min << -1 << min;
    QTest::newRow("by zero") << "/" << 7 << 0 << 0;
    QTest::newRow("ninety percent") << "%" << 90 << 63415 << 57073;
    QTest::newRow("percent of a negative truncates toward zero") << "%" << 50 << -99 << -49;
    QTest::newRow("percent kept wide") << "%" << 100 << max << max;
    QTest::newRow("percent result wraps") << "%" << 200 << max << -2;
}

void CoreTest::arithmetic() {
    QFETCH(QString, op);
    QFETCH(int, a);
    QFETCH(int, b);
    QFETCH(int, result);
    int got = 0;
    if (op == "+")
        got = amount::add(a, b);
    else if (op == "-")
        got = amount::subtract(a, b);
    else if (op == "*")
        got = amount::multiply(a, b);
    else if (op == "%")
        got = amount::percentOf(a, b);
    else
        got = amount::divide(a, b);
    QCOMPARE(got, result);
    QCOMPARE(amount::format(got), QString::number(result));
}

void CoreTest::escaping_data() {
    QTest::addColumn<QString>("value");
    QTest::addColumn<QString>("escaped");
    QTest::newRow("ordinary") << "DK-1234-AB"
                              << "DK-1234-AB";
    QTest::newRow("accents unchanged") << "Assuré à Thiès"
                                       << "Assuré à Thiès";
    QTest::newRow("quote doubled") << "N'DIAYE"
                                   << "N''DIAYE";
    QTest::newRow("injection") << "' OR '1'='1"
                               << "'' OR ''1''=''1";
    QTest::newRow("backslash") << "a\\b"
                               << "a\\\\b";
    QTest::newRow("backslash before quote") << "\\'"
                                            << "\\\\''";
    QTest::newRow("nul") << QString(QChar(0)) << "\\0";
    QTest::newRow("percent unchanged") << "50%_"
                                       << "50%_";
    QTest::newRow("emoji unchanged") << QString::fromUtf8("🚗") << QString::fromUtf8("🚗");
}

void CoreTest::escaping() {
    QFETCH(QString, value);
    QFETCH(QString, escaped);
    QCOMPARE(sql::escaped(value), escaped);
}

void CoreTest::likePattern_data() {
    QTest::addColumn<QString>("value");
    QTest::addColumn<QString>("escaped");
    QTest::newRow("ordinary") << "DK"
                              << "DK";
    QTest::newRow("percent") << "50%"
                             << "50\\\\%";
    QTest::newRow("underscore") << "A_B"
                                << "A\\\\_B";
    QTest::newRow("backslash") << "a\\b"
                               << "a\\\\\\\\b";
    QTest::newRow("quote") << "O'"
                           << "O''";
}

void CoreTest::likePattern() {
    QFETCH(QString, value);
    QFETCH(QString, escaped);
    QCOMPARE(sql::escapedForLike(value), escaped);
}

void CoreTest::statementKeepsFragmentsAndEscapesValues() {
    sql::Statement ordinary("select * FROM personnes where user='");
    ordinary << QStringLiteral("demo") << "' and password='" << QStringLiteral("demo123") << "' ";
    QCOMPARE(ordinary.text(),
             QStringLiteral("select * FROM personnes where user='demo' and password='demo123' "));

    sql::Statement hostile("select * FROM personnes where user='");
    hostile << QStringLiteral("' OR '1'='1") << "' and password='" << QString() << "' ";
    QCOMPARE(hostile.text(), QStringLiteral("select * FROM personnes where user=''' OR ''1''=''1' "
                                            "and password='' "));

    sql::Statement search("immat LIKE '%");
    search.like(QStringLiteral("5%")) << "%'";
    QCOMPARE(search.text(), QStringLiteral("immat LIKE '%5\\\\%%'"));
}

void CoreTest::serverSettings_data() {
    QTest::addColumn<QString>("ini");
    QTest::addColumn<QString>("host");
    QTest::addColumn<int>("port");
    QTest::addColumn<QString>("user");
    QTest::addColumn<QString>("password");
    QTest::addColumn<bool>("warns");
    const QString compiled = QString::fromUtf8(config::databaseHost);
    QTest::newRow("empty file") << "" << compiled << 3306 << "agnt"
                                << "tulvo" << false;
    QTest::newRow("every key") << "[database]\nhost=192.0.2.10\nport=3307\nuser=guichet\n"
                                  "password=s3cret\n"
                               << "192.0.2.10" << 3307 << "guichet"
                               << "s3cret" << false;
    QTest::newRow("another group is not read") << "[serveur]\nhost=192.0.2.10\n"
                                               << compiled << 3306 << "agnt"
                                               << "tulvo" << false;
    QTest::newRow("blank host and user") << "[database]\nhost=\nuser=  \n"
                                         << compiled << 3306 << "agnt"
                                         << "tulvo" << false;
    QTest::newRow("empty password is a password") << "[database]\npassword=\n"
                                                  << compiled << 3306 << "agnt"
                                                  << "" << false;
    QTest::newRow("quoted password keeps its spaces, comma and semicolon")
        << "[database]\npassword=\" a,b;c \"\n"
        << compiled << 3306 << "agnt"
        << " a,b;c " << false;
    QTest::newRow("unquoted password with a comma") << "[database]\npassword=a,b\n"
                                                    << compiled << 3306 << "agnt"
                                                    << "a,b" << false;
    QTest::newRow("accented password")
        << "[database]\npassword=Assuré\n"
        << compiled << 3306 << "agnt" << QStringLiteral("Assuré") << false;
    QTest::newRow("port with letters") << "[database]\nport=33o6\n"
                                       << compiled << 3306 << "agnt"
                                       << "tulvo" << true;
    QTest::newRow("port zero") << "[database]\nport=0\n"
                               << compiled << 3306 << "agnt"
                               << "tulvo" << true;
    QTest::newRow("port above 65535") << "[database]\nport=65536\n"
                                      << compiled << 3306 << "agnt"
                                      << "tulvo" << true;
    QTest::newRow("highest port") << "[database]\nport=65535\n"
                                  << compiled << 65535 << "agnt"
                                  << "tulvo" << false;
}

void CoreTest::serverSettings() {
    QFETCH(QString, ini);
    QFETCH(QString, host);
    QFETCH(int, port);
    QFETCH(QString, user);
    QFETCH(QString, password);
    QFETCH(bool, warns);
    QTemporaryDir folder;
    QFile file(folder.filePath(QStringLiteral("koravel3.ini")));
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(ini.toUtf8());
    file.close();
    const QRegularExpression portWarning(QStringLiteral("^koravel3.ini : port invalide"));
    if (warns)
        QTest::ignoreMessage(QtWarningMsg, portWarning);
    else
        QTest::failOnWarning(portWarning);
    const connection::Settings read =
        connection::read(QSettings(file.fileName(), QSettings::IniFormat));
    QCOMPARE(read.host, host);
    QCOMPARE(read.port, port);
    QCOMPARE(read.user, user);
    QCOMPARE(read.password, password);
}

void CoreTest::digestForm_data() {
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

void CoreTest::digestForm() {
    QFETCH(QString, text);
    QFETCH(bool, accepted);
    QCOMPARE(version::isSha256Hex(text), accepted);
    QCOMPARE(version::sha256Hex("abc"), digestOfAbc);
}

void CoreTest::base64Decoding_data() {
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

void CoreTest::base64Decoding() {
    QFETCH(QString, text);
    QFETCH(int, size);
    QFETCH(bool, decoded);
    const std::optional<QByteArray> bytes = version::decodeBase64(text, size);
    QCOMPARE(bytes.has_value(), decoded);
    if (decoded)
        QCOMPARE(QString::fromLatin1(bytes->toBase64()), text);
}

void CoreTest::signedMessageIsVersionLineFeedDigest() {
    QCOMPARE(version::signedMessage("3.2.0", digestOfAbc), "3.2.0\n" + digestOfAbc.toLatin1());
    QCOMPARE(version::signedMessage(QStringLiteral("4.0é"), "x"), QByteArray("4.0\xc3\xa9\nx"));
}

void CoreTest::addresses_data() {
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

void CoreTest::addresses() {
    QFETCH(QString, address);
    QFETCH(bool, accepted);
    const QString defect = version::addressDefect(address);
    QCOMPARE(defect.isEmpty(), accepted);
    if (!accepted)
        QCOMPARE(defect, "adresse refusée, seul https est accepté : " + address);
}

void CoreTest::manifestDefects_data() {
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

void CoreTest::manifestDefects() {
    QFETCH(QByteArray, body);
    QFETCH(QString, defect);
    const std::optional<version::Manifest> manifest = version::readManifest(body);
    QVERIFY(manifest);
    QCOMPARE(version::defect(*manifest, QStringLiteral("3.1.3")), defect);
}

QTEST_GUILESS_MAIN(CoreTest)
#include "tst_core.moc"
