#include "core/statement.h"
#include "database.h"
#include "koravel3.h"
#include "ui_koravel3.h"

#include <QDate>
#include <QLabel>
#include <QSqlQuery>

#include <initializer_list>

namespace {

// Column positions of a principal / principal1 row read with "select *".
enum Column {
    Id = 0,
    Name = 4,
    Address = 5,
    Contact = 6,
    Telephone = 7,
    Genre = 14,
    Make = 15,
    Model = 16,
    Plate = 17,
    PolicyNumber = 18,
    StubNumber = 19,
    Start = 20,
    Expiry = 21,
    Months = 24,
    Energy = 25,
    Power = 26,
    Seats = 29,
    Collected = 30,
    Invoiced = 31,
    ContactAddress = 39,
    IssueCount = 40,
};

struct LabelColumn {
    QLabel *label;
    int column;
    bool isDate;
};

// A date as the card shows it; an empty or invalid date shows nothing.
QString dateText(const QVariant &value) {
    const QDate date = value.toDate();
    return date.isValid() ? date.toString(QStringLiteral("dd/MM/yyyy")) : QString();
}

void showInLabels(const QSqlQuery &row, std::initializer_list<LabelColumn> fields) {
    for (const LabelColumn &field : fields) {
        const QVariant value = row.value(field.column);
        field.label->setText(field.isDate ? dateText(value) : value.toString());
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
    // Not restricted to the agent: a plate that several agents insured
    // leaves the row returned last in the form.
    sql::Statement load("select *from principal where immat='");
    load << index.data(Qt::DisplayRole).toString() << "' ";
    QSqlQuery row;
    if (!sql::run(row, load))
        return;
    while (row.next()) {
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
        // The months' change handler recomputes the period amounts here,
        // as when the agent picks the months.
        ui->CBNM->setCurrentText(row.value(Months).toString());
        ui->CBE->setCurrentText(row.value(Energy).toString());
        ui->CBP->setCurrentText(row.value(Power).toString());
        ui->LENDP->setText(row.value(Seats).toString());
        ui->LESE->setText(row.value(Collected).toString());
        ui->LESF->setText(row.value(Invoiced).toString());
    }
}

void Koravel3::on_tableView_2_pressed(const QModelIndex &index) {
    sql::Statement card("select *from principal where (idpersonne='");
    card << ui->label_5->text() << "') and (immat='" << index.data(Qt::DisplayRole).toString()
         << "')";
    QSqlQuery row;
    if (!sql::run(row, card) || !row.next())
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
    if (!sql::run(row, details))
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
