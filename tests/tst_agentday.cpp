// An agent's ordinary day at the counter, driven as the agent drives it:
// the next customer typed over the last one, a colleague's policy on the
// same plate, a policy loaded after another was priced, a window left open
// overnight, the next agent at the same counter, a time-out behind the
// confirmation, and a reprint. Checked on the real server and print queue.
#include "core/config.h"
#include "core/statements.h"
#include "core/validity.h"
#include "koravel3.h"
#include "support/connectwarnings.h"
#include "support/dbfixture.h"
#include "support/inifiles.h"
#include "support/modal.h"
#include "support/policyform.h"
#include "support/printqueue.h"
#include "support/window.h"
#include "support/windowtest.h"

#include <QAction>
#include <QComboBox>
#include <QDate>
#include <QDateEdit>
#include <QLabel>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QSqlDatabase>
#include <QStackedWidget>
#include <QStandardItemModel>
#include <QTableView>
#include <QTest>

#include <memory>

namespace db = testsupport::db;
namespace form = testsupport::policyform;
namespace printqueue = testsupport::printqueue;
using testsupport::SeenBox;

namespace {

const char *const taxiCategory = "CATEGORIE 4: véhicules aménages pour le transport de marchandise";

QString today() {
    return QDate::currentDate().toString(QStringLiteral("dd/MM/yyyy"));
}

QStringList wordsOf(const QString &pdf) {
    QStringList out;
    for (const printqueue::Word &word : printqueue::words(pdf))
        out << word.text;
    return out;
}

// The texts of the QR codes on a printed page, read by zbarimg.
QStringList codesOn(const QString &pdf) {
    const QString png = pdf + QStringLiteral(".png");
    if (!printqueue::render(pdf, 150).save(png))
        return {};
    QProcess zbar;
    zbar.start(QStringLiteral("zbarimg"),
               {QStringLiteral("--quiet"), QStringLiteral("--raw"), png});
    zbar.waitForFinished(30000);
    QFile::remove(png);
    return QString::fromUtf8(zbar.readAllStandardOutput())
        .split(QLatin1Char('\n'), Qt::SkipEmptyParts);
}

} // namespace

class AgentDayTest : public testsupport::WindowTest {
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void nextCustomerTypedOverTheLast_data();
    void nextCustomerTypedOverTheLast();
    void pressLoadsTheAgentsOwnPolicy_data();
    void pressLoadsTheAgentsOwnPolicy();
    void premiumFollowsTheLastChoices();
    void loadedPolicyIsPricedAgain();
    void effectDateIsToday_data();
    void effectDateIsToday();
    void nothingLeftForTheNextAgent_data();
    void nothingLeftForTheNextAgent();
    void timeOutBehindTheConfirmation();
    void colleaguesPolicyAsksFirst_data();
    void colleaguesPolicyAsksFirst();
    void reprintLoadedPolicy();
    void reprintWithoutPolicy();
    void agentsOwnAccount();

private:
    void logIn(const QString &user, const QString &password);
    QList<SeenBox> clickSave(QStringList *jobs = nullptr);
    // A standard list on the home table, as the agent's lists show plates.
    void listPlate(const QString &plate);
    // The agent's choices, each as its list would make it.
    void pickGenre(const QString &genre);
    void pickPower(const QString &power);
    void chooseMonths(const QString &months);
    QStringList periodGroup() const;
    // A new window for the agent awa's own server account (accounts=agent
    // in the machine's file), not logged in.
    void useOwnAccount(const testsupport::IniFiles &files);

    QString agent;
};

void AgentDayTest::initTestCase() {
    testsupport::failOnConnectWarnings();
    printqueue::useRigServer();
    QVERIFY2(db::admin().isOpen(), "the test database server must be running");
    QVERIFY2(printqueue::serverRunning(), "the rig's print server must be running");
}

void AgentDayTest::init() {
    QVERIFY(db::reset());
    agent = QString::number(db::addAgent("awa", "pw1", "Awa DIOP"));
    window = std::make_unique<Koravel3>();
    logIn("awa", "pw1");
}

