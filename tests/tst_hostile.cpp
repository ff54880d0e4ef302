// Hostile texts in every place where the program puts a text into a
// statement: each field that the save writes, the login pair, the search
// box, the plate of a pressed row (home table and report table), a policy
// number, the report dates and the agent id. Each text either comes back
// byte for byte or is refused with a French message naming the field; no
// other row changes, no statement breaks and no login is let through. Runs
// against the real MariaDB server.
#include "koravel3.h"
#include "support/connectwarnings.h"
#include "support/dbfixture.h"
#include "support/modal.h"
#include "support/policyform.h"
#include "support/tablecheck.h"
#include "support/windowtest.h"

#include <QApplication>
#include <QComboBox>
#include <QDateEdit>
#include <QDir>
#include <QHash>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPrinterInfo>
#include <QPushButton>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlQueryModel>
#include <QStackedWidget>
#include <QStandardItemModel>
#include <QStringListModel>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>

#include <memory>

namespace db = testsupport::db;
namespace form = testsupport::policyform;
using testsupport::sortedColumn;

namespace {

// The texts tried everywhere, by name.
QList<QPair<QString, QString>> payloads() {
    return {
        {"quote", "l'O''Brien'"},
        {"backslash", "C:\\dos\\n\\"},
        {"backquote", "`principal`"},
        {"percent and underscore", "100%_sûr_%"},
        {"NUL byte", QStringLiteral("a") + QChar(0) + QStringLiteral("b")},
        {"4-byte emoji", "🚗💥😀"},
        {"accented letters", "Ndèye Éléonore Çà"},
        {"4000 characters", QStringLiteral("Aé'\\").repeated(1000)},
        {"statement", "'; DROP TABLE principal; --"},
    };
}

// One row per text of payloads(), in a column "payload".
void addPayloadRows() {
    QTest::addColumn<QString>("payload");
    for (const auto &[name, text] : payloads())
        QTest::newRow(qPrintable(name)) << text;
}

QString hex(const QString &text) {
    return QString::fromLatin1(text.toUtf8().toHex().toUpper());
}

// A literal for the fixture's own statements that no text can break: its
// UTF-8 bytes in hexadecimal.
QString hexLiteral(const QString &text) {
    if (text.isEmpty())
        return QStringLiteral("''");
    return QStringLiteral("_utf8mb4 X'%1'").arg(hex(text));
}

// Characters as the server counts them in a VARCHAR column.
qsizetype characters(const QString &text) {
    return text.toUcs4().size();
}

// Read once per column: the schema does not change during the run, and
// MariaDB 10.11 was seen to crash (signal 11, freeing the temporary table of
// an information_schema query) after hundreds of such queries in a row.
int columnWidth(const QString &table, const QString &column) {
    static QHash<QString, int> widths;
    const QString key = table + QLatin1Char('.') + column;
    if (!widths.contains(key))
        widths.insert(key,
                      db::scalar(QStringLiteral("SELECT CHARACTER_MAXIMUM_LENGTH FROM "
                                                "information_schema.COLUMNS WHERE "
                                                "TABLE_SCHEMA='assurebdd' AND TABLE_NAME='%1' AND "
                                                "COLUMN_NAME='%2'")
                                     .arg(table, column))
                          .toInt());
    return widths.value(key);
}

// The columns of a table but the named ones, in table order.
QString columnsBut(const QString &table, const QStringList &except) {
    QStringList out;
    for (const QString &column :
         db::rows(QStringLiteral("SELECT COLUMN_NAME FROM information_schema.COLUMNS WHERE "
                                 "TABLE_SCHEMA='assurebdd' AND TABLE_NAME='%1' ORDER BY "
                                 "ORDINAL_POSITION")
                      .arg(table)))
        if (!except.contains(column))
            out << QLatin1Char('`') + column + QLatin1Char('`');
    return out.join(QLatin1Char(','));
}

// Tables that nothing in these tests may change.
QStringList untouchedTables() {
    return db::rows("CHECKSUM TABLE personnes, parametres, categorie1, categorie2, categorie3, "
                    "categorie4, categorie5, categorie6, categorie7");
}

// The first statement among the reads that the server refuses when the
// fixture sends it again, or an empty text when all of them run: a value
// that broke out of its literal leaves a statement that does not parse.
QString brokenRead(const QStringList &statements) {
    for (const QString &statement : statements) {
        if (!statement.startsWith(QLatin1String("select"), Qt::CaseInsensitive))
            continue;
        QSqlQuery again(db::admin());
        if (!again.exec(statement))
            return again.lastError().text() + QStringLiteral(" in: ") + statement.left(300);
    }
    return QString();
}

QString modelError(const QAbstractItemModel *model) {
    const auto *query = qobject_cast<const QSqlQueryModel *>(model);
    if (!query)
        return QStringLiteral("not a query model");
    return query->lastError().isValid() ? query->lastError().text() : QString();
}

// How the save must answer a text in a field.
enum Kind { Text, Amount, Collected, Date };

struct Field {
    const char *widget;
    Kind kind;
    const char *caption;
    const char *column;        // in principal and principal1
    const char *clientsColumn; // in clients, when the save writes it there
};

const Field fields[] = {
    {"label_5", Text, "IDENTIFIANT AGENT", "idpersonne", "idvendeur"},
    {"lineEdit_user_2", Text, "UTILISATEUR", "users", nullptr},
    {"lineEdit_passw_2", Text, "MOT DE PASSE", "password", nullptr},
    {"LEN", Text, "NOM", "nom", "nom"},
    {"LEA", Text, "ADRESSE", "adresse", "adresse"},
    {"LEPAC", Text, "PERSONNE A CONTACTER", "persacontacter", nullptr},
    {"LETPH", Text, "TELEPHONE", "telephone", nullptr},
    {"CBG", Text, "GENRE", "genre", "genre"},
    {"LEM", Text, "MARQUE", "marque", "marque"},
    {"LETP", Text, "TYPE", "type", "type"},
    {"LEIM", Text, "IMMATRICULATION", "immat", "immat"},
    {"LEPO", Text, "N POLICE", "police", "police"},
    {"LEP", Text, "N TALON", "attestation", "attestation"},
    {"CBNM", Text, "NOMBRE DE MOIS", "nbrdemois", nullptr},
    {"CBE", Text, "ENERGIE", "energie", nullptr},
    {"CBP", Text, "PUISSANCE", "forcefiscal", nullptr},
    {"CBCG", Text, "CATEGORIE", "categorie", nullptr},
    {"CBTF", Text, "TRANCHE", "tranchef", nullptr},
    {"LENDP", Text, "NOMBRE DE PLACE", "nbrdeplace", nullptr},
    {"lineEdit", Text, "ADRESSE CONTACT", "padres", nullptr},
    {"LECP_2", Amount, "COUT DE POLICE", nullptr, nullptr},
    {"LEPT_2", Amount, "PRIME TOTAL", nullptr, nullptr},
    {"LETX_2", Amount, "TAXE", nullptr, nullptr},
    {"LEFGA_2", Amount, "FGA", nullptr, nullptr},
    {"LEPCA_2", Amount, "PCA", nullptr, nullptr},
    {"LESF", Amount, "SOMME FACTURE", nullptr, nullptr},
    {"LESE", Collected, "", nullptr, nullptr},
    {"LEDU", Date, "DATE D'EFFET", nullptr, nullptr},
    {"LEAU", Date, "DATE D'EXPIRATION", nullptr, nullptr},
};

const QString notPriced =
    QStringLiteral("La prime de ce formulaire n'a pas été calculée : choisissez le genre et la "
                   "puissance, puis le nombre de mois, et appuyez sur CALCULER. Rien n'a été "
                   "enregistré.");

QString tooLong(const QString &caption, qsizetype length, int width) {
    return QStringLiteral("« %1 » : texte trop long (%2 caractères, %3 au plus). Rien n'a été "
                          "enregistré.")
        .arg(caption)
        .arg(length)
        .arg(width);
}

} // namespace

