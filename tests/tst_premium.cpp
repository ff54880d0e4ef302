// Classifying the vehicle and pricing it: genre, power, months and stub kind
// on the real window against the real database, the invoice total and the
// reduction, and the tariff and date units on their own.
#include "core/statements.h"
#include "core/tariff.h"
#include "core/validity.h"
#include "koravel3.h"
#include "support/connectwarnings.h"
#include "support/dbfixture.h"
#include "support/modal.h"
#include "support/tariffreference.h"
#include "support/windowtest.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QBrush>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QStyleHints>
#include <QTest>

#include <iterator>
#include <memory>

using testsupport::itemTexts;

using namespace tariffreference;

namespace {

// One genre per category, to reach it through the window.
const char *const genreOf[] = {"V.P",       "CAMIONNETTE", "CAMION", "TAXI",
                               "MOTOCYCLE", "BUS",         "AUTOCAR"};

// The labels each tariff table of the test database holds, in its order.
const QStringList databaseLabels[] = {
    {"2", "3a6", "7a10", "11a14", "15a23", "24+"},
    {"2", "2a4", "5a7", "8a10", "11a16", "17+"},
    {"2", "2a4", "5a7", "8a10", "11a16", "17+"},
    {"2", "2a4", "5a7", "8a10", "11a16", "17+"},
    {"1 cyclomotor", "2 scooter<=125cm3", "3 scooter>125cm3", "4 sidecar"},
    {"2", "2a4", "5a7", "8a10", "11a16", "17+"},
    {"2a4", "5a7", "8a10", "11a16", "17+"},
};

QtMessageHandler forwardMessage = nullptr;

// The offscreen platform cannot raise a list's pop-up or grab the keyboard
// for it, and says so on every pop-up; nothing the tests look at.
void dropPlatformNotices(QtMsgType type, const QMessageLogContext &context,
                         const QString &message) {
    if (!message.startsWith(QLatin1String("This plugin does not support")))
        forwardMessage(type, context, message);
}

} // namespace

class PremiumTest : public testsupport::WindowTest {
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    // The window.
    void genreChoice_data();
    void genreChoice();
    void genreOutsideTheTableChangesNothing();
    void genreKeepsAmounts();
    void tariffRowInWindow_data();
    void tariffRowInWindow();
    void workedExample();
    void statementsOfTheWorkedExample();
    void referenceGroupComesFromTheDatabase();
    void category6Irregular();
    void powerWithoutBracketOnlyReloadsParameters();
    void monthsBeforePower();
    void sameMonthsAgainRecomputes();
    void category5SubTypes();
    void category7EitherLabel();
    void monthsWithoutCategory();
    void failingTariffStatement();
    void expiryInWindow_data();
    void expiryInWindow();
    void talonColours_data();
    void talonColours();
    void talonAfterGenreColoursOneItem();
    void periodAmountsEdges_data();
    void periodAmountsEdges();
    void invoice_data();
    void invoice();
    void reduction_data();
    void reduction();

private:
    QString text(const char *name) { return child<QLineEdit>(name)->text(); }
    void setText(const char *name, const QString &value) { child<QLineEdit>(name)->setText(value); }
    // Chooses an item the way the agent does: open the list, click the item.
    void pick(const char *comboName, const QString &item);
    void pickRow(const char *comboName, int row);
    void pickGenre(int category) { pick("CBG", QLatin1String(genreOf[category - 1])); }
    void pickMonths(int months) { pick("CBNM", months ? QString::number(months) : QString()); }
    QStringList periodGroup();
    QStringList referenceGroup();

    std::unique_ptr<testsupport::ModalWatcher> m_boxes;
    int m_expectedBoxes = 0;
    bool m_tableAway = false;
};

void PremiumTest::initTestCase() {
    testsupport::failOnConnectWarnings();
    forwardMessage = qInstallMessageHandler(dropPlatformNotices);
    QVERIFY2(testsupport::db::admin().isOpen(), "the test database server must be running");
    // A list opened by a click ignores a release within the double-click
    // interval; keep the agent's clicks quick.
    QGuiApplication::styleHints()->setMouseDoubleClickInterval(20);
}

void PremiumTest::init() {
    m_expectedBoxes = 0;
    m_boxes = std::make_unique<testsupport::ModalWatcher>();
    QVERIFY2(testsupport::db::reset(), "the test database could not be reset");
    openWindow();
    useFormAgent();
    showWindow(QSize());
}

