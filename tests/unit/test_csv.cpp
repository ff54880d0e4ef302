// The bytes of an exported report: every field quoted, ";" between, a line
// feed after every line, a lazy model fetched to its end.
#include "core/csv.h"

#include <QAbstractTableModel>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

class LazyModel : public QAbstractTableModel {
public:
    int rowCount(const QModelIndex &parent = QModelIndex()) const override {
        return parent.isValid() ? 0 : loaded;
    }
    int columnCount(const QModelIndex &parent = QModelIndex()) const override {
        return parent.isValid() ? 0 : 1;
    }
    QVariant data(const QModelIndex &index, int role) const override {
        return role == Qt::DisplayRole ? QVariant(index.row()) : QVariant();
    }
    QVariant headerData(int, Qt::Orientation orientation, int role) const override {
        return orientation == Qt::Horizontal && role == Qt::DisplayRole ? QVariant("n")
                                                                        : QVariant();
    }
    bool canFetchMore(const QModelIndex &parent) const override {
        return !parent.isValid() && loaded < 10;
    }
    void fetchMore(const QModelIndex &parent) override {
        if (parent.isValid())
            return;
        const int more = qMin(3, 10 - loaded);
        beginInsertRows(QModelIndex(), loaded, loaded + more - 1);
        loaded += more;
        endInsertRows();
    }

private:
    int loaded = 0;
};

// A table of texts, header first.
class Grid : public QAbstractTableModel {
public:
    Grid(QStringList header, QList<QStringList> rows)
        : header(std::move(header))
        , rows(std::move(rows)) {}
    int rowCount(const QModelIndex &parent = QModelIndex()) const override {
        return parent.isValid() ? 0 : int(rows.size());
    }
    int columnCount(const QModelIndex &parent = QModelIndex()) const override {
        return parent.isValid() ? 0 : int(header.size());
    }
    QVariant data(const QModelIndex &index, int role) const override {
        return role == Qt::DisplayRole ? QVariant(rows.at(index.row()).value(index.column()))
                                       : QVariant();
    }
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override {
        return orientation == Qt::Horizontal && role == Qt::DisplayRole
                   ? QVariant(header.at(section))
                   : QVariant();
    }

private:
    QStringList header;
    QList<QStringList> rows;
};

} // namespace

class CsvTest : public QObject {
    Q_OBJECT

private slots:
    void csvField_data();
    void csvField();
    void csvDocument();
    void csvFetchesEveryRow();
};

void CsvTest::csvField_data() {
    QTest::addColumn<QString>("value");
    QTest::addColumn<QString>("expected");
    QTest::newRow("plain") << "DUPONT"
                           << "\"DUPONT\"";
    QTest::newRow("empty") << ""
                           << "\"\"";
    QTest::newRow("accents") << "Assuré Aïssa"
                             << "\"Assuré Aïssa\"";
    QTest::newRow("semicolon") << "a;b"
                               << "\"a;b\"";
    QTest::newRow("line feed") << "a\nb"
                               << "\"a\nb\"";
    QTest::newRow("double quotes") << "DUPONT \"FILS\""
                                   << "\"DUPONT \"\"FILS\"\"\"";
    QTest::newRow("lone quote") << "\""
                                << "\"\"\"\"";
    // A cell a spreadsheet would run as a formula is written as text.
    QTest::newRow("equals") << u"=1+2"_s << u"\"'=1+2\""_s;
    QTest::newRow("formula with quotes") << u"=T(\"x\")"_s << u"\"'=T(\"\"x\"\")\""_s;
    QTest::newRow("plus") << u"+33 6"_s << u"\"'+33 6\""_s;
    QTest::newRow("at") << u"@SUM(A1)"_s << u"\"'@SUM(A1)\""_s;
    QTest::newRow("tab") << u"\t=1"_s << u"\"'\t=1\""_s;
    QTest::newRow("carriage return") << u"\r=1"_s << u"\"'\r=1\""_s;
    QTest::newRow("minus before a letter") << u"-cmd"_s << u"\"'-cmd\""_s;
    QTest::newRow("minus alone") << u"-"_s << u"\"'-\""_s;
    QTest::newRow("minus, then a sum") << u"-1+1"_s << u"\"'-1+1\""_s;
    QTest::newRow("minus, then a command")
        << u"-2+3+cmd|' /C calc'!E2"_s << u"\"'-2+3+cmd|' /C calc'!E2\""_s;
    QTest::newRow("blank before equals") << u" =1+1"_s << u"\"' =1+1\""_s;
    QTest::newRow("negative number") << u"-15"_s << u"\"-15\""_s;
    QTest::newRow("negative decimal") << u"-1.5"_s << u"\"-1.5\""_s;
    QTest::newRow("number") << u"4469"_s << u"\"4469\""_s;
    QTest::newRow("date") << u"2026-01-05"_s << u"\"2026-01-05\""_s;
    QTest::newRow("equals inside") << u"a=b"_s << u"\"a=b\""_s;
}

void CsvTest::csvField() {
    QFETCH(QString, value);
    QFETCH(QString, expected);
    QCOMPARE(csv::field(value), expected);
}

void CsvTest::csvDocument() {
    Grid model({"N° Attestation", "Assuré", "P. Total"},
               {{"T-1", "Aïssa \"FILS\"", "63415"}, {"", "a;b", ""}});
    QCOMPARE(csv::text(&model), QStringLiteral("\"N° Attestation\";\"Assuré\";\"P. Total\"\n"
                                               "\"T-1\";\"Aïssa \"\"FILS\"\"\";\"63415\"\n"
                                               "\"\";\"a;b\";\"\"\n"));

    Grid headerOnly({"nom", "Effet"}, {});
    QCOMPARE(csv::text(&headerOnly), QStringLiteral("\"nom\";\"Effet\"\n"));
    Grid formulaHeader({"=cmd|'/C calc'!A0", "-15"}, {});
    QCOMPARE(csv::text(&formulaHeader), QStringLiteral("\"'=cmd|'/C calc'!A0\";\"-15\"\n"));

    // Nothing to show yet: one empty line.
    QCOMPARE(csv::text(nullptr), QStringLiteral("\n"));
    Grid empty({}, {});
    QCOMPARE(csv::text(&empty), QStringLiteral("\n"));
}

void CsvTest::csvFetchesEveryRow() {
    LazyModel model;
    QString expected = QStringLiteral("\"n\"\n");
    for (int row = 0; row < 10; ++row)
        expected += QStringLiteral("\"%1\"\n").arg(row);
    QCOMPARE(csv::text(&model), expected);
}

QTEST_GUILESS_MAIN(CsvTest)
#include "test_csv.moc"
