// The accounting page: choosing a report, running it over a period against
// the real database, the cash-desk totals with the commission and the net
// amount, and the CSV export through the real save dialog. The CSV writer is
// also checked on its own with models made here.
#include "core/csv.h"
#include "core/statements.h"
#include "files.h"
#include "koravel3.h"
#include "support/connectwarnings.h"
#include "support/dbfixture.h"
#include "support/modal.h"
#include "support/tablecheck.h"
#include "support/windowtest.h"

#include <QAbstractTableModel>
#include <QApplication>
#include <QDateEdit>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QStackedWidget>
#include <QStandardItemModel>
#include <QStandardPaths>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <memory>

using testsupport::asLogged;

namespace {

const QString agent = QStringLiteral("7");
const QString redButton = QStringLiteral("QPushButton{ background-color: red }");

QByteArray readBytes(const QString &path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// A text file as the program writes it: CRLF line ends on Windows.
QByteArray lines(QByteArray text) {
#ifdef Q_OS_WIN
    text.replace("\n", "\r\n");
#endif
    return text;
}

QString readAll(const QString &path) {
    return QString::fromUtf8(readBytes(path));
}

// A model that hands out its ten rows three at a time, as a database model
// does with a large result.

// What an export showed: the save dialogs, and the boxes after them.
struct Export {
    QList<testsupport::SeenDialog> dialogs;
    QList<testsupport::SeenBox> boxes;
};

// One row of a policy table; the map's values are SQL expressions.
int seededPolicy(const QString &name, const QString &plate, const QString &start,
                 QVariantMap more = {}, bool history = false) {
    more.insert(QStringLiteral("nom"), testsupport::db::literal(name));
    more.insert(QStringLiteral("immat"), testsupport::db::literal(plate));
    more.insert(QStringLiteral("currentd"), testsupport::db::literal(start));
    more.insert(QStringLiteral("valable"), testsupport::db::literal(start));
    if (!more.contains(QStringLiteral("idpersonne")))
        more.insert(QStringLiteral("idpersonne"), testsupport::db::literal(agent));
    return testsupport::db::addPolicy(more, history);
}

QVariantMap with(QVariantMap base, const QVariantMap &more) {
    base.insert(more);
    return base;
}

QVariantMap amounts(int prime, int fees, int tax, int fga, int pca, int total) {
    return {{"prime", prime}, {"coutpolice", fees}, {"taxe", tax},
            {"fga", fga},     {"pca", pca},         {"primetotal", total}};
}

} // namespace

class ReportsTest : public testsupport::WindowTest {
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    // The CSV writer on its own.
    void csvFile();

    // Reports.
    void chooseReport_data();
    void chooseReport();
    void titleFollowsDates();
    void clientStatistics();
    void salesList();
    void cashDesk();
    void statementsSent();
    void startAfterEnd();
    void commissionFromDatabase_data();
    void commissionFromDatabase();
    void commissionFromTexts_data();
    void commissionFromTexts();
    void otherReportsKeepTotals();
    void validerWithoutReport();
    void reopeningThePage();
    void reportRowFillsCard();

    // Export.
    void exportReport();
    void exportWithoutReport();
    void exportHeaderOnly();
    void exportTwiceReplaces();
    void exportWritesNothing_data();
    void exportWritesNothing();
    void timeOutClosesTheExportDialog();
    void timeOutInTheOverwriteQuestion();

private:
    QString text(const char *lineEdit) const { return child<QLineEdit>(lineEdit)->text(); }
    void seedMarch();
    QStringList headers() const {
        return testsupport::headers(child<QTableView>("tableView_2")->model());
    }
    QStringList tableRows() const;
    Export exportTo(const QString &fileName);
    static void verifyDialog(const Export &seen);

    // In the agent's Documents, where the export dialog opens.
    QTemporaryDir files{QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation) +
                        QStringLiteral("/tst_reports-XXXXXX")};
};

void ReportsTest::initTestCase() {
    testsupport::failOnConnectWarnings();
    QVERIFY2(testsupport::db::admin().isOpen(), "the test database server must be running");
    QVERIFY(files.isValid());
}

void ReportsTest::init() {
    QVERIFY(testsupport::db::reset());
    openWindow();
    useFormAgent();
    child<QLabel>("label_5")->setText(agent);
    QTest::mouseClick(child<QPushButton>("pushButton_8"), Qt::LeftButton);
    QCOMPARE(page(), Koravel3::AccountingPage);
}

