// Finding the agent's policies: the search box, the three lists of the home
// page, loading a found policy into the form, and the policy card with its
// stub details on the accounting page, against the real database server.
#include "core/statements.h"
#include "database.h"
#include "koravel3.h"
#include "support/connectwarnings.h"
#include "support/dbfixture.h"
#include "support/modal.h"
#include "support/tablecheck.h"
#include "support/windowtest.h"

#include <QAbstractItemModel>
#include <QComboBox>
#include <QDate>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSqlDatabase>
#include <QStackedWidget>
#include <QStandardItemModel>
#include <QTableView>
#include <QTest>
#include <QToolButton>

#include <memory>

namespace db = testsupport::db;
using testsupport::asLogged;
using testsupport::headers;
using testsupport::itemTexts;
using testsupport::pressCell;
using testsupport::sortedColumn;

namespace {

int addPolicy(int agent, const QString &plate, const QString &name, const QString &expiry,
              QVariantMap more = {}, bool history = false) {
    more.insert("idpersonne", db::literal(QString::number(agent)));
    more.insert("immat", db::literal(plate));
    more.insert("nom", db::literal(name));
    more.insert("valabl", expiry);
    return db::addPolicy(more, history);
}

QString inDays(int days) {
    return QStringLiteral("CURDATE() + INTERVAL %1 DAY").arg(days);
}

} // namespace

class ListingsTest : public testsupport::WindowTest {
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void search_data();
    void search();
    void searchStatements();
    void lists_data();
    void lists();
    void listsOfAnAgentWithoutPolicies();
    void formLoad_data();
    void formLoad();
    void formLoadOutsideThePlateColumn();
    void cardFill();
    void cardDatesEmptyOrInvalid();
    void cardIgnoresOtherAgents();
    void policyNumbersAndStubDetails();
    void plateWithoutHistory();
    void closedConnectionIsReopened();
    void listSurvivesReconnection();

private:
    void logIn(const QString &user, const QString &password);
    void typeSearch(const QString &text);
    // Puts plates into the accounting table, as a report would.
    void showPlatesInReportTable(const QStringList &plates);
    QStringList cardTexts() const;

    int agent = 0;
    int otherAgent = 0;
    std::unique_ptr<testsupport::ModalWatcher> boxes;
};

void ListingsTest::initTestCase() {
    testsupport::failOnConnectWarnings();
    QVERIFY2(db::admin().isOpen(), "the test database server must be running");
}

void ListingsTest::init() {
    QVERIFY(db::reset());
    agent = db::addAgent("awa", "awa-pw", "Awa DIALLO");
    otherAgent = db::addAgent("bob", "bob-pw", "Bob FALL");
    QVERIFY(agent > 0 && otherAgent > 0);
    // Loading a policy into the form runs the months' handler, which may
    // complain about the empty category; the update check may offer a
    // version. Neither is what these tests look at.
    boxes = std::make_unique<testsupport::ModalWatcher>(QMessageBox::No);
    openWindow();
    showWindow();
}

void ListingsTest::cleanup() {
    window.reset();
    boxes.reset();
}

void ListingsTest::logIn(const QString &user, const QString &password) {
    QTest::ignoreMessage(QtDebugMsg, "connecter.....");
    submitLogin(user, password);
    QCOMPARE(page(), Koravel3::HomePage);
}

void ListingsTest::typeSearch(const QString &text) {
    auto *box = child<QLineEdit>("LER");
    // Through a one-letter text, so that even an empty search is a change.
    box->setText(QStringLiteral("#"));
    QTest::keyClick(box, Qt::Key_Backspace);
    QTest::keyClicks(box, text);
    QCOMPARE(box->text(), text);
}

void ListingsTest::showPlatesInReportTable(const QStringList &plates) {
    QTest::mouseClick(child<QPushButton>("pushButton_8"), Qt::LeftButton);
    QCOMPARE(page(), Koravel3::AccountingPage);
    auto *model = new QStandardItemModel(0, 2, window.get());
    model->setHorizontalHeaderLabels({"IMMATRICULATION", "NOM"});
    for (const QString &plate : plates)
        model->appendRow({new QStandardItem(plate), new QStandardItem("CLIENT")});
    child<QTableView>("tableView_2")->setModel(model);
}

