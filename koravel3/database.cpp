#include "database.h"

#include "core/connectionsettings.h"
#include "core/statement.h"
#include "koravel3.h"
#include "ui_koravel3.h"

#include <QComboBox>
#include <QDebug>
#include <QLabel>
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

// A read-only query model that keeps what its statement returned. A query
// model normally reads its rows back from the driver whenever they are
// painted, but every save replaces the connection (and its driver): the
// lists on screen and the bracket label, which the next save reads, would
// turn blank. This one fetches every row at once and answers from its copy.
class ResultModel final : public QSqlQueryModel {
public:
    using QSqlQueryModel::QSqlQueryModel;

    void load(const sql::Statement &statement) {
        setQuery(statement.text(), defaultConnection());
        while (canFetchMore())
            fetchMore();
        const int rowTotal = rowCount();
        const int columnTotal = columnCount();
        rows.resize(rowTotal);
        for (int row = 0; row < rowTotal; ++row) {
            rows[row].reserve(columnTotal);
            for (int column = 0; column < columnTotal; ++column)
                rows[row].append(QSqlQueryModel::data(index(row, column)));
        }
    }

    QVariant data(const QModelIndex &item, int role = Qt::DisplayRole) const override {
        if ((role == Qt::DisplayRole || role == Qt::EditRole) && item.isValid() &&
            item.row() < rows.size() && item.column() < rows.at(item.row()).size())
            return rows.at(item.row()).at(item.column());
        return QSqlQueryModel::data(item, role);
    }

private:
    QList<QVariantList> rows;
};

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
    // Read on each connection, so that a corrected INI file takes effect at
    // the next login without restarting the program.
    const connection::Settings server = connection::load();

    // Drop the earlier handle first so that Qt does not warn about a
    // connection still in use when the name is registered again.
    db = QSqlDatabase();
    if (QSqlDatabase::contains(QLatin1String(QSqlDatabase::defaultConnection)))
        QSqlDatabase::removeDatabase(QLatin1String(QSqlDatabase::defaultConnection));

    db = QSqlDatabase::addDatabase(QStringLiteral("QMYSQL"));
    db.setDatabaseName(QLatin1String(connection::databaseName));
    db.setUserName(server.user);
    db.setPassword(server.password);
    db.setHostName(server.host);
    db.setPort(server.port);
    // An unreachable server must not freeze the window for the client
    // library's default of several minutes.
    db.setConnectOptions(QStringLiteral(
        "MYSQL_OPT_CONNECT_TIMEOUT=3;MYSQL_OPT_READ_TIMEOUT=30;MYSQL_OPT_WRITE_TIMEOUT=30"));

    const bool opened = db.open();
    if (opened)
        qDebug() << "connecter.....";
    else
        qDebug() << "impossible de se connection";
    // The agent and the support see which server the counter works with.
    if (auto *label = findChild<QLabel *>(QStringLiteral("serverLabel")))
        label->setText(connection::describe(server, opened));
    return opened;
}

void Koravel3::showResult(QTableView *view, const sql::Statement &statement) {
    auto *model = new ResultModel(view);
    model->load(statement);
    QAbstractItemModel *previous = view->model();
    view->setModel(model);
    if (previous)
        previous->deleteLater();
    view->resizeColumnsToContents();
    view->setStyleSheet(QString::fromLatin1(tableStyle));
}

void Koravel3::clearResult(QTableView *view) {
    QAbstractItemModel *previous = view->model();
    view->setModel(new ResultModel(view));
    if (previous)
        previous->deleteLater();
}

void Koravel3::showInCombo(QComboBox *combo, const sql::Statement &statement) {
    // The combo deletes a model it is parent of when another replaces it.
    auto *model = new ResultModel(combo);
    model->load(statement);
    combo->setModel(model);
}