void ReportsTest::cleanup() {
    window.reset();
    for (const QString &name : QDir(files.path()).entryList(QDir::Files))
        QFile::remove(files.filePath(name));
}

// March 2025 for agent 7: three policies in principal (on both bounds and in
// between) and four issues in principal1, one of them a repeat; around them
// rows just outside the period and another agent's rows, with amounts that
// would show in any total they leaked into.
void ReportsTest::seedMarch() {
    QVERIFY(seededPolicy("ALPHA", "AA-1", "2025-03-01",
                         with(amounts(10000, 1000, 111, 10, 400, 8000),
                              {{"valabl", "'2026-02-28'"}, {"trie", 2}, {"police", "'P-A'"}})));
    QVERIFY(seededPolicy("BRAVO", "BB-2", "2025-03-31",
                         with(amounts(2345, 500, 222, 20, 300, 7000),
                              {{"valabl", "'2026-03-30'"}, {"trie", 5}, {"police", "'P-B'"}})));
    QVERIFY(seededPolicy("CHARLIE", "CC-3", "2025-03-15",
                         with(amounts(0, 500, 333, 30, 300, 5000),
                              {{"valabl", "'2025-09-14'"}, {"trie", 1}, {"police", "'P-C'"}})));
    QVERIFY(seededPolicy("DELTA", "DD-4", "2025-02-28", amounts(900000, 90000, 9000, 900, 90, 9)));
    QVERIFY(seededPolicy("ECHO", "EE-5", "2025-04-01", amounts(900000, 90000, 9000, 900, 90, 9)));
    QVERIFY(seededPolicy("FOXTROT", "FF-6", "2025-03-15",
                         with(amounts(900000, 90000, 9000, 900, 90, 9), {{"idpersonne", "'8'"}})));

    const QVariantMap alpha{{"valabl", "'2026-02-28'"}, {"trie", 1}};
    QVERIFY(seededPolicy("ALPHA", "AA-1", "2025-03-01",
                         with(alpha, {{"attestation", "'T-A1'"}, {"police", "'P-A1'"}}), true));
    QVERIFY(seededPolicy("ALPHA", "AA-1", "2025-03-01",
                         with(alpha, {{"attestation", "'T-A2'"}, {"police", "'P-A2'"}}), true));
    QVERIFY(seededPolicy(
        "BRAVO", "BB-2", "2025-03-31",
        {{"valabl", "'2026-03-30'"}, {"trie", 3}, {"attestation", "'T-B'"}, {"police", "'P-B'"}},
        true));
    QVERIFY(seededPolicy(
        "CHARLIE", "CC-3", "2025-03-15",
        {{"valabl", "'2025-09-14'"}, {"trie", 2}, {"attestation", "'T-C'"}, {"police", "'P-C'"}},
        true));
    QVERIFY(seededPolicy("DELTA", "DD-4", "2025-02-28", {}, true));
    QVERIFY(seededPolicy("ECHO", "EE-5", "2025-04-01", {}, true));
    QVERIFY(seededPolicy("FOXTROT", "FF-6", "2025-03-15", {{"idpersonne", "'8'"}}, true));
}

QStringList ReportsTest::tableRows() const {
    QStringList out;
    const QAbstractItemModel *model = child<QTableView>("tableView_2")->model();
    for (int row = 0; model && row < model->rowCount(); ++row) {
        QStringList cells;
        for (int column = 0; column < model->columnCount(); ++column)
            cells << model->index(row, column).data().toString();
        out << cells.join(QLatin1Char('|'));
    }
    return out;
}

// Presses "exporter" and answers the save dialog with the file name, or
// cancels it when the name is empty. A question about replacing an existing
// file is answered yes.
Export ReportsTest::exportTo(const QString &fileName) {
    testsupport::ModalWatcher watcher(QMessageBox::Yes);
    // At once, before the dialog settles: the name must still win.
    watcher.setInterval(0);
    watcher.setNextFileName(fileName);
    QTest::mouseClick(child<QPushButton>("pushButton_16"), Qt::LeftButton);
    return {watcher.dialogs(), watcher.boxes()};
}