void PremiumTest::cleanup() {
    window.reset();
    if (m_tableAway) {
        testsupport::db::exec(QStringLiteral("RENAME TABLE categorie1_away TO categorie1"));
        m_tableAway = false;
    }
    // No test expects a message unless it says so.
    const int shown = int(m_boxes->boxes().size());
    m_boxes.reset();
    QCOMPARE(shown, m_expectedBoxes);
}

void PremiumTest::pick(const char *comboName, const QString &item) {
    const int row = child<QComboBox>(comboName)->findText(item, Qt::MatchExactly);
    QVERIFY2(row >= 0, qPrintable(item));
    pickRow(comboName, row);
    QCOMPARE(child<QComboBox>(comboName)->currentText(), item);
}

void PremiumTest::pickRow(const char *comboName, int row) {
    // After a failed step the form is no longer where the test expects it.
    if (QTest::currentTestFailed())
        return;
    QVERIFY2(testsupport::pickInList(child<QComboBox>(comboName), row), comboName);
}

QStringList PremiumTest::periodGroup() {
    return {text("LEPN_2"),  text("LETX_2"), text("LEFGA_2"),
            text("LEPCA_2"), text("LECP_2"), text("LEPT_2")};
}

QStringList PremiumTest::referenceGroup() {
    return {text("LEPN"), text("LETX"), text("LEFGA"), text("LEPCA"), text("LECP")};
}

// ---------------------------------------------------------------- units

// ---------------------------------------------------------------- window

void PremiumTest::genreChoice_data() {
    QTest::addColumn<QString>("genre");
    QTest::addColumn<int>("category");
    for (const char *genre :
         {"V.P", "CAMIONNETTE", "CAMION", "REMORQUE", "SEMI-REMORQUE", "TRACTEUR", "TAXI",
          "SCOOTER", "TRICYCLE", "SIDECAR", "MOTOCYCLE", "BUS", "AUTOCAR"})
        QTest::newRow(genre) << genre << tariff::categoryOfGenre(QLatin1String(genre));
}

void PremiumTest::genreChoice() {
    QFETCH(QString, genre);
    QFETCH(int, category);
    QVERIFY(category >= 1 && category <= 7);
    // From another category first, so that the enabled state has to change.
    pickGenre(category == 5 ? 1 : 5);
    pick("CBG", genre);
    const auto *display = child<QComboBox>("CBCG");
    QCOMPARE(itemTexts(display), QStringList{caption(category)});
    QCOMPARE(display->currentText(), caption(category));
    const auto *brackets = child<QComboBox>("CBTF");
    QCOMPARE(itemTexts(brackets), databaseLabels[category - 1]);
    QCOMPARE(brackets->currentIndex(), 0);
    QCOMPARE(brackets->isEnabled(), category == 5);
}

void PremiumTest::genreOutsideTheTableChangesNothing() {
    pickGenre(5);
    const QStringList brackets = itemTexts(child<QComboBox>("CBTF"));
    pick("CBG", QStringLiteral("GENRE"));
    QCOMPARE(itemTexts(child<QComboBox>("CBCG")), QStringList{caption(5)});
    QCOMPARE(itemTexts(child<QComboBox>("CBTF")), brackets);
    QVERIFY(child<QComboBox>("CBTF")->isEnabled());

    // A text typed into the genre field that is no genre of the table.
    auto *genre = child<QComboBox>("CBG");
    genre->setFocus();
    genre->lineEdit()->selectAll();
    QTest::keyClicks(genre->lineEdit(), QStringLiteral("VELO"));
    QTest::keyClick(genre->lineEdit(), Qt::Key_Return);
    QCOMPARE(genre->currentText(), QStringLiteral("VELO"));
    QCOMPARE(itemTexts(child<QComboBox>("CBCG")), QStringList{caption(5)});
    QCOMPARE(itemTexts(child<QComboBox>("CBTF")), brackets);
}

void PremiumTest::genreKeepsAmounts() {
    pickGenre(1);
    pick("CBP", QStringLiteral("9"));
    pickMonths(12);
    const QStringList amounts = periodGroup();
    QCOMPARE(amounts, QStringList({"4469", "5487", "1300", "395", "3000", "53628"}));
    const QStringList reference = referenceGroup();
    pick("CBG", QStringLiteral("BUS"));
    QCOMPARE(periodGroup(), amounts);
    QCOMPARE(referenceGroup(), reference);
    QCOMPARE(child<QComboBox>("CBCG")->currentText(), caption(6));
    QCOMPARE(itemTexts(child<QComboBox>("CBTF")), databaseLabels[5]);
}

