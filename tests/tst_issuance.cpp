// Issuing a policy from the form: the save (first issue and renewal, one
// transaction), the refusals that write nothing, the certificate key and its
// QR code after a real click on VALIDER/IMPRIMER, and the front of the talons
// coming out of the rig's print queue; against the real MariaDB server.
#include "certificate.h"
#include "core/config.h"
#include "core/policy.h"
#include "core/statements.h"
#include "koravel3.h"
#include "support/connectwarnings.h"
#include "support/dbfixture.h"
#include "support/modal.h"
#include "support/policyform.h"
#include "support/printqueue.h"
#include "support/qrsymbol.h"
#include "support/tablecheck.h"
#include "support/window.h"
#include "support/windowtest.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDate>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPrinter>
#include <QPrinterInfo>
#include <QPushButton>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QTest>
#include <QThread>
#include <QTimeEdit>

#include <memory>

namespace db = testsupport::db;
namespace printqueue = testsupport::printqueue;
namespace form = testsupport::policyform;
using testsupport::asLogged;

namespace {

const char *const category1 = "CATEGORIE 1 : Véhicules à carrosserie de tourisme";

QString month() {
    return QString::number(QDate::currentDate().month());
}

QString year() {
    return QString::number(QDate::currentDate().year());
}

// True when the image shows exactly the library's symbol for the text, one
// pixel per module.
bool showsSymbol(const QImage &image, const QString &text) {
    const qrcodegen::QrCode symbol = testsupport::qrSymbolOf(text);
    if (image.size() != QSize(symbol.getSize(), symbol.getSize()))
        return false;
    for (int y = 0; y < symbol.getSize(); ++y)
        for (int x = 0; x < symbol.getSize(); ++x)
            if ((image.pixel(x, y) == 0xFF000000) != symbol.getModule(x, y))
                return false;
    return true;
}

// The same for the 150 x 150 label pixmap, sampled at each module's centre.
bool labelShowsSymbol(const QLabel *label, const QString &text) {
    const QImage shown = label->pixmap().toImage().convertToFormat(QImage::Format_RGB32);
    const qrcodegen::QrCode symbol = testsupport::qrSymbolOf(text);
    const int n = symbol.getSize();
    if (shown.size() != QSize(150, 150))
        return false;
    const qreal side = 150.0 / n;
    for (int y = 0; y < n; ++y)
        for (int x = 0; x < n; ++x) {
            const QPoint centre(int((x + 0.5) * side), int((y + 0.5) * side));
            if ((shown.pixel(centre) == 0xFF000000) != symbol.getModule(x, y))
                return false;
        }
    return true;
}

// The message boxes that one click opened.
struct Boxes {
    QList<testsupport::SeenBox> seen;
    const QList<testsupport::SeenBox> &boxes() const { return seen; }
    testsupport::SeenBox first() const {
        return seen.isEmpty() ? testsupport::SeenBox() : seen.constFirst();
    }
};

} // namespace

class IssuanceTest : public testsupport::WindowTest {
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void firstIssueSendsTheFourStatements();
    void renewalRewritesTheRow();
    void packages_data();
    void packages();
    void valuesRoundTrip_data();
    void valuesRoundTrip();
    void collectedAmountRefused_data();
    void collectedAmountRefused();
    void invalidFieldRefused_data();
    void invalidFieldRefused();
    void serverErrorRollsBack_data();
    void serverErrorRollsBack();
    void connectionKilledDuringSave();
    void serverDownWritesNothing();
    void renewalOfDeletedPolicy();
    void certificateAfterRealClick_data();
    void certificateAfterRealClick();
    void namesakesKeepTheirOwnKeys();
    void refusedSaveKeepsTheKey();
    void frontComesOutOfTheQueue();
    void saveWithoutPrinter();

private:
    // A real click on VALIDER/IMPRIMER; the boxes it opened, each closed with
    // its button.
    Boxes clickSave();
    void checkSuccessBox(const Boxes &watcher, const QString &text);

    QStringList restore; // statements that undo what a test did to the server
};

void IssuanceTest::initTestCase() {
    testsupport::failOnConnectWarnings();
    printqueue::useRigServer();
    QVERIFY2(db::admin().isOpen(), "the test database server must be running");
    QVERIFY2(printqueue::serverRunning(),
             "the rig's print server must be running (scripts/cups.sh start --test)");
    QCOMPARE(QPrinterInfo::defaultPrinterName(), QStringLiteral("talons"));
}

void IssuanceTest::init() {
    QVERIFY(db::reset());
    openWindow();
    useFormAgent();
}

void IssuanceTest::cleanup() {
    window.reset();
    db::admin().rollback();
    for (const QString &statement : std::as_const(restore))
        db::exec(statement);
    restore.clear();
}

Boxes IssuanceTest::clickSave() {
    return Boxes{clickAnswered("pushButton_3")};
}