void ReportsTest::verifyDialog(const Export &seen) {
    QCOMPARE(seen.dialogs.size(), 1);
    const testsupport::SeenDialog &dialog = seen.dialogs.first();
    QCOMPARE(dialog.title, QStringLiteral("Enregistrer le fichier"));
    // The user's documents, never the program's own folder.
    QCOMPARE(
        QDir(dialog.directory).canonicalPath(),
        QDir(QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation)).canonicalPath());
    QCOMPARE(dialog.filters, QStringList({"Fichiers CSV (*.csv)", "Tous les fichiers (*.*)"}));
    QCOMPARE(dialog.selectedFilter, QStringLiteral("Fichiers CSV (*.csv)"));
    // The dialog is kept between exports; the last name is not offered.
    QCOMPARE(dialog.shownName, QString());
}

void ReportsTest::csvFile() {
    QStandardItemModel model(1, 1);
    model.setHorizontalHeaderLabels({"Assuré"});
    model.setItem(0, 0, new QStandardItem("é"));
    const QString path = files.filePath("direct.csv");
    {
        QFile old(path);
        QVERIFY(old.open(QIODevice::WriteOnly));
        old.write(QByteArray(200, 'x'));
    }
    QCOMPARE(::files::writeText(path, csv::text(&model)), QString());
    QCOMPARE(readBytes(path), lines("\"Assur\xc3\xa9\"\n\"\xc3\xa9\"\n"));

    const QString unreachable = files.filePath("missing/direct.csv");
    QVERIFY(!::files::writeText(unreachable, csv::text(&model)).isEmpty());
    QVERIFY(!QFile::exists(unreachable));
    QVERIFY(!::files::writeText(QString(), csv::text(&model)).isEmpty());
}

void ReportsTest::chooseReport_data() {
    QTest::addColumn<QString>("button");
    QTest::addColumn<QString>("marker");
    QTest::addColumn<QString>("title");
    QTest::newRow("clients") << "pushButton_11"
                             << "1"
                             << "STATISTIQUES CLIENTS DU:  01/03/2025  AU: 31/03/2025 ";
    QTest::newRow("sales") << "pushButton_12"
                           << "2"
                           << "LISTES DES VENTES DU:  01/03/2025  AU: 31/03/2025 ";
    QTest::newRow("cash desk") << "pushButton_13"
                               << "3"
                               << "DETAILS CAISSES DU:  01/03/2025  AU: 31/03/2025 ";
}

void ReportsTest::chooseReport() {
    QFETCH(QString, button);
    QFETCH(QString, marker);
    QFETCH(QString, title);
    child<QDateEdit>("dateEdit")->setDate(QDate(2025, 3, 1));
    child<QDateEdit>("dateEdit_2")->setDate(QDate(2025, 3, 31));
    QCOMPARE(child<QLabel>("label_12")->text(), QString());

    // Another report first: its button stays red after the second choice.
    auto *other = child<QPushButton>(marker == "1" ? "pushButton_13" : "pushButton_11");
    QTest::mouseClick(other, Qt::LeftButton);
    auto *pressed = window->findChild<QPushButton *>(button);
    QVERIFY(pressed->styleSheet() != redButton);
    QTest::mousePress(pressed, Qt::LeftButton);
    QCOMPARE(child<QLabel>("label_55")->text(), marker);
    QCOMPARE(child<QLabel>("label_12")->text(), title);
    QCOMPARE(pressed->styleSheet(), redButton);
    QCOMPARE(other->styleSheet(), redButton);
    QTest::mouseRelease(pressed, Qt::LeftButton);
    QCOMPARE(child<QLabel>("label_55")->text(), marker);
    // Choosing alone runs nothing.
    QVERIFY(child<QTableView>("tableView_2")->model() == nullptr);
}

void ReportsTest::titleFollowsDates() {
    auto *title = child<QLabel>("label_12");
    auto *start = child<QDateEdit>("dateEdit");
    auto *end = child<QDateEdit>("dateEdit_2");

    // No report chosen: changing a date leaves the title alone.
    start->setDate(QDate(2024, 1, 2));
    QCOMPARE(title->text(), QString());

    QTest::mouseClick(child<QPushButton>("pushButton_12"), Qt::LeftButton);
    start->setDate(QDate(2025, 12, 5));
    QCOMPARE(title->text(), QStringLiteral("LISTES DES VENTES DU:  05/12/2025  AU: %1 ")
                                .arg(QDate::currentDate().toString("dd/MM/yyyy")));
    end->setDate(QDate(2026, 1, 9));
    QCOMPARE(title->text(), QStringLiteral("LISTES DES VENTES DU:  05/12/2025  AU: 09/01/2026 "));

    // Typing a day into the date edit refreshes the title the same way.
    start->setFocus();
    start->setCurrentSection(QDateTimeEdit::DaySection);
    QTest::keyClick(start, Qt::Key_Up);
    QCOMPARE(start->date(), QDate(2025, 12, 6));
    QCOMPARE(title->text(), QStringLiteral("LISTES DES VENTES DU:  06/12/2025  AU: 09/01/2026 "));

    // The title changes but nothing is run and the table is kept.
    QVERIFY(child<QTableView>("tableView_2")->model() == nullptr);
}

