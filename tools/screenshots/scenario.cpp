#include "scenario.h"

#include "driver.h"
#include "koravel3.h"
#include "printedpage.h"
#include "support/window.h"

#include <QAbstractItemModel>
#include <QCheckBox>
#include <QComboBox>
#include <QDate>
#include <QDateEdit>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QStackedWidget>
#include <QTableView>

namespace {

// The policy issued on the pictures. The premium is that of a private car
// of fiscal power 9 insured for 12 months.
const struct {
    const char *name = "Mariama DIOP";
    const char *address = "Sicap Liberte 6, Dakar";
    const char *contact = "Ousmane DIOP";
    const char *telephone = "77 555 12 34";
    const char *make = "TOYOTA";
    const char *model = "YARIS";
    const char *plate = "DK-2468-JK";
    const char *seats = "5";
    const char *policyNumber = "P-2025-0005";
    const char *talonNumber = "T-000105";
    const char *genre = "V.P";
    const char *power = "9";
    const char *months = "12";
    const char *invoice = "63415";
} sample;

// The demo data hold four policies of the demo agent whose cover started
// about a year ago; with the one issued here the period holds five.
constexpr int issuesInPeriod = 5;

} // namespace

Scenario::Scenario(Koravel3 &window, const QString &outDir, const QString &spoolDir)
    : window(window)
    , outDir(outDir)
    , spoolDir(spoolDir) {}

bool Scenario::run() {
    // Each stage needs the one before it.
    if (logIn() && computePremium() && saveAndPrint())
        cashDeskReport();
    const QList<testsupport::SeenBox> unexpected = takeBoxes();
    for (const testsupport::SeenBox &box : unexpected)
        check(false,
              QStringLiteral("unexpected message box \"%1\": \"%2\"").arg(box.title, box.text));
    return failed.isEmpty();
}

bool Scenario::runOnLaptopScreen() {
    if (logIn(false)) {
        auto *list = child<QTableView>("tableView");
        bool ok = check(driver::click(child<QPushButton>("pushButton_5")),
                        QStringLiteral("click TOTAL ASSURES"));
        ok = ok && check(list->model() && list->model()->rowCount() > 1,
                         QStringLiteral("the demo agent's policies are listed"));
        if (ok) {
            list->selectRow(1);
            list->setFocus();
        }
        const QRect screen = window.screen()->availableGeometry();
        ok = ok && check(screen.contains(window.frameGeometry()),
                         QStringLiteral("the window lies within the screen"));
        ok = ok && screenPicture(QStringLiteral("ecran-1366x768.png"));
    }
    const QList<testsupport::SeenBox> unexpected = takeBoxes();
    for (const testsupport::SeenBox &box : unexpected)
        check(false,
              QStringLiteral("unexpected message box \"%1\": \"%2\"").arg(box.title, box.text));
    return failed.isEmpty();
}

bool Scenario::logIn(bool withPicture) {
    auto *pages = child<QStackedWidget>("login");
    if (!check(pages && pages->currentIndex() == Koravel3::LoginPage,
               QStringLiteral("the window opens on the login page")))
        return false;
    bool ok = check(driver::type(child<QLineEdit>("lineEdit_user_2"), QStringLiteral("demo")),
                    QStringLiteral("type the user name"));
    ok = ok && check(driver::type(child<QLineEdit>("lineEdit_passw_2"), QStringLiteral("demo123")),
                     QStringLiteral("type the password"));
    if (withPicture)
        ok = ok && picture(QStringLiteral("connexion.png"));
    ok = ok && check(driver::click(child<QPushButton>("pushButton_c")),
                     QStringLiteral("click CONNECTION"));
    return ok &&
           check(driver::waitUntil([pages] { return pages->currentIndex() == Koravel3::HomePage; }),
                 QStringLiteral("the login opens the home page (is the database running on "
                                "the compiled-in address?)"));
}

bool Scenario::computePremium() {
    bool ok = check(driver::click(child<QPushButton>("pushButton_4")),
                    QStringLiteral("click NOUVEAU/CLEAR"));
    const struct {
        const char *field;
        const char *text;
    } typed[] = {
        {"LEN", sample.name},        {"LEA", sample.address}, {"LEPAC", sample.contact},
        {"LETPH", sample.telephone}, {"LEM", sample.make},    {"LETP", sample.model},
        {"LEIM", sample.plate},      {"LENDP", sample.seats}, {"LEPO", sample.policyNumber},
        {"LEP", sample.talonNumber},
    };
    for (const auto &entry : typed)
        ok = ok && check(driver::type(child<QLineEdit>(entry.field), QString::fromUtf8(entry.text)),
                         QStringLiteral("type into %1").arg(QLatin1String(entry.field)));

    const struct {
        const char *combo;
        const char *item;
    } picked[] = {{"CBG", sample.genre}, {"CBP", sample.power}, {"CBNM", sample.months}};
    for (const auto &entry : picked)
        ok = ok && check(driver::pick(child<QComboBox>(entry.combo), QString::fromUtf8(entry.item)),
                         QStringLiteral("choose %1 in %2")
                             .arg(QLatin1String(entry.item), QLatin1String(entry.combo)));

    ok = ok && check(driver::click(child<QPushButton>("PBC")), QStringLiteral("click CALCULER"));
    ok = ok && checkText("LESF", QString::fromUtf8(sample.invoice));
    // The whole invoice is collected: 100 %.
    ok = ok && check(driver::type(child<QLineEdit>("lineEditr"), QStringLiteral("100")),
                     QStringLiteral("type the percentage"));
    ok = ok && check(driver::click(child<QPushButton>("pushButton_9")),
                     QStringLiteral("click REDUCTION"));
    ok = ok && checkText("LESE", QString::fromUtf8(sample.invoice));
    const QDate today = QDate::currentDate();
    ok = ok &&
         checkText("LEAU", today.addMonths(12).addDays(-1).toString(QStringLiteral("dd/MM/yyyy")));
    ok = ok && check(child<QCheckBox>("checkBox_25")->isChecked(),
                     QStringLiteral("TIERS SIMPLE is checked"));
    return ok && picture(QStringLiteral("accueil-prime.png"));
}

