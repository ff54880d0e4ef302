#include "database.h"

#include "columnfit.h"
#include "machinefile.h"
#include "tls.h"

#include "core/connectionsettings.h"
#include "core/nodes.h"
#include "core/statement.h"
#include "core/statements.h"
#include "koravel3.h"
#include "ui_koravel3.h"

#include <QComboBox>
#include <QDebug>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QMessageBox>
#include <QSettings>
#include <QSqlError>
#include <QSqlQueryModel>
#include <QSqlRecord>
#include <QTableView>
#include <QTemporaryDir>

namespace {

QSqlDatabase defaultConnection() {
    // Never reopen behind the caller's back: a closed connection makes the
    // statement fail at once instead of waiting for another connect timeout.
    return QSqlDatabase::database(QLatin1String(QSqlDatabase::defaultConnection), false);
}

// A read-only query model that keeps what its statement returned. A query
// model normally reads its rows back from the driver whenever they are
// painted, but every save replaces the connection (and its driver): the
// lists on screen and the bracket label, which the next save reads, would
// turn blank. This one reads every row once, forward only, and answers from
// its own copy; it stays a QSqlQueryModel for whoever looks at it as one.
class ResultModel final : public QSqlQueryModel {
public:
    using QSqlQueryModel::QSqlQueryModel;

    // False when the statement failed; the model is then empty.
    bool load(const sql::Statement &statement) {
        beginResetModel();
        const bool loaded = read(statement);
        endResetModel();
        return loaded;
    }

    int rowCount(const QModelIndex &parent = QModelIndex()) const override {
        return parent.isValid() || !columns ? 0 : int(cells.size() / columns);
    }
    int columnCount(const QModelIndex &parent = QModelIndex()) const override {
        return parent.isValid() ? 0 : columns;
    }
    bool canFetchMore(const QModelIndex &) const override { return false; }

    QVariant data(const QModelIndex &item, int role = Qt::DisplayRole) const override {
        if ((role != Qt::DisplayRole && role != Qt::EditRole) || !item.isValid() ||
            item.model() != this)
            return QVariant();
        return cells.at(qsizetype(item.row()) * columns + item.column());
    }

    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override {
        // The column headers are the statement's column names or aliases.
        if (orientation == Qt::Horizontal && (role == Qt::DisplayRole || role == Qt::EditRole) &&
            section >= 0 && section < columns)
            return names.at(section);
        return QSqlQueryModel::headerData(section, orientation, role);
    }

    void clear() override {
        beginResetModel();
        cells.clear();
        names.clear();
        columns = 0;
        endResetModel();
    }

private:
    bool read(const sql::Statement &statement) {
        cells.clear();
        names.clear();
        columns = 0;
        // A closed connection makes the statement fail without an error.
        const QSqlDatabase connection = defaultConnection();
        if (!connection.isOpen()) {
            setLastError(QSqlError());
            return false;
        }
        QSqlQuery query(connection);
        query.setForwardOnly(true);
        if (!query.exec(statement.text())) {
            setLastError(query.lastError());
            return false;
        }
        setLastError(QSqlError());
        const QSqlRecord record = query.record();
        columns = record.count();
        for (int column = 0; column < columns; ++column)
            names << record.fieldName(column);
        if (query.size() > 0)
            cells.reserve(qsizetype(query.size()) * columns);
        while (query.next())
            for (int column = 0; column < columns; ++column)
                cells.append(query.value(column));
        return true;
    }

    QVariantList cells; // row after row
    QStringList names;
    int columns = 0;
};

// The client library loads the authentication plug-in that a server names
// from its plug-in folder. A machine in the middle that answers without TLS
// could name mysql_clear_password (or dialog) and be sent the password in
// clear, before the program's own TLS check. So the library looks in an
// empty folder of the program's own, set before its first connection, and
// only the methods built into it remain (mysql_native_password among them).
void keepClientPluginsOff() {
    static const QTemporaryDir empty;
    qunsetenv("LIBMYSQL_PLUGINS");
    qputenv("MARIADB_PLUGIN_DIR",
            QFile::encodeName(empty.isValid()
                                  ? empty.path()
                                  : QDir::temp().filePath(QStringLiteral("koravel-no-plugins"))));
}

} // namespace

