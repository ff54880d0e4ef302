// The agent's day that the benchmark measures, action by action.
#include "core/statement.h"
#include "datagen.h"
#include "scenario.h"
#include "support/dbfixture.h"
#include "support/modal.h"
#include "support/policyform.h"

#include <QAbstractItemModel>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QTableView>
#include <QTest>

#include <cstdio>

namespace db = testsupport::db;

namespace {

QString dateText(const QDate &date) {
    return date.toString(QStringLiteral("dd/MM/yyyy"));
}

// The first of the problems whose check failed; empty when none did.
QString problem(std::initializer_list<std::pair<bool, const char *>> checks) {
    for (const auto &[ok, text] : checks)
        if (!ok)
            return QString::fromUtf8(text);
    return QString();
}

// A choice in a combo box as the agent makes it, so that its slot runs.
void choose(QComboBox *combo, int index) {
    combo->setCurrentIndex(index);
    emit combo->activated(index);
    emit combo->textActivated(combo->currentText());
}

// One of the first 200 rows of a view, in turn.
QModelIndex nthRow(const QAbstractItemModel *model, int rep, int column = 0) {
    return model->index(rep % qMax(1, qMin(model->rowCount(), 200)), column);
}

} // namespace

StageResult Scenario::run(int policies, bool indexed) {
    StageResult stage{policies, indexed, {}};
    const QString tag = QStringLiteral("%1%2").arg(policies).arg(indexed ? 'I' : 'P');
    openShown();
    const QString user = datagen::agentUser(1);
    const QString password = datagen::agentPassword(1);
    const QDate today = QDate::currentDate();

    // Plates of the agent's own policies, for the search.
    const QStringList plates = db::rows(
        sql::Statement("select immat from principal where idpersonne = '1' order by id limit 200")
            .text());
    if (plates.isEmpty()) {
        std::fprintf(stderr, "bench: agent 1 has no policies\n");
        std::exit(2);
    }

    stage.actions << measure(
        QStringLiteral("login"),
        [&](int) {
            if (page() != Koravel3::LoginPage)
                click("pushButton_2");
        },
        [&](int) { submitLogin(user, password); },
        [&] {
            return problem(
                {{page() == Koravel3::HomePage, "the login did not open the home page"},
                 {child<QLabel>("label_5")->text() == "1", "the agent id is not shown"}});
        });
    // Nothing else can run without a logged-in agent.
    if (page() != Koravel3::HomePage && !logIn(user, password)) {
        window.reset();
        return stage;
    }
    stage.actions.last().detail =
        QStringLiteral("%1 policies, %2 expiring")
            .arg(child<QLabel>("label_34")->text(), child<QLabel>("label_33")->text());

    // One keystroke in the search box: the agent types the first five
    // characters of a plate ("DK-12"), each key sending one search.
    auto *search = child<QLineEdit>("LER");
    auto *home = child<QTableView>("tableView");
    QString typing;
    stage.actions << measure(
        QStringLiteral("search, one keystroke"),
        [&](int rep) {
            if (rep % 5 == 0) {
                typing = plates.at((rep / 5) % plates.size()).left(5);
                const bool blocked = search->blockSignals(true);
                search->clear();
                search->blockSignals(blocked);
            }
        },
        [&](int rep) { QTest::keyClick(search, typing.at(rep % 5).toLatin1()); },
        [&] {
            return problem(
                {{home->model() && home->model()->rowCount() > 0 && !search->text().isEmpty(),
                  "the search showed no policy"}});
        });

    // The three lists of the home page.
    const std::pair<const char *, const char *> lists[] = {
        {"pushButton_5", "list: all policies"},
        {"pushButton_6", "list: expiring in 3 days"},
        {"pushButton_10", "list: expired"}};
    for (const auto &list : lists) {
        stage.actions << measure(
            QString::fromUtf8(list.second), [](int) {}, [&](int) { click(list.first); },
            [&] {
                return problem({{home->model() && home->model()->columnCount() >= 3,
                                 "the list shows no columns"}});
            });
        stage.actions.last().detail = rowsShown("tableView");
    }

    // Loading a policy into the form: a press on a plate of the list of all
    // policies. A genre is chosen first, as an agent has by then, so that
    // the months recomputation has a category to work with.
    auto *genre = child<QComboBox>("CBG");
    choose(genre, 1);
    click("pushButton_5");
    settle();
    stage.actions << measure(
        QStringLiteral("form load"), [&](int) { child<QLabel>("LID")->setText("0"); },
        [&](int rep) { emit home->pressed(nthRow(home->model(), rep)); },
        [&] {
            return problem({{child<QLabel>("LID")->text() != "0" &&
                                 !child<QLineEdit>("LEIM")->text().isEmpty(),
                             "the form was not filled"}});
        });

    // A first issue: the form filled as an agent would, then VALIDER/IMPRIMER
    // (the save on the press, the QR code on the release).
    QString savedName;
    QStringList unfilled;
    stage.actions << measure(
        QStringLiteral("first-issue save"),
        [&](int rep) {
            savedName = QStringLiteral("BENCH SAVE %1 %2").arg(tag).arg(rep);
            unfilled = testsupport::policyform::fill(
                window.get(), {{"LID", "0"},
                               {"LEN", savedName},
                               {"LEIM", QStringLiteral("BN-%1-ZZ").arg(rep, 4, 10, QChar('0'))},
                               {"LEPO", QStringLiteral("P-BENCH-%1").arg(rep)},
                               {"LEP", QStringLiteral("T-BENCH-%1").arg(rep)},
                               {"LEDU", dateText(today)},
                               {"LEAU", dateText(today.addYears(1).addDays(-1))}});
            // The premium as the agent gets it: genre, power, months, then
            // CALCULER for the invoice total, collected in full.
            choose(genre, 1);
            choose(child<QComboBox>("CBP"), 8);
            auto *months = child<QComboBox>("CBNM");
            choose(months, months->currentIndex() == 12 ? 6 : 12);
            click("PBC");
            child<QLineEdit>("LESE")->setText(child<QLineEdit>("LESF")->text());
            child<QCheckBox>("checkBox_25")->setChecked(true);
            m_modals->clear();
        },
        [&](int) { click("pushButton_3"); },
        [&] {
            if (!unfilled.isEmpty())
                return QStringLiteral("the form did not take ") +
                       unfilled.join(QStringLiteral(", "));
            sql::Statement count("select count(*) from principal where nom = '");
            count << savedName << "'";
            if (db::scalar(count.text()).toInt() == 1)
                return QString();
            return QStringLiteral("the policy was not written to principal (boxes: %1)")
                .arg(boxesSeen().join(QStringLiteral("; ")));
        });
    stage.actions.last().detail = boxesSeen().value(0);
    // The saved rows would otherwise show up in the reports measured next.
    for (const char *table : {"principal", "principal1", "clients"})
        db::exec(
            (sql::Statement("delete from ") << table << " where nom like 'BENCH SAVE %'").text());

    // The reports over one month and one year.
    auto *report = child<QTableView>("tableView_2");
    for (char which : {'1', '2', '3'}) {
        for (bool year : {false, true}) {
            const QDate start = year ? today.addYears(-1) : today.addMonths(-1);
            stage.actions << measure(
                QStringLiteral("report %1, one %2").arg(which).arg(year ? "year" : "month"),
                [&](int rep) {
                    if (rep == 0)
                        showReport(which, start.addDays(1), today);
                },
                [&](int) { click("pushButton_14"); },
                [&] {
                    const QAbstractItemModel *model = report->model();
                    return problem(
                        {{model && model->columnCount() >= 4, "the report shows no columns"},
                         {model && model->rowCount() > 0, "the report shows no rows"},
                         {which != '3' || !child<QLineEdit>("lineEdit_pn")->text().isEmpty(),
                          "the totals are empty"}});
                });
            stage.actions.last().detail = rowsShown("tableView_2");
        }
    }

    // The export of the year's cash-desk report, the save dialog answered at
    // once with a file name. The program's time runs from the agent's answer
    // to the file closed: building the toolkit's dialog is the agent's time.
    const QString csvFile = QDir(m_workDir).filePath(QStringLiteral("report3.csv"));
    ActionResult writing;
    writing.label = QStringLiteral("export report 3, one year");
    const ActionResult whole = measure(
        writing.label,
        [&](int) {
            QFile::remove(csvFile);
            m_modals->setNextFileName(csvFile);
        },
        [&](int) { click("pushButton_16"); },
        [&] {
            QFile file(csvFile);
            return problem({{file.open(QIODevice::ReadOnly) && file.readAll().count('\n') >= 2,
                             "no CSV file with rows was written"}});
        },
        &writing);
    if (!whole.problem.isEmpty())
        writing.problem = whole.problem;
    writing.detail = QStringLiteral("%1 bytes, from the dialog's answer to the file closed")
                         .arg(thousands(QFileInfo(csvFile).size()));
    stage.actions << writing;

    // The policy card: a press and a click on a plate of the report.
    stage.actions << measure(
        QStringLiteral("policy card"), [&](int) { child<QLineEdit>("lineEdit_6")->clear(); },
        [&](int rep) {
            const QModelIndex index = nthRow(report->model(), rep, 2); // "Immatriculation"
            emit report->pressed(index);
            emit report->clicked(index);
        },
        [&] {
            return problem(
                {{!child<QLineEdit>("lineEdit_6")->text().isEmpty(), "the card was not filled"},
                 {child<QComboBox>("comboBox_3")->count() > 0, "no policy number was listed"}});
        });

    // The window is closed as the agent leaves, without logging out.
    settle();
    window.reset();
    return stage;
}