class HostileTest : public testsupport::WindowTest {
    Q_OBJECT

public:
    // Hostile agent names and passwords must reach the statements as values,
    // which the server's own-name check would refuse first with agents' own
    // accounts.
    static void initMain() { testsupport::prepareEnvironment(testsupport::Accounts::Counter); }

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void saveField_data();
    void saveField();
    void textLengthLimit_data();
    void textLengthLimit();
    void loginPair_data();
    void loginPair();
    void searchBox_data();
    void searchBox();
    void pressedRows_data();
    void pressedRows();
    void agentId_data();
    void agentId();
    void reportDatesTakeNoText();
    void counterAccountRefused_data();
    void counterAccountRefused();

private:
    void fillOrdinary(const form::Values &changes);
    void logIn(const QString &user, const QString &password, bool viaEnter);
    int savedBaseline();
    // The statements only read, all of them still parse, and no table
    // changed from the snapshots taken before.
    static void checkOnlyRead(const QStringList &sent, const QStringList &untouched,
                              const QStringList &policies);

    QTemporaryDir workDir;
    QString startDir;
    int baselinePolicy = 0;
    int baselineHistory = 0;
    int baselineClient = 0;
    std::unique_ptr<testsupport::ModalWatcher> boxes;
};

void HostileTest::initTestCase() {
    testsupport::failOnConnectWarnings();
    // The save prints the talons: with no print server at all nothing comes
    // out, and hundreds of saves send no job anywhere.
    qputenv("CUPS_SERVER", QByteArray("/nonexistent/koravel-no-printer.sock"));
    QVERIFY2(db::admin().isOpen(), "the test database server must be running");
    QCOMPARE(QPrinterInfo::defaultPrinterName(), QString());
    // The certificate of each saved policy is written to the working
    // directory.
    QVERIFY(workDir.isValid());
    startDir = QDir::currentPath();
    QVERIFY(QDir::setCurrent(workDir.path()));
}

void HostileTest::init() {
    boxes.reset();
    window.reset();
}

void HostileTest::cleanup() {
    window.reset();
    boxes.reset();
}

// The ordinary form with the changes on top. The changed widgets are set
// after the combo boxes have run their change handlers, and the plain fields
// are set again after them, so that each change stands alone.
void HostileTest::fillOrdinary(const form::Values &changes) {
    QStringList names;
    for (const auto &change : changes)
        names << change.first;
    fillForm(form::ordinary());
    fillForm(changes);
    fillForm(form::plainFields(form::ordinary(), names));
}

void HostileTest::logIn(const QString &user, const QString &password, bool viaEnter) {
    QTest::ignoreMessage(QtDebugMsg, "connecter.....");
    submitLogin(user, password, viaEnter);
}

