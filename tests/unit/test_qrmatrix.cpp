// The certificate key as QR modules, checked against the standard's fixed
// patterns rather than against the library the code calls.
#include "core/qrmatrix.h"

#include <QTest>

class QrMatrixTest : public QObject {
    Q_OBJECT

private slots:
    void size_data();
    void size();
    void finderPatterns();
    void tooLongText();
};

void QrMatrixTest::size_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("size");
    QTest::newRow("a policy id") << "57" << 21;
    QTest::newRow("the fixed text") << "nnn" << 21;
    QTest::newRow("a long id") << "2147483647" << 21;
    QTest::newRow("version 2") << QString(40, u'7') << 25;
}

void QrMatrixTest::size() {
    QFETCH(QString, text);
    QFETCH(int, size);
    const std::optional<qrmatrix::Matrix> matrix = qrmatrix::encode(text);
    QVERIFY(matrix);
    QCOMPARE(matrix->size, size);
    QCOMPARE(matrix->dark.size(), qsizetype(size * size));
}

void QrMatrixTest::finderPatterns() {
    // The three 7 × 7 finder squares: a dark ring, a light ring, a dark
    // 3 × 3 centre; a light separator row beside each.
    const qrmatrix::Matrix m = *qrmatrix::encode(QStringLiteral("57"));
    const int n = m.size;
    for (const QPoint corner : {QPoint(0, 0), QPoint(n - 7, 0), QPoint(0, n - 7)})
        for (int y = 0; y < 7; ++y)
            for (int x = 0; x < 7; ++x) {
                const int ring = qMin(qMin(x, y), qMin(6 - x, 6 - y));
                QCOMPARE(m.isDark(corner.x() + x, corner.y() + y), ring != 1);
            }
    for (int i = 0; i < 8; ++i)
        QVERIFY(!m.isDark(i, 7));
    // The timing pattern alternates between the finders.
    for (int i = 8; i < n - 8; ++i)
        QCOMPARE(m.isDark(i, 6), i % 2 == 0);
}

void QrMatrixTest::tooLongText() {
    QVERIFY(!qrmatrix::encode(QString(8000, u'x')));
}

QTEST_GUILESS_MAIN(QrMatrixTest)
#include "test_qrmatrix.moc"
