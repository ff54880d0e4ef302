// Putting values into statement texts: no value can end its literal, and a
// LIKE pattern matches the typed text only.
#include "core/statement.h"

#include <QTest>

class StatementTest : public QObject {
    Q_OBJECT

private slots:
    void escaping_data();
    void escaping();
    void likePattern_data();
    void likePattern();
    void statementKeepsFragmentsAndEscapesValues();
};

void StatementTest::escaping_data() {
    QTest::addColumn<QString>("value");
    QTest::addColumn<QString>("escaped");
    QTest::newRow("ordinary") << "DK-1234-AB"
                              << "DK-1234-AB";
    QTest::newRow("accents unchanged") << "Assuré à Thiès"
                                       << "Assuré à Thiès";
    QTest::newRow("quote doubled") << "N'DIAYE"
                                   << "N''DIAYE";
    QTest::newRow("injection") << "' OR '1'='1"
                               << "'' OR ''1''=''1";
    QTest::newRow("backslash") << "a\\b"
                               << "a\\\\b";
    QTest::newRow("backslash before quote") << "\\'"
                                            << "\\\\''";
    QTest::newRow("nul") << QString(QChar(0)) << "\\0";
    QTest::newRow("percent unchanged") << "50%_"
                                       << "50%_";
    QTest::newRow("emoji unchanged") << QString::fromUtf8("🚗") << QString::fromUtf8("🚗");
}

void StatementTest::escaping() {
    QFETCH(QString, value);
    QFETCH(QString, escaped);
    QCOMPARE(sql::escaped(value), escaped);
}

void StatementTest::likePattern_data() {
    QTest::addColumn<QString>("value");
    QTest::addColumn<QString>("escaped");
    QTest::newRow("ordinary") << "DK"
                              << "DK";
    QTest::newRow("percent") << "50%"
                             << "50\\\\%";
    QTest::newRow("underscore") << "A_B"
                                << "A\\\\_B";
    QTest::newRow("backslash") << "a\\b"
                               << "a\\\\\\\\b";
    QTest::newRow("quote") << "O'"
                           << "O''";
}

void StatementTest::likePattern() {
    QFETCH(QString, value);
    QFETCH(QString, escaped);
    QCOMPARE(sql::escapedForLike(value), escaped);
}

void StatementTest::statementKeepsFragmentsAndEscapesValues() {
    sql::Statement ordinary("select * FROM personnes where user='");
    ordinary << QStringLiteral("demo") << "' and password='" << QStringLiteral("demo123") << "' ";
    QCOMPARE(ordinary.text(),
             QStringLiteral("select * FROM personnes where user='demo' and password='demo123' "));

    sql::Statement hostile("select * FROM personnes where user='");
    hostile << QStringLiteral("' OR '1'='1") << "' and password='" << QString() << "' ";
    QCOMPARE(hostile.text(), QStringLiteral("select * FROM personnes where user=''' OR ''1''=''1' "
                                            "and password='' "));

    sql::Statement search("immat LIKE '%");
    search.like(QStringLiteral("5%")) << "%'";
    QCOMPARE(search.text(), QStringLiteral("immat LIKE '%5\\\\%%'"));
}

QTEST_GUILESS_MAIN(StatementTest)
#include "test_statement.moc"
