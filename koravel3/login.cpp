#include "core/statement.h"
#include "database.h"
#include "koravel3.h"
#include "ui_koravel3.h"

#include <QDebug>
#include <QLabel>
#include <QSqlError>
#include <QSqlQuery>

namespace {

// The statements that the two ways of logging in send. They select the same
// rows; their texts differ only by blanks and parentheses, and each way keeps
// its own texts.
struct CounterTexts {
    // Policies expiring today or within the next three days.
    const char *expiringUser;
    const char *expiringPassword;
    const char *expiringEnd;
    // The list of those policies, by agent id.
    const char *listStart;
    // Policies expired for more than a day.
    const char *expiredUser;
    const char *expiredPassword;
    const char *expiredEnd;
};

const CounterTexts buttonTexts{
    "select count(valabl) from principal where (users='",
    "') and (password='",
    "') and (valabl =(CURDATE()+INTERVAL 1 DAY) or valabl= CURDATE() or valabl "
    "=(CURDATE()+INTERVAL 2 DAY) or valabl =(CURDATE()+INTERVAL 3 DAY)) ",
    "select immat as 'MATRICULE',nom as'NOM',valable as 'EFFET',valabl as 'EXPIRATION' from "
    "principal where (idpersonne='",
    "select count(valabl) from principal where (users='",
    "') and (password='",
    "') and valabl <(CURDATE()-INTERVAL 1 DAY) ",
};

const CounterTexts returnKeyTexts{
    "select count(valabl) from principal where users='",
    "' and password='",
    "' and (valabl =(CURDATE()+INTERVAL 1 DAY) or valabl= CURDATE() or valabl "
    "=(CURDATE()+INTERVAL 2 DAY) or valabl =(CURDATE()+INTERVAL 3 DAY)) ",
    "select immat as 'MATRICULE',nom as 'NOM',valable as 'EFFET',valabl as 'EXPIRATION' from "
    "principal where (idpersonne='",
    "select count(valabl) from principal where users='",
    "' and password='",
    "' and valabl <(CURDATE()-INTERVAL 1 DAY) ",
};

const char *const expiringListEnd = "') and (valabl =(CURDATE()+INTERVAL 1 DAY) or valabl= "
                                    "CURDATE() or valabl =(CURDATE()+INTERVAL 2 DAY) or valabl "
                                    "=(CURDATE()+INTERVAL 3 DAY)) ";

} // namespace

// A counter keeps its previous text when its statement fails.
void Koravel3::showCount(QLabel *label, const sql::Statement &statement) {
    QSqlQuery query;
    if (!execute(query, statement))
        return;
    while (query.next())
        label->setText(query.value(0).toString());
}

void Koravel3::on_pushButton_c_clicked() {
    logIn(false);
}

void Koravel3::on_lineEdit_passw_2_returnPressed() {
    logIn(true);
}

void Koravel3::logIn(bool fromPasswordField) {
    const CounterTexts &texts = fromPasswordField ? returnKeyTexts : buttonTexts;
    const QString user = ui->lineEdit_user_2->text();
    const QString password = ui->lineEdit_passw_2->text();

    if (!connectDatabase()) {
        qDebug() << "connection impossible";
        return;
    }

    sql::Statement login("select * FROM personnes where user='");
    login << user << "' and password='" << password << "' ";
    QSqlQuery agent;
    if (!sql::run(agent, login))
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
    ui->login->setCurrentIndex(1);
    // The window may have waited on the login page since yesterday.
    showTodayAsEffectDate();
    checkForUpdates();

    sql::Statement total("select count(idpersonne) from principal where users='");
    total << user << "' and password='" << password << "'";
    showCount(ui->label_34, total);

    sql::Statement expiring(texts.expiringUser);
    expiring << user << texts.expiringPassword << password << texts.expiringEnd;
    showCount(ui->label_33, expiring);

    sql::Statement list(texts.listStart);
    list << ui->label_5->text() << expiringListEnd;
    showResult(ui->tableView, list);

    sql::Statement expired(texts.expiredUser);
    expired << user << texts.expiredPassword << password << texts.expiredEnd;
    showCount(ui->label_35, expired);
}
