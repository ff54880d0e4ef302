#include "database.h"

#include "core/config.h"
#include "core/statement.h"
#include "koravel3.h"
#include "ui_koravel3.h"

#include <QComboBox>
#include <QDebug>
#include <QSqlQueryModel>
#include <QTableView>

namespace {

const char *const tableStyle = "QTableView::item:alternate { background-color: #bfffbf; } "
                               "QTableView::item { background-color: #deffde; }";

QSqlDatabase defaultConnection() {
    // Never reopen behind the caller's back: a closed connection makes the
    // statement fail at once instead of waiting for another connect timeout.
    return QSqlDatabase::database(QLatin1String(QSqlDatabase::defaultConnection), false);
}

} // namespace

namespace sql {

bool run(QSqlQuery &query, const Statement &statement) {
    query = QSqlQuery(defaultConnection());
    return query.exec(statement.text());
}

QSqlQuery run(const Statement &statement) {
    QSqlQuery query;
    run(query, statement);
    return query;
}

} // namespace sql

bool Koravel3::connectDatabase() {
    // Drop the earlier handle first so that Qt does not warn about a
    // connection still in use when the name is registered again.
    db = QSqlDatabase();
    if (QSqlDatabase::contains(QLatin1String(QSqlDatabase::defaultConnection)))
        QSqlDatabase::removeDatabase(QLatin1String(QSqlDatabase::defaultConnection));

    db = QSqlDatabase::addDatabase(QStringLiteral("QMYSQL"));
    db.setDatabaseName(QStringLiteral("assurebdd"));
    db.setUserName(QStringLiteral("agnt"));
    db.setPassword(QStringLiteral("tulvo"));
    db.setHostName(QString::fromUtf8(config::databaseHost));
    db.setPort(3306);
    // An unreachable server must not freeze the window for the client
    // library's default of several minutes.
    db.setConnectOptions(QStringLiteral(
        "MYSQL_OPT_CONNECT_TIMEOUT=3;MYSQL_OPT_READ_TIMEOUT=30;MYSQL_OPT_WRITE_TIMEOUT=30"));

    const bool opened = db.open();
    if (opened)
        qDebug() << "connecter.....";
    else
        qDebug() << "impossible de se connection";
    return opened;
}

void Koravel3::showResult(QTableView *view, const sql::Statement &statement) {
    auto *model = new QSqlQueryModel(view);
    model->setQuery(statement.text(), defaultConnection());
    QAbstractItemModel *previous = view->model();
    view->setModel(model);
    if (previous)
        previous->deleteLater();
    view->resizeColumnsToContents();
    view->setStyleSheet(QString::fromLatin1(tableStyle));
}

void Koravel3::showInCombo(QComboBox *combo, const sql::Statement &statement) {
    // The combo deletes a model it is parent of when another replaces it.
    auto *model = new QSqlQueryModel(combo);
    model->setQuery(statement.text(), defaultConnection());
    combo->setModel(model);
}
