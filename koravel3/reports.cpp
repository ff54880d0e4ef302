#include "core/accounting.h"
#include "core/amount.h"
#include "core/csv.h"
#include "core/statements.h"
#include "database.h"
#include "files.h"
#include "koravel3.h"
#include "ui_koravel3.h"

#include <QApplication>
#include <QDir>
#include <QFileDialog>
#include <QLineEdit>
#include <QLocale>
#include <QMessageBox>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlQueryModel>

namespace {

const char *const dateFormat = "dd/MM/yyyy";

// Title templates of reports 1 to 3: %1 the start date, %2 the end date.
const char *const reportTitles[] = {
    "STATISTIQUES CLIENTS DU:  %1  AU: %2 ",
    "LISTES DES VENTES DU:  %1  AU: %2 ",
    "DETAILS CAISSES DU:  %1  AU: %2 ",
};

QString dateText(const QDateEdit *edit) {
    return edit->date().toString(QLatin1String(dateFormat));
}

} // namespace

void Koravel3::on_pushButton_11_pressed() {
    chooseReport(ui->pushButton_11, '1');
}

void Koravel3::on_pushButton_12_pressed() {
    chooseReport(ui->pushButton_12, '2');
}

void Koravel3::on_pushButton_13_pressed() {
    chooseReport(ui->pushButton_13, '3');
}

void Koravel3::chooseReport(QPushButton *button, char marker) {
    ui->label_55->setText(QString(QLatin1Char(marker)));
    button->setStyleSheet(QStringLiteral("QPushButton{ background-color: red }"));
    refreshReportTitle();
}

void Koravel3::refreshReportTitle() {
    const QString marker = ui->label_55->text();
    for (int report = 1; report <= 3; ++report) {
        if (marker == QString::number(report)) {
            ui->label_12->setText(QString::fromUtf8(reportTitles[report - 1])
                                      .arg(dateText(ui->dateEdit), dateText(ui->dateEdit_2)));
            return;
        }
    }
}

void Koravel3::on_dateEdit_userDateChanged(const QDate &) {
    refreshReportTitle();
}

void Koravel3::on_dateEdit_2_userDateChanged(const QDate &) {
    refreshReportTitle();
}

void Koravel3::on_pushButton_14_pressed() {
    const QString start = dateText(ui->dateEdit);
    const QString end = dateText(ui->dateEdit_2);
    const QString agent = ui->label_5->text();
    const int marker = ui->label_55->text() == QLatin1String("1")   ? 1
                       : ui->label_55->text() == QLatin1String("2") ? 2
                       : ui->label_55->text() == QLatin1String("3") ? 3
                                                                    : 0;
    if (!marker)
        return;
    const GestureScope action(*this);
    const auto report = statements::Report(marker);
    // Half a cash-desk report (rows without totals, or totals of another
    // run) must not pass for a whole one: on a failure nothing stays.
    if (!showResult(ui->tableView_2, statements::report(report, start, end, agent)) ||
        (report == statements::Report::CashDetails && !showCashTotals(start, end, agent))) {
        clearReport();
        return;
    }
    if (report != statements::Report::CashDetails)
        return;
    // The result model holds every row it read: the talon count is its size.
    ui->lineEditntalons->setText(QString::number(ui->tableView_2->model()->rowCount()));
}

bool Koravel3::showCashTotals(const QString &start, const QString &end, const QString &agent) {
    QLineEdit *const shown[] = {ui->lineEdit_pn,  ui->frais,        ui->lineEdit_t,
                                ui->lineEdit_fga, ui->lineEdit_pca, ui->lineEdit_pt};
    const QList<sql::Statement> totals = statements::cashTotals(start, end, agent);
    for (int i = 0; i < totals.size(); ++i) {
        QSqlQuery query;
        if (!execute(query, totals.at(i))) {
            if (!actionAbandoned && !sql::connectionLost(query.lastError()))
                warnDatabase(query.lastError(), false);
            return false;
        }
        if (query.next())
            shown[i]->setText(accounting::totalText(query.value(0)));
    }
    return true;
}

void Koravel3::clearReport() {
    clearResult(ui->tableView_2);
    for (QLineEdit *edit :
         {ui->lineEditntalons, ui->lineEdit_pn, ui->frais, ui->lineEdit_t, ui->lineEdit_fga,
          ui->lineEdit_pca, ui->lineEdit_pt, ui->lineEdit_c, ui->lineEdit_nar})
        edit->clear();
}

void Koravel3::on_pushButton_14_released() {
    if (ui->label_55->text() != QLatin1String("3"))
        return;
    // A report that failed was emptied, columns and all: no commission of
    // nothing, which would read as a real 0.
    const QAbstractItemModel *report = ui->tableView_2->model();
    if (report && report->columnCount() == 0)
        return;
    const qint32 net = amount::parse(ui->lineEdit_pn->text());
    const qint32 pca = amount::parse(ui->lineEdit_pca->text());
    const qint32 fees = amount::parse(ui->frais->text());
    const qint32 total = amount::parse(ui->lineEdit_pt->text());

    const qint32 commission = accounting::commission(net, pca, fees);
    ui->lineEdit_c->setText(amount::format(commission));
    ui->lineEdit_nar->setText(amount::format(accounting::payBack(total, commission)));
}

QString Koravel3::askExportFileName() {
    // The documents folder: the program's own folder is not writable once
    // installed.
    QString csvFilter = QStringLiteral("Fichiers CSV (*.csv)");
    return QFileDialog::getSaveFileName(
        nullptr, QStringLiteral("Enregistrer le fichier"), files::exportFolder(),
        csvFilter + QStringLiteral(";;Tous les fichiers (*.*)"), &csvFilter);
}

// At log-out and time-out. The dialog and a question it asks (replace the
// file?) each run their own event loop, and the time-out fires inside the
// innermost: both are only told to close, innermost first, and each loop
// ends in turn. Nothing is deleted under them and nothing is written.
void Koravel3::closeExportDialog() {
    for (QWidget *window : QApplication::topLevelWidgets()) {
        auto *dialog = qobject_cast<QFileDialog *>(window);
        if (!dialog || !dialog->isVisible())
            continue;
        for (QDialog *question : dialog->findChildren<QDialog *>())
            if (question->isVisible())
                question->reject();
        dialog->reject();
    }
}

void Koravel3::on_pushButton_16_clicked() {
    const quint64 session = sessionsEnded;
    const QString fileName = askExportFileName();
    if (fileName.isEmpty() || session != sessionsEnded)
        return;
    const QString cause = files::writeText(fileName, csv::text(ui->tableView_2->model()));
    if (!cause.isEmpty())
        QMessageBox::warning(this, QStringLiteral("Export impossible"),
                             sql::withDetail(QStringLiteral("Le fichier « %1 » n'a pas pu être "
                                                            "écrit : rien n'a été exporté.")
                                                 .arg(QDir::toNativeSeparators(fileName)),
                                             cause));
}