void PremiumTest::tariffRowInWindow_data() {
    QTest::addColumn<int>("index");
    for (int i = 0; i < int(std::size(tariffRows)); ++i)
        QTest::newRow(qPrintable(rowName(tariffRows[i]))) << i;
}

void PremiumTest::tariffRowInWindow() {
    QFETCH(int, index);
    const TariffRow &row = tariffRows[index];
    const bool subTypes = row.category == 5;
    pickGenre(row.category);
    const QString base[] = {QString::number(row.net), QString::number(row.tax),
                            QString::number(row.fga), QString::number(row.pca),
                            QStringLiteral("3000")};
    for (const QString &power : QString::fromUtf8(row.powers).split(QLatin1Char(' '))) {
        for (const char *name : {"LEPN_2", "LETX_2", "LEFGA_2", "LEPCA_2", "LECP_2", "LEPT_2",
                                 "LEPN", "LETX", "LEFGA", "LEPCA", "LECP"})
            setText(name, QStringLiteral("old"));
        pick("CBP", power);
        QCOMPARE(periodGroup(), QStringList({base[0], base[1], base[2], base[3], base[4], "old"}));
        const auto *brackets = child<QComboBox>("CBTF");
        if (subTypes) {
            // The sub-types stay listed, the first one current; the test
            // database keys them by label, so no tariff row is found.
            QCOMPARE(itemTexts(brackets), databaseLabels[4]);
            QCOMPARE(brackets->currentIndex(), 0);
            QCOMPARE(referenceGroup(), QStringList({"old", "old", "old", "old", "old"}));
        } else {
            QCOMPARE(brackets->count(), 1);
            QCOMPARE(brackets->currentText(), databaseLabels[row.category - 1][row.bracket - 1]);
            QCOMPARE(referenceGroup(), QStringList({base[0], base[1], base[2], base[3], base[4]}));
        }
        if (QTest::currentTestFailed())
            qWarning() << "power" << power;
    }
    if (subTypes)
        pick("CBTF", QString::fromUtf8(row.labels));
    for (int months : {1, 12, 0}) {
        pickMonths(months);
        QCOMPARE(text("LEPT_2"), QString::number(row.net * months));
        QCOMPARE(text("LETX_2"), QString::number(row.taxPerMonth * months + row.taxStart));
        QCOMPARE(text("LEFGA_2"), QString::number(row.fgaPerMonth * months + row.fgaStart));
        QCOMPARE(text("LEPN_2"), base[0]);
        QCOMPARE(text("LEPCA_2"), base[3]);
        QCOMPARE(text("LECP_2"), base[4]);
    }
}

void PremiumTest::workedExample() {
    setText("LEDU", QStringLiteral("15/03/2025"));
    pick("CBG", QStringLiteral("V.P"));
    pick("CBP", QStringLiteral("9"));
    QCOMPARE(periodGroup(), QStringList({"4469", "747", "112", "395", "3000", ""}));
    QCOMPARE(child<QComboBox>("CBTF")->currentText(), QStringLiteral("7a10"));
    QCOMPARE(referenceGroup(), QStringList({"4469", "747", "112", "395", "3000"}));
    QCOMPARE(text("difcomm"), QStringLiteral("5"));
    QCOMPARE(text("lineEdit_pourc"), QStringLiteral("10"));

    pickMonths(12);
    QCOMPARE(periodGroup(), QStringList({"4469", "5487", "1300", "395", "3000", "53628"}));
    QCOMPARE(text("LEAU"), QStringLiteral("14/03/2026"));

    QTest::mouseClick(child<QPushButton>("PBC"), Qt::LeftButton);
    QCOMPARE(text("LESF"), QStringLiteral("63415"));
    QCOMPARE(text("LEPT"), QStringLiteral("63415"));

    QTest::keyClicks(child<QLineEdit>("lineEditr"), QStringLiteral("90"));
    QTest::mouseClick(child<QPushButton>("pushButton_9"), Qt::LeftButton);
    QCOMPARE(text("LESE"), QStringLiteral("57073"));

    // The agent corrects the invoice by hand; the reduction follows it, and
    // CALCULER puts the computed total back without touching the sum collected.
    child<QLineEdit>("LESF")->clear();
    QTest::keyClicks(child<QLineEdit>("LESF"), QStringLiteral("60000"));
    QTest::mouseClick(child<QPushButton>("pushButton_9"), Qt::LeftButton);
    QCOMPARE(text("LESE"), QStringLiteral("54000"));
    QTest::mouseClick(child<QPushButton>("PBC"), Qt::LeftButton);
    QCOMPARE(text("LESF"), QStringLiteral("63415"));
    QCOMPARE(text("LESE"), QStringLiteral("54000"));
}