void IssuanceTest::checkSuccessBox(const Boxes &watcher, const QString &text) {
    QCOMPARE(watcher.boxes().size(), 1);
    QCOMPARE(watcher.first().title, QStringLiteral("save"));
    QCOMPARE(watcher.first().text, text);
    QCOMPARE(watcher.first().icon, QMessageBox::Critical);
    QCOMPARE(watcher.first().buttons, QMessageBox::StandardButtons(QMessageBox::Ok));
}

void IssuanceTest::firstIssueSendsTheFourStatements() {
    fillForm(form::with(form::ordinary(), {{"checkBox_25", "1"}, {"checkBox_27", "1"}}));
    const QString start = child<QTimeEdit>("dut")->text();
    const QString end = child<QTimeEdit>("aut")->text();
    Boxes watcher;
    QStringList sent;
    const QStringList jobs = printqueue::documentsPrintedDuring(
        [&] { sent = db::statementsSentDuring([&] { watcher = clickSave(); }); });
    checkSuccessBox(watcher, QStringLiteral("ENREGISTRER"));

    const policy::PolicyRecord record = form::record(
        form::with(form::ordinary(), {{"checkBox_25", "1"}, {"checkBox_27", "1"}}), start, end);
    const QString history = statements::historyInsert(record).text();
    QCOMPARE(db::writes(sent),
             QStringList({asLogged(history), asLogged(statements::policyInsert(record).text()),
                          statements::clientInsert(record, policy::tiersSimple).text(),
                          statements::clientInsert(record, policy::tiersPremium).text()}));
    // One transaction around them.
    const int first = sent.indexOf(asLogged(history));
    QVERIFY(first > 0);
    QVERIFY(sent.at(first - 1).contains(QLatin1String("BEGIN"), Qt::CaseInsensitive) ||
            sent.at(first - 1).contains(QLatin1String("START TRANSACTION"), Qt::CaseInsensitive));
    QCOMPARE(sent.last(), QStringLiteral("COMMIT"));

    const QString id = db::scalar("SELECT id FROM principal").toString();
    QCOMPARE(child<QLabel>("LID")->text(), id);
    QCOMPARE(
        db::rows("SELECT idpersonne,users,password,nom,adresse,persacontacter,telephone,"
                 "coutpolice,prime,taxe,fga,pca,primetotal,genre,marque,type,immat,police,"
                 "attestation,DATE_FORMAT(valable,'%d/%m/%Y'),DATE_FORMAT(valabl,'%d/%m/%Y'),"
                 "valableau,valablea,nbrdemois,energie,forcefiscal,categorie,tranchef,"
                 "nbrdeplace,sommencais,sommefact,DATE_FORMAT(currentd,'%d/%m/%Y'),cmois,"
                 "cannee,padres,trie FROM principal"),
        QStringList(
            QStringLiteral("12|awa|%6|Fatou SOW|Dakar Plateau|Moussa SOW|771234567|3000|53628|"
                           "5487|1300|395|63415|V.P|TOYOTA|COROLLA|DK-1234-AB|POL-778|T-5521|"
                           "01/02/2025|31/01/2026|%1|%2|12|DIESEL|9|%3|7a10|5|63415|63415|"
                           "01/02/2025|%4|%5|Rue 10 Dakar|1")
                .arg(start, end, QString::fromUtf8(category1), month(), year(), record.password)));
    // One history row, stamped by the server's clock at the save.
    QCOMPARE(db::rows("SELECT TIMESTAMPDIFF(MINUTE, enregistre_le, NOW()) FROM principal1"),
             QStringList("0"));
    QCOMPARE(db::rows("SELECT garanti FROM clients ORDER BY idclient"),
             QStringList({"TIERS SIMPLE", "TIERS PREMIUM"}));
    QCOMPARE(jobs.size(), 1);
}