QStringList ListingsTest::cardTexts() const {
    QStringList out;
    for (const char *name : {"lineEdit_6", "lineEdit_7", "lineEdit_8", "lineEdit_9", "lineEdit_10"})
        out << child<QLineEdit>(name)->text();
    for (const char *name : {"label_23", "label_30", "label_40", "label_52", "label_54", "label_41",
                             "label_42", "label_43", "label_44"})
        out << child<QLabel>(name)->text();
    return out;
}

void ListingsTest::search_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<QStringList>("plates");
    QTest::newRow("part of a plate") << "DK-2" << QStringList{"DK-200-BB"};
    QTest::newRow("part of a name") << "SOW" << QStringList{"DK-100-AA"};
    QTest::newRow("name in other case") << "diop" << QStringList{"DK-200-BB"};
    QTest::newRow("plate of one, name of another") << "TH" << QStringList{"DK-010-TT", "TH-300-CC"};
    QTest::newRow("empty matches all")
        << "" << QStringList{"DK-010-TT", "DK-100-AA", "DK-200-BB", "DK-400-DD", "DK-500-EE",
                             "DK-600-FF", "DK-700-GG", "DK-800-HH", "TH-300-CC"};
    QTest::newRow("duplicates once") << "NDIAYE" << QStringList{"DK-800-HH"};
    QTest::newRow("percent is literal") << "%" << QStringList{"DK-400-DD"};
    QTest::newRow("underscore is literal") << "_" << QStringList{"DK-500-EE"};
    QTest::newRow("quote") << "O'BR" << QStringList{"DK-600-FF"};
    QTest::newRow("backslash") << "K\\S" << QStringList{"DK-700-GG"};
    QTest::newRow("quote trick") << "' OR '1'='1" << QStringList{};
    QTest::newRow("only another agent's") << "ZZ" << QStringList{};
}

void ListingsTest::search() {
    QFETCH(QString, text);
    QFETCH(QStringList, plates);
    QVERIFY(addPolicy(agent, "DK-100-AA", "Fatou SOW", inDays(10)));
    QVERIFY(addPolicy(agent, "DK-200-BB", "Moussa DIOP", inDays(20)));
    QVERIFY(addPolicy(agent, "TH-300-CC", "Awa BA", inDays(30)));
    QVERIFY(addPolicy(agent, "DK-010-TT", "Ibrahima THIAM", inDays(40)));
    QVERIFY(addPolicy(agent, "DK-400-DD", "100% ASSUR", inDays(50)));
    QVERIFY(addPolicy(agent, "DK-500-EE", "ASSUR_PLUS", inDays(60)));
    QVERIFY(addPolicy(agent, "DK-600-FF", "O'BRIEN", inDays(70)));
    QVERIFY(addPolicy(agent, "DK-700-GG", "BACK\\SLASH", inDays(80)));
    QVERIFY(addPolicy(agent, "DK-800-HH", "NDIAYE", inDays(90), {{"police", "'P-8'"}}));
    QVERIFY(addPolicy(agent, "DK-800-HH", "NDIAYE", inDays(90), {{"police", "'P-9'"}}));
    QVERIFY(addPolicy(otherAgent, "DK-900-ZZ", "Fatou SOW", inDays(10)));
    QVERIFY(addPolicy(otherAgent, "DK-200-BB", "Other DIOP", inDays(20)));
    logIn("awa", "awa-pw");
    auto *view = child<QTableView>("tableView");

    typeSearch(text);
    QCOMPARE(headers(view->model()), QStringList({"IMMATRICULE", "NOM", "EXPIRATION"}));
    QCOMPARE(sortedColumn(view->model(), 0), plates);
    QCOMPARE(view->styleSheet(), QString::fromLatin1(tableStyle));

    view->setModel(nullptr);
    QTest::mouseClick(child<QPushButton>("pushButton_7"), Qt::LeftButton);
    QCOMPARE(headers(view->model()), QStringList({"IMMATRICULE", "NOM", "EXPIRATION"}));
    QCOMPARE(sortedColumn(view->model(), 0), plates);

    // Enter in the search box adds nothing of its own.
    const QStringList sent =
        db::statementsSentDuring([&] { QTest::keyClick(child<QLineEdit>("LER"), Qt::Key_Return); });
    QCOMPARE(sent, QStringList());
}