// A fresh database with some rows that no save may touch, then the ordinary
// form saved once: the row that every hostile save is compared with.
int HostileTest::savedBaseline() {
    if (!db::reset())
        return 0;
    db::addAgent("awa", "pw1", "Awa DIALLO");
    db::addPolicy({{"nom", "'AUTRE CLIENT'"}, {"immat", "'DK-9999-ZZ'"}});
    db::addPolicy({{"nom", "'AUTRE CLIENT'"}, {"immat", "'DK-9999-ZZ'"}}, true);
    db::exec("INSERT INTO clients (idvendeur,nom,garanti,attestation,police,genre,marque,type,"
             "immat,adresse) VALUES ('3','AUTRE CLIENT','TIERS SIMPLE','T','P','V.P','FIAT','UNO',"
             "'DK-9999-ZZ','Thies')");
    openWindow();
    fillOrdinary({});
    const QList<testsupport::SeenBox> seen = clickAnswered("pushButton_3");
    if (seen.size() != 1 || seen.first().text != QLatin1String("ENREGISTRER"))
        return 0;
    baselinePolicy = db::scalar("SELECT MAX(id) FROM principal").toInt();
    baselineHistory = db::scalar("SELECT MAX(idhistorique) FROM principal1").toInt();
    baselineClient = db::scalar("SELECT MAX(idclient) FROM clients").toInt();
    return baselinePolicy;
}

void HostileTest::checkOnlyRead(const QStringList &sent, const QStringList &untouched,
                                const QStringList &policies) {
    QCOMPARE(brokenRead(sent), QString());
    QCOMPARE(db::writes(sent), QStringList());
    QCOMPARE(untouchedTables(), untouched);
    QCOMPARE(db::policyTables(), policies);
}

void HostileTest::saveField_data() {
    QTest::addColumn<int>("field");
    QTest::addColumn<QString>("payload");
    for (int f = 0; f < int(std::size(fields)); ++f)
        for (const auto &[name, text] : payloads())
            QTest::addRow("%s, %s", fields[f].widget, qPrintable(name)) << f << text;
}

void HostileTest::saveField() {
    QFETCH(int, field);
    QFETCH(QString, payload);
    const Field &f = fields[field];
    if (!baselinePolicy)
        QVERIFY(savedBaseline());
    openWindow();
    fillOrdinary({{f.widget, payload}});

    QString refusal;
    switch (f.kind) {
    case Text: {
        const int width = columnWidth("principal", f.column);
        QVERIFY(width > 0);
        QCOMPARE(columnWidth("principal1", f.column), width);
        if (f.clientsColumn)
            QCOMPARE(columnWidth("clients", f.clientsColumn), width);
        if (characters(payload) > width)
            refusal = tooLong(f.caption, characters(payload), width);
        // Months, a power, a category or a bracket that are not the
        // tariff's do not price the period shown.
        else if (QStringList({"CBNM", "CBP", "CBCG", "CBTF"}).contains(QLatin1String(f.widget)))
            refusal = notPriced;
        break;
    }
    case Amount:
        refusal = QStringLiteral("« %1 » : montant invalide, un nombre entier est attendu. Rien "
                                 "n'a été enregistré.")
                      .arg(f.caption);
        break;
    case Collected:
        refusal = QStringLiteral("veuillez SVP indiquer la somme encaisser");
        break;
    case Date:
        refusal = QStringLiteral("« %1 » : date invalide, la date doit s'écrire jj/mm/aaaa. Rien "
                                 "n'a été enregistré.")
                      .arg(f.caption);
        break;
    }

    const QStringList untouched = untouchedTables();
    const QStringList before = db::policyTables();
    const int lastPolicy = db::scalar("SELECT MAX(id) FROM principal").toInt();
    QList<testsupport::SeenBox> seen;
    const QStringList sent =
        db::statementsSentDuring([&] { seen = clickAnswered("pushButton_3"); });

    QCOMPARE(seen.size(), 1);
    QCOMPARE(seen.first().buttons, QMessageBox::StandardButtons(QMessageBox::Ok));
    QCOMPARE(untouchedTables(), untouched);
    if (!refusal.isEmpty()) {
        QCOMPARE(seen.first().title, QStringLiteral("information"));
        QCOMPARE(seen.first().text, refusal);
        QCOMPARE(seen.first().icon, QMessageBox::Information);
        QCOMPARE(db::writes(sent), QStringList());
        QCOMPARE(db::policyTables(), before);
        QCOMPARE(child<QLabel>("LID")->text(), QStringLiteral("0"));
        return;
    }

    QCOMPARE(seen.first().title, QStringLiteral("save"));
    QCOMPARE(seen.first().text, QStringLiteral("ENREGISTRER"));
    QCOMPARE(db::writes(sent).size(), 3);
    const int id = db::scalar("SELECT MAX(id) FROM principal").toInt();
    const int history = db::scalar("SELECT MAX(idhistorique) FROM principal1").toInt();
    const int client = db::scalar("SELECT MAX(idclient) FROM clients").toInt();
    QVERIFY(id > lastPolicy);
    QCOMPARE(child<QLabel>("LID")->text(), QString::number(id));

    // Exactly one new row in each table, the old ones as they were.
    QStringList after = db::policyTables();
    QCOMPARE(after.size(), before.size() + 3);
    for (const QString &row : before)
        QVERIFY2(after.removeOne(row), qPrintable(row.left(200)));

    // The text byte for byte, and every other column as in the ordinary save.
    const QString column = QString::fromLatin1(f.column);
    QCOMPARE(db::scalar(
                 QStringLiteral("SELECT HEX(`%1`) FROM principal WHERE id=%2").arg(column).arg(id))
                 .toString(),
             hex(payload));
    QCOMPARE(db::scalar(QStringLiteral("SELECT HEX(`%1`) FROM principal1 WHERE idhistorique=%2")
                            .arg(column)
                            .arg(history))
                 .toString(),
             hex(payload));
    const auto sameAsBaseline = [](const QString &table, const QString &key, int baseline, int row,
                                   const QStringList &except) {
        const QStringList two = db::rows(QStringLiteral("SELECT %1 FROM %2 WHERE %3 IN (%4, %5)")
                                             .arg(columnsBut(table, except), table, key)
                                             .arg(baseline)
                                             .arg(row));
        return two.size() == 2 && two.first() == two.last();
    };
    QVERIFY(sameAsBaseline("principal", "id", baselinePolicy, id, {"id", column}));
    // The key and the server's time of the save differ from the baseline's.
    QVERIFY(sameAsBaseline("principal1", "idhistorique", baselineHistory, history,
                           {"idhistorique", "enregistre_le", column}));
    if (f.clientsColumn) {
        const QString clientsColumn = QString::fromLatin1(f.clientsColumn);
        QCOMPARE(db::scalar(QStringLiteral("SELECT HEX(`%1`) FROM clients WHERE idclient=%2")
                                .arg(clientsColumn)
                                .arg(client))
                     .toString(),
                 hex(payload));
        QVERIFY(sameAsBaseline("clients", "idclient", baselineClient, client,
                               {"idclient", clientsColumn}));
    } else {
        QVERIFY(sameAsBaseline("clients", "idclient", baselineClient, client, {"idclient"}));
    }
}