void AgentDayTest::cleanup() {
    window.reset();
    // An agent's server account made by a test goes with it.
    QVERIFY(db::exec("DROP USER IF EXISTS 'awa'@'%'"));
}

void AgentDayTest::logIn(const QString &user, const QString &password) {
    submitLogin(user, password);
    QCOMPARE(page(), Koravel3::HomePage);
}

QList<SeenBox> AgentDayTest::clickSave(QStringList *jobs) {
    testsupport::ModalWatcher watcher;
    const QStringList printed = printqueue::documentsPrintedDuring(
        [&] { QTest::mouseClick(child<QPushButton>("pushButton_3"), Qt::LeftButton); });
    if (jobs)
        *jobs = printed;
    return watcher.boxes();
}

void AgentDayTest::listPlate(const QString &plate) {
    auto *model = new QStandardItemModel(0, 1, window.get());
    model->appendRow(new QStandardItem(plate));
    child<QTableView>("tableView")->setModel(model);
}

void AgentDayTest::nextCustomerTypedOverTheLast_data() {
    QTest::addColumn<QString>("plate");
    QTest::addColumn<bool>("refused");
    QTest::newRow("another plate") << "DK-9999-ZZ" << true;
    QTest::newRow("the same plate") << "DK-1234-AB" << false;
}

void AgentDayTest::nextCustomerTypedOverTheLast() {
    QFETCH(QString, plate);
    QFETCH(bool, refused);
    fillForm(form::with(form::ordinary(), {{"label_5", agent}}));
    QCOMPARE(clickSave().value(0).text, QStringLiteral("ENREGISTRER"));
    const QString saved = child<QLabel>("LID")->text();
    const QStringList before = db::policyTables();

    // The next customer typed over the form, without NOUVEAU/CLEAR.
    fillForm({{"LEN", "Moussa FALL"}, {"LEIM", plate}, {"LEPO", "POL-900"}});
    QStringList jobs;
    const QList<SeenBox> boxes = clickSave(&jobs);
    QCOMPARE(boxes.size(), 1);
    if (refused) {
        QCOMPARE(boxes.first().title, QStringLiteral("information"));
        QCOMPARE(boxes.first().icon, QMessageBox::Information);
        for (const char *named : {"POL-778", "DK-1234-AB", "NOUVEAU/CLEAR"})
            QVERIFY2(boxes.first().text.contains(QLatin1String(named)),
                     qPrintable(boxes.first().text));
        QCOMPARE(db::policyTables(), before);
        QVERIFY(jobs.isEmpty());
        QCOMPARE(child<QLineEdit>("LEN")->text(), QStringLiteral("Moussa FALL"));
        QCOMPARE(child<QLineEdit>("LEIM")->text(), plate);
    } else {
        QCOMPARE(boxes.first().text, QStringLiteral("MIS A JOUR.."));
        QCOMPARE(db::rows("SELECT COUNT(*), MAX(nom), MAX(trie) FROM principal"),
                 QStringList("1|Moussa FALL|2"));
        QCOMPARE(db::scalar("SELECT COUNT(*) FROM principal1").toInt(), 2);
        QCOMPARE(jobs.size(), 1);
    }
    QCOMPARE(child<QLabel>("LID")->text(), saved);
}

void AgentDayTest::pressLoadsTheAgentsOwnPolicy_data() {
    QTest::addColumn<QStringList>("owners"); // in the order the rows are inserted
    QTest::addColumn<int>("loaded");         // index of the row the press loads
    QTest::newRow("own rows and a colleague's newer one")
        << QStringList{"own", "colleague", "own", "colleague"} << 2;
    QTest::newRow("only a colleague's rows") << QStringList{"colleague", "colleague"} << 1;
}

