// The agent's day that the benchmark measures, action by action.
#include "scenario.h"

#include "admin.h"
#include "core/statement.h"
#include "datagen.h"
#include "koravel3.h"
#include "support/modal.h"

#include <QAbstractItemModel>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QStackedWidget>
#include <QTableView>
#include <QTest>

#include <cstdio>
#include <cstdlib>

namespace {

constexpr int homePage = 1;

QString dateText(const QDate &date) {
    return date.toString(QStringLiteral("dd/MM/yyyy"));
}

int columnNamed(const QAbstractItemModel *model, const QStringList &names) {
    for (int column = 0; column < model->columnCount(); ++column)
        if (names.contains(model->headerData(column, Qt::Horizontal).toString()))
            return column;
    return -1;
}

} // namespace

StageResult Scenario::run(int policies, bool indexed) {
    StageResult stage;
    stage.policies = policies;
    stage.indexed = indexed;
    m_stageTag = QStringLiteral("%1%2").arg(policies).arg(indexed ? 'I' : 'P');

    Koravel3 window;
    m_window = &window;
    window.resize(1366, 768);
    window.show();
    if (!QTest::qWaitForWindowExposed(&window))
        std::fprintf(stderr, "bench: the window was not exposed\n");
    settle();

    const QString user = datagen::agentUser(m_agent);
    const QString password = datagen::agentPassword(m_agent);
    const QString agentId = QString::number(m_agent);
    auto *pages = widget<QStackedWidget>("login");
    const QDate today = QDate::currentDate();
    const QDate monthStart = today.addMonths(-1).addDays(1);
    const QDate yearStart = today.addYears(-1).addDays(1);

    // Plates of the agent's own policies, for the search and the form load.
    sql::Statement platesStatement("select immat from principal where idpersonne = '");
    platesStatement << agentId << "' order by id limit 200";
    const QStringList plates = admin::column(platesStatement);
    if (plates.isEmpty()) {
        std::fprintf(stderr, "bench: agent %d has no policies\n", m_agent);
        std::exit(2);
    }

    // Log in.
    auto logIn = [&] {
        widget<QLineEdit>("lineEdit_user_2")->setText(user);
        widget<QLineEdit>("lineEdit_passw_2")->setText(password);
        click("pushButton_c");
        settle();
    };
    stage.actions << measure(
        QStringLiteral("login"),
        [&](int) {
            if (pages->currentIndex() != 0)
                click("pushButton_2");
            widget<QLineEdit>("lineEdit_user_2")->setText(user);
            widget<QLineEdit>("lineEdit_passw_2")->setText(password);
        },
        [&](int) { click("pushButton_c"); },
        [&] {
            if (pages->currentIndex() != homePage)
                return QStringLiteral("the login did not open the home page");
            if (widget<QLabel>("label_5")->text() != agentId)
                return QStringLiteral("the agent id is not shown");
            return QString();
        });
    if (pages->currentIndex() != homePage)
        logIn();
    if (pages->currentIndex() != homePage) {
        // Nothing else can run without a logged-in agent.
        m_window = nullptr;
        return stage;
    }
    stage.actions.last().detail =
        QStringLiteral("%1 policies, %2 expiring")
            .arg(widget<QLabel>("label_34")->text(), widget<QLabel>("label_33")->text());

    // One keystroke in the search box: the agent types the first five
    // characters of a plate ("DK-12"), each key sending one search.
    auto *search = widget<QLineEdit>("LER");
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
            QAbstractItemModel *model = widget<QTableView>("tableView")->model();
            if (!model || model->rowCount() == 0 || search->text().isEmpty())
                return QStringLiteral("the search showed no policy");
            return QString();
        });

    // The three lists of the home page.
    const struct {
        const char *button;
        const char *label;
    } lists[] = {
        {"pushButton_5", "list: all policies"},
        {"pushButton_6", "list: expiring in 3 days"},
        {"pushButton_10", "list: expired"},
    };
    for (const auto &list : lists) {
        stage.actions << measure(
            QString::fromUtf8(list.label), [](int) {}, [&](int) { click(list.button); },
            [&] {
                QAbstractItemModel *model = widget<QTableView>("tableView")->model();
                if (!model || model->columnCount() < 3)
                    return QStringLiteral("the list shows no columns");
                return QString();
            });
        stage.actions.last().detail = rowsShown("tableView");
    }

    // Loading a policy into the form: a press on a plate of the list of all
    // policies. A genre is chosen first, as an agent has by then, so that
    // the months recomputation has a category to work with.
    auto *genre = widget<QComboBox>("CBG");
    genre->setCurrentIndex(1);
    emit genre->textActivated(genre->currentText());
    click("pushButton_5");
    settle();
    auto *home = widget<QTableView>("tableView");
    stage.actions << measure(
        QStringLiteral("form load"),
        [&](int) { widget<QLabel>("LID")->setText(QStringLiteral("0")); },
        [&](int rep) {
            QAbstractItemModel *model = home->model();
            const int rows = qMax(1, qMin(model->rowCount(), 200));
            emit home->pressed(model->index(rep % rows, 0));
        },
        [&] {
            if (widget<QLabel>("LID")->text() == QLatin1String("0") ||
                widget<QLineEdit>("LEIM")->text().isEmpty())
                return QStringLiteral("the form was not filled");
            return QString();
        });

    // A first issue: the form filled as an agent would, then VALIDER/IMPRIMER
    // (the save on the press, the QR code on the release).
    QString savedName;
    stage.actions << measure(
        QStringLiteral("first-issue save"),
        [&](int rep) {
            savedName = QStringLiteral("BENCH SAVE %1 %2").arg(m_stageTag).arg(rep);
            widget<QLabel>("LID")->setText(QStringLiteral("0"));
            widget<QLineEdit>("LEN")->setText(savedName);
            widget<QLineEdit>("LEIM")->setText(
                QStringLiteral("BN-%1-ZZ").arg(rep, 4, 10, QLatin1Char('0')));
            widget<QLineEdit>("LEPO")->setText(QStringLiteral("P-BENCH-%1").arg(rep));
            widget<QLineEdit>("LEP")->setText(QStringLiteral("T-BENCH-%1").arg(rep));
            widget<QLineEdit>("LEDU")->setText(dateText(today));
            widget<QLineEdit>("LEAU")->setText(dateText(today.addYears(1).addDays(-1)));
            // The premium as the agent gets it: genre, power, months, then
            // CALCULER for the invoice total, collected in full.
            genre->setCurrentIndex(1);
            emit genre->textActivated(genre->currentText());
            auto *power = widget<QComboBox>("CBP");
            power->setCurrentIndex(8);
            emit power->activated(8);
            auto *months = widget<QComboBox>("CBNM");
            months->setCurrentIndex(months->currentIndex() == 12 ? 6 : 12);
            emit months->activated(months->currentIndex());
            click("PBC");
            widget<QLineEdit>("LESE")->setText(widget<QLineEdit>("LESF")->text());
            widget<QCheckBox>("checkBox_25")->setChecked(true);
            m_modals->clear();
        },
        [&](int) { click("pushButton_3"); },
        [&] {
            sql::Statement count("select count(*) from principal where nom = '");
            count << savedName << "'";
            if (admin::scalar(count).toInt() != 1)
                return QStringLiteral("the policy was not written to principal (boxes: %1)")
                    .arg(boxesSeen().join(QStringLiteral("; ")));
            return QString();
        });
    stage.actions.last().detail = boxesSeen().isEmpty() ? QString() : boxesSeen().constFirst();
    // The saved rows would otherwise show up in the reports measured next.
    for (const char *table : {"principal", "principal1", "clients"}) {
        sql::Statement cleanup("delete from ");
        cleanup << table << " where nom like 'BENCH SAVE %'";
        admin::exec(cleanup);
    }

    // The reports over one month and one year.
    for (char report : {'1', '2', '3'}) {
        for (bool year : {false, true}) {
            const QString label =
                QStringLiteral("report %1, %2")
                    .arg(QLatin1Char(report))
                    .arg(year ? QStringLiteral("one year") : QStringLiteral("one month"));
            stage.actions << measure(
                label,
                [&](int rep) {
                    if (rep == 0)
                        showReport(report, year ? yearStart : monthStart, today);
                },
                [&](int) { click("pushButton_14"); },
                [&] {
                    QAbstractItemModel *model = widget<QTableView>("tableView_2")->model();
                    if (!model || model->columnCount() < 4)
                        return QStringLiteral("the report shows no columns");
                    if (model->rowCount() == 0)
                        return QStringLiteral("the report shows no rows");
                    if (report == '3' && widget<QLineEdit>("lineEdit_pn")->text().isEmpty())
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
        QStringLiteral("export report 3, one year"),
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
    auto *reportView = widget<QTableView>("tableView_2");
    stage.actions << measure(
        QStringLiteral("policy card"), [&](int) { widget<QLineEdit>("lineEdit_6")->clear(); },
        [&](int rep) {
            QAbstractItemModel *model = reportView->model();
            const int column = qMax(0, columnNamed(model, {QStringLiteral("Immatriculation"),
                                                           QStringLiteral("IMMATRICULATION")}));
            const int rows = qMax(1, qMin(model->rowCount(), 200));
            const QModelIndex index = model->index(rep % rows, column);
            emit reportView->pressed(index);
            emit reportView->clicked(index);
        },
        [&] {
            if (widget<QLineEdit>("lineEdit_6")->text().isEmpty())
                return QStringLiteral("the card was not filled");
            if (widget<QComboBox>("comboBox_3")->count() == 0)
                return QStringLiteral("no policy number was listed");
            return QString();
        });

    // The window is closed as the agent leaves, without logging out.
    settle();
    m_window = nullptr;
    return stage;
}