void ListingsTest::searchStatements() {
    QCOMPARE(agent, 1);
    logIn("awa", "awa-pw");
    child<QLineEdit>("LER")->setText("D");
    QStringList sent =
        db::statementsSentDuring([&] { QTest::keyClicks(child<QLineEdit>("LER"), "K"); });
    QCOMPARE(sent, asLogged(QStringList(
                       statements::search(statements::SearchWay::Typing, "1", "DK").text())));
    sent = db::statementsSentDuring(
        [&] { QTest::mouseClick(child<QPushButton>("pushButton_7"), Qt::LeftButton); });
    QCOMPARE(sent, asLogged(QStringList(
                       statements::search(statements::SearchWay::Button, "1", "DK").text())));
}

void ListingsTest::lists_data() {
    QTest::addColumn<QString>("button");
    QTest::addColumn<QStringList>("columns");
    QTest::addColumn<QStringList>("plates");
    QTest::addColumn<QString>("statement");
    QTest::newRow("all") << "pushButton_5" << QStringList{"MATRICULE", "NOM", "EFFET", "EXPIRATION"}
                         << QStringList{"2-DAYS-AGO", "IN-3-DAYS",    "IN-4-DAYS", "NEXT-YEAR",
                                        "NEXT-YEAR",  "OLD-PASSWORD", "TODAY",     "YESTERDAY"}
                         << statements::allPolicies("1").text();
    QTest::newRow("expiring") << "pushButton_6"
                              << QStringList{"MATRICULE", "NOM", "EFFET", "EXPIRATION"}
                              << QStringList{"IN-3-DAYS", "OLD-PASSWORD", "TODAY"}
                              << statements::expiringPolicies("1").text();
    QTest::newRow("expired") << "pushButton_10"
                             << QStringList{"IMMATRICULATION", "NOM", "DATE EXPIRATION"}
                             << QStringList{"2-DAYS-AGO", "TODAY", "YESTERDAY"}
                             << statements::expiredPolicies("1").text();
}

void ListingsTest::lists() {
    QFETCH(QString, button);
    QFETCH(QStringList, columns);
    QFETCH(QStringList, plates);
    QFETCH(QString, statement);
    QCOMPARE(agent, 1);
    const QVariantMap mine{{"users", "'awa'"}, {"password", "'awa-pw'"}};
    QVERIFY(addPolicy(agent, "TODAY", "A", inDays(0), mine));
    QVERIFY(addPolicy(agent, "IN-3-DAYS", "B", inDays(3), mine));
    QVERIFY(addPolicy(agent, "IN-4-DAYS", "C", inDays(4), mine));
    QVERIFY(addPolicy(agent, "YESTERDAY", "D", inDays(-1), mine));
    QVERIFY(addPolicy(agent, "2-DAYS-AGO", "E", inDays(-2), mine));
    QVERIFY(addPolicy(agent, "NEXT-YEAR", "F", inDays(365), mine));
    QVERIFY(addPolicy(agent, "NEXT-YEAR", "F", inDays(365), mine));
    QVERIFY(addPolicy(agent, "OLD-PASSWORD", "G", inDays(1),
                      {{"users", "'awa'"}, {"password", "'old'"}}));
    QVERIFY(addPolicy(otherAgent, "OTHER-AGENT", "H", inDays(0)));
    logIn("awa", "awa-pw");
    auto *view = child<QTableView>("tableView");
    typeSearch("ZZZ");
    QCOMPARE(view->model()->rowCount(), 0);

    const QStringList sent = db::statementsSentDuring(
        [&] { QTest::mouseClick(child<QPushButton>(qPrintable(button)), Qt::LeftButton); });
    QCOMPARE(sent, asLogged(QStringList{statement}));
    QCOMPARE(headers(view->model()), columns);
    QCOMPARE(sortedColumn(view->model(), 0), plates);
    QCOMPARE(view->styleSheet(), QString::fromLatin1(tableStyle));
    // Today is the server's.
    const QDate today = db::scalar("SELECT CURDATE()").toDate();
    for (int r = 0; r < view->model()->rowCount(); ++r)
        if (view->model()->index(r, 0).data().toString() == QLatin1String("TODAY"))
            QCOMPARE(view->model()->index(r, columns.size() - 1).data().toDate(), today);
    QCOMPARE(page(), Koravel3::HomePage);
}