void AgentDayTest::pressLoadsTheAgentsOwnPolicy() {
    QFETCH(QStringList, owners);
    QFETCH(int, loaded);
    const QString colleague = QString::number(db::addAgent("ousmane", "pw2"));
    QList<int> ids;
    for (int i = 0; i < owners.size(); ++i)
        ids << db::addPolicy(
            {{"idpersonne", db::literal(owners.at(i) == "own" ? agent : colleague)},
             {"immat", "'DK-7777-CC'"},
             {"nom", db::literal(QStringLiteral("CLIENT %1").arg(i))}});
    listPlate(QStringLiteral("DK-7777-CC"));
    testsupport::ModalWatcher watcher;
    const QStringList sent = db::statementsSentDuring(
        [&] { testsupport::pressCell(child<QTableView>("tableView"), 0, 0); });
    QVERIFY2(sent.contains(statements::formLoad(QStringLiteral("DK-7777-CC"), agent).text()),
             qPrintable(sent.join(QLatin1Char('\n'))));
    QCOMPARE(child<QLabel>("LID")->text(), QString::number(ids.at(loaded)));
    QCOMPARE(child<QLineEdit>("LEN")->text(), QStringLiteral("CLIENT %1").arg(loaded));
}

void AgentDayTest::pickGenre(const QString &genre) {
    child<QComboBox>("CBG")->setCurrentText(genre);
    QVERIFY(QMetaObject::invokeMethod(window.get(), "on_CBG_textActivated", Q_ARG(QString, genre)));
}

void AgentDayTest::pickPower(const QString &power) {
    child<QComboBox>("CBP")->setCurrentText(power);
    QVERIFY(QMetaObject::invokeMethod(window.get(), "on_CBP_activated",
                                      Q_ARG(int, child<QComboBox>("CBP")->currentIndex())));
}

void AgentDayTest::chooseMonths(const QString &months) {
    auto *combo = child<QComboBox>("CBNM");
    combo->setCurrentText(months);
    QVERIFY(QMetaObject::invokeMethod(window.get(), "on_CBNM_activated",
                                      Q_ARG(int, combo->currentIndex())));
}

QStringList AgentDayTest::periodGroup() const {
    QStringList texts;
    for (const char *name : {"LEPN_2", "LETX_2", "LEFGA_2", "LEPCA_2", "LECP_2", "LEPT_2"})
        texts << child<QLineEdit>(name)->text();
    return texts;
}

// A genre changed after the power keeps the other tariff's premium on
// screen: the save needs the power and the months again.
void AgentDayTest::premiumFollowsTheLastChoices() {
    fillForm(form::plainFields(form::ordinary(),
                               {"label_5", "lineEdit_user_2", "lineEdit_passw_2", "LEPN_2",
                                "LEPT_2", "LETX_2", "LEFGA_2", "LEPCA_2", "LECP_2", "LESF"}));
    pickGenre("V.P");
    pickPower("9");
    pickGenre("CAMIONNETTE");
    chooseMonths("12");
    QTest::mouseClick(child<QPushButton>("PBC"), Qt::LeftButton);
    const QStringList before = db::policyTables();
    QStringList jobs;
    QList<SeenBox> boxes = clickSave(&jobs);
    QCOMPARE(boxes.size(), 1);
    QVERIFY2(boxes.first().text.contains(QLatin1String("CALCULER")),
             qPrintable(boxes.first().text));
    QCOMPARE(db::policyTables(), before);
    QVERIFY(jobs.isEmpty());

    pickPower("9");
    chooseMonths("12");
    QTest::mouseClick(child<QPushButton>("PBC"), Qt::LeftButton);
    boxes = clickSave();
    QCOMPARE(boxes.value(0).text, QStringLiteral("ENREGISTRER"));
    QCOMPARE(db::rows("SELECT prime,primetotal,tranchef FROM principal"),
             QStringList("119640|139151|8a10"));
}

