#include "support/dbfixture.h"
#include "support/environment.h"

#include "core/config.h"

#include <QDebug>
#include <QFile>
#include <QHash>
#include <QProcess>
#include <QProcessEnvironment>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QTest>

namespace testsupport::db {

namespace {

const char *const connectionName = "fixture";
QString adminUser = QStringLiteral("kvtest");
QString adminPassword = QStringLiteral("kvtest");
QString serverHost = QString::fromUtf8(config::databaseHost);

// A connection of the given name to the test server, opened on first use.
QSqlDatabase connection(const char *name, const QString &user, const QString &password) {
    if (QSqlDatabase::contains(QLatin1String(name))) {
        QSqlDatabase existing = QSqlDatabase::database(QLatin1String(name), false);
        if (!existing.isOpen())
            existing.open();
        return existing;
    }
    QSqlDatabase opened = QSqlDatabase::addDatabase(QStringLiteral("QMYSQL"), QLatin1String(name));
    opened.setHostName(serverHost);
    opened.setPort(3306);
    opened.setDatabaseName(QStringLiteral("assurebdd"));
    opened.setUserName(user);
    opened.setPassword(password);
    opened.setConnectOptions(QStringLiteral("MYSQL_OPT_CONNECT_TIMEOUT=5"));
    if (!opened.open())
        qWarning() << "the test database server is not reachable as" << user << ":"
                   << opened.lastError().text();
    return opened;
}

bool runScript(const QString &path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        qWarning() << "cannot read" << path;
        return false;
    }
    // The scripts hold one statement per ';'-terminated block and no ';'
    // inside values.
    const QString text = QString::fromUtf8(file.readAll());
    for (const QString &piece : text.split(QLatin1Char(';'))) {
        QStringList lines;
        for (const QString &line : piece.split(QLatin1Char('\n')))
            if (!line.trimmed().startsWith(QLatin1String("--")))
                lines << line;
        const QString statement = lines.join(QLatin1Char('\n')).trimmed();
        if (!statement.isEmpty() && !exec(statement))
            return false;
    }
    return true;
}

// The expression that digests one row of the table, built once from the
// table's columns.
QString rowDigest(const QString &table) {
    static QHash<QString, QString> digests;
    if (!digests.contains(table)) {
        QStringList columns;
        for (const QString &column :
             rows(QStringLiteral("SELECT COLUMN_NAME FROM information_schema.COLUMNS WHERE "
                                 "TABLE_SCHEMA=DATABASE() AND TABLE_NAME='%1' ORDER BY "
                                 "ORDINAL_POSITION")
                      .arg(table)))
            columns << QStringLiteral("IFNULL(HEX(`%1`),'-')").arg(column);
        digests.insert(
            table, QStringLiteral("MD5(CONCAT_WS('|',%1))").arg(columns.join(QLatin1Char(','))));
    }
    return digests.value(table);
}

} // namespace

QSqlDatabase admin() {
    return connection(connectionName, adminUser, adminPassword);
}

void useAdminAccount(const QString &user, const QString &password) {
    adminUser = user;
    adminPassword = password;
}

void useServer(const QString &host) {
    serverHost = host;
}

QSqlDatabase counter() {
    return connection("counter", QStringLiteral("agnt"), QStringLiteral("tulvo"));
}

bool exec(const QString &statement) {
    QSqlQuery query(admin());
    if (!query.exec(statement)) {
        qWarning().noquote() << "fixture statement failed:" << query.lastError().text() << "\n"
                             << statement;
        return false;
    }
    return true;
}

QVariant scalar(const QString &statement) {
    QSqlQuery query(admin());
    if (!query.exec(statement) || !query.next()) {
        qWarning().noquote() << "fixture query gave nothing:" << query.lastError().text() << "\n"
                             << statement;
        return QVariant();
    }
    return query.value(0);
}

QStringList rows(const QString &statement) {
    QStringList out;
    QSqlQuery query(admin());
    if (!query.exec(statement)) {
        qWarning().noquote() << "fixture query failed:" << query.lastError().text() << "\n"
                             << statement;
        return out;
    }
    while (query.next()) {
        QStringList cells;
        for (int i = 0; i < query.record().count(); ++i)
            cells << (query.isNull(i) ? QStringLiteral("NULL") : query.value(i).toString());
        out << cells.join(QLatin1Char('|'));
    }
    return out;
}

bool reset() {
    if (!admin().isOpen())
        return false;
    for (const char *table :
         {"principal", "principal1", "clients", "personnes", "parametres", "categorie1",
          "categorie2", "categorie3", "categorie4", "categorie5", "categorie6", "categorie7"})
        if (!exec(QStringLiteral("TRUNCATE TABLE %1").arg(QLatin1String(table))))
            return false;
    return runScript(sourceDir() + QStringLiteral("/schema/tariffs.sql"));
}