void ListingsTest::listsOfAnAgentWithoutPolicies() {
    QVERIFY(addPolicy(agent, "DK-1", "A", inDays(0)));
    logIn("bob", "bob-pw");
    auto *view = child<QTableView>("tableView");
    QTest::mouseClick(child<QPushButton>("pushButton_5"), Qt::LeftButton);
    QCOMPARE(headers(view->model()), QStringList({"MATRICULE", "NOM", "EFFET", "EXPIRATION"}));
    QCOMPARE(view->model()->rowCount(), 0);
    QTest::mouseClick(child<QPushButton>("pushButton_6"), Qt::LeftButton);
    QCOMPARE(headers(view->model()), QStringList({"MATRICULE", "NOM", "EFFET", "EXPIRATION"}));
    QCOMPARE(view->model()->rowCount(), 0);
    QTest::mouseClick(child<QPushButton>("pushButton_10"), Qt::LeftButton);
    QCOMPARE(headers(view->model()), QStringList({"IMMATRICULATION", "NOM", "DATE EXPIRATION"}));
    QCOMPARE(view->model()->rowCount(), 0);
}

void ListingsTest::formLoad_data() {
    QTest::addColumn<QString>("plate");
    QTest::newRow("ordinary plate") << "DK-42-AA";
    QTest::newRow("quote and backslash") << "DK-'42\\";
}

void ListingsTest::formLoad() {
    QFETCH(QString, plate);
    const int id = addPolicy(agent, plate, "Fatou SOW", inDays(2),
                             {{"attestation", "'T-000101'"},
                              {"adresse", "'Rue 12, Dakar'"},
                              {"persacontacter", "'Mamadou SOW'"},
                              {"telephone", "'77 123 45 67'"},
                              {"marque", "'PEUGEOT'"},
                              {"genre", "'CAMIONNETTE'"},
                              {"type", "'PARTNER'"},
                              {"police", "'P-2025-0042'"},
                              {"nbrdemois", "'6'"},
                              {"energie", "'DIESEL'"},
                              {"forcefiscal", "'11'"},
                              {"nbrdeplace", "'3'"},
                              {"sommencais", "40000"},
                              {"sommefact", "41234"}});
    QVERIFY(id > 0);
    logIn("awa", "awa-pw");
    auto *view = child<QTableView>("tableView");
    QCOMPARE(sortedColumn(view->model(), 0), QStringList{plate});

    const QStringList sent = db::statementsSentDuring([&] { pressCell(view, 0, 0, true); });
    QVERIFY(!sent.isEmpty());
    QCOMPARE(sent.first(), statements::formLoad(plate, QString::number(agent)).text());

    QCOMPARE(child<QLabel>("LID")->text(), QString::number(id));
    const QList<QPair<const char *, QString>> edits{
        {"LEN", "Fatou SOW"},     {"LEP", "T-000101"},       {"LEA", "Rue 12, Dakar"},
        {"LEPAC", "Mamadou SOW"}, {"LETPH", "77 123 45 67"}, {"LEM", "PEUGEOT"},
        {"LETP", "PARTNER"},      {"LEIM", plate},           {"LEPO", "P-2025-0042"},
        {"LENDP", "3"},           {"LESE", "40000"},         {"LESF", "41234"}};
    for (const auto &[name, text] : edits)
        QCOMPARE(child<QLineEdit>(name)->text(), text);
    QCOMPARE(child<QComboBox>("CBG")->currentText(), QStringLiteral("CAMIONNETTE"));
    QCOMPARE(child<QComboBox>("CBNM")->currentText(), QStringLiteral("6"));
    QCOMPARE(child<QComboBox>("CBE")->currentText(), QStringLiteral("DIESEL"));
    QCOMPARE(child<QComboBox>("CBP")->currentText(), QStringLiteral("11"));
    QCOMPARE(page(), Koravel3::HomePage);
}