namespace sql {

bool connectionLost(const QSqlError &error) {
    // A statement on a connection that is closed fails without any error.
    return !defaultConnection().isOpen() || error.type() == QSqlError::ConnectionError ||
           connection::isLostConnectionCode(error.nativeErrorCode());
}

QString withDetail(const QString &sentence, const QString &detail) {
    const QString shown = detail.trimmed().isEmpty() ? QStringLiteral("connexion fermée") : detail;
    return sentence + QStringLiteral("\n\nDétail : ") + shown;
}

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
    return openServer(false);
}

bool Koravel3::openServer(bool passOver) {
    static const bool pluginsOff = (keepClientPluginsOff(), true);
    Q_UNUSED(pluginsOff);
    // Read on each connection, so that a corrected INI file takes effect at
    // the next login without restarting the program.
    // The user's file alone: the toolkit would otherwise fall back on the
    // files of XDG_CONFIG_DIRS and an organisation-wide Koravel.ini, which
    // the user's environment chooses.
    QSettings user(QSettings::IniFormat, QSettings::UserScope, QStringLiteral("Koravel"),
                   QStringLiteral("koravel3"));
    user.setFallbacksEnabled(false);
    connection::Settings server =
        connection::read(user, QSettings(machineSettingsFile(), QSettings::IniFormat));
    // Each agent's own account: the server itself then knows who writes.
    agentAccounts = server.agentAccounts;
    if (agentAccounts) {
        server.user = ui->lineEdit_user_2->text();
        server.password = ui->lineEdit_passw_2->text();
    }

    // Drop the earlier handle first so that Qt does not warn about a
    // connection still in use when the name is registered again.
    db = QSqlDatabase();
    if (QSqlDatabase::contains(QLatin1String(QSqlDatabase::defaultConnection)))
        QSqlDatabase::removeDatabase(QLatin1String(QSqlDatabase::defaultConnection));

    db = QSqlDatabase::addDatabase(QStringLiteral("QMYSQL"));
    db.setDatabaseName(QLatin1String(connection::databaseName));
    db.setUserName(server.user);
    db.setPassword(server.password);
    const QString options = connection::connectOptions(server);
    db.setConnectOptions(options);

    // The nodes of a cluster, or the one server, tried in turn from the one
    // in use; a single server is not asked whether it serves (there is no
    // other to go to), so its statements stay the program's own.
    QList<connection::Address> nodes = connection::addresses(server.host, server.port);
    if (nodes.isEmpty())
        nodes << connection::Address{server.host, server.port};
    const int first = (nodeInUse + (passOver ? 1 : 0)) % int(nodes.size());
    connection::Settings used = server;
    bool opened = false;
    QString cipher;
    QString unsafe;
    accountRefused = false;
    for (int tried = 0; tried < nodes.size() && !opened; ++tried) {
        const int node = (first + tried) % int(nodes.size());
        db.setHostName(nodes[node].host);
        db.setPort(nodes[node].port);
        used.host = nodes[node].host;
        used.port = nodes[node].port;
        opened = !options.isEmpty() && db.open();
        if (options.isEmpty()) {
            unsafe = QStringLiteral("un nom de fichier TLS du koravel3.ini contient « ; »");
        } else if (!server.sslCa.isEmpty()) {
            // The client library verifies the certificate when the server
            // offers TLS, but goes on in clear text when it does not: only
            // the session itself tells, before anything of the agent's is
            // sent.
            if (opened && (cipher = tls::sessionCipher(db)).isEmpty())
                unsafe = QStringLiteral("le serveur a répondu sans chiffrement TLS");
            else if (!opened && tls::isTlsFailure(db.lastError()))
                unsafe = db.lastError().text();
            if (!unsafe.isEmpty() && opened) {
                db.close();
                opened = false;
            }
        }
        accountRefused =
            !opened && connection::isRefusedAccountCode(db.lastError().nativeErrorCode());
        // A server that is not the agency's, or that refuses the agent: the
        // other nodes hold the same accounts and certificates.
        if (!unsafe.isEmpty() || accountRefused)
            break;
        if (opened && nodes.size() > 1 && !nodeServes()) {
            db.close();
            opened = false;
            continue;
        }
        if (opened)
            nodeInUse = node;
    }
    if (!opened && !accountRefused && unsafe.isEmpty())
        used = server;
    // No agent's name yet (the start, or a login with the name left blank):
    // a server that lets an empty name in has an anonymous account, which
    // is nobody's session. It answers; that is all this connection tells.
    if (agentAccounts && server.user.isEmpty() && opened) {
        db.close();
        opened = false;
        accountRefused = true;
    }
    // With agents' own accounts a refused name still means a server that
    // answers, which is what this line and the status bar tell.
    const bool answered = opened || (agentAccounts && accountRefused);
    if (answered)
        qDebug() << "connecter.....";
    else
        qDebug() << "impossible de se connection";
    // The agent and the support see which server the counter works with.
    if (auto *label = findChild<QLabel *>(QStringLiteral("serverLabel")))
        label->setText(connection::describe(used, answered, cipher));
    if (!unsafe.isEmpty())
        QMessageBox::critical(
            this, QStringLiteral("Connexion non sécurisée"),
            sql::withDetail(QStringLiteral("La connexion au serveur %1 n'est pas chiffrée ou son "
                                           "certificat n'est pas celui de l'agence : elle a été "
                                           "refusée, rien n'a été envoyé. Prévenez le "
                                           "responsable du serveur.")
                                .arg(used.host),
                            unsafe));
    return opened;
}