bool Scenario::saveAndPrint() {
    // VALIDER/IMPRIMER saves, confirms and prints the front of the talons.
    QStringList front = printedpage::printedDuring(
        spoolDir, [this] { driver::click(child<QPushButton>("pushButton_3")); });
    bool ok = expectBox(QStringLiteral("save"), QStringLiteral("ENREGISTRER"));
    ok = check(front.size() == 1,
               QStringLiteral("VALIDER/IMPRIMER prints one page (%1 printed)").arg(front.size())) &&
         ok;
    const QString key = child<QLabel>("LID")->text();
    ok = ok &&
         check(key.toInt() > 0, QStringLiteral("the saved policy's id is in LID, not %1").arg(key));
    ok = ok && check(!child<QLabel>("label_qr")->pixmap().isNull(),
                     QStringLiteral("the certificate QR code is made"));

    // The agent turns the sheet over: the QR code goes on the back.
    const QStringList back = printedpage::printedDuring(
        spoolDir, [this] { driver::click(child<QPushButton>("pushButton_17")); });
    ok =
        ok &&
        check(
            back.size() == 1,
            QStringLiteral("the back of the talons prints one page (%1 printed)").arg(back.size()));
    if (!ok)
        return false;

    const struct {
        QString pdf;
        const char *png;
    } pages[] = {{front.constFirst(), "talon-recto.png"}, {back.constFirst(), "talon-verso.png"}};
    for (const auto &page : pages) {
        QString error;
        const QString png = QDir(outDir).filePath(QLatin1String(page.png));
        ok = check(printedpage::renderPage(page.pdf, png, error), error) && ok;
    }
    return ok;
}

bool Scenario::cashDeskReport() {
    auto *pages = child<QStackedWidget>("login");
    bool ok = check(driver::click(child<QPushButton>("pushButton_8")),
                    QStringLiteral("click COMPTABILITE"));
    ok = ok && check(pages->currentIndex() == Koravel3::AccountingPage,
                     QStringLiteral("the accounting page opens"));
    ok = ok &&
         check(driver::click(child<QPushButton>("pushButton_13")), QStringLiteral("click CAISSES"));
    // A period that holds the demo policies, whose cover started about a
    // year ago, and the one issued today.
    const QDate today = QDate::currentDate();
    child<QDateEdit>("dateEdit")->setDate(today.addMonths(-13));
    child<QDateEdit>("dateEdit_2")->setDate(today);
    ok = ok &&
         check(driver::click(child<QPushButton>("pushButton_14")), QStringLiteral("click Valider"));
    ok = ok && checkText("lineEditntalons", QString::number(issuesInPeriod));
    ok = ok && check(!child<QLineEdit>("lineEdit_nar")->text().isEmpty(),
                     QStringLiteral("NET A REVERSER is worked out"));
    // A click on the plate fills the policy card and lists its numbers.
    ok = ok && check(driver::clickCell(child<QTableView>("tableView_2"), 2,
                                       QString::fromUtf8(sample.plate)),
                     QStringLiteral("click the new policy's plate in the report"));
    ok = ok && checkText("lineEdit_6", QString::fromUtf8(sample.name));
    ok = ok && checkText("label_43", QString::fromUtf8(sample.policyNumber));
    return ok && picture(QStringLiteral("comptabilite-caisses.png"));
}

bool Scenario::check(bool ok, const QString &what) {
    if (!ok)
        failed << what;
    return ok;
}

bool Scenario::checkText(const char *objectName, const QString &expected) {
    QString shown;
    QObject *widget = child<QObject>(objectName);
    if (auto *edit = qobject_cast<QLineEdit *>(widget))
        shown = edit->text();
    else if (auto *label = qobject_cast<QLabel *>(widget))
        shown = label->text();
    return check(shown == expected, QStringLiteral("%1 shows \"%2\", expected \"%3\"")
                                        .arg(QLatin1String(objectName), shown, expected));
}

bool Scenario::expectBox(const QString &title, const QString &text) {
    const QList<testsupport::SeenBox> seen = takeBoxes();
    const bool ok =
        seen.size() == 1 && seen.constFirst().title == title && seen.constFirst().text == text;
    QStringList shown;
    for (const testsupport::SeenBox &box : seen)
        shown << QStringLiteral("\"%1\": \"%2\"").arg(box.title, box.text);
    return check(
        ok, QStringLiteral("expected the box \"%1\": \"%2\", saw %3")
                .arg(title, text,
                     shown.isEmpty() ? QStringLiteral("none") : shown.join(QStringLiteral(", "))));
}

QList<testsupport::SeenBox> Scenario::takeBoxes() {
    const QList<testsupport::SeenBox> taken = boxes.boxes();
    boxes.clear();
    return taken;
}

bool Scenario::picture(const QString &fileName) {
    const QString path = QDir(outDir).filePath(fileName);
    return check(driver::save(&window, path), QStringLiteral("save %1").arg(path));
}

bool Scenario::screenPicture(const QString &fileName) {
    // The whole screen, to show where the window lies on it.
    driver::settle(300);
    const QString path = QDir(outDir).filePath(fileName);
    return check(window.screen()->grabWindow(0).save(path, "PNG"),
                 QStringLiteral("save %1").arg(path));
}

template <typename T> T *Scenario::child(const char *objectName) {
    return testsupport::child<T>(&window, objectName);
}