void ListingsTest::formLoadOutsideThePlateColumn() {
    QVERIFY(addPolicy(agent, "DK-42-AA", "Fatou SOW", inDays(2)));
    logIn("awa", "awa-pw");
    auto *view = child<QTableView>("tableView");
    QCOMPARE(view->model()->rowCount(), 1);
    const QString id = child<QLabel>("LID")->text();
    const QStringList sent = db::statementsSentDuring([&] { pressCell(view, 0, 1, true); });
    QCOMPARE(sent.value(0), statements::formLoad("Fatou SOW", QString::number(agent)).text());
    QCOMPARE(child<QLabel>("LID")->text(), id);
    QCOMPARE(child<QLineEdit>("LEN")->text(), QString());
    QCOMPARE(child<QLineEdit>("LEIM")->text(), QString());

    // Moving the current cell with the keyboard loads nothing.
    view->setFocus();
    view->setCurrentIndex(view->model()->index(0, 1));
    QTest::keyClick(view, Qt::Key_Left);
    QCOMPARE(view->currentIndex().column(), 0);
    QCOMPARE(child<QLineEdit>("LEN")->text(), QString());
}

void ListingsTest::cardFill() {
    QCOMPARE(agent, 1);
    QVERIFY(addPolicy(agent, "DK-77-KK", "PREMIER", inDays(40),
                      {{"adresse", "'Rue 1'"},
                       {"persacontacter", "'Ami UN'"},
                       {"telephone", "'770000011'"},
                       {"padres", "'Rue du contact 1'"},
                       {"trie", "3"},
                       {"nbrdemois", "'12'"},
                       {"genre", "'TAXI'"},
                       {"marque", "'KIA'"},
                       {"valable", "CURDATE() - INTERVAL 325 DAY"},
                       {"police", "'P-77'"},
                       {"attestation", "'T-77'"}}));
    QVERIFY(addPolicy(agent, "DK-77-KK", "SECOND", inDays(90),
                      {{"adresse", "'Rue 2'"}, {"trie", "1"}, {"padres", "'Rue du contact 2'"}}));
    logIn("awa", "awa-pw");
    showPlatesInReportTable({"DK-77-KK"});
    auto *report = child<QTableView>("tableView_2");

    // Pressing only: the card is filled, the policy numbers are not listed.
    const QStringList sent = db::statementsSentDuring([&] {
        const QModelIndex index = report->model()->index(0, 0);
        QTest::mousePress(report->viewport(), Qt::LeftButton, Qt::NoModifier,
                          report->visualRect(index).center());
    });
    QCOMPARE(sent, QStringList{statements::policyCard("1", "DK-77-KK").text()});
    // The first row that the server returns for the same statement.
    const QStringList first =
        db::rows("select nom, adresse, persacontacter, telephone, padres, DATE_FORMAT(valabl, "
                 "'%d/%m/%Y'), trie, nbrdemois, genre, marque, DATE_FORMAT(valable, '%d/%m/%Y'), "
                 "DATE_FORMAT(valabl, '%d/%m/%Y'), police, attestation from principal where "
                 "(idpersonne='1') and (immat='DK-77-KK')");
    QCOMPARE(first.size(), 2);
    QCOMPARE(cardTexts().join('|'), first.first());
    QVERIFY(cardTexts().join('|').startsWith("PREMIER|Rue 1|Ami UN|770000011|Rue du contact 1|"));
    QCOMPARE(child<QLabel>("label_41")->text(),
             db::scalar("SELECT CURDATE() - INTERVAL 325 DAY").toDate().toString("dd/MM/yyyy"));
    QCOMPARE(child<QComboBox>("comboBox_3")->count(), 0);
    QTest::mouseRelease(report->viewport(), Qt::LeftButton, Qt::NoModifier,
                        report->visualRect(report->model()->index(0, 0)).center());
}

void ListingsTest::cardDatesEmptyOrInvalid() {
    QVERIFY(addPolicy(agent, "DK-88-NN", "SANS DATE", "'0000-00-00'", {{"valable", "NULL"}}));
    logIn("awa", "awa-pw");
    showPlatesInReportTable({"DK-88-NN"});
    for (const char *name : {"label_23", "label_41", "label_42"})
        child<QLabel>(name)->setText("old");
    pressCell(child<QTableView>("tableView_2"), 0, 0, true);
    QCOMPARE(child<QLineEdit>("lineEdit_6")->text(), QStringLiteral("SANS DATE"));
    for (const char *name : {"label_23", "label_41", "label_42"})
        QCOMPARE(child<QLabel>(name)->text(), QString());
}