void HostileTest::textLengthLimit_data() {
    QTest::addColumn<QString>("widget");
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("renewal");
    QTest::addColumn<QString>("refusal");
    const QString emoji = QStringLiteral("😀");
    QTest::newRow("name of 255 emoji") << "LEN" << emoji.repeated(255) << false << QString();
    QTest::newRow("name of 256 emoji")
        << "LEN" << emoji.repeated(256) << false << tooLong("NOM", 256, 255);
    QTest::newRow("name of 256 accented letters, renewal")
        << "LEN" << QStringLiteral("é").repeated(256) << true << tooLong("NOM", 256, 255);
    QTest::newRow("plate of 4000 characters, renewal")
        << "LEIM" << QStringLiteral("x").repeated(4000) << true
        << tooLong("IMMATRICULATION", 4000, 255);
    QTest::newRow("power of 8 characters") << "CBP"
                                           << "12345678" << false << notPriced;
    QTest::newRow("power of 9 characters") << "CBP"
                                           << "123456789" << false << tooLong("PUISSANCE", 9, 8);
    QTest::newRow("agent id of 33 characters") << "label_5" << QStringLiteral("7").repeated(33)
                                               << false << tooLong("IDENTIFIANT AGENT", 33, 32);
    QTest::newRow("password of 65 characters, renewal")
        << "lineEdit_passw_2" << QStringLiteral("p").repeated(65) << true
        << tooLong("MOT DE PASSE", 65, 64);
    QTest::newRow("contact address of 256 characters")
        << "lineEdit" << QStringLiteral("a").repeated(256) << false
        << tooLong("ADRESSE CONTACT", 256, 255);
}

// A text longer than its column used to reach the server, which refused
// the save with its own English message ("Data too long for column ...").
void HostileTest::textLengthLimit() {
    QFETCH(QString, widget);
    QFETCH(QString, text);
    QFETCH(bool, renewal);
    QFETCH(QString, refusal);
    QVERIFY(db::reset());
    const int existing = renewal ? db::addPolicy({{"trie", "4"}}) : 0;
    openWindow();
    fillOrdinary({{widget, text}, {"LID", QString::number(existing)}});
    const QStringList before = db::policyTables();
    QList<testsupport::SeenBox> seen;
    const QStringList sent =
        db::statementsSentDuring([&] { seen = clickAnswered("pushButton_3"); });
    QCOMPARE(seen.size(), 1);
    if (refusal.isEmpty()) {
        QCOMPARE(seen.first().text,
                 renewal ? QStringLiteral("MIS A JOUR..") : QStringLiteral("ENREGISTRER"));
        QCOMPARE(db::scalar("SELECT COUNT(*) FROM principal1").toInt(), 1);
        return;
    }
    QCOMPARE(seen.first().title, QStringLiteral("information"));
    QCOMPARE(seen.first().text, refusal);
    QCOMPARE(seen.first().icon, QMessageBox::Information);
    QCOMPARE(db::writes(sent), QStringList());
    QCOMPARE(db::policyTables(), before);
    QCOMPARE(child<QLabel>("LID")->text(), QString::number(existing));
}

void HostileTest::loginPair_data() {
    QTest::addColumn<bool>("inUser");
    QTest::addColumn<QString>("payload");
    for (const bool inUser : {true, false})
        for (const auto &[name, text] : payloads())
            QTest::addRow("%s, %s", inUser ? "user" : "password", qPrintable(name))
                << inUser << text;
}