void AgentDayTest::loadedPolicyIsPricedAgain() {
    // Customer X priced: V.P, power 9, 12 months.
    pickGenre("V.P");
    pickPower("9");
    chooseMonths("12");
    QCOMPARE(child<QLineEdit>("LEPT_2")->text(), QStringLiteral("53628"));
    QTest::mouseClick(child<QPushButton>("pushButton_4"), Qt::LeftButton);
    QCOMPARE(periodGroup(), QStringList(6, QString()));

    // Customer Y's TAXI policy, loaded from the search.
    const int y = db::addPolicy({{"idpersonne", db::literal(agent)},
                                 {"nom", "'Yacine BA'"},
                                 {"genre", "'TAXI'"},
                                 {"immat", "'DK-5555-TX'"},
                                 {"nbrdemois", "'6'"},
                                 {"forcefiscal", "'5'"},
                                 {"categorie", db::literal(QString::fromUtf8(taxiCategory))},
                                 {"tranchef", "'5a7'"},
                                 {"prime", "88194"}});
    const QStringList stored =
        db::rows(QStringLiteral("SELECT * FROM principal WHERE id=%1").arg(y));
    child<QLineEdit>("LER")->setText(QStringLiteral("DK-5555"));
    for (int press = 0; press < 2; ++press) {
        testsupport::ModalWatcher watcher;
        testsupport::pressCell(child<QTableView>("tableView"), 0, 0);
        QCOMPARE(watcher.boxes().size(), 0); // no "erreur" for the category it clears
    }
    QCOMPARE(child<QLabel>("LID")->text(), QString::number(y));
    QCOMPARE(periodGroup(), QStringList(6, QString()));
    QCOMPARE(child<QComboBox>("CBCG")->count(), 0);
    QCOMPARE(child<QComboBox>("CBTF")->count(), 0);

    // Saved before pricing: refused, Y's row untouched.
    {
        testsupport::ModalWatcher watcher;
        chooseMonths("12");
    }
    const QStringList before = db::policyTables();
    QStringList jobs;
    QList<SeenBox> boxes = clickSave(&jobs);
    QCOMPARE(boxes.size(), 1);
    QCOMPARE(boxes.first().title, QStringLiteral("information"));
    QVERIFY2(boxes.first().text.contains(QLatin1String("CALCULER")),
             qPrintable(boxes.first().text));
    QCOMPARE(db::policyTables(), before);
    QVERIFY(jobs.isEmpty());

    // Priced for Y as an agent may: months before power (no net premium
    // yet, so a period of 0), then the same months again.
    pickGenre("TAXI");
    chooseMonths("12");
    QCOMPARE(child<QLineEdit>("LEPT_2")->text(), QStringLiteral("0"));
    pickPower("5");
    chooseMonths("12");
    QCOMPARE(periodGroup(), QStringList({"14699", "19410", "4783", "1470", "3000", "176388"}));
    QTest::mouseClick(child<QPushButton>("PBC"), Qt::LeftButton);
    boxes = clickSave();
    QCOMPARE(boxes.value(0).text, QStringLiteral("MIS A JOUR.."));
    QCOMPARE(db::rows(QStringLiteral("SELECT prime,taxe,fga,pca,coutpolice,primetotal,categorie,"
                                     "tranchef,trie FROM principal WHERE id=%1")
                          .arg(y)),
             QStringList(QStringLiteral("176388|19410|4783|1470|3000|203581|%1|5a7|2")
                             .arg(QString::fromUtf8(taxiCategory))));
}

void AgentDayTest::effectDateIsToday_data() {
    QTest::addColumn<QString>("action");
    QTest::newRow("NOUVEAU/CLEAR") << "pushButton_4";
    QTest::newRow("log-out") << "pushButton_2";
    QTest::newRow("time-out") << "onTimeout";
    QTest::newRow("login") << "login";
}

void AgentDayTest::effectDateIsToday() {
    QFETCH(QString, action);
    if (action == QLatin1String("login"))
        QTest::mouseClick(child<QPushButton>("pushButton_2"), Qt::LeftButton);
    child<QLineEdit>("LEDU")->setText(QStringLiteral("07/12/2026"));
    if (action == QLatin1String("login"))
        logIn("awa", "pw1");
    else if (action == QLatin1String("onTimeout"))
        QVERIFY(invoke("onTimeout"));
    else
        QTest::mouseClick(child<QPushButton>(qPrintable(action)), Qt::LeftButton);
    QCOMPARE(child<QLineEdit>("LEDU")->text(), today());
}