void IssuanceTest::renewalRewritesTheRow() {
    const int id = db::addPolicy({{"idpersonne", "'12'"},
                                  {"nom", "'Fatou SOW'"},
                                  {"immat", "'DK-1234-AB'"},
                                  {"padres", "'Ancienne adresse'"},
                                  {"trie", "3"}});
    const int other = db::addPolicy({{"nom", "'Fatou SOW'"}});
    QVERIFY(id > 0 && other > 0);
    fillForm(form::with(form::ordinary(), {{"checkBox_25", "0"}, {"checkBox_26", "1"}}));
    child<QLabel>("LID")->setText(QString::number(id));
    const QString start = child<QTimeEdit>("dut")->text();
    const QString end = child<QTimeEdit>("aut")->text();
    const QStringList otherBefore =
        db::rows(QStringLiteral("SELECT * FROM principal WHERE id=%1").arg(other));

    Boxes watcher;
    QStringList sent;
    const QStringList jobs = printqueue::documentsPrintedDuring(
        [&] { sent = db::statementsSentDuring([&] { watcher = clickSave(); }); });
    checkSuccessBox(watcher, QStringLiteral("MIS A JOUR.."));

    const policy::PolicyRecord record = form::record(
        form::with(form::ordinary(), {{"checkBox_25", "0"}, {"checkBox_26", "1"}}), start, end);
    QCOMPARE(db::writes(sent),
             QStringList({asLogged(statements::historyInsert(record).text()),
                          asLogged(statements::policyRenewal(record, QString::number(id)).text()),
                          statements::clientInsert(record, policy::tiersComplet).text()}));

    QCOMPARE(child<QLabel>("LID")->text(), QString::number(id));
    QCOMPARE(db::rows(QStringLiteral("SELECT nom,adresse,trie,padres,cmois,cannee FROM principal "
                                     "WHERE id=%1")
                          .arg(id)),
             QStringList(QStringLiteral("Fatou SOW|Dakar Plateau|4|Ancienne adresse|%1|%2")
                             .arg(month(), year())));
    QCOMPARE(db::rows(QStringLiteral("SELECT * FROM principal WHERE id=%1").arg(other)),
             otherBefore);
    QCOMPARE(db::scalar("SELECT COUNT(*) FROM principal").toInt(), 2);
    QCOMPARE(db::scalar("SELECT COUNT(*) FROM principal1").toInt(), 1);
    QCOMPARE(jobs.size(), 1);
}

void IssuanceTest::packages_data() {
    QTest::addColumn<QString>("simple");
    QTest::addColumn<QString>("complet");
    QTest::addColumn<QString>("premium");
    QTest::addColumn<QStringList>("rows");
    QTest::newRow("simple") << "1"
                            << "0"
                            << "0" << QStringList{"TIERS SIMPLE"};
    QTest::newRow("simple and premium") << "1"
                                        << "0"
                                        << "1" << QStringList{"TIERS SIMPLE", "TIERS PREMIUM"};
    QTest::newRow("simple wins over complet") << "1"
                                              << "1"
                                              << "0" << QStringList{"TIERS SIMPLE"};
    QTest::newRow("complet and premium") << "0"
                                         << "1"
                                         << "1" << QStringList{"TIERS COMPLET", "TIERS PREMIUM"};
    QTest::newRow("premium only") << "0"
                                  << "0"
                                  << "1" << QStringList{"TIERS PREMIUM"};
    QTest::newRow("none") << "0"
                          << "0"
                          << "0" << QStringList{};
}

void IssuanceTest::packages() {
    QFETCH(QString, simple);
    QFETCH(QString, complet);
    QFETCH(QString, premium);
    QFETCH(QStringList, rows);
    fillForm(
        form::with(form::ordinary(),
                   {{"checkBox_25", simple}, {"checkBox_26", complet}, {"checkBox_27", premium}}));
    const Boxes watcher = clickSave();
    checkSuccessBox(watcher, QStringLiteral("ENREGISTRER"));
    QStringList expected;
    for (const QString &package : rows)
        expected << QStringLiteral("12|Fatou SOW|2025-02-01|2026-01-31|%1|T-5521|POL-778|V.P|"
                                   "TOYOTA|COROLLA|DK-1234-AB|Dakar Plateau")
                        .arg(package);
    QCOMPARE(db::rows("SELECT idvendeur,nom,effet,expiration,garanti,attestation,police,genre,"
                      "marque,type,immat,adresse FROM clients ORDER BY idclient"),
             expected);
}

void IssuanceTest::valuesRoundTrip_data() {
    QTest::addColumn<bool>("renewal");
    QTest::newRow("first issue") << false;
    QTest::newRow("renewal") << true;
}