void HostileTest::loginPair() {
    QFETCH(bool, inUser);
    QFETCH(QString, payload);
    QVERIFY(db::reset());
    const int awa = db::addAgent("awa", "awa-pw", "Awa DIALLO");
    QVERIFY(awa > 0);
    const QString user = inUser ? payload : QStringLiteral("agent-x");
    const QString password = inUser ? QStringLiteral("pw-x") : payload;
    // An agent whose own login carries the text, when the column holds it.
    int owner = 0;
    if (characters(payload) <= columnWidth("personnes", inUser ? "user" : "password")) {
        QVERIFY(db::exec(QStringLiteral("INSERT INTO personnes (`user`, `password`, nom) VALUES "
                                        "(%1, %2, 'Agent X')")
                             .arg(hexLiteral(user), hexLiteral(password))));
        owner = db::scalar("SELECT LAST_INSERT_ID()").toInt();
    }
    const QStringList agents = untouchedTables();
    const QStringList policies = db::policyTables();
    boxes = std::make_unique<testsupport::ModalWatcher>(QMessageBox::No);
    openWindow();
    const QString incorrect = QStringLiteral("nom utilisateur et mot de passe incorrect");

    // Neither way in lets the text stand for another agent's password or name.
    const struct {
        QString user;
        QString password;
        bool viaEnter;
    } refused[] = {
        {inUser ? payload : QStringLiteral("awa"), inUser ? QStringLiteral("awa-pw") : payload,
         false},
        {inUser ? payload : QStringLiteral("awa"), inUser ? QStringLiteral("awa-pw") : payload,
         true},
        {payload, payload, false},
        {payload, payload, true},
    };
    QStringList sent;
    for (const auto &attempt : refused) {
        child<QLabel>("label_4")->clear();
        sent += db::statementsSentDuring(
            [&] { logIn(attempt.user, attempt.password, attempt.viaEnter); });
        QCOMPARE(page(), Koravel3::LoginPage);
        QCOMPARE(child<QLabel>("label_4")->text(), incorrect);
    }

    // The agent whose login it is gets in, both ways, as that agent.
    for (const bool viaEnter : {false, true}) {
        child<QLabel>("label_4")->clear();
        child<QLabel>("label_5")->setText(QStringLiteral("-"));
        sent += db::statementsSentDuring([&] { logIn(user, password, viaEnter); });
        if (owner) {
            QCOMPARE(page(), Koravel3::HomePage);
            QCOMPARE(child<QLabel>("label_5")->text(), QString::number(owner));
            QCOMPARE(child<QLabel>("label_34")->text(), QStringLiteral("0"));
            QTest::mouseClick(child<QPushButton>("pushButton_2"), Qt::LeftButton);
            QCOMPARE(page(), Koravel3::LoginPage);
        } else {
            QCOMPARE(page(), Koravel3::LoginPage);
            QCOMPARE(child<QLabel>("label_4")->text(), incorrect);
            QCOMPARE(child<QLabel>("label_5")->text(), QStringLiteral("-"));
        }
    }
    checkOnlyRead(sent, agents, policies);
}

void HostileTest::searchBox_data() {
    addPayloadRows();
}

// Every text of the list sits in a name and in a plate of the agent's
// policies and of another agent's; the search finds the agent's rows that
// hold the text as it is, and no row that only matches it as a pattern.
void HostileTest::searchBox() {
    QFETCH(QString, payload);
    QVERIFY(db::reset());
    const int agent = db::addAgent("awa", "awa-pw");
    const int other = db::addAgent("bob", "bob-pw");
    QVERIFY(agent > 0 && other > 0);
    int n = 0;
    for (const auto &[name, text] : payloads()) {
        if (characters(text) > 200)
            continue;
        ++n;
        for (const int owner : {agent, other}) {
            const QString tag = QStringLiteral("%1-%2").arg(owner).arg(n);
            QVERIFY(db::addPolicy(
                {{"idpersonne", db::literal(QString::number(owner))},
                 {"nom", QStringLiteral("CONCAT('NOM ', %1, ' FIN')").arg(hexLiteral(text))},
                 {"immat", db::literal(QStringLiteral("N-") + tag)}}));
            QVERIFY(db::addPolicy(
                {{"idpersonne", db::literal(QString::number(owner))},
                 {"nom", db::literal(QStringLiteral("PLAQUE ") + tag)},
                 {"immat", QStringLiteral("CONCAT(%1, '/P-%2')").arg(hexLiteral(text), tag)}}));
        }
    }
    // Rows that the texts would find if they were patterns.
    for (const char *decoy : {"100 pour cent sûr de soi", "C:dosn", "xaby", "lOBrien"})
        QVERIFY(db::addPolicy({{"idpersonne", db::literal(QString::number(agent))},
                               {"nom", db::literal(QString::fromUtf8(decoy))},
                               {"immat", db::literal(QStringLiteral("DECOY"))}}));

    const QString contains = QStringLiteral("SELECT immat FROM principal WHERE idpersonne='%1' AND "
                                            "(LOCATE(%2, immat) > 0 OR LOCATE(%2, nom) > 0)")
                                 .arg(agent)
                                 .arg(hexLiteral(payload));
    QStringList expected = db::rows(contains);
    expected.sort();
    if (characters(payload) <= 200)
        QVERIFY(expected.size() >= 2);

    boxes = std::make_unique<testsupport::ModalWatcher>(QMessageBox::No);
    openWindow();
    showWindow();
    logIn("awa", "awa-pw", false);
    QCOMPARE(page(), Koravel3::HomePage);
    const QStringList untouched = untouchedTables();
    const QStringList policies = db::policyTables();
    auto *view = child<QTableView>("tableView");

    const QStringList typed =
        db::statementsSentDuring([&] { child<QLineEdit>("LER")->setText(payload); });
    QCOMPARE(child<QLineEdit>("LER")->text(), payload);
    QCOMPARE(modelError(view->model()), QString());
    QCOMPARE(sortedColumn(view->model(), 0), expected);

    const QStringList pressed = db::statementsSentDuring(
        [&] { QTest::mouseClick(child<QPushButton>("pushButton_7"), Qt::LeftButton); });
    QCOMPARE(modelError(view->model()), QString());
    QCOMPARE(sortedColumn(view->model(), 0), expected);

    QCOMPARE(brokenRead(typed + pressed), QString());
    QCOMPARE(untouchedTables(), untouched);
    QCOMPARE(db::policyTables(), policies);
}