void PremiumTest::statementsOfTheWorkedExample() {
    const QStringList genre =
        testsupport::db::statementsSentDuring([this] { pick("CBG", QStringLiteral("V.P")); });
    QCOMPARE(genre, QStringList{statements::bracketLabels(1).text()});
    const QStringList power =
        testsupport::db::statementsSentDuring([this] { pick("CBP", QStringLiteral("9")); });
    const tariff::Bracket &car = *tariff::bracketForPower(1, "9");
    const QString commission[] = {statements::commissionDifference().text(),
                                  statements::commissionPercentage().text()};
    QCOMPARE(power, QStringList({statements::bracketLabel(car).text(),
                                 statements::tariffRow(car).text(), commission[0], commission[1]}));
    // The months and the totals need no database.
    const QStringList months = testsupport::db::statementsSentDuring([this] {
        pickMonths(12);
        QTest::mouseClick(child<QPushButton>("PBC"), Qt::LeftButton);
        QTest::mouseClick(child<QPushButton>("pushButton_9"), Qt::LeftButton);
    });
    QCOMPARE(months, QStringList());
    const QStringList subType = testsupport::db::statementsSentDuring([this] {
        pickGenre(5);
        pick("CBP", QStringLiteral("6"));
    });
    const tariff::Bracket &scooter = *tariff::bracketForPower(5, "6");
    QCOMPARE(
        subType,
        QStringList({statements::bracketLabels(5).text(), statements::bracketLabel(scooter).text(),
                     statements::tariffRow(scooter).text(), commission[0], commission[1]}));
}

void PremiumTest::referenceGroupComesFromTheDatabase() {
    QVERIFY(testsupport::db::exec(QStringLiteral(
        "UPDATE categorie1 SET primenette=4500, taxe=750, fga=113, pca=396, coutpolice=3100 "
        "WHERE repere='3'")));
    QVERIFY(testsupport::db::exec(QStringLiteral("UPDATE parametres SET difcomm=7 WHERE id=1")));
    QVERIFY(
        testsupport::db::exec(QStringLiteral("UPDATE parametres SET pourcentage=12 WHERE id=2")));
    pickGenre(1);
    pick("CBP", QStringLiteral("10"));
    QCOMPARE(referenceGroup(), QStringList({"4500", "750", "113", "396", "3100"}));
    // The period group keeps to the program's own tariff.
    QCOMPARE(periodGroup(), QStringList({"4469", "747", "112", "395", "3000", ""}));
    QCOMPARE(text("difcomm"), QStringLiteral("7"));
    QCOMPARE(text("lineEdit_pourc"), QStringLiteral("12"));
}

void PremiumTest::category6Irregular() {
    pickGenre(6);
    pick("CBP", QStringLiteral("2"));
    QCOMPARE(periodGroup(), QStringList({"10824", "2710", "520", "82", "3000", ""}));
    pickMonths(12);
    QCOMPARE(text("LETX_2"), QStringLiteral("1367"));
    QCOMPARE(text("LEFGA_2"), QStringLiteral("273"));
    QCOMPARE(text("LEPT_2"), QStringLiteral("129888"));

    pick("CBP", QStringLiteral("9"));
    QCOMPARE(periodGroup(), QStringList({"29503", "3151", "712", "3150", "3000", "129888"}));
    pickMonths(1);
    QCOMPARE(text("LETX_2"), QStringLiteral("3401"));
    QCOMPARE(text("LEFGA_2"), QStringLiteral("775"));
    QCOMPARE(text("LEPT_2"), QStringLiteral("29503"));
}