void ReportsTest::clientStatistics() {
    seedMarch();
    runReport("pushButton_11", QDate(2025, 3, 1), QDate(2025, 3, 31));
    QCOMPARE(headers(),
             QStringList({"nom", "IMMATRICULATION", "DATE EXPIRATION", "RENOUVELLEMENT"}));
    // Both bounds included, highest issue count first, nothing outside the
    // period or from agent 8.
    QCOMPARE(tableRows(), QStringList({"BRAVO|BB-2|2026-03-30|5", "ALPHA|AA-1|2026-02-28|2",
                                       "CHARLIE|CC-3|2025-09-14|1"}));
    QCOMPARE(child<QTableView>("tableView_2")->styleSheet(),
             QStringLiteral("QTableView::item:alternate { background-color: #bfffbf; } "
                            "QTableView::item { background-color: #deffde; }"));
    // Only the cash desk report touches the talon count.
    QCOMPARE(text("lineEditntalons"), QString());

    // A one-day period on the end bound.
    runReport("pushButton_11", QDate(2025, 3, 31), QDate(2025, 3, 31));
    QCOMPARE(tableRows(), QStringList({"BRAVO|BB-2|2026-03-30|5"}));
}

void ReportsTest::salesList() {
    seedMarch();
    runReport("pushButton_12", QDate(2025, 3, 1), QDate(2025, 3, 31));
    QCOMPARE(headers(), QStringList({"nom", "IMMATRICULATION", "Effet", "Expiration"}));
    // The two ALPHA issues are the same line; the order follows trie.
    QCOMPARE(tableRows(),
             QStringList({"BRAVO|BB-2|2025-03-31|2026-03-30", "CHARLIE|CC-3|2025-03-15|2025-09-14",
                          "ALPHA|AA-1|2025-03-01|2026-02-28"}));
}

void ReportsTest::cashDesk() {
    seedMarch();
    runReport("pushButton_13", QDate(2025, 3, 1), QDate(2025, 3, 31));
    QCOMPARE(headers(),
             QStringList({"N° Attestation", "Assuré", "Immatriculation", "N° Police", "Effet",
                          "Expiration", "Prime Nette", "Frais", "Taxe", "FGA", "PCA", "P. Total"}));
    QStringList rows = tableRows();
    rows.sort();
    QCOMPARE(rows.size(), 4);
    QVERIFY(rows.at(0).startsWith("T-A1|ALPHA|AA-1|P-A1|2025-03-01|2026-02-28|"));
    QVERIFY(rows.at(1).startsWith("T-A2|ALPHA|AA-1|P-A2|2025-03-01|2026-02-28|"));
    QVERIFY(rows.at(2).startsWith("T-B|BRAVO|BB-2|P-B|2025-03-31|2026-03-30|"));
    QVERIFY(rows.at(3).startsWith("T-C|CHARLIE|CC-3|P-C|2025-03-15|2025-09-14|"));
    QVERIFY(rows.at(0).endsWith("|53628|3000|5487|1300|395|63415"));

    // Four issues in the history, while the totals add up the three policies.
    QCOMPARE(text("lineEditntalons"), QStringLiteral("4"));
    QCOMPARE(text("lineEdit_pn"), QStringLiteral("12345"));
    QCOMPARE(text("frais"), QStringLiteral("2000"));
    QCOMPARE(text("lineEdit_t"), QStringLiteral("666"));
    QCOMPARE(text("lineEdit_fga"), QStringLiteral("60"));
    QCOMPARE(text("lineEdit_pca"), QStringLiteral("1000"));
    QCOMPARE(text("lineEdit_pt"), QStringLiteral("20000"));
    // The worked example: 12345 / 10 + 1000 + 2000, and 20000 less that.
    QCOMPARE(text("lineEdit_c"), QStringLiteral("4234"));
    QCOMPARE(text("lineEdit_nar"), QStringLiteral("15766"));
}