void HostileTest::pressedRows_data() {
    addPayloadRows();
}

// The text as a plate in both tables and as a policy number in the list of
// the plate's issues: pressing the row loads that policy, and choosing the
// number shows that issue. A text that no column can hold is pressed in a
// table the test fills itself: nothing is found and nothing changes.
void HostileTest::pressedRows() {
    QFETCH(QString, payload);
    QVERIFY(db::reset());
    const int agent = db::addAgent("awa", "awa-pw");
    const int other = db::addAgent("bob", "bob-pw");
    const bool stored = characters(payload) <= columnWidth("principal", "immat");
    int id = 0;
    if (stored) {
        id = db::addPolicy({{"idpersonne", db::literal(QString::number(agent))},
                            {"immat", hexLiteral(payload)},
                            {"nom", "'CLIENT PRESSE'"},
                            {"police", "'POL-P'"},
                            {"attestation", "'T-P'"},
                            {"currentd", "'2030-06-15'"},
                            {"valable", "'2030-06-15'"}});
        QVERIFY(id > 0);
        QVERIFY(db::addPolicy({{"idpersonne", db::literal(QString::number(agent))},
                               {"immat", hexLiteral(payload)},
                               {"police", hexLiteral(payload)},
                               {"attestation", "'T-HIST'"},
                               {"marque", "'PEUGEOT'"}},
                              true));
        // Another agent's issue under another number for the same plate.
        QVERIFY(db::addPolicy({{"idpersonne", db::literal(QString::number(other))},
                               {"immat", hexLiteral(payload)},
                               {"police", "'POL-AUTRE'"}},
                              true));
    }
    QVERIFY(db::addPolicy({{"idpersonne", db::literal(QString::number(agent))},
                           {"immat", "'DK-DECOY'"},
                           {"nom", "'DECOY'"}}));

    boxes = std::make_unique<testsupport::ModalWatcher>(QMessageBox::No);
    openWindow();
    showWindow();
    logIn("awa", "awa-pw", false);
    QCOMPARE(page(), Koravel3::HomePage);
    const QStringList untouched = untouchedTables();
    const QStringList policies = db::policyTables();
    auto *home = child<QTableView>("tableView");
    auto *report = child<QTableView>("tableView_2");
    auto *numbers = child<QComboBox>("comboBox_3");
    QStringList sent;

    // Home table: the plate as the search shows it.
    if (stored) {
        child<QLineEdit>("LER")->setText(QStringLiteral("CLIENT PRESSE"));
        QCOMPARE(home->model()->rowCount(), 1);
        QCOMPARE(home->model()->index(0, 0).data().toString(), payload);
    } else {
        auto *model = new QStandardItemModel(0, 2, window.get());
        model->appendRow({new QStandardItem(payload), new QStandardItem("X")});
        home->setModel(model);
    }
    sent += db::statementsSentDuring([&] { testsupport::pressCell(home, 0, 0, false); });
    if (stored) {
        QCOMPARE(child<QLabel>("LID")->text(), QString::number(id));
        QCOMPARE(child<QLineEdit>("LEIM")->text(), payload);
        QCOMPARE(child<QLineEdit>("LEN")->text(), QStringLiteral("CLIENT PRESSE"));
        QCOMPARE(child<QLineEdit>("LEPO")->text(), QStringLiteral("POL-P"));
    } else {
        QCOMPARE(child<QLabel>("LID")->text(), QStringLiteral("0"));
        QCOMPARE(child<QLineEdit>("LEIM")->text(), QString());
    }

    // Report table: the plate as client statistics show it.
    QTest::mouseClick(child<QPushButton>("pushButton_8"), Qt::LeftButton);
    QCOMPARE(page(), Koravel3::AccountingPage);
    for (const char *label : {"label_43", "label_44"})
        child<QLabel>(label)->setText(QStringLiteral("avant"));
    if (stored) {
        runReport("pushButton_11", QDate(2030, 6, 15), QDate(2030, 6, 15));
        QCOMPARE(report->model()->rowCount(), 1);
        QCOMPARE(report->model()->index(0, 1).data().toString(), payload);
    } else {
        auto *model = new QStandardItemModel(0, 2, window.get());
        model->appendRow({new QStandardItem("X"), new QStandardItem(payload)});
        report->setModel(model);
    }
    sent += db::statementsSentDuring([&] { testsupport::pressCell(report, 0, 1, true); });
    QCOMPARE(modelError(numbers->model()), QString());
    if (stored) {
        QCOMPARE(child<QLineEdit>("lineEdit_6")->text(), QStringLiteral("CLIENT PRESSE"));
        QCOMPARE(numbers->count(), 1);
        QCOMPARE(numbers->itemText(0), payload);
        QCOMPARE(child<QLabel>("label_43")->text(), payload);
        QCOMPARE(child<QLabel>("label_44")->text(), QStringLiteral("T-HIST"));
        QCOMPARE(child<QLabel>("label_54")->text(), QStringLiteral("PEUGEOT"));
        child<QLabel>("label_43")->setText(QStringLiteral("avant"));
        sent += db::statementsSentDuring(
            [&] { QTest::mouseClick(child<QToolButton>("toolButton"), Qt::LeftButton); });
        QCOMPARE(child<QLabel>("label_43")->text(), payload);
    } else {
        QCOMPARE(child<QLineEdit>("lineEdit_6")->text(), QString());
        QCOMPARE(numbers->count(), 0);
        QCOMPARE(child<QLabel>("label_43")->text(), QStringLiteral("avant"));
        // The number list as if it held the text.
        sent += db::statementsSentDuring([&] {
            numbers->setModel(new QStringListModel({QStringLiteral("P0"), payload}, numbers));
            numbers->setCurrentIndex(1);
            QTest::mouseClick(child<QToolButton>("toolButton"), Qt::LeftButton);
        });
        QCOMPARE(child<QLabel>("label_43")->text(), QStringLiteral("avant"));
        QCOMPARE(child<QLabel>("label_44")->text(), QStringLiteral("avant"));
    }

    QVERIFY(sent.size() >= 3);
    checkOnlyRead(sent, untouched, policies);
}