void ListingsTest::cardIgnoresOtherAgents() {
    QVERIFY(addPolicy(otherAgent, "DK-99-BB", "AUTRE", inDays(3)));
    QVERIFY(addPolicy(otherAgent, "DK-99-BB", "AUTRE", inDays(3), {{"police", "'P-99'"}}, true));
    logIn("awa", "awa-pw");
    showPlatesInReportTable({"DK-99-BB"});
    const QStringList before = cardTexts();
    pressCell(child<QTableView>("tableView_2"), 0, 0, true);
    QCOMPARE(cardTexts(), before);
    QCOMPARE(child<QComboBox>("comboBox_3")->count(), 0);
}

void ListingsTest::policyNumbersAndStubDetails() {
    QCOMPARE(agent, 1);
    QVERIFY(addPolicy(agent, "DK-77-KK", "CLIENT", inDays(40), {{"police", "'P-2'"}}));
    const QVariantMap first{{"police", "'P-1'"},      {"nbrdemois", "'3'"},
                            {"genre", "'TAXI'"},      {"marque", "'KIA'"},
                            {"attestation", "'T-1'"}, {"valable", "CURDATE() - INTERVAL 100 DAY"}};
    QVariantMap again = first;
    again.insert("nbrdemois", "'6'");
    again.insert("attestation", "'T-1B'");
    again.insert("valable", "CURDATE() - INTERVAL 10 DAY");
    QVERIFY(addPolicy(agent, "DK-77-KK", "CLIENT", inDays(-10), first, true));
    QVERIFY(addPolicy(agent, "DK-77-KK", "CLIENT", inDays(170), again, true));
    QVERIFY(addPolicy(agent, "DK-77-KK", "CLIENT", inDays(40),
                      {{"police", "'P-2'"},
                       {"nbrdemois", "'12'"},
                       {"marque", "'FORD'"},
                       {"attestation", "'T-2'"}},
                      true));
    QVERIFY(addPolicy(otherAgent, "DK-77-KK", "CLIENT", inDays(40), {{"police", "'P-9'"}}, true));
    logIn("awa", "awa-pw");
    showPlatesInReportTable({"DK-77-KK"});
    auto *combo = child<QComboBox>("comboBox_3");
    const auto stubFor = [](const QString &police) {
        // Several issues under one number: the last row returned stays shown.
        return db::rows("select nbrdemois, genre, marque, DATE_FORMAT(valable, '%d/%m/%Y'), "
                        "DATE_FORMAT(valabl, '%d/%m/%Y'), police, attestation from principal1 "
                        "where (idpersonne='1') and (police=" +
                        db::literal(police) + ") ")
            .last();
    };
    const auto stubShown = [this] {
        QStringList out;
        for (const char *name :
             {"label_40", "label_52", "label_54", "label_41", "label_42", "label_43", "label_44"})
            out << child<QLabel>(name)->text();
        return out.join('|');
    };

    const QStringList sent =
        db::statementsSentDuring([&] { pressCell(child<QTableView>("tableView_2"), 0, 0, true); });
    QStringList numbers = itemTexts(combo);
    numbers.sort();
    QCOMPARE(numbers, QStringList({"P-1", "P-2"}));
    QCOMPARE(combo->currentIndex(), 0);
    QCOMPARE(stubShown(), stubFor(combo->currentText()));
    QCOMPARE(sent.mid(1),
             asLogged(QStringList({statements::policyNumbers("1", "DK-77-KK").text(),
                                   statements::stubDetails("1", combo->currentText()).text()})));

    // Choosing the other number shows its issue.
    const int other = 1 - combo->currentIndex();
    combo->setCurrentIndex(other);
    QCOMPARE(stubShown(), stubFor(combo->itemText(other)));
    QVERIFY(
        stubShown().startsWith(combo->itemText(other) == "P-1" ? "6|TAXI|KIA|" : "12|V.P|FORD|"));

    // The "..." button shows the same details again.
    for (const char *name :
         {"label_40", "label_52", "label_54", "label_41", "label_42", "label_43", "label_44"})
        child<QLabel>(name)->clear();
    const QStringList resent = db::statementsSentDuring(
        [&] { QTest::mouseClick(child<QToolButton>("toolButton"), Qt::LeftButton); });
    QCOMPARE(resent,
             asLogged(QStringList(statements::stubDetails("1", combo->currentText()).text())));
    QCOMPARE(stubShown(), stubFor(combo->currentText()));
}