void PremiumTest::powerWithoutBracketOnlyReloadsParameters() {
    pickGenre(1);
    pick("CBP", QStringLiteral("+24"));
    QCOMPARE(periodGroup(), QStringList({"9112", "1212", "228", "911", "3000", ""}));
    QCOMPARE(child<QComboBox>("CBTF")->currentText(), QStringLiteral("24+"));
    const QStringList period = periodGroup();
    const QStringList reference = referenceGroup();
    setText("difcomm", QStringLiteral("x"));
    setText("lineEdit_pourc", QStringLiteral("y"));
    pick("CBP", QStringLiteral("24"));
    QCOMPARE(periodGroup(), period);
    QCOMPARE(referenceGroup(), reference);
    QCOMPARE(itemTexts(child<QComboBox>("CBTF")), QStringList{"24+"});
    QCOMPARE(text("difcomm"), QStringLiteral("5"));
    QCOMPARE(text("lineEdit_pourc"), QStringLiteral("10"));

    // Without any category shown, only the parameters are read.
    setText("difcomm", QStringLiteral("x"));
    QTest::mouseClick(child<QPushButton>("pushButton_4"), Qt::LeftButton);
    pick("CBP", QStringLiteral("9"));
    QCOMPARE(periodGroup(), QStringList(6, QString()));
    QCOMPARE(child<QComboBox>("CBTF")->count(), 0);
    QCOMPARE(text("difcomm"), QStringLiteral("5"));
}

void PremiumTest::monthsBeforePower() {
    pickGenre(1);
    // No power yet: the net premium is empty and the first label "2" is current.
    pickMonths(12);
    QCOMPARE(text("LEPT_2"), QStringLiteral("0"));
    QCOMPARE(text("LETX_2"), QStringLiteral("4578"));
    QCOMPARE(text("LEFGA_2"), QStringLiteral("1066"));
    pick("CBP", QStringLiteral("9"));
    // The power resets tax and FGA to the bracket's base; the product stays.
    QCOMPARE(periodGroup(), QStringList({"4469", "747", "112", "395", "3000", "0"}));
    pickMonths(11);
    pickMonths(12);
    QCOMPARE(periodGroup(), QStringList({"4469", "5487", "1300", "395", "3000", "53628"}));
}

// The months already shown, chosen again: the period is computed again, so
// that a period computed before the net premium was known cannot stay.
void PremiumTest::sameMonthsAgainRecomputes() {
    pickGenre(1);
    pick("CBP", QStringLiteral("9"));
    pickMonths(12);
    setText("LEPT_2", QStringLiteral("0"));
    setText("LETX_2", QStringLiteral("stale"));
    setText("LEDU", QStringLiteral("01/01/2025"));
    pickMonths(12);
    QCOMPARE(text("LEPT_2"), QStringLiteral("53628"));
    QCOMPARE(text("LETX_2"), QStringLiteral("5487"));
    QCOMPARE(text("LEAU"), QStringLiteral("31/12/2025"));
}

void PremiumTest::category5SubTypes() {
    // A tariff row keyed the way the lookup asks for it.
    QVERIFY(testsupport::db::exec(
        QStringLiteral("INSERT INTO categorie5 VALUES ('9', 1111, 222, 33, 44, 3001, '3')")));
    pick("CBG", QStringLiteral("SIDECAR"));
    QVERIFY(child<QComboBox>("CBTF")->isEnabled());
    // Listed in the server's order, wherever it puts the new label.
    const QStringList subTypes =
        testsupport::db::rows(QStringLiteral("select categorie from categorie5"));
    QCOMPARE(subTypes.size(), 5);
    QVERIFY(subTypes.contains(QStringLiteral("3")));
    QCOMPARE(itemTexts(child<QComboBox>("CBTF")), subTypes);

    pick("CBP", QStringLiteral("5"));
    QCOMPARE(periodGroup(), QStringList({"2977", "598", "74", "298", "3000", ""}));
    QCOMPARE(itemTexts(child<QComboBox>("CBTF")), subTypes);
    QCOMPARE(child<QComboBox>("CBTF")->currentText(), QStringLiteral("1 cyclomotor"));
    QCOMPARE(referenceGroup(), QStringList({"1111", "222", "33", "44", "3001"}));

    // Months without picking the sub-type: the cyclomotor formulas apply.
    pickMonths(12);
    QCOMPARE(text("LEPT_2"), QStringLiteral("35724"));
    QCOMPARE(text("LETX_2"), QStringLiteral("2433"));
    QCOMPARE(text("LEFGA_2"), QStringLiteral("533"));

    pick("CBTF", QStringLiteral("3 scooter>125cm3"));
    pickMonths(11);
    QCOMPARE(text("LEPT_2"), QStringLiteral("32747"));
    QCOMPARE(text("LETX_2"), QStringLiteral("3876"));
    QCOMPARE(text("LEFGA_2"), QStringLiteral("899"));

    // A label that is no sub-type of the tariff leaves tax and FGA alone.
    pick("CBTF", QStringLiteral("3"));
    pickMonths(1);
    QCOMPARE(text("LEPT_2"), QStringLiteral("2977"));
    QCOMPARE(text("LETX_2"), QStringLiteral("3876"));
    QCOMPARE(text("LEFGA_2"), QStringLiteral("899"));

    pick("CBG", QStringLiteral("V.P"));
    QVERIFY(!child<QComboBox>("CBTF")->isEnabled());
}