void HostileTest::agentId_data() {
    addPayloadRows();
}

// The agent id is a label that the login fills; should it ever hold such a
// text, every statement restricted to the agent still selects that agent's
// rows and only them.
void HostileTest::agentId() {
    QFETCH(QString, payload);
    QVERIFY(db::reset());
    const bool stored = characters(payload) <= columnWidth("principal", "idpersonne");
    const struct {
        const char *plate;
        const char *expiry;
        const char *start;
        int prime;
    } mine[] = {
        {"AG-1", "CURDATE() + INTERVAL 2 DAY", "'2030-03-10'", 1000},
        {"AG-2", "CURDATE() - INTERVAL 5 DAY", "'2030-03-20'", 2345},
    };
    for (const auto &row : mine) {
        const QVariantMap columns{{"immat", db::literal(QLatin1String(row.plate))},
                                  {"nom", "'AGENT P'"},
                                  {"police", db::literal(QStringLiteral("P-") + row.plate)},
                                  {"valabl", QLatin1String(row.expiry)},
                                  {"currentd", QLatin1String(row.start)},
                                  {"prime", row.prime}};
        // The same plates, names differing, under ordinary agent ids and
        // under ids that only resemble the text.
        QStringList owners{QStringLiteral("'1'"), QStringLiteral("'%'")};
        if (stored)
            owners << QStringLiteral("CONCAT('x', %1)").arg(hexLiteral(payload));
        for (const QString &owner : std::as_const(owners)) {
            QVariantMap decoy = columns;
            decoy.insert("idpersonne", owner);
            decoy.insert("nom", "'DECOY'");
            decoy.insert("police", "'P-DECOY'");
            decoy.insert("prime", 900000);
            QVERIFY(db::addPolicy(decoy));
            QVERIFY(db::addPolicy(decoy, true));
        }
        if (stored) {
            QVariantMap own = columns;
            own.insert("idpersonne", hexLiteral(payload));
            QVERIFY(db::addPolicy(own));
            QVERIFY(db::addPolicy(own, true));
        }
    }
    const QStringList plates = stored ? QStringList{"AG-1", "AG-2"} : QStringList{};

    boxes = std::make_unique<testsupport::ModalWatcher>(QMessageBox::No);
    openWindow();
    showWindow();
    child<QLabel>("label_5")->setText(payload);
    setPage(Koravel3::HomePage);
    const QStringList untouched = untouchedTables();
    const QStringList policies = db::policyTables();
    auto *home = child<QTableView>("tableView");
    auto *report = child<QTableView>("tableView_2");
    QStringList sent;

    const auto shows = [&](QTableView *view, int plateColumn, const QStringList &expected) {
        QCOMPARE(modelError(view->model()), QString());
        QCOMPARE(sortedColumn(view->model(), plateColumn), expected);
    };
    sent += db::statementsSentDuring([&] {
        child<QLineEdit>("LER")->setText(QStringLiteral("#"));
        child<QLineEdit>("LER")->clear();
    });
    shows(home, 0, plates);
    sent += db::statementsSentDuring(
        [&] { QTest::mouseClick(child<QPushButton>("pushButton_5"), Qt::LeftButton); });
    shows(home, 0, plates);
    sent += db::statementsSentDuring(
        [&] { QTest::mouseClick(child<QPushButton>("pushButton_6"), Qt::LeftButton); });
    shows(home, 0, plates.mid(0, 1));
    sent += db::statementsSentDuring(
        [&] { QTest::mouseClick(child<QPushButton>("pushButton_10"), Qt::LeftButton); });
    shows(home, 0, plates.mid(1));

    QTest::mouseClick(child<QPushButton>("pushButton_8"), Qt::LeftButton);
    const QDate start(2030, 3, 1);
    const QDate end(2030, 3, 31);
    sent += db::statementsSentDuring([&] { runReport("pushButton_11", start, end); });
    shows(report, 1, plates);
    sent += db::statementsSentDuring([&] { runReport("pushButton_12", start, end); });
    shows(report, 1, plates);
    sent += db::statementsSentDuring([&] { runReport("pushButton_13", start, end); });
    shows(report, 2, plates);
    QCOMPARE(child<QLineEdit>("lineEditntalons")->text(), QString::number(plates.size()));
    QCOMPARE(child<QLineEdit>("lineEdit_pn")->text(), stored ? QStringLiteral("3345") : QString());

    // The card and the numbers of the first plate.
    if (stored) {
        sent += db::statementsSentDuring([&] { testsupport::pressCell(report, 0, 2, true); });
        const QString plate = report->model()->index(0, 2).data().toString();
        QCOMPARE(child<QLineEdit>("lineEdit_6")->text(), QStringLiteral("AGENT P"));
        auto *numbers = child<QComboBox>("comboBox_3");
        QCOMPARE(numbers->count(), 1);
        QCOMPARE(numbers->itemText(0), QStringLiteral("P-") + plate);
        QCOMPARE(child<QLabel>("label_43")->text(), QStringLiteral("P-") + plate);
    }

    checkOnlyRead(sent, untouched, policies);
}

