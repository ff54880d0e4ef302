#include "core/columns.h"
#include "core/statement.h"
#include "core/validity.h"
#include "database.h"
#include "koravel3.h"
#include "ui_koravel3.h"

#include <QDate>
#include <QLabel>
#include <QSqlError>
#include <QSqlQuery>

#include <initializer_list>

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
    searchPolicies("select distinct immat as 'IMMATRICULE',nom as 'NOM', valabl as'EXPIRATION' "
                   "from principal WHERE (idpersonne='");
}

void Koravel3::on_pushButton_7_clicked() {
    searchPolicies("select distinct immat as 'IMMATRICULE',nom as'NOM', valabl as'EXPIRATION' "
                   "from principal WHERE (idpersonne='");
}

void Koravel3::searchPolicies(const char *selectStart) {
    // The search text is matched literally: a % or _ typed by the agent is
    // not a wildcard.
    const QString text = ui->LER->text();
    sql::Statement search(selectStart);
    search << ui->label_5->text() << "') and (immat LIKE '%";
    search.like(text) << "%'or nom LIKE '%";
    search.like(text) << "%') order by idpersonne desc ";
    showResult(ui->tableView, search);
}

void Koravel3::on_tableView_pressed(const QModelIndex &index) {
    // Several agents may have insured the same plate: the agent's own policy
    // is loaded (the newest one), another agent's only when the agent has
    // none. A renewal then rewrites the row the agent meant.
    sql::Statement load("select *from principal where immat='");
    load << index.data(Qt::DisplayRole).toString() << "' order by idpersonne='"
         << ui->label_5->text() << "' desc, id desc limit 1";
    QSqlQuery row;
    if (!execute(row, load) || !row.next())
        return;
    ui->LID->setText(row.value(Id).toString());
    ui->LEN->setText(row.value(Name).toString());
    ui->LEP->setText(row.value(StubNumber).toString());
    ui->LEA->setText(row.value(Address).toString());
    ui->LEPAC->setText(row.value(Contact).toString());
    ui->LETPH->setText(row.value(Telephone).toString());
    ui->LEM->setText(row.value(Make).toString());
    ui->CBG->setCurrentText(row.value(Genre).toString());
    ui->LETP->setText(row.value(Model).toString());
    ui->LEIM->setText(row.value(Plate).toString());
    ui->LEPO->setText(row.value(PolicyNumber).toString());
    // The months' change handler runs here, as when the agent picks the
    // months; what it computes from the previous form is cleared below.
    ui->CBNM->setCurrentText(row.value(Months).toString());
    ui->CBE->setCurrentText(row.value(Energy).toString());
    ui->CBP->setCurrentText(row.value(Power).toString());
    ui->LENDP->setText(row.value(Seats).toString());
    ui->LESE->setText(row.value(Collected).toString());
    ui->LESF->setText(row.value(Invoiced).toString());
    // The premium on screen belonged to the previous customer: this policy
    // is priced again (genre, power, months, CALCULER) before it is saved.
    clearPremium();
}

void Koravel3::on_tableView_2_pressed(const QModelIndex &index) {
    sql::Statement card("select *from principal where (idpersonne='");
    card << ui->label_5->text() << "') and (immat='" << index.data(Qt::DisplayRole).toString()
         << "')";
    QSqlQuery row;
    if (!execute(row, card) || !row.next())
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
    // The first number becomes current, which shows its stub details.
    sql::Statement numbers("select distinct police from principal1 where (idpersonne='");
    numbers << ui->label_5->text() << "') and (immat = '" << index.data(Qt::DisplayRole).toString()
            << "') ";
    showInCombo(ui->comboBox_3, numbers);
}

void Koravel3::on_comboBox_3_currentIndexChanged(int) {
    showStubDetails();
}

void Koravel3::on_toolButton_clicked() {
    showStubDetails();
}

void Koravel3::showStubDetails() {
    sql::Statement details("select *from principal1 where (idpersonne='");
    details << ui->label_5->text() << "') and (police='" << ui->comboBox_3->currentText() << "') ";
    QSqlQuery row;
    if (!execute(row, details))
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
    sql::Statement all("select immat as 'MATRICULE',nom as 'NOM',valable as 'EFFET',valabl as "
                       "'EXPIRATION' from principal where idpersonne='");
    all << ui->label_5->text() << "'  ";
    showResult(ui->tableView, all);
}

void Koravel3::on_pushButton_6_clicked() {
    sql::Statement expiring("select immat as 'MATRICULE',nom as 'NOM',valable as 'EFFET',valabl "
                            "as 'EXPIRATION' from principal where idpersonne='");
    expiring << ui->label_5->text()
             << "' and (valabl =(CURDATE()+INTERVAL 1 DAY) or valabl= CURDATE() or valabl "
                "=(CURDATE()+INTERVAL 2 DAY) or valabl =(CURDATE()+INTERVAL 3 DAY)) ";
    showResult(ui->tableView, expiring);
}

void Koravel3::on_pushButton_10_clicked() {
    sql::Statement expired("select immat as 'IMMATRICULATION',nom as 'NOM',valabl as 'DATE "
                           "EXPIRATION' from principal where idpersonne='");
    expired << ui->label_5->text() << "' and valabl <= CURDATE() ";
    showResult(ui->tableView, expired);
}