QString literal(const QString &text) {
    QString out = text;
    out.replace(QLatin1Char('\\'), QLatin1String("\\\\"));
    out.replace(QLatin1Char('\''), QLatin1String("''"));
    return QLatin1Char('\'') + out + QLatin1Char('\'');
}

int addAgent(const QString &user, const QString &password, const QString &name,
             const QString &telephone, const QString &address) {
    const QString statement =
        QStringLiteral("INSERT INTO personnes (`user`, `password`, nom, telephone, adresse) "
                       "VALUES (%1, %2, %3, %4, %5)")
            .arg(literal(user), literal(password), literal(name), literal(telephone),
                 literal(address));
    if (!exec(statement))
        return 0;
    const int id = scalar(QStringLiteral("SELECT LAST_INSERT_ID()")).toInt();
    // A name the server cannot take as an account (too long) stays an agent
    // who cannot log in, as at a real agency.
    if (agentAccounts() && !password.isEmpty() && user.size() <= 80)
        exec(
            QStringLiteral("CALL koravel_add_agent(%1, %2)").arg(literal(user), literal(password)));
    return id;
}

QString storedPassword(const QString &typed) {
    return agentAccounts() ? QString() : typed;
}

int addPolicy(const QVariantMap &columns, bool history) {
    QVariantMap values{
        {QStringLiteral("idpersonne"), QStringLiteral("'1'")},
        {QStringLiteral("users"), QStringLiteral("'agent'")},
        {QStringLiteral("password"), literal(storedPassword(QStringLiteral("secret")))},
        {QStringLiteral("nom"), QStringLiteral("'CLIENT'")},
        {QStringLiteral("adresse"), QStringLiteral("'Dakar'")},
        {QStringLiteral("persacontacter"), QStringLiteral("''")},
        {QStringLiteral("telephone"), QStringLiteral("'770000000'")},
        {QStringLiteral("coutpolice"), QStringLiteral("3000")},
        {QStringLiteral("prime"), QStringLiteral("53628")},
        {QStringLiteral("taxe"), QStringLiteral("5487")},
        {QStringLiteral("fga"), QStringLiteral("1300")},
        {QStringLiteral("pca"), QStringLiteral("395")},
        {QStringLiteral("primetotal"), QStringLiteral("63415")},
        {QStringLiteral("genre"), QStringLiteral("'V.P'")},
        {QStringLiteral("marque"), QStringLiteral("'TOYOTA'")},
        {QStringLiteral("type"), QStringLiteral("'COROLLA'")},
        {QStringLiteral("immat"), QStringLiteral("'DK-0000-AA'")},
        {QStringLiteral("police"), QStringLiteral("'P-1'")},
        {QStringLiteral("attestation"), QStringLiteral("'T-1'")},
        {QStringLiteral("valable"), QStringLiteral("CURDATE()")},
        {QStringLiteral("valabl"), QStringLiteral("CURDATE() + INTERVAL 1 YEAR")},
        {QStringLiteral("valableau"), QStringLiteral("'08:00'")},
        {QStringLiteral("valablea"), QStringLiteral("'23:59'")},
        {QStringLiteral("nbrdemois"), QStringLiteral("'12'")},
        {QStringLiteral("energie"), QStringLiteral("'essence'")},
        {QStringLiteral("forcefiscal"), QStringLiteral("'9'")},
        {QStringLiteral("categorie"),
         literal(QStringLiteral("CATEGORIE 1 : Véhicules à carrosserie de tourisme"))},
        {QStringLiteral("tranchef"), QStringLiteral("'7a10'")},
        {QStringLiteral("nbrdeplace"), QStringLiteral("'5'")},
        {QStringLiteral("sommencais"), QStringLiteral("63415")},
        {QStringLiteral("sommefact"), QStringLiteral("63415")},
        {QStringLiteral("currentd"), QStringLiteral("CURDATE()")},
        {QStringLiteral("cmois"), QStringLiteral("MONTH(CURDATE())")},
        {QStringLiteral("cannee"), QStringLiteral("YEAR(CURDATE())")},
        {QStringLiteral("padres"), QStringLiteral("''")},
        {QStringLiteral("trie"), QStringLiteral("1")},
    };
    for (auto it = columns.constBegin(); it != columns.constEnd(); ++it) {
        if (!values.contains(it.key()))
            qWarning() << "unknown policy column" << it.key();
        values.insert(it.key(), it.value());
    }
    QStringList names;
    QStringList expressions;
    for (auto it = values.constBegin(); it != values.constEnd(); ++it) {
        names << QLatin1Char('`') + it.key() + QLatin1Char('`');
        expressions << it.value().toString();
    }
    const QString statement =
        QStringLiteral("INSERT INTO %1 (%2) VALUES (%3)")
            .arg(history ? QStringLiteral("principal1") : QStringLiteral("principal"),
                 names.join(QLatin1Char(',')), expressions.join(QLatin1Char(',')));
    if (!exec(statement))
        return 0;
    return scalar(QStringLiteral("SELECT LAST_INSERT_ID()")).toInt();
}

