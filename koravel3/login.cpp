#include "core/statements.h"
#include "database.h"
#include "koravel3.h"
#include "ui_koravel3.h"

#include <QDebug>
#include <QLabel>
#include <QSqlError>
#include <QSqlQuery>

// A counter keeps its previous text when its statement fails.
void Koravel3::showCount(QLabel *label, const sql::Statement &statement) {
    QSqlQuery query;
    if (!execute(query, statement))
        return;
    while (query.next())
        label->setText(query.value(0).toString());
}

QString Koravel3::statementPassword() const {
    return agentAccounts ? QString() : ui->lineEdit_passw_2->text();
}

void Koravel3::on_pushButton_c_clicked() {
    logIn(false);
}

void Koravel3::on_lineEdit_passw_2_returnPressed() {
    logIn(true);
}

void Koravel3::logIn(bool fromPasswordField) {
    const auto way =
        fromPasswordField ? statements::LoginWay::ReturnKey : statements::LoginWay::Button;
    const QString user = ui->lineEdit_user_2->text();

    const GestureScope action(*this);
    if (!connectDatabase()) {
        qDebug() << "connection impossible";
        if (agentAccounts && accountRefused)
            ui->label_4->setText(QStringLiteral("nom utilisateur et mot de passe incorrect"));
        return;
    }
    const QString password = statementPassword();

    QSqlQuery agent;
    if (!sql::run(agent, statements::agentLogin(user, password)))
        return;
    int matches = 0;
    while (agent.next())
        ++matches;
    if (matches == 0) {
        ui->label_4->setText(QStringLiteral("nom utilisateur et mot de passe incorrect"));
        return;
    }
    if (matches > 1) {
        ui->label_4->setText(QStringLiteral(" nom utilisateur ou mot de passe vide"));
        return;
    }

    agent.first();
    ui->label_5->setText(agent.value(0).toString());
    ui->label_6->setText(agent.value(3).toString());
    ui->label_7->setText(agent.value(6).toString());
    ui->label_8->setText(agent.value(4).toString());
    ui->login->setCurrentIndex(HomePage);
    // The window may have waited on the login page since yesterday.
    showTodayAsEffectDate();
    checkForUpdates();

    showCount(ui->label_34, statements::policyTotal(user, password));
    showCount(ui->label_33, statements::expiringCount(way, user, password));
    showResult(ui->tableView, statements::expiringListAtLogin(way, ui->label_5->text()));
    showCount(ui->label_35, statements::expiredCount(way, user, password));
}