void PremiumTest::category7EitherLabel() {
    for (const char *label : {"2a4", "2"}) {
        QVERIFY(testsupport::db::exec(
            QStringLiteral("UPDATE categorie7 SET categorie='%1' WHERE repere='1'")
                .arg(QLatin1String(label))));
        for (const char *power : {"2", "3", "4"}) {
            pickGenre(7);
            pick("CBP", QLatin1String(power));
            QCOMPARE(child<QComboBox>("CBTF")->currentText(), QLatin1String(label));
            QCOMPARE(periodGroup().mid(0, 5), QStringList({"8799", "1180", "220", "880", "3000"}));
            pickMonths(power == QLatin1String("3") ? 6 : 5);
            pickMonths(12);
            QCOMPARE(text("LEPT_2"), QStringLiteral("105588"));
            QCOMPARE(text("LETX_2"), QStringLiteral("11740"));
            QCOMPARE(text("LEFGA_2"), QStringLiteral("2860"));
        }
    }
}

void PremiumTest::monthsWithoutCategory() {
    setText("LEPT_2", QStringLiteral("777"));
    setText("LETX_2", QStringLiteral("888"));
    setText("LEDU", QStringLiteral("15/03/2025"));
    pickMonths(12);
    m_expectedBoxes = 1;
    QCOMPARE(m_boxes->boxes().size(), 1);
    const testsupport::SeenBox box = m_boxes->first();
    QCOMPARE(box.title, QStringLiteral("erreur"));
    QCOMPARE(box.text, QString());
    QCOMPARE(box.icon, QMessageBox::Critical);
    QCOMPARE(box.buttons, QMessageBox::StandardButtons(QMessageBox::Ok));
    QCOMPARE(text("LEPT_2"), QStringLiteral("777"));
    QCOMPARE(text("LETX_2"), QStringLiteral("888"));
    // The expiry date is the months' other effect and still follows.
    QCOMPARE(text("LEAU"), QStringLiteral("14/03/2026"));

    // After NOUVEAU/CLEAR the category display is empty again.
    pickGenre(1);
    pick("CBP", QStringLiteral("9"));
    QTest::mouseClick(child<QPushButton>("pushButton_4"), Qt::LeftButton);
    pickMonths(3);
    m_expectedBoxes = 2;
    QCOMPARE(m_boxes->boxes().size(), 2);
    QCOMPARE(m_boxes->boxes().at(1).title, QStringLiteral("erreur"));
    QCOMPARE(periodGroup(), QStringList(6, QString()));
}

void PremiumTest::failingTariffStatement() {
    pickGenre(2);
    pick("CBP", QStringLiteral("9"));
    const QStringList reference = referenceGroup();
    QCOMPARE(reference, QStringList({"9970", "1298", "249", "997", "3000"}));
    QVERIFY(testsupport::db::exec(QStringLiteral("RENAME TABLE categorie1 TO categorie1_away")));
    m_tableAway = true;
    setText("difcomm", QStringLiteral("x"));

    pickGenre(1);
    QCOMPARE(child<QComboBox>("CBCG")->currentText(), caption(1));
    QCOMPARE(child<QComboBox>("CBTF")->count(), 0);
    pick("CBP", QStringLiteral("9"));
    // The base amounts need no database; the rest keeps its values.
    QCOMPARE(periodGroup(), QStringList({"4469", "747", "112", "395", "3000", ""}));
    QCOMPARE(child<QComboBox>("CBTF")->count(), 0);
    QCOMPARE(referenceGroup(), reference);
    QCOMPARE(text("difcomm"), QStringLiteral("5"));
    // Without a label the months recompute the product only.
    pickMonths(12);
    QCOMPARE(periodGroup(), QStringList({"4469", "747", "112", "395", "3000", "53628"}));
    QCOMPARE(m_boxes->boxes().size(), 0);
}