void AgentDayTest::nothingLeftForTheNextAgent_data() {
    QTest::addColumn<bool>("timeOut");
    QTest::newRow("log-out") << false;
    QTest::newRow("time-out") << true;
}

void AgentDayTest::nothingLeftForTheNextAgent() {
    QFETCH(bool, timeOut);
    db::addPolicy({{"idpersonne", db::literal(agent)}, {"padres", "'Rue 4'"}});
    db::addPolicy({{"idpersonne", db::literal(agent)}}, true);
    // The cash-desk report of today, its commission, and a policy card.
    QTest::mouseClick(child<QPushButton>("pushButton_8"), Qt::LeftButton);
    QTest::mouseClick(child<QPushButton>("pushButton_13"), Qt::LeftButton);
    QTest::mouseClick(child<QPushButton>("pushButton_14"), Qt::LeftButton);
    auto *report = child<QTableView>("tableView_2");
    QCOMPARE(report->model()->rowCount(), 1);
    testsupport::pressCell(report, 0, 2, true);
    QCOMPARE(child<QLineEdit>("lineEdit_10")->text(), QStringLiteral("Rue 4"));
    fillForm({{"lineEdit", "Rue 10 Dakar"}, {"LEN", "Fatou SOW"}});

    const QStringList edits{"lineEditntalons", "lineEdit_pn",  "frais",       "lineEdit_t",
                            "lineEdit_fga",    "lineEdit_pca", "lineEdit_pt", "lineEdit_c",
                            "lineEdit_nar",    "lineEdit_6",   "lineEdit_7",  "lineEdit_8",
                            "lineEdit_9",      "lineEdit_10",  "lineEdit",    "LEN"};
    const QStringList labels{"label_23", "label_30", "label_40", "label_52", "label_54",
                             "label_41", "label_42", "label_43", "label_44", "label_12"};
    QTest::mouseClick(child<QPushButton>("pushButton_18"), Qt::LeftButton); // a QR code shown
    const auto shown = [&] {
        QStringList texts;
        for (const QString &name : edits)
            texts << child<QLineEdit>(qPrintable(name))->text();
        for (const QString &name : labels)
            texts << child<QLabel>(qPrintable(name))->text();
        texts << QString::number(report->model()->rowCount())
              << QString::number(report->model()->columnCount())
              << QString::number(child<QComboBox>("comboBox_3")->count())
              << QString::number(!child<QLabel>("label_qr")->pixmap().isNull());
        return texts;
    };
    QVERIFY(shown().count(QString()) < edits.size() + labels.size() - 10);

    if (timeOut)
        QVERIFY(invoke("onTimeout"));
    else
        QTest::mouseClick(child<QPushButton>("pushButton_2"), Qt::LeftButton);
    const QStringList blank = QStringList(edits.size() + labels.size(), QString()) << "0"
                                                                                   << "0"
                                                                                   << "0"
                                                                                   << "0";
    QCOMPARE(shown(), blank);
    db::addAgent("ousmane", "pw2");
    logIn("ousmane", "pw2");
    QCOMPARE(shown(), blank);
}

void AgentDayTest::timeOutBehindTheConfirmation() {
    fillForm(form::with(form::ordinary(), {{"label_5", agent}}));
    testsupport::ModalWatcher watcher;
    watcher.whileOpen([&](const SeenBox &box) {
        if (box.title == QLatin1String("save"))
            QVERIFY(invoke("onTimeout"));
    });
    const QStringList jobs = printqueue::documentsPrintedDuring(
        [&] { QTest::mouseClick(child<QPushButton>("pushButton_3"), Qt::LeftButton); });
    QCOMPARE(watcher.boxes().size(), 1);
    QCOMPARE(page(), Koravel3::LoginPage);
    QCOMPARE(child<QLineEdit>("LEN")->text(), QString());
    QCOMPARE(jobs.size(), 1);
    const QStringList words = wordsOf(jobs.first());
    for (const char *saved : {"Fatou", "SOW", "DK-1234-AB", "POL-778", "01/02/2025", "31/01/2026"})
        QVERIFY2(words.count(QLatin1String(saved)) >= 2, saved);
}