void ReportsTest::statementsSent() {
    child<QDateEdit>("dateEdit")->setDate(QDate(2025, 3, 1));
    child<QDateEdit>("dateEdit_2")->setDate(QDate(2025, 3, 31));
    QTest::mouseClick(child<QPushButton>("pushButton_13"), Qt::LeftButton);
    const QStringList sent = testsupport::db::statementsSentDuring(
        [&] { QTest::mouseClick(child<QPushButton>("pushButton_14"), Qt::LeftButton); });
    const QString start = "01/03/2025", end = "31/03/2025";
    QStringList expected{
        statements::report(statements::Report::CashDetails, start, end, "7").text()};
    for (const sql::Statement &total : statements::cashTotals(start, end, "7"))
        expected << total.text();
    QCOMPARE(sent, asLogged(expected));

    for (const auto &[button, report] :
         {std::pair{"pushButton_11", statements::Report::ClientStatistics},
          std::pair{"pushButton_12", statements::Report::SalesList}}) {
        QTest::mouseClick(child<QPushButton>(button), Qt::LeftButton);
        const QStringList sentNow = testsupport::db::statementsSentDuring(
            [&] { QTest::mouseClick(child<QPushButton>("pushButton_14"), Qt::LeftButton); });
        QCOMPARE(sentNow,
                 asLogged(QStringList(statements::report(report, start, end, "7").text())));
    }
}

void ReportsTest::startAfterEnd() {
    seedMarch();
    for (const char *name :
         {"lineEditntalons", "lineEdit_pn", "frais", "lineEdit_t", "lineEdit_fga", "lineEdit_pca",
          "lineEdit_pt", "lineEdit_c", "lineEdit_nar"})
        child<QLineEdit>(name)->setText("99");
    runReport("pushButton_13", QDate(2025, 3, 31), QDate(2025, 3, 1));
    QCOMPARE(headers().size(), 12);
    QCOMPARE(tableRows(), QStringList());
    QCOMPARE(text("lineEditntalons"), QStringLiteral("0"));
    // The sums over no row are NULL and show as empty texts.
    for (const char *name :
         {"lineEdit_pn", "frais", "lineEdit_t", "lineEdit_fga", "lineEdit_pca", "lineEdit_pt"})
        QVERIFY2(text(name).isEmpty(), name);
    QCOMPARE(text("lineEdit_c"), QStringLiteral("0"));
    QCOMPARE(text("lineEdit_nar"), QStringLiteral("0"));
}

void ReportsTest::commissionFromDatabase_data() {
    QTest::addColumn<int>("prime");
    QTest::addColumn<int>("pca");
    QTest::addColumn<int>("fees");
    QTest::addColumn<int>("total");
    QTest::addColumn<QString>("net");
    QTest::addColumn<QString>("commission");
    QTest::addColumn<QString>("payBack");
    QTest::newRow("worked example") << 12345 << 1000 << 2000 << 20000 << "12345"
                                    << "4234"
                                    << "15766";
    // Truncation toward zero: -15 / 10 is -1, not -2.
    QTest::newRow("negative net") << -15 << 0 << 0 << 0 << "-15"
                                  << "-1"
                                  << "1";
    // Large sums still show as plain digits that the commission can read.
    QTest::newRow("ten millions") << 12000000 << 0 << 0 << 13000000 << "12000000"
                                  << "1200000"
                                  << "11800000";
}

void ReportsTest::commissionFromDatabase() {
    QFETCH(int, prime);
    QFETCH(int, pca);
    QFETCH(int, fees);
    QFETCH(int, total);
    QFETCH(QString, net);
    QFETCH(QString, commission);
    QFETCH(QString, payBack);
    QVERIFY(seededPolicy("GOLF", "GG-7", "2024-01-10", amounts(prime, fees, 0, 0, pca, total)));
    runReport("pushButton_13", QDate(2024, 1, 10), QDate(2024, 1, 10));
    QCOMPARE(text("lineEdit_pn"), net);
    QCOMPARE(text("lineEdit_c"), commission);
    QCOMPARE(text("lineEdit_nar"), payBack);
}