void IssuanceTest::valuesRoundTrip() {
    QFETCH(bool, renewal);
    const form::Values odd{
        {"LEN", "Ndèye O'Brien"},  {"LEA", "Rue \\ 12'); DROP TABLE principal; -- «Médina»"},
        {"LEPAC", "Zoë \"chef\""}, {"LEM", "Citroën"},
        {"LETP", "C'4 % _"},       {"lineEdit", "Quartier d'Arafat 😀"},
        {"LEDU", "28/02/2024"},    {"LEAU", "27/02/2025"},
        {"LESE", "2147483647"},
    };
    // A renewal keeps the plate of the policy it renews.
    const int id = renewal ? db::addPolicy({{"idpersonne", "'12'"}, {"immat", "'DK-1234-AB'"}}) : 0;
    fillForm(form::with(form::ordinary(), odd));
    if (renewal)
        child<QLabel>("LID")->setText(QString::number(id));
    const Boxes watcher = clickSave();
    checkSuccessBox(watcher,
                    renewal ? QStringLiteral("MIS A JOUR..") : QStringLiteral("ENREGISTRER"));

    const auto hex = [](const QString &text) {
        return QString::fromLatin1(text.toUtf8().toHex().toUpper());
    };
    const QString expected =
        QStringList({hex(odd[0].second), hex(odd[1].second), hex(odd[2].second), hex(odd[3].second),
                     hex(odd[4].second)})
            .join(QLatin1Char('|'));
    QCOMPARE(db::rows("SELECT HEX(nom),HEX(adresse),HEX(persacontacter),HEX(marque),HEX(type) "
                      "FROM principal"),
             QStringList(expected));
    QCOMPARE(db::rows("SELECT HEX(nom),HEX(adresse),HEX(persacontacter),HEX(marque),HEX(type) "
                      "FROM principal1"),
             QStringList(expected));
    QCOMPARE(db::rows("SELECT HEX(nom),HEX(adresse),HEX(marque),HEX(type) FROM clients"),
             QStringList(QStringList({hex(odd[0].second), hex(odd[1].second), hex(odd[3].second),
                                      hex(odd[4].second)})
                             .join(QLatin1Char('|'))));
    QCOMPARE(db::rows("SELECT HEX(padres) FROM principal1"), QStringList(hex(odd[5].second)));
    if (!renewal)
        QCOMPARE(db::rows("SELECT HEX(padres) FROM principal"), QStringList(hex(odd[5].second)));
    // The invoice total goes into both columns; dates are the effect date.
    QCOMPARE(db::rows("SELECT primetotal,sommefact,sommencais,valable,currentd,valabl "
                      "FROM principal"),
             QStringList("63415|63415|2147483647|2024-02-28|2024-02-28|2025-02-27"));
    QCOMPARE(db::rows("SELECT cmois,cannee FROM principal1"),
             QStringList(month() + QLatin1Char('|') + year()));
    QCOMPARE(db::scalar("SELECT COUNT(*) FROM principal").toInt(), 1);
}

void IssuanceTest::collectedAmountRefused_data() {
    QTest::addColumn<QString>("collected");
    QTest::addColumn<QString>("key");
    QTest::newRow("empty") << ""
                           << "0";
    QTest::newRow("zero") << "0"
                          << "0";
    QTest::newRow("letters") << "abc"
                             << "0";
    QTest::newRow("decimal comma") << "1500,50"
                                   << "0";
    QTest::newRow("beyond 32 bits") << "2147483648"
                                    << "0";
    QTest::newRow("negative key") << "1500"
                                  << "-4";
    QTest::newRow("empty on a renewal") << ""
                                        << "1";
}

void IssuanceTest::collectedAmountRefused() {
    QFETCH(QString, collected);
    QFETCH(QString, key);
    QVERIFY(db::addPolicy({}) == 1);
    fillForm(form::with(form::ordinary(), {{"LESE", collected}, {"LID", key}}));
    const QStringList before = db::policyTables();
    Boxes watcher;
    QStringList sent;
    const QStringList jobs = printqueue::documentsPrintedDuring(
        [&] { sent = db::statementsSentDuring([&] { watcher = clickSave(); }); });
    QCOMPARE(watcher.boxes().size(), 1);
    QCOMPARE(watcher.first().title, QStringLiteral("information"));
    QCOMPARE(watcher.first().text, QStringLiteral("veuillez SVP indiquer la somme encaisser"));
    QCOMPARE(watcher.first().icon, QMessageBox::Information);
    QCOMPARE(watcher.first().buttons, QMessageBox::StandardButtons(QMessageBox::Ok));
    QVERIFY(db::writes(sent).isEmpty());
    QCOMPARE(db::policyTables(), before);
    QVERIFY(jobs.isEmpty());
    QCOMPARE(child<QLabel>("LID")->text(), key);
}

void IssuanceTest::invalidFieldRefused_data() {
    QTest::addColumn<QString>("field");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("caption");
    QTest::newRow("policy cost empty") << "LECP_2"
                                       << ""
                                       << "« COUT DE POLICE »";
    QTest::newRow("premium with letters") << "LEPT_2"
                                          << "53628F"
                                          << "« PRIME TOTAL »";
    QTest::newRow("tax with decimals") << "LETX_2"
                                       << "5487.5"
                                       << "« TAXE »";
    QTest::newRow("fga with blanks") << "LEFGA_2"
                                     << " 1300"
                                     << "« FGA »";
    QTest::newRow("pca beyond 32 bits") << "LEPCA_2"
                                        << "99999999999"
                                        << "« PCA »";
    QTest::newRow("invoice total empty") << "LESF"
                                         << ""
                                         << "« SOMME FACTURE »";
    QTest::newRow("effect date not a day") << "LEDU"
                                           << "31/02/2025"
                                           << "« DATE D'EFFET »";
    QTest::newRow("effect date as ISO") << "LEDU"
                                        << "2025-02-01"
                                        << "« DATE D'EFFET »";
    QTest::newRow("effect date empty") << "LEDU"
                                       << ""
                                       << "« DATE D'EFFET »";
    QTest::newRow("expiry date missing") << "LEAU"
                                         << ""
                                         << "« DATE D'EXPIRATION »";
    QTest::newRow("expiry date garbage") << "LEAU"
                                         << "bientôt"
                                         << "« DATE D'EXPIRATION »";
}

