#include "core/columns.h"
#include "core/statements.h"
#include "core/validity.h"
#include "database.h"
#include "formfields.h"
#include "koravel3.h"
#include "ui_koravel3.h"

#include <QDate>
#include <QLabel>
#include <QSqlError>
#include <QSqlQuery>

#include <initializer_list>
#include <utility>

namespace {

using namespace column;

struct LabelColumn {
    QLabel *label;
    int column;
    bool isDate;
};

void showInLabels(const QSqlQuery &row, std::initializer_list<LabelColumn> fields) {
    for (const LabelColumn &field : fields) {
        const QVariant value = row.value(field.column);
        field.label->setText(field.isDate ? validity::shownDate(value.toDate()) : value.toString());
    }
}

} // namespace

void Koravel3::on_LER_textChanged(const QString &) {
    showResult(ui->tableView, statements::search(statements::SearchWay::Typing, ui->label_5->text(),
                                                 ui->LER->text()));
}

void Koravel3::on_pushButton_7_clicked() {
    showResult(ui->tableView, statements::search(statements::SearchWay::Button, ui->label_5->text(),
                                                 ui->LER->text()));
}

void Koravel3::on_tableView_pressed(const QModelIndex &index) {
    // Several agents may have insured the same plate: the agent's own policy
    // is loaded (the newest one), another agent's only when the agent has
    // none. A renewal then rewrites the row the agent meant.
    QSqlQuery row;
    if (!execute(row, statements::formLoad(index.data(Qt::DisplayRole).toString(),
                                           ui->label_5->text())) ||
        !row.next())
        return;
    ui->LID->setText(row.value(Id).toString());
    formfields::showPolicy(*this, row);
    // The premium on screen belonged to the previous customer: this policy
    // is priced again (genre, power, months, CALCULER) before it is saved.
    clearPremium();
}

void Koravel3::on_tableView_2_pressed(const QModelIndex &index) {
    const GestureScope action(*this);
    QSqlQuery row;
    const bool read = execute(
        row, statements::policyCard(ui->label_5->text(), index.data(Qt::DisplayRole).toString()));
    rowPressAbandoned = actionAbandoned;
    if (!read || !row.next())
        return;
    ui->lineEdit_6->setText(row.value(Name).toString());
    ui->lineEdit_7->setText(row.value(Address).toString());
    ui->lineEdit_8->setText(row.value(Contact).toString());
    ui->lineEdit_9->setText(row.value(Telephone).toString());
    ui->lineEdit_10->setText(row.value(ContactAddress).toString());
    showInLabels(row, {{ui->label_23, Expiry, true},
                       {ui->label_30, IssueCount, false},
                       {ui->label_40, Months, false},
                       {ui->label_52, Genre, false},
                       {ui->label_54, Make, false},
                       {ui->label_41, Start, true},
                       {ui->label_42, Expiry, true},
                       {ui->label_43, PolicyNumber, false},
                       {ui->label_44, StubNumber, false}});
}

void Koravel3::on_tableView_2_clicked(const QModelIndex &index) {
    if (std::exchange(rowPressAbandoned, false))
        return;
    const GestureScope action(*this);
    // The first number becomes current, which shows its stub details.
    showInCombo(ui->comboBox_3, statements::policyNumbers(ui->label_5->text(),
                                                          index.data(Qt::DisplayRole).toString()));
}

void Koravel3::on_comboBox_3_currentIndexChanged(int) {
    showStubDetails();
}

void Koravel3::on_toolButton_clicked() {
    showStubDetails();
}

void Koravel3::showStubDetails() {
    QSqlQuery row;
    if (!execute(row, statements::stubDetails(ui->label_5->text(), ui->comboBox_3->currentText())))
        return;
    // With several issues under one number the last one stays shown.
    while (row.next())
        showInLabels(row, {{ui->label_40, Months, false},
                           {ui->label_52, Genre, false},
                           {ui->label_54, Make, false},
                           {ui->label_41, Start, true},
                           {ui->label_42, Expiry, true},
                           {ui->label_43, PolicyNumber, false},
                           {ui->label_44, StubNumber, false}});
}

void Koravel3::on_pushButton_5_clicked() {
    showResult(ui->tableView, statements::allPolicies(ui->label_5->text()));
}

void Koravel3::on_pushButton_6_clicked() {
    showResult(ui->tableView, statements::expiringPolicies(ui->label_5->text()));
}

void Koravel3::on_pushButton_10_clicked() {
    showResult(ui->tableView, statements::expiredPolicies(ui->label_5->text()));
}