void PremiumTest::expiryInWindow_data() {
    QTest::addColumn<QString>("effect");
    QTest::addColumn<QString>("months");
    QTest::addColumn<QString>("expiry");
    QTest::newRow("a year") << "15/03/2025"
                            << "12"
                            << "14/03/2026";
    QTest::newRow("end of January") << "31/01/2025"
                                    << "1"
                                    << "27/02/2025";
    QTest::newRow("29 February") << "29/02/2024"
                                 << "12"
                                 << "27/02/2025";
    QTest::newRow("first empty item") << "15/03/2025"
                                      << "first"
                                      << "14/03/2025";
    QTest::newRow("last empty item") << "01/01/2025"
                                     << "last"
                                     << "31/12/2024";
    QTest::newRow("invalid effect date") << "31/02/2025"
                                         << "12"
                                         << "";
    QTest::newRow("effect date erased") << ""
                                        << "6"
                                        << "";
}

void PremiumTest::expiryInWindow() {
    QFETCH(QString, effect);
    QFETCH(QString, months);
    QFETCH(QString, expiry);
    pickGenre(1);
    setText("LEAU", QStringLiteral("old"));
    setText("LEDU", effect);
    auto *combo = child<QComboBox>("CBNM");
    if (months == "first" || months == "last") {
        // Come from another item so that the empty one is a change.
        pickMonths(3);
        pickRow("CBNM", months == "first" ? 0 : combo->count() - 1);
    } else {
        pick("CBNM", months);
    }
    QCOMPARE(text("LEAU"), expiry);
}

void PremiumTest::talonColours_data() {
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QString>("styleSheet");
    QTest::addColumn<QList<QColor>>("colours");
    const QColor y(Qt::yellow), b(Qt::black), w(Qt::white), g(Qt::green);
    QTest::newRow("yellow") << "1 TALON JAUNE"
                            << "background:#ffff00" << QList<QColor>{y, y, y, y, b, y, b, b};
    QTest::newRow("green") << "2 TALON VERT  TPV"
                           << "background:#aaff00" << QList<QColor>{w, b, b, b, g, b, g, g};
}

void PremiumTest::talonColours() {
    QFETCH(QString, kind);
    QFETCH(QString, styleSheet);
    QFETCH(QList<QColor>, colours);
    auto *kinds = child<QComboBox>("CBTL");
    const auto *display = child<QComboBox>("CBCG");
    QCOMPARE(display->count(), 8);
    // From the other kind, so that the text changes.
    pick("CBTL", kinds->itemText(kind == kinds->itemText(0) ? 1 : 0));
    pick("CBTL", kind);
    QCOMPARE(display->styleSheet(), styleSheet);
    for (int item = 0; item < 8; ++item)
        QCOMPARE(display->itemData(item, Qt::BackgroundRole).value<QBrush>().color(),
                 colours.at(item));

    // A kind outside the two leaves the colours as they are.
    kinds->addItem(QStringLiteral("3 TALON ROUGE"));
    pick("CBTL", QStringLiteral("3 TALON ROUGE"));
    QCOMPARE(display->styleSheet(), styleSheet);
    QCOMPARE(display->itemData(0, Qt::BackgroundRole).value<QBrush>().color(), colours.at(0));
}

void PremiumTest::talonAfterGenreColoursOneItem() {
    pickGenre(3);
    pick("CBTL", QStringLiteral("2 TALON VERT  TPV"));
    const auto *display = child<QComboBox>("CBCG");
    QCOMPARE(display->count(), 1);
    QCOMPARE(display->styleSheet(), QStringLiteral("background:#aaff00"));
    QCOMPARE(display->itemData(0, Qt::BackgroundRole).value<QBrush>().color(), QColor(Qt::white));
    pick("CBTL", QStringLiteral("1 TALON JAUNE"));
    QCOMPARE(display->count(), 1);
    QCOMPARE(display->itemData(0, Qt::BackgroundRole).value<QBrush>().color(), QColor(Qt::yellow));
    QCOMPARE(display->currentText(), caption(3));
}

void PremiumTest::periodAmountsEdges_data() {
    QTest::addColumn<QString>("net");
    QTest::addColumn<int>("months");
    QTest::addColumn<QString>("total");
    QTest::newRow("negative") << "-4469" << 12 << "-53628";
    QTest::newRow("not a number") << "4469 F" << 12 << "0";
    QTest::newRow("decimal") << "4469.5" << 2 << "0";
    QTest::newRow("beyond 32 bits reads 0") << "2147483648" << 2 << "0";
    // 2147483647 × 2 = 4294967294 wraps to -2.
    QTest::newRow("product wraps") << "2147483647" << 2 << "-2";
    // 400000000 × 11 = 4400000000 wraps to 105032704.
    QTest::newRow("product wraps positive") << "400000000" << 11 << "105032704";
}