void IssuanceTest::invalidFieldRefused() {
    QFETCH(QString, field);
    QFETCH(QString, text);
    QFETCH(QString, caption);
    fillForm(form::with(form::ordinary(), {{field, text}}));
    const QStringList before = db::policyTables();
    Boxes watcher;
    QStringList sent;
    const QStringList jobs = printqueue::documentsPrintedDuring(
        [&] { sent = db::statementsSentDuring([&] { watcher = clickSave(); }); });
    QCOMPARE(watcher.boxes().size(), 1);
    QCOMPARE(watcher.first().title, QStringLiteral("information"));
    QVERIFY2(watcher.first().text.startsWith(caption), qPrintable(watcher.first().text));
    QVERIFY(watcher.first().text.contains(QStringLiteral("Rien n'a été enregistré")));
    QCOMPARE(watcher.first().icon, QMessageBox::Information);
    QCOMPARE(watcher.first().buttons, QMessageBox::StandardButtons(QMessageBox::Ok));
    QVERIFY(db::writes(sent).isEmpty());
    QCOMPARE(db::policyTables(), before);
    QVERIFY(jobs.isEmpty());
    QCOMPARE(child<QLabel>("LID")->text(), QStringLiteral("0"));
}

void IssuanceTest::serverErrorRollsBack_data() {
    QTest::addColumn<bool>("renewal");
    QTest::addColumn<QStringList>("breakIt");
    QTest::addColumn<QStringList>("undo");
    QTest::addColumn<QString>("message");
    const QStringList noTrigger{"DROP TRIGGER IF EXISTS kv_refuse"};
    QTest::newRow("statement 1, table renamed")
        << false << QStringList{"RENAME TABLE principal1 TO principal1_off"}
        << QStringList{"RENAME TABLE principal1_off TO principal1"} << "principal1";
    QTest::newRow("statement 2, trigger signals")
        << false
        << QStringList{"CREATE TRIGGER kv_refuse BEFORE INSERT ON principal FOR EACH ROW "
                       "SIGNAL SQLSTATE '45000' SET MESSAGE_TEXT = 'police refusee'"}
        << noTrigger << "police refusee";
    QTest::newRow("statement 3, trigger signals")
        << true
        << QStringList{"CREATE TRIGGER kv_refuse BEFORE UPDATE ON principal FOR EACH ROW "
                       "SIGNAL SQLSTATE '45000' SET MESSAGE_TEXT = 'renouvellement refuse'"}
        << noTrigger << "renouvellement refuse";
    QTest::newRow("statement 3, row locked by another session")
        << true << QStringList{"SET GLOBAL innodb_lock_wait_timeout = 1", "LOCK ROW"}
        << QStringList{"SET GLOBAL innodb_lock_wait_timeout = 50"} << "Lock wait timeout";
    QTest::newRow("statement 4 of a first issue, trigger signals")
        << false
        << QStringList{"CREATE TRIGGER kv_refuse BEFORE INSERT ON clients FOR EACH ROW "
                       "SIGNAL SQLSTATE '45000' SET MESSAGE_TEXT = 'client refuse'"}
        << noTrigger << "client refuse";
    QTest::newRow("statement 4 of a renewal, trigger signals")
        << true
        << QStringList{"CREATE TRIGGER kv_refuse BEFORE INSERT ON clients FOR EACH ROW "
                       "SIGNAL SQLSTATE '45000' SET MESSAGE_TEXT = 'client refuse'"}
        << noTrigger << "client refuse";
}

void IssuanceTest::serverErrorRollsBack() {
    QFETCH(bool, renewal);
    QFETCH(QStringList, breakIt);
    QFETCH(QStringList, undo);
    QFETCH(QString, message);
    const int id =
        db::addPolicy({{"idpersonne", "'12'"}, {"trie", "2"}, {"immat", "'DK-1234-AB'"}});
    QVERIFY(id > 0);
    restore = undo;
    for (const QString &statement : breakIt) {
        if (statement == QLatin1String("LOCK ROW")) {
            // Another agent's transaction holds the row being renewed.
            QVERIFY(db::admin().transaction());
            QVERIFY(
                db::exec(QStringLiteral("SELECT * FROM principal WHERE id=%1 FOR UPDATE").arg(id)));
        } else {
            QVERIFY(db::exec(statement));
        }
    }
    fillForm(form::with(form::ordinary(), {{"checkBox_27", "1"}}));
    const QString key = renewal ? QString::number(id) : QStringLiteral("0");
    child<QLabel>("LID")->setText(key);
    child<QLabel>("label_qr")->setText(QStringLiteral("TextLabel"));

    Boxes watcher;
    const QStringList jobs = printqueue::documentsPrintedDuring([&] { watcher = clickSave(); });
    db::admin().rollback();
    for (const QString &statement : undo)
        QVERIFY(db::exec(statement));
    restore.clear();

    QCOMPARE(watcher.boxes().size(), 1);
    QCOMPARE(watcher.first().title, QStringLiteral("erreur..."));
    QVERIFY2(watcher.first().text.contains(message), qPrintable(watcher.first().text));
    QCOMPARE(watcher.first().icon, QMessageBox::Critical);
    QCOMPARE(watcher.first().buttons, QMessageBox::StandardButtons(QMessageBox::Ok));
    QCOMPARE(db::scalar("SELECT COUNT(*) FROM principal1").toInt(), 0);
    QCOMPARE(db::scalar("SELECT COUNT(*) FROM clients").toInt(), 0);
    QCOMPARE(db::rows("SELECT id, trie, nom FROM principal"),
             QStringList(QStringLiteral("%1|2|CLIENT").arg(id)));
    QVERIFY(jobs.isEmpty());
    QCOMPARE(child<QLabel>("LID")->text(), key);
    if (renewal)
        QVERIFY(labelShowsSymbol(child<QLabel>("label_qr"), key));
    else
        QVERIFY(child<QLabel>("label_qr")->pixmap().isNull());
}