void ListingsTest::plateWithoutHistory() {
    QVERIFY(addPolicy(agent, "DK-77-KK", "CLIENT", inDays(40), {{"police", "'P-1'"}}, true));
    QVERIFY(addPolicy(agent, "DK-NEW-1", "NOUVEAU", inDays(20),
                      {{"police", "'P-NEW'"}, {"marque", "'OPEL'"}}));
    logIn("awa", "awa-pw");
    showPlatesInReportTable({"DK-77-KK", "DK-NEW-1"});
    auto *report = child<QTableView>("tableView_2");
    auto *combo = child<QComboBox>("comboBox_3");
    pressCell(report, 0, 0, true);
    QCOMPARE(itemTexts(combo), QStringList{"P-1"});

    pressCell(report, 1, 0, true);
    QCOMPARE(combo->count(), 0);
    QCOMPARE(child<QLineEdit>("lineEdit_6")->text(), QStringLiteral("NOUVEAU"));
    QCOMPARE(child<QLabel>("label_43")->text(), QStringLiteral("P-NEW"));
    QCOMPARE(child<QLabel>("label_54")->text(), QStringLiteral("OPEL"));
}

// A connection closed underneath the window (a server restart does the
// same) is opened again by the next statement: no empty list passes for "no
// policy", and the agent need not log in again.
void ListingsTest::closedConnectionIsReopened() {
    QVERIFY(addPolicy(agent, "DK-1", "A", inDays(1)));
    logIn("awa", "awa-pw");
    auto *view = child<QTableView>("tableView");
    QCOMPARE(view->model()->rowCount(), 1);
    boxes.reset();
    testsupport::ModalWatcher watcher;
    // All, expiring, expired (none: it ends tomorrow), search.
    const QList<QPair<const char *, int>> lists{
        {"pushButton_5", 1}, {"pushButton_6", 1}, {"pushButton_10", 0}, {"pushButton_7", 1}};
    for (const auto &[button, rows] : lists) {
        QSqlDatabase::database(QLatin1String(QSqlDatabase::defaultConnection), false).close();
        QTest::mouseClick(child<QPushButton>(button), Qt::LeftButton);
        QVERIFY2(view->model()->columnCount() > 0, button);
        QCOMPARE(view->model()->rowCount(), rows);
    }
    QSqlDatabase::database(QLatin1String(QSqlDatabase::defaultConnection), false).close();
    pressCell(view, 0, 0, true);
    QCOMPARE(child<QLineEdit>("LEN")->text(), QStringLiteral("A"));
    QTest::qWait(50);
    for (const testsupport::SeenBox &box : watcher.boxes())
        QVERIFY2(box.title != QLatin1String("Base de données"), qPrintable(box.text));
}

// Every save reconnects; the list on the home page must still read the same
// afterwards, not turn into blank rows.
void ListingsTest::listSurvivesReconnection() {
    QVERIFY(addPolicy(agent, "DK-1", "A", inDays(1)));
    logIn("awa", "awa-pw");
    auto *view = child<QTableView>("tableView");
    QCOMPARE(view->model()->index(0, 0).data().toString(), QStringLiteral("DK-1"));
    QTest::ignoreMessage(QtDebugMsg, "connecter.....");
    QVERIFY(window->connectDatabase());
    QCOMPARE(view->model()->rowCount(), 1);
    QCOMPARE(view->model()->index(0, 0).data().toString(), QStringLiteral("DK-1"));
    QCOMPARE(view->model()->index(0, 1).data().toString(), QStringLiteral("A"));
}

QTEST_MAIN(ListingsTest)
#include "tst_listings.moc"