void AgentDayTest::colleaguesPolicyAsksFirst_data() {
    QTest::addColumn<int>("answer");
    QTest::addColumn<bool>("ownAccounts");
    QTest::newRow("Non") << int(QMessageBox::No) << false;
    QTest::newRow("Oui") << int(QMessageBox::Yes) << false;
    QTest::newRow("Oui, agents' own accounts") << int(QMessageBox::Yes) << true;
}

// Renewing a colleague's policy moves the sale and its commission; with
// agents' own accounts the server's journal says so.
void AgentDayTest::colleaguesPolicyAsksFirst() {
    QFETCH(int, answer);
    QFETCH(bool, ownAccounts);
    const testsupport::IniFiles files;
    if (ownAccounts) {
        useOwnAccount(files);
        logIn("awa", "pw1");
    }
    const QString colleague = QString::number(db::addAgent("ousmane", "pw2"));
    const int id = db::addPolicy({{"idpersonne", db::literal(colleague)},
                                  {"users", "'ousmane'"},
                                  {"immat", "'DK-1234-AB'"}});
    fillForm(form::with(form::ordinary(), {{"label_5", agent}, {"LID", QString::number(id)}}));
    const QStringList before = db::policyTables();
    testsupport::ModalWatcher watcher;
    watcher.setNextAnswer(QMessageBox::StandardButton(answer));
    const QStringList jobs = printqueue::documentsPrintedDuring(
        [&] { QTest::mouseClick(child<QPushButton>("pushButton_3"), Qt::LeftButton); });
    const SeenBox question = watcher.first();
    QCOMPARE(question.title, QStringLiteral("Police d'un autre agent"));
    QCOMPARE(question.buttons, QMessageBox::Yes | QMessageBox::No);
    QCOMPARE(question.defaultButton, QMessageBox::No);
    for (const char *named : {"DK-1234-AB", "ousmane", "commission"})
        QVERIFY2(question.text.contains(QLatin1String(named)), named);
    if (answer == QMessageBox::No) {
        QCOMPARE(watcher.boxes().size(), 1);
        QCOMPARE(db::policyTables(), before);
        QVERIFY(jobs.isEmpty());
        return;
    }
    QCOMPARE(watcher.boxes().value(1).text, QStringLiteral("MIS A JOUR.."));
    QCOMPARE(db::scalar(QStringLiteral("SELECT idpersonne FROM principal WHERE id=%1").arg(id))
                 .toString(),
             agent);
    QCOMPARE(jobs.size(), 1);
    if (ownAccounts)
        QCOMPARE(db::rows(QStringLiteral("SELECT SUBSTRING_INDEX(compte, '@', 1), ancien_agent, "
                                         "nouvel_agent FROM journal WHERE id_police=%1 AND "
                                         "action='update' ORDER BY id DESC LIMIT 1")
                              .arg(id)),
                 QStringList("awa|" + colleague + "|" + agent));
}

void AgentDayTest::useOwnAccount(const testsupport::IniFiles &files) {
    QVERIFY(db::exec("CALL koravel_add_agent('awa', 'pw1')"));
    QVERIFY(files.write("system", "accounts=agent\n"));
    window.reset();
    window = std::make_unique<Koravel3>();
}