bool Koravel3::nodeServes() {
    QSqlQuery status;
    if (!sql::run(status, statements::nodeStatus()))
        return false;
    QHash<QString, QString> variables;
    while (status.next())
        variables.insert(status.value(0).toString().toLower(), status.value(1).toString());
    return connection::serves(variables);
}

bool Koravel3::reconnectAfter(const QSqlError &error) {
    const bool nodeRefused = connection::isNodeRefusalCode(error.nativeErrorCode());
    return (sql::connectionLost(error) || nodeRefused) && openServer(true);
}

Koravel3::GestureScope::GestureScope(Koravel3 &window)
    : window(window) {
    if (window.actionDepth++ == 0)
        window.actionAbandoned = false;
}

Koravel3::GestureScope::~GestureScope() {
    if (--window.actionDepth == 0)
        window.actionAbandoned = false;
}

bool Koravel3::execute(QSqlQuery &query, const sql::Statement &statement) {
    if (actionAbandoned) {
        query = QSqlQuery();
        return false;
    }
    if (sql::run(query, statement))
        return true;
    // A server restart drops the connection: open a new one once and run
    // the statement again, so the agent does not have to log in again.
    if (reconnectAfter(query.lastError()) && sql::run(query, statement))
        return true;
    if (sql::connectionLost(query.lastError()))
        warnDatabase(query.lastError(), true);
    return false;
}

void Koravel3::warnDatabase(const QSqlError &error, bool lost) {
    const QString sentence =
        lost ? QStringLiteral("La connexion au serveur de la base de données est perdue et n'a "
                              "pas pu être rétablie : ce qui devait s'afficher ne l'est pas. "
                              "Vérifiez le réseau, ou prévenez le responsable du serveur.")
             : QStringLiteral("Le serveur de la base de données n'a pas pu répondre : la liste "
                              "affichée a été vidée.");
    const quint64 session = sessionsEnded;
    QMessageBox::warning(this, QStringLiteral("Base de données"),
                         sql::withDetail(sentence, error.text()));
    if (actionDepth > 0 && (lost || session != sessionsEnded))
        actionAbandoned = true;
}

bool Koravel3::showResult(QTableView *view, const sql::Statement &statement) {
    if (actionAbandoned)
        return false;
    auto *model = new ResultModel(view);
    bool loaded = model->load(statement);
    if (!loaded && reconnectAfter(model->lastError()))
        loaded = model->load(statement);
    QAbstractItemModel *previous = view->model();
    view->setModel(model);
    if (previous)
        previous->deleteLater();
    fitColumnsToContents(view);
    // Setting a style sheet polishes the view again, even the same one.
    const QString style = QString::fromLatin1(tableStyle);
    if (view->styleSheet() != style)
        view->setStyleSheet(style);
    // An empty table must never pass for "no policy".
    if (!loaded)
        warnDatabase(model->lastError(), sql::connectionLost(model->lastError()));
    return loaded;
}

void Koravel3::clearResult(QTableView *view) {
    QAbstractItemModel *previous = view->model();
    view->setModel(new ResultModel(view));
    if (previous)
        previous->deleteLater();
}

bool Koravel3::showInCombo(QComboBox *combo, const sql::Statement &statement) {
    if (actionAbandoned)
        return false;
    // The combo deletes a model it is parent of when another replaces it.
    auto *model = new ResultModel(combo);
    bool loaded = model->load(statement);
    if (!loaded && reconnectAfter(model->lastError()))
        loaded = model->load(statement);
    combo->setModel(model);
    if (!loaded && sql::connectionLost(model->lastError()))
        warnDatabase(model->lastError(), true);
    return loaded;
}