// A date edit takes digits only: whatever is typed into it, the report
// statement receives a dd/MM/yyyy text.
void HostileTest::reportDatesTakeNoText() {
    QVERIFY(db::reset());
    boxes = std::make_unique<testsupport::ModalWatcher>(QMessageBox::No);
    openWindow();
    showWindow();
    child<QLabel>("label_5")->setText(QStringLiteral("12"));
    QTest::mouseClick(child<QPushButton>("pushButton_8"), Qt::LeftButton);
    auto *start = child<QDateEdit>("dateEdit");
    auto *end = child<QDateEdit>("dateEdit_2");
    start->setDate(QDate(2025, 3, 1));
    end->setDate(QDate(2025, 3, 31));
    for (const auto &[name, text] : payloads()) {
        if (characters(text) > 100)
            continue;
        for (QDateEdit *edit : {start, end}) {
            // Key events carrying each character, as a keyboard would send
            // them (QTest::keyClicks knows ASCII only).
            for (const uint c : text.toUcs4()) {
                const QString typed = QString::fromUcs4(reinterpret_cast<const char32_t *>(&c), 1);
                QKeyEvent press(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, typed);
                QKeyEvent release(QEvent::KeyRelease, Qt::Key_unknown, Qt::NoModifier, typed);
                QApplication::sendEvent(edit, &press);
                QApplication::sendEvent(edit, &release);
            }
            QVERIFY(edit->date().isValid());
        }
    }
    QTest::mouseClick(child<QPushButton>("pushButton_13"), Qt::LeftButton);
    const QStringList sent = db::statementsSentDuring(
        [&] { QTest::mouseClick(child<QPushButton>("pushButton_14"), Qt::LeftButton); });
    QCOMPARE(sent.size(), 7);
    const QString period =
        QStringLiteral("currentd between STR_TO_DATE('%1','%d/%m/%Y' ) and "
                       "STR_TO_DATE('%2','%d/%m/%Y' )")
            .arg(start->date().toString("dd/MM/yyyy"), end->date().toString("dd/MM/yyyy"));
    for (const QString &statement : sent)
        QVERIFY2(statement.contains(period), qPrintable(statement));
    QCOMPARE(brokenRead(sent), QString());
    QCOMPARE(modelError(child<QTableView>("tableView_2")->model()), QString());
}

// What someone holding the counter's password would try with the mariadb
// client: the server itself refuses each, whatever the program does.
void HostileTest::counterAccountRefused_data() {
    QTest::addColumn<QString>("statement");
    QTest::addColumn<QString>("error"); // the server's error number
    const QString commandDenied = QStringLiteral("1142");
    const QString columnDenied = QStringLiteral("1143");
    for (const char *table :
         {"personnes", "principal", "principal1", "clients", "parametres", "categorie1",
          "categorie2", "categorie3", "categorie4", "categorie5", "categorie6", "categorie7"})
        QTest::addRow("DELETE FROM %s", table)
            << QStringLiteral("DELETE FROM %1").arg(QLatin1String(table)) << commandDenied;
    QTest::newRow("UPDATE personnes") << "UPDATE personnes SET `password`='x'" << commandDenied;
    QTest::newRow("UPDATE principal padres") << "UPDATE principal SET padres='x'" << columnDenied;
    QTest::newRow("back-dated history") << "INSERT INTO principal1 (idpersonne, enregistre_le) "
                                           "VALUES ('1', '2020-01-01')"
                                        << columnDenied;
    QTest::newRow("DROP TABLE") << "DROP TABLE principal1" << commandDenied;
    QTest::newRow("CREATE TABLE") << "CREATE TABLE intrus (a INT)" << commandDenied;
    QTest::newRow("SELECT mysql.user") << "SELECT * FROM mysql.user" << commandDenied;
}

void HostileTest::counterAccountRefused() {
    QFETCH(QString, statement);
    QFETCH(QString, error);
    QVERIFY(db::reset());
    QVERIFY(db::addAgent("awa", "pw1") > 0);
    QVERIFY(db::addPolicy({}) > 0);
    QVERIFY(db::addPolicy({}, true) > 0);
    QVERIFY(db::exec("INSERT INTO clients (idvendeur,nom,garanti,attestation,police,genre,marque,"
                     "type,immat,adresse) VALUES ('1','CLIENT','TIERS SIMPLE','T-1','P-1','V.P',"
                     "'TOYOTA','COROLLA','DK-0000-AA','Dakar')"));
    const QStringList tables = db::rows("SHOW TABLES");
    for (const QString &table : tables)
        QVERIFY2(db::scalar("SELECT COUNT(*) FROM " + table).toInt() > 0, qPrintable(table));
    const QStringList before = db::rowDigests(tables);

    QSqlQuery query(db::counter());
    // The session works and may read: the refusal is for want of a right.
    QVERIFY2(query.exec("SELECT COUNT(*) FROM principal"), qPrintable(query.lastError().text()));
    QVERIFY(!query.exec(statement));
    QCOMPARE(query.lastError().nativeErrorCode(), error);
    QCOMPARE(db::rows("SHOW TABLES"), tables);
    QCOMPARE(db::rowDigests(tables), before);
}

QTEST_MAIN(HostileTest)
#include "tst_hostile.moc"