namespace {

// Runs the rig script with the verb for the server on that address; false
// when it failed.
bool rigScript(const QString &verb, const QString &host, bool tls = true,
               QString *output = nullptr) {
    QProcess process;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("KORAVEL_DB_HOST"), host);
    if (!tls)
        environment.insert(QStringLiteral("KORAVEL_DB_TLS"), QStringLiteral("off"));
    process.setProcessEnvironment(environment);
    process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    process.start(QStringLiteral("bash"),
                  {sourceDir() + QStringLiteral("/scripts/db.sh"), verb, QStringLiteral("--test")});
    if (!process.waitForFinished(120000) || process.exitStatus() != QProcess::NormalExit ||
        process.exitCode() != 0)
        return false;
    if (output)
        *output = QString::fromLocal8Bit(process.readAllStandardOutput()).trimmed();
    return true;
}

} // namespace

bool server(const QString &verb) {
    if (QSqlDatabase::contains(QLatin1String(connectionName)))
        QSqlDatabase::database(QLatin1String(connectionName), false).close();
    return rigScript(verb, QString::fromUtf8(config::databaseHost));
}

QString tlsFolder() {
#ifdef Q_OS_WIN
    // A Windows build runs no Linux script: the folder that the proof's
    // script had the rig make, at its usual place.
    return sourceDir() + QStringLiteral("/.rig/test/mariadb-") +
           QString::fromUtf8(config::databaseHost) + QStringLiteral("/tls");
#endif
    QString folder;
    rigScript(QStringLiteral("tls"), QString::fromUtf8(config::databaseHost), true, &folder);
    return folder;
}

QString plainServerHost() {
    // Apart from the rig's address, and from the other stage's.
    return QString::fromUtf8(config::databaseHost)
        .replace(QStringLiteral("127.0.0."), QStringLiteral("127.0.9."));
}

bool plainServer(const QString &verb) {
    return rigScript(verb, plainServerHost(), false);
}

QStringList statementsSentDuring(const std::function<void()> &action) {
    exec(QStringLiteral("SET GLOBAL general_log = 0"));
    exec(QStringLiteral("SET GLOBAL log_output = 'TABLE'"));
    exec(QStringLiteral("TRUNCATE TABLE mysql.general_log"));
    exec(QStringLiteral("SET GLOBAL general_log = 1"));
    action();
    exec(QStringLiteral("SET GLOBAL general_log = 0"));
    QStringList statements;
    QSqlQuery query(admin());
    // Every session but this one; the log also shows what the server's
    // triggers run, in the name of their definer (root, who loads the
    // schema), which the program did not send.
    query.exec(QStringLiteral("SELECT CONVERT(argument USING utf8mb4) FROM mysql.general_log "
                              "WHERE thread_id <> CONNECTION_ID() AND user_host NOT LIKE 'root[%' "
                              "AND command_type IN "
                              "('Query', 'Execute') ORDER BY event_time"));
    while (query.next())
        statements << query.value(0).toString();
    return statements;
}

QStringList writes(const QStringList &statements) {
    QStringList out;
    for (const QString &statement : statements)
        if (statement.startsWith(QLatin1String("insert"), Qt::CaseInsensitive) ||
            statement.startsWith(QLatin1String("update"), Qt::CaseInsensitive) ||
            statement.startsWith(QLatin1String("delete"), Qt::CaseInsensitive))
            out << statement;
    return out;
}

QStringList rowDigests(const QStringList &tables) {
    QStringList out;
    for (const QString &table : tables)
        out << rows(QStringLiteral("SELECT '%1', %2 FROM %1").arg(table, rowDigest(table)));
    out.sort();
    return out;
}

QStringList policyTables() {
    return rowDigests(
        {QStringLiteral("principal"), QStringLiteral("principal1"), QStringLiteral("clients")});
}

int orphans() {
    return scalar(QStringLiteral(
                      "SELECT (SELECT COUNT(*) FROM principal1 h WHERE NOT EXISTS (SELECT 1 FROM "
                      "principal p WHERE p.idpersonne=h.idpersonne AND p.immat=h.immat AND "
                      "p.police=h.police)) + (SELECT COUNT(*) FROM clients c WHERE NOT EXISTS "
                      "(SELECT 1 FROM principal p WHERE p.idpersonne=c.idvendeur AND "
                      "p.immat=c.immat AND p.police=c.police))"))
        .toInt();
}

} // namespace testsupport::db
