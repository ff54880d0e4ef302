// The SQL files against the columns a save writes (core/policycolumns.cpp):
// a new field of the form that one of them forgets fails here, not at a
// counter.
#include "core/policycolumns.h"
#include "core/statements.h"

#include <QFile>
#include <QRegularExpression>
#include <QTest>

namespace {

QString sqlFile(const char *name) {
    QFile file(QStringLiteral(KORAVEL_SOURCE_DIR "/schema/") + QLatin1String(name));
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
}

QStringList sorted(QStringList names) {
    for (QString &name : names)
        name = name.remove(QLatin1Char('`')).trimmed();
    names.sort();
    return names;
}

// The columns of "GRANT <right> (...) ON assurebdd.<table> TO <role>".
QStringList granted(const QString &text, const QString &right, const QString &table,
                    const QString &role) {
    const QRegularExpression grant(
        QStringLiteral("GRANT %1 \\(([^)]*)\\)\\s+ON assurebdd\\.%2 TO %3;")
            .arg(right, table, role));
    return sorted(grant.match(text).captured(1).split(QLatin1Char(','), Qt::SkipEmptyParts));
}

// The columns of "CREATE TABLE IF NOT EXISTS <table> (...)".
QStringList created(const QString &text, const QString &table) {
    const QRegularExpression block(
        QStringLiteral("CREATE TABLE IF NOT EXISTS %1 \\((.*?)\\n\\)").arg(table),
        QRegularExpression::DotMatchesEverythingOption);
    const QRegularExpression column(QStringLiteral("^\\s+`?(\\w+)`?\\s+[A-Z]"),
                                    QRegularExpression::MultilineOption);
    QStringList names;
    auto columns = column.globalMatch(block.match(text).captured(1));
    while (columns.hasNext())
        names << columns.next().captured(1);
    return names;
}

} // namespace

class PolicyColumnsTest : public QObject {
    Q_OBJECT

private slots:
    void grants_data();
    void grants();
    void tables_data();
    void tables();
    void renewal();
};

void PolicyColumnsTest::grants_data() {
    QTest::addColumn<QString>("file");
    QTest::addColumn<QString>("role");
    QTest::addColumn<QString>("right");
    QTest::addColumn<QString>("table");
    QTest::addColumn<int>("statement");
    for (const auto &[file, role] :
         {std::pair{"grants.sql", "koravel_counter"}, std::pair{"agents.sql", "koravel_agent"}}) {
        QTest::addRow("%s, first issue", role) << file << role << "INSERT"
                                               << "principal" << int(policy::Policy);
        QTest::addRow("%s, history", role) << file << role << "INSERT"
                                           << "principal1" << int(policy::History);
        QTest::addRow("%s, renewal", role) << file << role << "UPDATE"
                                           << "principal" << int(policy::Renewal);
    }
}

void PolicyColumnsTest::grants() {
    QFETCH(QString, file);
    QFETCH(QString, role);
    QFETCH(QString, right);
    QFETCH(QString, table);
    QFETCH(int, statement);
    QCOMPARE(granted(sqlFile(qPrintable(file)), right, table, role),
             sorted(policy::columnNames(policy::Written(statement))));
}

void PolicyColumnsTest::tables_data() {
    QTest::addColumn<QString>("table");
    QTest::addColumn<int>("statement");
    QTest::newRow("principal") << "principal" << int(policy::Policy | policy::Renewal);
    QTest::newRow("principal1") << "principal1" << int(policy::History);
}

// Each column is in the table that schema.sql makes, or, for a database
// made before it, in the columns upgrade.sql adds.
void PolicyColumnsTest::tables() {
    QFETCH(QString, table);
    QFETCH(int, statement);
    const QStringList made = created(sqlFile("schema.sql"), table);
    QVERIFY2(made.size() > 30, qPrintable(made.join(',')));
    // The columns every database has had since the first version.
    const QStringList first = made.mid(0, made.indexOf(QStringLiteral("enregistre_le")));
    const QString upgrade = sqlFile("upgrade.sql");
    for (const QString &name : policy::columnNames(policy::Written(statement))) {
        QVERIFY2(made.contains(name), qPrintable(name));
        QVERIFY2(first.contains(name) ||
                     upgrade.contains(QStringLiteral("ADD COLUMN ") + name + QLatin1Char(' ')),
                 qPrintable(name));
    }
}

// The renewal's update is written by hand (its order and spacing are its
// own): it must still set exactly the renewal's columns.
void PolicyColumnsTest::renewal() {
    policy::PolicyRecord record;
    for (const policy::Column &column : policy::columns())
        record.*column.member = QStringLiteral("v");
    const QString text = statements::policyRenewal(record, QStringLiteral("1")).text();
    QStringList set;
    auto assignments = QRegularExpression(QStringLiteral("[ ,](\\w+)="))
                           .globalMatch(text.left(text.indexOf(QLatin1String(" where "))));
    while (assignments.hasNext())
        set << assignments.next().captured(1);
    QCOMPARE(sorted(set), sorted(policy::columnNames(policy::Renewal)));
}

QTEST_APPLESS_MAIN(PolicyColumnsTest)
#include "test_policycolumns.moc"