void AgentDayTest::reprintLoadedPolicy() {
    const int id = db::addPolicy({{"idpersonne", db::literal(agent)},
                                  {"nom", "'Ibrahima NDIAYE'"},
                                  {"immat", "'DK-4242-RP'"},
                                  {"police", "'POL-4242'"},
                                  {"valable", "'2025-03-01'"},
                                  {"valabl", "'2026-02-28'"}});
    child<QLineEdit>("LER")->setText(QStringLiteral("DK-4242"));
    {
        testsupport::ModalWatcher watcher;
        testsupport::pressCell(child<QTableView>("tableView"), 0, 0);
    }
    QCOMPARE(child<QLabel>("LID")->text(), QString::number(id));
    child<QLineEdit>("LEN")->setText(QStringLiteral("edited, not saved"));

    const QStringList before = db::policyTables();
    QStringList sent;
    testsupport::ModalWatcher watcher;
    const QStringList jobs = printqueue::documentsPrintedDuring([&] {
        sent = db::statementsSentDuring([&] { child<QAction>("actionReimprimer")->trigger(); });
    });
    QCOMPARE(watcher.boxes().size(), 0);
    // The front alone: the agent turns the sheet before the back is sent.
    QCOMPARE(jobs.size(), 1);
    const QStringList front = wordsOf(jobs.at(0));
    for (const char *stored : {"NDIAYE", "DK-4242-RP", "POL-4242", "01/03/2025", "28/02/2026"})
        QVERIFY2(front.count(QLatin1String(stored)) >= 2, stored);
    QVERIFY(!front.contains(QStringLiteral("edited,")));
    const QStringList back = printqueue::documentsPrintedDuring(
        [&] { QTest::mouseClick(child<QPushButton>("pushButton_17"), Qt::LeftButton); });
    QCOMPARE(back.size(), 1);
    QCOMPARE(codesOn(back.at(0)), QStringList({QString::number(id), QString::number(id)}));
    QCOMPARE(db::writes(sent), QStringList());
    QCOMPARE(db::policyTables(), before);
}

void AgentDayTest::reprintWithoutPolicy() {
    QCOMPARE(child<QAction>("actionReimprimer")->text(), QStringLiteral("Réimprimer le talon"));
    testsupport::ModalWatcher watcher;
    const QStringList jobs =
        printqueue::documentsPrintedDuring([&] { child<QAction>("actionReimprimer")->trigger(); });
    QCOMPARE(watcher.boxes().size(), 1);
    QCOMPARE(watcher.first().title, QStringLiteral("information"));
    QVERIFY(watcher.first().text.startsWith(QStringLiteral("Aucune police")));
    QCOMPARE(watcher.first().buttons, QMessageBox::StandardButtons(QMessageBox::Ok));
    QVERIFY(jobs.isEmpty());
}

// With accounts=agent the agent's own server account logs in, and the sale
// goes through the server's rules for agents: no password anywhere, the
// history stamped with the account that wrote it.
void AgentDayTest::agentsOwnAccount() {
    const testsupport::IniFiles files;
    useOwnAccount(files);
    // Before any agent: the server answers (the rig's has an anonymous
    // account), and nobody's session stays open.
    QVERIFY(!QSqlDatabase::database(QSqlDatabase::defaultConnection, false).isOpen());
    QCOMPARE(child<QLabel>("serverLabel")->text(),
             QStringLiteral("Serveur : %1:3306 (base assurebdd, comptes des agents)")
                 .arg(QString::fromUtf8(config::databaseHost)));
    {
        const testsupport::ModalWatcher watcher(QMessageBox::No);
        submitLogin("awa", "nope");
        QVERIFY(watcher.boxes().isEmpty());
    }
    QCOMPARE(page(), Koravel3::LoginPage);
    QCOMPARE(child<QLabel>("label_4")->text(),
             QStringLiteral("nom utilisateur et mot de passe incorrect"));
    logIn("awa", "pw1");
    QCOMPARE(child<QLabel>("label_5")->text(), agent);

    fillForm(form::with(form::ordinary(), {{"label_5", agent}, {"lineEdit_passw_2", "pw1"}}));
    QCOMPARE(clickSave().value(0).text, QStringLiteral("ENREGISTRER"));
    QCOMPARE(db::rows("SELECT p.password, h.password, SUBSTRING_INDEX(h.enregistre_par, '@', 1) "
                      "FROM principal p JOIN principal1 h ON h.immat = p.immat"),
             QStringList("||awa"));
    QCOMPARE(db::scalar("SELECT password FROM personnes WHERE user = 'awa'").toString(), QString());
}

QTEST_MAIN(AgentDayTest)
#include "tst_agentday.moc"