void IssuanceTest::connectionKilledDuringSave() {
    // The policy insert waits in a trigger; meanwhile another session kills
    // the program's connection, as a network cut or a server restart would.
    // While the trigger runs, the server lists the program's connection with
    // the trigger's statement (and its definer's name).
    restore = QStringList{"DROP TRIGGER IF EXISTS kv_slow"};
    QVERIFY(db::exec("CREATE TRIGGER kv_slow BEFORE INSERT ON principal FOR EACH ROW "
                     "SET @kv_pause = SLEEP(5)"));
    fillForm(form::ordinary());
    bool killed = false;
    QThread *killer = QThread::create([&killed] {
        {
            QSqlDatabase other =
                QSqlDatabase::addDatabase(QStringLiteral("QMYSQL"), QStringLiteral("killer"));
            other.setHostName(QString::fromUtf8(config::databaseHost));
            other.setPort(3306);
            other.setDatabaseName(QStringLiteral("assurebdd"));
            other.setUserName(QStringLiteral("kvtest"));
            other.setPassword(QStringLiteral("kvtest"));
            if (other.open()) {
                QSqlQuery query(other);
                for (int i = 0; i < 100 && !killed; ++i) {
                    QThread::msleep(50);
                    if (query.exec(QStringLiteral("SELECT id FROM information_schema.processlist "
                                                  "WHERE info LIKE 'SET @kv_pause%'")) &&
                        query.next()) {
                        const QString id = query.value(0).toString();
                        killed = query.exec(QStringLiteral("KILL CONNECTION %1").arg(id));
                    }
                }
            }
        }
        QSqlDatabase::removeDatabase(QStringLiteral("killer"));
    });
    killer->start();
    Boxes watcher;
    const QStringList jobs = printqueue::documentsPrintedDuring([&] { watcher = clickSave(); });
    killer->wait();
    delete killer;
    QVERIFY(killed);
    QCOMPARE(watcher.boxes().size(), 1);
    QCOMPARE(watcher.first().title, QStringLiteral("erreur..."));
    QVERIFY(!watcher.first().text.isEmpty());
    QCOMPARE(db::policyTables(), QStringList());
    QVERIFY(jobs.isEmpty());
    QCOMPARE(child<QLabel>("LID")->text(), QStringLiteral("0"));
}

void IssuanceTest::serverDownWritesNothing() {
    fillForm(form::ordinary());
    QVERIFY(db::server(QStringLiteral("stop")));
    Boxes watcher;
    QTest::ignoreMessage(QtDebugMsg, "impossible de se connection");
    const QStringList jobs = printqueue::documentsPrintedDuring([&] { watcher = clickSave(); });
    const bool restarted = db::server(QStringLiteral("start"));
    QVERIFY(restarted);
    QCOMPARE(watcher.boxes().size(), 1);
    QCOMPARE(watcher.first().title, QStringLiteral("erreur..."));
    QVERIFY2(watcher.first().text.contains(QLatin1String("connect"), Qt::CaseInsensitive),
             qPrintable(watcher.first().text));
    QCOMPARE(db::policyTables(), QStringList());
    QVERIFY(jobs.isEmpty());
}