void ReportsTest::commissionFromTexts_data() {
    QTest::addColumn<QString>("net");
    QTest::addColumn<QString>("pca");
    QTest::addColumn<QString>("fees");
    QTest::addColumn<QString>("total");
    QTest::addColumn<QString>("commission");
    QTest::addColumn<QString>("payBack");
    QTest::newRow("decimal net") << "12345.50"
                                 << "1000"
                                 << "2000"
                                 << "20000"
                                 << "3000"
                                 << "17000";
    QTest::newRow("decimal total") << "12345"
                                   << "1000"
                                   << "2000"
                                   << "20000.5"
                                   << "4234"
                                   << "-4234";
    QTest::newRow("all empty") << ""
                               << ""
                               << ""
                               << ""
                               << "0"
                               << "0";
    QTest::newRow("beyond 32 bits") << "3000000000"
                                    << "7"
                                    << "3"
                                    << "10"
                                    << "10"
                                    << "0";
    QTest::newRow("negative total") << "100"
                                    << "0"
                                    << "0"
                                    << "-50"
                                    << "10"
                                    << "-60";
}

void ReportsTest::commissionFromTexts() {
    QFETCH(QString, net);
    QFETCH(QString, pca);
    QFETCH(QString, fees);
    QFETCH(QString, total);
    QFETCH(QString, commission);
    QFETCH(QString, payBack);
    QTest::mouseClick(child<QPushButton>("pushButton_13"), Qt::LeftButton);
    child<QLineEdit>("lineEdit_pn")->setText(net);
    child<QLineEdit>("lineEdit_pca")->setText(pca);
    child<QLineEdit>("frais")->setText(fees);
    child<QLineEdit>("lineEdit_pt")->setText(total);
    // The release step alone, on whatever the totals hold.
    QVERIFY(invoke("on_pushButton_14_released"));
    QCOMPARE(text("lineEdit_c"), commission);
    QCOMPARE(text("lineEdit_nar"), payBack);
}

void ReportsTest::otherReportsKeepTotals() {
    seedMarch();
    runReport("pushButton_13", QDate(2025, 3, 1), QDate(2025, 3, 31));
    const QStringList names{"lineEditntalons", "lineEdit_pn",  "frais",
                            "lineEdit_t",      "lineEdit_fga", "lineEdit_pca",
                            "lineEdit_pt",     "lineEdit_c",   "lineEdit_nar"};
    QStringList before;
    for (const QString &name : names)
        before << child<QLineEdit>(qPrintable(name))->text();
    QCOMPARE(before.at(7), QStringLiteral("4234"));

    for (const char *report : {"pushButton_11", "pushButton_12"}) {
        runReport(report, QDate(2025, 3, 15), QDate(2025, 3, 15));
        QCOMPARE(tableRows().size(), 1);
        QStringList after;
        for (const QString &name : names)
            after << child<QLineEdit>(qPrintable(name))->text();
        QCOMPARE(after, before);
    }
}

void ReportsTest::validerWithoutReport() {
    seedMarch();
    QCOMPARE(child<QLabel>("label_55")->text(), QStringLiteral("0"));
    child<QLineEdit>("lineEdit_c")->setText("12");
    const QStringList sent = testsupport::db::statementsSentDuring(
        [&] { QTest::mouseClick(child<QPushButton>("pushButton_14"), Qt::LeftButton); });
    QCOMPARE(sent, QStringList());
    QVERIFY(child<QTableView>("tableView_2")->model() == nullptr);
    QCOMPARE(child<QLabel>("label_12")->text(), QString());
    QCOMPARE(text("lineEditntalons"), QString());
    QCOMPARE(text("lineEdit_c"), QStringLiteral("12"));
    QCOMPARE(text("lineEdit_nar"), QString());
}

