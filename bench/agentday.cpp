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

int columnNamed(const QAbstractItemModel *model, const QStringList &names) {
    for (int column = 0; column < model->columnCount(); ++column)
        if (names.contains(model->headerData(column, Qt::Horizontal).toString()))
            return column;
    return -1;
}

// A choice in a combo box as the agent makes it, so that its slot runs.
void choose(QComboBox *combo, int index) {
    combo->setCurrentIndex(index);
    emit combo->activated(index);
    emit combo->textActivated(combo->currentText());
}

} // namespace

StageResult Scenario::run(int policies, bool indexed) {
    StageResult stage{policies, indexed, {}};
    m_stageTag = QStringLiteral("%1%2").arg(policies).arg(indexed ? 'I' : 'P');
    openShown();

    const int agent = 1;
    const QString user = datagen::agentUser(agent);
    const QString password = datagen::agentPassword(agent);
    const QString agentId = QString::number(agent);
    const QDate today = QDate::currentDate();
    const QDate monthStart = today.addMonths(-1).addDays(1);
    const QDate yearStart = today.addYears(-1).addDays(1);

    // Plates of the agent's own policies, for the search.
    sql::Statement platesStatement("select immat from principal where idpersonne = '");
    platesStatement << agentId << "' order by id limit 200";
    const QStringList plates = db::rows(platesStatement.text());
    if (plates.isEmpty()) {
        std::fprintf(stderr, "bench: agent %d has no policies\n", agent);
        std::exit(2);
    }

    stage.actions << measure(
        QStringLiteral("login"),
        [&](int) {
            if (page() != loginPage)
                click("pushButton_2");
        },
        [&](int) { submitLogin(user, password); },
        [&] {
            if (page() != homePage)
                return QStringLiteral("the login did not open the home page");
            if (child<QLabel>("label_5")->text() != agentId)
                return QStringLiteral("the agent id is not shown");
            return QString();
        });
    // Nothing else can run without a logged-in agent.
    if (page() != homePage && !logIn(user, password)) {
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
            if (!home->model() || home->model()->rowCount() == 0 || search->text().isEmpty())
                return QStringLiteral("the search showed no policy");
            return QString();
        });

    // The three lists of the home page.
    const char *const lists[][2] = {{"pushButton_5", "list: all policies"},
                                    {"pushButton_6", "list: expiring in 3 days"},
                                    {"pushButton_10", "list: expired"}};
    for (const auto &list : lists) {
        stage.actions << measure(
            QString::fromUtf8(list[1]), [](int) {}, [&](int) { click(list[0]); },
            [&] {
                if (!home->model() || home->model()->columnCount() < 3)
                    return QStringLiteral("the list shows no columns");
                return QString();
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
        QStringLiteral("form load"),
        [&](int) { child<QLabel>("LID")->setText(QStringLiteral("0")); },
        [&](int rep) {
            QAbstractItemModel *model = home->model();
            emit home->pressed(model->index(rep % qMax(1, qMin(model->rowCount(), 200)), 0));
        },
        [&] {
            if (child<QLabel>("LID")->text() == QLatin1String("0") ||
                child<QLineEdit>("LEIM")->text().isEmpty())
                return QStringLiteral("the form was not filled");
            return QString();
        });

    // A first issue: the form filled as an agent would, then VALIDER/IMPRIMER
    // (the save on the press, the QR code on the release).
    QString savedName;
    QStringList unfilled;
    stage.actions << measure(
        QStringLiteral("first-issue save"),
        [&](int rep) {
            savedName = QStringLiteral("BENCH SAVE %1 %2").arg(m_stageTag).arg(rep);
            unfilled = testsupport::policyform::fill(
                window.get(),
                {{"LID", "0"},
                 {"LEN", savedName},
                 {"LEIM", QStringLiteral("BN-%1-ZZ").arg(rep, 4, 10, QLatin1Char('0'))},
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
                return QStringLiteral("the form did not take %1").arg(unfilled.join(", "));
            sql::Statement count("select count(*) from principal where nom = '");
            count << savedName << "'";
            if (db::scalar(count.text()).toInt() != 1)
                return QStringLiteral("the policy was not written to principal (boxes: %1)")
                    .arg(boxesSeen().join(QStringLiteral("; ")));
            return QString();
        });
    stage.actions.last().detail = boxesSeen().value(0);
    // The saved rows would otherwise show up in the reports measured next.
    for (const char *table : {"principal", "principal1", "clients"}) {
        sql::Statement cleanup("delete from ");
        cleanup << table << " where nom like 'BENCH SAVE %'";
        db::exec(cleanup.text());
    }

    // The reports over one month and one year.
    auto *reportView = child<QTableView>("tableView_2");
    for (char report : {'1', '2', '3'}) {
        for (bool year : {false, true}) {
            stage.actions << measure(
                QStringLiteral("report %1, one %2")
                    .arg(QLatin1Char(report))
                    .arg(year ? "year" : "month"),
                [&](int rep) {
                    if (rep == 0)
                        showReport(report, year ? yearStart : monthStart, today);
                },
                [&](int) { click("pushButton_14"); },
                [&] {
                    QAbstractItemModel *model = reportView->model();
                    if (!model || model->columnCount() < 4)
                        return QStringLiteral("the report shows no columns");
                    if (model->rowCount() == 0)
                        return QStringLiteral("the report shows no rows");
                    if (report == '3' && child<QLineEdit>("lineEdit_pn")->text().isEmpty())
                        return QStringLiteral("the totals are empty");
                    return QString();
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
            if (!file.open(QIODevice::ReadOnly) || file.readAll().count('\n') < 2)
                return QStringLiteral("no CSV file with rows was written");
            return QString();
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
            QAbstractItemModel *model = reportView->model();
            const int column = qMax(0, columnNamed(model, {QStringLiteral("Immatriculation"),
                                                           QStringLiteral("IMMATRICULATION")}));
            const QModelIndex index =
                model->index(rep % qMax(1, qMin(model->rowCount(), 200)), column);
            emit reportView->pressed(index);
            emit reportView->clicked(index);
        },
        [&] {
            if (child<QLineEdit>("lineEdit_6")->text().isEmpty())
                return QStringLiteral("the card was not filled");
            if (child<QComboBox>("comboBox_3")->count() == 0)
                return QStringLiteral("no policy number was listed");
            return QString();
        });

    // The window is closed as the agent leaves, without logging out.
    settle();
    window.reset();
    return stage;
}