void IssuanceTest::renewalOfDeletedPolicy() {
    const int id = db::addPolicy({});
    QVERIFY(db::exec(QStringLiteral("DELETE FROM principal WHERE id=%1").arg(id)));
    fillForm(form::with(form::ordinary(), {{"checkBox_27", "1"}}));
    child<QLabel>("LID")->setText(QString::number(id));
    Boxes watcher;
    const QStringList jobs = printqueue::documentsPrintedDuring([&] { watcher = clickSave(); });
    QCOMPARE(watcher.boxes().size(), 1);
    QCOMPARE(watcher.first().title, QStringLiteral("erreur..."));
    QVERIFY2(watcher.first().text.startsWith(QLatin1String("police introuvable")),
             qPrintable(watcher.first().text));
    QVERIFY(watcher.first().text.contains(QString::number(id)));
    QCOMPARE(watcher.first().icon, QMessageBox::Critical);
    QCOMPARE(db::policyTables(), QStringList());
    QVERIFY(jobs.isEmpty());
    QCOMPARE(child<QLabel>("LID")->text(), QString::number(id));
}

void IssuanceTest::certificateAfterRealClick_data() {
    QTest::addColumn<bool>("activeWindow");
    // Shown and active, the button loses the focus to the confirmation box
    // and reports its release while the box is open; hidden, the release
    // comes after the box is closed.
    QTest::newRow("release while the box is open") << true;
    QTest::newRow("release after the box") << false;
}

void IssuanceTest::certificateAfterRealClick() {
    QFETCH(bool, activeWindow);
    QVERIFY(db::exec("ALTER TABLE principal AUTO_INCREMENT = 57"));
    QFile::remove(QStringLiteral("57"));
    QFile::remove(QStringLiteral("0"));
    auto *button = child<QPushButton>("pushButton_3");
    if (activeWindow) {
        window->show();
        QVERIFY(QTest::qWaitForWindowActive(window.get()));
        button->setFocus();
    }
    // Connected after the window's own slots: runs once the save returned.
    bool saveReturned = false;
    bool releasedDuringSave = false;
    connect(button, &QPushButton::pressed, window.get(), [&] { saveReturned = true; });
    connect(button, &QPushButton::released, window.get(),
            [&] { releasedDuringSave = !saveReturned; });
    fillForm(form::ordinary());
    const Boxes watcher = clickSave();
    checkSuccessBox(watcher, QStringLiteral("ENREGISTRER"));
    QCOMPARE(releasedDuringSave, activeWindow);

    QCOMPARE(child<QLabel>("LID")->text(), QStringLiteral("57"));
    QVERIFY(labelShowsSymbol(child<QLabel>("label_qr"), QStringLiteral("57")));
    // Nothing in the working directory: the picture goes to the data folder.
    QVERIFY(!QFile::exists(QStringLiteral("57")));
    const QImage file(testsupport::certificateFile(QStringLiteral("57")), "PNG");
    QCOMPARE(file.size(), QSize(21, 21));
    QCOMPARE(file.pixel(0, 0), 0xFF000000u);
    QVERIFY(showsSymbol(file.convertToFormat(QImage::Format_RGB32), QStringLiteral("57")));
    QVERIFY(!QFile::exists(testsupport::certificateFile(QStringLiteral("0"))));

    // A second click on the same form renews that policy.
    const Boxes again = clickSave();
    checkSuccessBox(again, QStringLiteral("MIS A JOUR.."));
    QCOMPARE(db::rows("SELECT id, trie FROM principal"), QStringList("57|2"));
    QVERIFY(labelShowsSymbol(child<QLabel>("label_qr"), QStringLiteral("57")));
}

void IssuanceTest::namesakesKeepTheirOwnKeys() {
    fillForm(form::with(form::ordinary(), {{"LEIM", "DK-0001-AA"}}));
    const Boxes first = clickSave();
    const QString firstKey = child<QLabel>("LID")->text();

    QTest::mouseClick(child<QPushButton>("pushButton_4"), Qt::LeftButton); // NOUVEAU/CLEAR
    QCOMPARE(child<QLabel>("LID")->text(), QStringLiteral("0"));
    fillForm(form::with(form::ordinary(), {{"LEIM", "DK-0002-BB"}}));
    const Boxes second = clickSave();
    const QString secondKey = child<QLabel>("LID")->text();
    checkSuccessBox(second, QStringLiteral("ENREGISTRER"));

    QCOMPARE(db::rows("SELECT id, immat, trie FROM principal ORDER BY id"),
             QStringList({firstKey + "|DK-0001-AA|1", secondKey + "|DK-0002-BB|1"}));
    QVERIFY(labelShowsSymbol(child<QLabel>("label_qr"), secondKey));
    for (const QString &key : {firstKey, secondKey})
        QVERIFY(showsSymbol(
            QImage(testsupport::certificateFile(key), "PNG").convertToFormat(QImage::Format_RGB32),
            key));

    // Back on the first customer's policy: the renewal touches that row only,
    // though a later row carries the same name.
    fillForm(form::with(form::ordinary(), {{"LEIM", "DK-0001-AA"}, {"LID", firstKey}}));
    const Boxes renewal = clickSave();
    checkSuccessBox(renewal, QStringLiteral("MIS A JOUR.."));
    QCOMPARE(child<QLabel>("LID")->text(), firstKey);
    QCOMPARE(db::rows("SELECT id, immat, trie FROM principal ORDER BY id"),
             QStringList({firstKey + "|DK-0001-AA|2", secondKey + "|DK-0002-BB|1"}));
    QVERIFY(labelShowsSymbol(child<QLabel>("label_qr"), firstKey));
}