void ReportsTest::reopeningThePage() {
    seedMarch();
    runReport("pushButton_13", QDate(2025, 3, 1), QDate(2025, 3, 31));
    const QAbstractItemModel *model = child<QTableView>("tableView_2")->model();
    const QString title = child<QLabel>("label_12")->text();
    QCOMPARE(title, QStringLiteral("DETAILS CAISSES DU:  01/03/2025  AU: 31/03/2025 "));

    setPage(Koravel3::HomePage);
    QTest::mouseClick(child<QPushButton>("pushButton_8"), Qt::LeftButton);
    QCOMPARE(child<QLabel>("label_55")->text(), QStringLiteral("0"));
    QCOMPARE(child<QDateEdit>("dateEdit")->date(), QDate::currentDate());
    QCOMPARE(child<QDateEdit>("dateEdit_2")->date(), QDate::currentDate());
    QCOMPARE(child<QLabel>("label_12")->text(), title);
    QCOMPARE(child<QTableView>("tableView_2")->model(), model);
    QCOMPARE(tableRows().size(), 4);
    QCOMPARE(text("lineEdit_c"), QStringLiteral("4234"));
    QCOMPARE(child<QPushButton>("pushButton_13")->styleSheet(), redButton);

    // With the marker back at none, the release computes nothing.
    child<QLineEdit>("lineEdit_pn")->setText("1000");
    QTest::mouseClick(child<QPushButton>("pushButton_14"), Qt::LeftButton);
    QCOMPARE(text("lineEdit_c"), QStringLiteral("4234"));
}

void ReportsTest::reportRowFillsCard() {
    seedMarch();
    showWindow();
    runReport("pushButton_11", QDate(2025, 3, 1), QDate(2025, 3, 31));
    auto *view = child<QTableView>("tableView_2");
    const QModelIndex plate = view->model()->index(0, 1);
    QCOMPARE(plate.data().toString(), QStringLiteral("BB-2"));
    view->scrollTo(plate);
    QTest::mouseClick(view->viewport(), Qt::LeftButton, Qt::NoModifier,
                      view->visualRect(plate).center());
    QCOMPARE(text("lineEdit_6"), QStringLiteral("BRAVO"));
    QCOMPARE(child<QLabel>("label_43")->text(), QStringLiteral("P-B"));
    QCOMPARE(child<QLabel>("label_30")->text(), QStringLiteral("5"));
}

void ReportsTest::exportReport() {
    QVERIFY(seededPolicy("Aïssa DUPONT \"FILS\"", "DK;01", "2024-06-01",
                         with(amounts(100, 3000, 10, 5, 395, 0), {{"valabl", "'2025-05-31'"},
                                                                  {"attestation", "'T-9'"},
                                                                  {"police", "''"},
                                                                  {"sommencais", 3510}}),
                         true));
    runReport("pushButton_13", QDate(2024, 6, 1), QDate(2024, 6, 30));
    const QString path = files.filePath("caisse.csv");
    verifyDialog(exportTo(path));
    const QByteArray expected =
        "\"N\xc2\xb0 Attestation\";\"Assur\xc3\xa9\";\"Immatriculation\";\"N\xc2\xb0 Police\";"
        "\"Effet\";\"Expiration\";\"Prime Nette\";\"Frais\";\"Taxe\";\"FGA\";\"PCA\";"
        "\"P. Total\"\n"
        "\"T-9\";\"A\xc3\xafssa DUPONT \"\"FILS\"\"\";\"DK;01\";\"\";\"2024-06-01\";"
        "\"2025-05-31\";\"100\";\"3000\";\"10\";\"5\";\"395\";\"3510\"\n";
    QCOMPARE(readBytes(path), lines(expected));
}

void ReportsTest::exportWithoutReport() {
    const QString path = files.filePath("vide.csv");
    verifyDialog(exportTo(path));
    QCOMPARE(readBytes(path), lines("\n"));
}

void ReportsTest::exportHeaderOnly() {
    seedMarch();
    runReport("pushButton_11", QDate(2020, 1, 1), QDate(2020, 1, 31));
    QCOMPARE(tableRows(), QStringList());
    const QString path = files.filePath("stat.csv");
    verifyDialog(exportTo(path));
    QCOMPARE(readBytes(path),
             lines("\"nom\";\"IMMATRICULATION\";\"DATE EXPIRATION\";\"RENOUVELLEMENT\"\n"));
}

void ReportsTest::exportTwiceReplaces() {
    seedMarch();
    runReport("pushButton_13", QDate(2025, 3, 1), QDate(2025, 3, 31));
    const QString path = files.filePath("deux.csv");
    verifyDialog(exportTo(path));
    QCOMPARE(readAll(path).count(QLatin1Char('\n')), 5);

    runReport("pushButton_12", QDate(2025, 3, 31), QDate(2025, 3, 31));
    verifyDialog(exportTo(path));
    QCOMPARE(readBytes(path), lines("\"nom\";\"IMMATRICULATION\";\"Effet\";\"Expiration\"\n"
                                    "\"BRAVO\";\"BB-2\";\"2025-03-31\";\"2026-03-30\"\n"));
}