void PremiumTest::periodAmountsEdges() {
    QFETCH(QString, net);
    QFETCH(int, months);
    QFETCH(QString, total);
    pickGenre(4);
    setText("LEPN_2", net);
    pickMonths(months);
    QCOMPARE(text("LEPT_2"), total);
    QCOMPARE(text("LEPN_2"), net);
}

void PremiumTest::invoice_data() {
    QTest::addColumn<QStringList>("period"); // LEPT_2, LETX_2, LEFGA_2, LECP_2, LEPCA_2
    QTest::addColumn<QString>("total");
    QTest::newRow("worked example")
        << QStringList{"53628", "5487", "1300", "3000", "395"} << "63415";
    QTest::newRow("PCA not counted") << QStringList{"53628", "5487", "1300", "3000", ""} << "63415";
    QTest::newRow("empty group") << QStringList{"", "", "", "", ""} << "0";
    QTest::newRow("texts count 0") << QStringList{"abc", "5487", "1 300", "3000", "9"} << "8487";
    QTest::newRow("negative") << QStringList{"-53628", "5487", "1300", "3000", ""} << "-43841";
    // 2147483647 + 1 leaves the range and wraps to -2147483648.
    QTest::newRow("sum wraps") << QStringList{"2147483647", "1", "0", "0", ""} << "-2147483648";
    QTest::newRow("sum wraps twice")
        << QStringList{"2147483647", "2147483647", "2147483647", "2147483647", ""} << "-4";
}

void PremiumTest::invoice() {
    QFETCH(QStringList, period);
    QFETCH(QString, total);
    const char *names[] = {"LEPT_2", "LETX_2", "LEFGA_2", "LECP_2", "LEPCA_2"};
    for (int i = 0; i < 5; ++i)
        setText(names[i], period.at(i));
    setText("LEPT", QStringLiteral("old"));
    setText("LESE", QStringLiteral("kept"));
    QTest::mouseClick(child<QPushButton>("PBC"), Qt::LeftButton);
    QCOMPARE(text("LEPT"), total);
    QCOMPARE(text("LESF"), total);
    QCOMPARE(text("LESE"), QStringLiteral("kept"));
}

void PremiumTest::reduction_data() {
    QTest::addColumn<QString>("percentage");
    QTest::addColumn<QString>("invoice");
    QTest::addColumn<QString>("collected");
    QTest::newRow("worked example") << "90"
                                    << "63415"
                                    << "57073";
    QTest::newRow("whole") << "100"
                           << "63415"
                           << "63415";
    QTest::newRow("empty percentage") << ""
                                      << "63415"
                                      << "0";
    QTest::newRow("empty invoice") << "90"
                                   << ""
                                   << "0";
    QTest::newRow("one and a half") << "150"
                                    << "63415"
                                    << "95122";
    QTest::newRow("truncated") << "50"
                               << "99"
                               << "49";
    QTest::newRow("negative truncates toward zero") << "50"
                                                    << "-99"
                                                    << "-49";
    QTest::newRow("negative percentage") << "-10"
                                         << "1005"
                                         << "-100";
    QTest::newRow("percent sign") << "90%"
                                  << "63415"
                                  << "0";
    // The product 214748364700 is carried wide through the division.
    QTest::newRow("whole of the largest invoice") << "100"
                                                  << "2147483647"
                                                  << "2147483647";
    // 150 % of it leaves the range only after the division, and wraps.
    QTest::newRow("result wraps") << "150"
                                  << "2147483647"
                                  << "-1073741826";
}

void PremiumTest::reduction() {
    QFETCH(QString, percentage);
    QFETCH(QString, invoice);
    QFETCH(QString, collected);
    setText("lineEditr", percentage);
    setText("LESF", invoice);
    setText("LEPT", QStringLiteral("kept"));
    QTest::mouseClick(child<QPushButton>("pushButton_9"), Qt::LeftButton);
    QCOMPARE(text("LESE"), collected);
    QCOMPARE(text("LESF"), invoice);
    QCOMPARE(text("LEPT"), QStringLiteral("kept"));
}

QTEST_MAIN(PremiumTest)
#include "tst_premium.moc"