void IssuanceTest::refusedSaveKeepsTheKey() {
    const int loaded = db::addPolicy({{"nom", "'Fatou SOW'"}});
    const int namesake = db::addPolicy({{"nom", "'Fatou SOW'"}});
    QVERIFY(namesake > loaded);
    fillForm(form::with(form::ordinary(), {{"LESE", ""}}));
    child<QLabel>("LID")->setText(QString::number(loaded));
    const QStringList before = db::policyTables();
    const Boxes watcher = clickSave();
    QCOMPARE(watcher.first().title, QStringLiteral("information"));
    QCOMPARE(child<QLabel>("LID")->text(), QString::number(loaded));
    QCOMPARE(db::policyTables(), before);

    // A new policy refused: no certificate is made for a key that names no
    // policy, and none is left over from before.
    child<QLabel>("LID")->setText(QStringLiteral("0"));
    child<QLabel>("label_qr")
        ->setPixmap(certificate::labelPixmap(certificate::moduleImage(QString::number(namesake))));
    QFile::remove(QStringLiteral("0"));
    const Boxes refused = clickSave();
    QCOMPARE(refused.first().title, QStringLiteral("information"));
    QCOMPARE(child<QLabel>("LID")->text(), QStringLiteral("0"));
    QVERIFY(child<QLabel>("label_qr")->pixmap().isNull());
    QVERIFY(!QFile::exists(testsupport::certificateFile(QStringLiteral("0"))));
    QCOMPARE(db::policyTables(), before);
}

void IssuanceTest::frontComesOutOfTheQueue() {
    fillForm(form::with(form::ordinary(), {{"LEN", "AMINATA"}, {"LEA", "GUEDIAWAYE"}}));
    Boxes watcher;
    const QStringList issued = printqueue::documentsPrintedDuring([&] { watcher = clickSave(); });
    QCOMPARE(issued.size(), 1);
    QCOMPARE(printqueue::pageSize(issued.first()), QSizeF(842, 595));

    QPrinter printer(QPrinter::ScreenResolution);
    printer.setPageOrientation(QPageLayout::Landscape);
    printer.setPageSize(QPageSize(QPageSize::A4));
    const QPointF origin = printer.pageRect(QPrinter::DevicePixel).topLeft();
    const QList<printqueue::Word> words = printqueue::words(issued.first());
    const auto at = [&](const QString &text, int x, int y) {
        const QPointF expected = (QPointF(x, y) + origin) * 72.0 / 96.0;
        for (const printqueue::Word &w : words)
            if (w.text == text && qAbs(w.box.left() - expected.x()) < 1.0 &&
                qAbs(w.box.top() - expected.y()) < 2.0)
                return true;
        return false;
    };
    QVERIFY(at("AMINATA", 70, 260));
    QVERIFY(at("AMINATA", 620, 260));
    QVERIFY(at("GUEDIAWAYE", 620, 285));
    QVERIFY(at("V.P", 400, 320));
    QVERIFY(at("DK-1234-AB", 70, 465));
    QVERIFY(at("31/01/2026", 620, 510));
    QVERIFY(!words.isEmpty() && words.size() == 25);

    // The renewal prints the same page.
    Boxes again;
    const QStringList renewed = printqueue::documentsPrintedDuring([&] { again = clickSave(); });
    checkSuccessBox(again, QStringLiteral("MIS A JOUR.."));
    QCOMPARE(renewed.size(), 1);
    const QList<printqueue::Word> renewedWords = printqueue::words(renewed.first());
    QCOMPARE(renewedWords.size(), words.size());
    for (int i = 0; i < words.size(); ++i) {
        QCOMPARE(renewedWords.at(i).text, words.at(i).text);
        QCOMPARE(renewedWords.at(i).box, words.at(i).box);
    }
}

void IssuanceTest::saveWithoutPrinter() {
    fillForm(form::ordinary());
    QVERIFY(printqueue::removeQueue());
    Boxes watcher;
    const QStringList jobs = printqueue::documentsPrintedDuring([&] { watcher = clickSave(); });
    QVERIFY(printqueue::restoreQueue());
    checkSuccessBox(watcher, QStringLiteral("ENREGISTRER"));
    QVERIFY(jobs.isEmpty());
    QCOMPARE(db::scalar("SELECT COUNT(*) FROM principal").toInt(), 1);
    QCOMPARE(db::scalar("SELECT COUNT(*) FROM principal1").toInt(), 1);
    QCOMPARE(QPrinterInfo::defaultPrinterName(), QStringLiteral("talons"));
}

QTEST_MAIN(IssuanceTest)
#include "tst_issuance.moc"