void ReportsTest::exportWritesNothing_data() {
    QTest::addColumn<QString>("fileName");
    QTest::newRow("cancelled") << QString();
    QTest::newRow("missing directory") << "missing/out.csv";
}

void ReportsTest::exportWritesNothing() {
    QFETCH(QString, fileName);
    seedMarch();
    runReport("pushButton_13", QDate(2025, 3, 1), QDate(2025, 3, 31));
    const QDir applicationDir(QCoreApplication::applicationDirPath());
    const QStringList before = applicationDir.entryList(QDir::Files);
    const QString target = fileName.isEmpty() ? fileName : files.filePath(fileName);
    const Export seen = exportTo(target);
    verifyDialog(seen);
    // A file that cannot be written is never a silent failure.
    if (fileName.isEmpty()) {
        QCOMPARE(seen.boxes.size(), 0);
    } else {
        QCOMPARE(seen.boxes.size(), 1);
        QCOMPARE(seen.boxes.first().title, QStringLiteral("Export impossible"));
        QCOMPARE(seen.boxes.first().icon, QMessageBox::Warning);
        QVERIFY(seen.boxes.first().text.contains(QDir::toNativeSeparators(target)));
        QVERIFY(seen.boxes.first().text.contains(QStringLiteral("Détail : ")));
    }
    QCOMPARE(applicationDir.entryList(QDir::Files), before);
    QCOMPARE(QDir(files.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot), QStringList());
    QVERIFY(QApplication::activeModalWidget() == nullptr);
}

// The agent leaves with the save dialog open: the time-out closes it, writes
// nothing, and the next agent's export opens a dialog of its own.
void ReportsTest::timeOutClosesTheExportDialog() {
    seedMarch();
    runReport("pushButton_13", QDate(2025, 3, 1), QDate(2025, 3, 31));
    QPointer<QFileDialog> open;
    bool shown = false;
    bool leftOpen = false;
    {
        testsupport::ModalWatcher watcher;
        watcher.onAnswer([&] {
            open = qobject_cast<QFileDialog *>(QApplication::activeModalWidget());
            shown = open;
            QMetaObject::invokeMethod(window.get(), "onTimeout");
            leftOpen = open && open->isVisible();
        });
        QTest::mouseClick(child<QPushButton>("pushButton_16"), Qt::LeftButton);
    }
    QVERIFY(shown);
    QVERIFY(!leftOpen);
    QCOMPARE(page(), Koravel3::LoginPage);
    QTRY_VERIFY(!open);
    QCOMPARE(QDir(files.path()).entryList(QDir::Files), QStringList());

    child<QLabel>("label_5")->setText(agent);
    QTest::mouseClick(child<QPushButton>("pushButton_8"), Qt::LeftButton);
    const QString path = files.filePath("suivant.csv");
    verifyDialog(exportTo(path));
    QVERIFY(QFile::exists(path));
}

// The agent leaves "replace the file?" open until the time-out.
void ReportsTest::timeOutInTheOverwriteQuestion() {
    seedMarch();
    runReport("pushButton_13", QDate(2025, 3, 1), QDate(2025, 3, 31));
    const QString path = files.filePath("existant.csv");
    QCOMPARE(::files::writeText(path, QStringLiteral("ancien\n")), QString());
    testsupport::ModalWatcher watcher;
    watcher.setNextFileName(path);
    watcher.whileOpen([&](const testsupport::SeenBox &) { QVERIFY(invoke("onTimeout")); });
    QTest::mouseClick(child<QPushButton>("pushButton_16"), Qt::LeftButton);
    QCOMPARE(watcher.dialogs().size(), 1);
    QCOMPARE(watcher.boxes().size(), 1);
    QCOMPARE(page(), Koravel3::LoginPage);
    QTRY_VERIFY(!QApplication::activeModalWidget());
    QFile kept(path);
    QVERIFY(kept.open(QIODevice::ReadOnly));
    QCOMPARE(kept.readAll(), lines("ancien\n"));
    QCOMPARE(QDir(files.path()).entryList(QDir::Files), QStringList({"existant.csv"}));
}

QTEST_MAIN(ReportsTest)
#include "tst_reports.moc"
