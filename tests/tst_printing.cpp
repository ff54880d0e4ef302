// The talon sheet: the QR code of a certificate, the front and back pages as
// painted on any device, and the same pages as they come out of a real CUPS
// queue (the rig's default printer) as PDF documents.
#include "certificate.h"
#include "koravel3.h"
#include "support/connectwarnings.h"
#include "support/modal.h"
#include "support/printqueue.h"
#include "support/qrsymbol.h"
#include "support/talonlayout.h"
#include "support/window.h"
#include "support/windowtest.h"

#include <QApplication>
#include <QFile>
#include <QFontMetricsF>
#include <QLabel>
#include <QPaintEngine>
#include <QPainter>
#include <QPrinter>
#include <QPrinterInfo>
#include <QPushButton>
#include <QTest>

#include <memory>

using testsupport::printqueue::Word;

namespace {

// What a painter asked the device to draw, with the painter's state then.
struct Drawn {
    QString text;
    QPointF baseline;
    QFont font;
    QColor pen;
    Qt::PenStyle penStyle = Qt::NoPen;
    QRectF clip; // empty when not clipped
    QRectF target;
    QRectF source;
    qint64 pixmapKey = 0;
};

class RecordingEngine : public QPaintEngine {
public:
    RecordingEngine()
        : QPaintEngine(QPaintEngine::AllFeatures) {}
    bool begin(QPaintDevice *) override { return true; }
    bool end() override { return true; }
    void updateState(const QPaintEngineState &) override {}
    Type type() const override { return QPaintEngine::User; }
    void drawTextItem(const QPointF &p, const QTextItem &item) override {
        Drawn d = current();
        d.text = item.text();
        d.baseline = p;
        d.font = item.font();
        drawn.append(d);
    }
    void drawPixmap(const QRectF &r, const QPixmap &pm, const QRectF &sr) override {
        Drawn d = current();
        d.target = r;
        d.source = sr;
        d.pixmapKey = pm.cacheKey();
        drawn.append(d);
    }
    void drawPolygon(const QPointF *, int, PolygonDrawMode) override {}

    QList<Drawn> drawn;

private:
    Drawn current() const {
        Drawn d;
        d.pen = painter()->pen().color();
        d.penStyle = painter()->pen().style();
        if (painter()->hasClipping())
            d.clip = painter()->clipBoundingRect();
        return d;
    }
};

// A page of a screen-resolution A4 landscape printer that keeps what is drawn.
class RecordingDevice : public QPaintDevice {
public:
    QPaintEngine *paintEngine() const override { return &engine; }
    mutable RecordingEngine engine;

protected:
    int metric(PaintDeviceMetric m) const override {
        switch (m) {
        case PdmWidth:
            return 1123;
        case PdmHeight:
            return 794;
        case PdmWidthMM:
            return 297;
        case PdmHeightMM:
            return 210;
        case PdmDpiX:
        case PdmDpiY:
        case PdmPhysicalDpiX:
        case PdmPhysicalDpiY:
            return 96;
        case PdmDepth:
            return 32;
        case PdmNumColors:
            return INT_MAX;
        case PdmDevicePixelRatio:
            return 1;
        case PdmDevicePixelRatioScaled:
            return int(QPaintDevice::devicePixelRatioFScale());
        }
        return 0;
    }
};

certificate::FrontTexts sampleTexts() {
    certificate::FrontTexts t;
    t.name = QStringLiteral("NOMASSURE");
    t.address = QStringLiteral("ADRESSEDAKAR");
    t.genre = QStringLiteral("CAMIONNETTE");
    t.make = QStringLiteral("TOYOTA");
    t.model = QStringLiteral("HILUX");
    t.registration = QStringLiteral("DK-1234-AB");
    t.policyNumber = QStringLiteral("POL-778");
    t.start = QStringLiteral("01/02/2025");
    t.end = QStringLiteral("31/01/2026");
    return t;
}

// Top-left corner of the printable area of the talon printer, in device units.
QPointF printableOrigin() {
    QPrinter printer(QPrinter::ScreenResolution);
    printer.setPageOrientation(QPageLayout::Landscape);
    printer.setPageSize(QPageSize(QPageSize::A4));
    return printer.pageRect(QPrinter::DevicePixel).topLeft();
}

bool hasDarkPixel(const QImage &image, const QRect &area) {
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x)
            if (qGray(image.pixel(x, y)) < 128)
                return true;
    return false;
}

} // namespace

class PrintingTest : public testsupport::WindowTest {
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanup();

    void moduleImage_data();
    void moduleImage();
    void tooLongTextGivesNoImage();
    void labelPixmapHasHardEdges();
    void frontDrawsTheTwentyFiveLines();
    void longNameIsCutNotWrapped();
    void backDrawsTheCodeTwice();
    void backWithoutCodeDrawsNothing();
    void fixedCodeButton();
    void frontThroughTheQueue();
    void backThroughTheQueue();
    void withoutPrinterNothingComesOut();
};

void PrintingTest::initTestCase() {
    testsupport::failOnConnectWarnings();
    testsupport::printqueue::useRigServer();
    QVERIFY2(testsupport::printqueue::serverRunning(),
             "the rig's print server must be running (scripts/cups.sh start --test)");
    QCOMPARE(QPrinterInfo::defaultPrinterName(), QStringLiteral("talons"));
}

void PrintingTest::cleanup() {
    window.reset();
}

void PrintingTest::moduleImage_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("size");
    QTest::newRow("key 57") << "57" << 21;
    QTest::newRow("fixed text") << "nnn" << 21;
    QTest::newRow("large key") << "2147483647" << 21;
    QTest::newRow("accented text") << "Ndèye Fatou Diop, police 2025/778" << 29;
}

void PrintingTest::moduleImage() {
    QFETCH(QString, text);
    QFETCH(int, size);
    const QImage image = certificate::moduleImage(text);
    QCOMPARE(image.size(), QSize(size, size));
    QCOMPARE(image.format(), QImage::Format_RGB32);
    const qrcodegen::QrCode symbol = testsupport::qrSymbolOf(text);
    QCOMPARE(symbol.getSize(), size);
    for (int y = 0; y < size; ++y)
        for (int x = 0; x < size; ++x) {
            const QRgb expected = symbol.getModule(x, y) ? 0xFF000000 : 0xFFFFFFFF;
            if (image.pixel(x, y) != expected)
                QFAIL(qPrintable(QStringLiteral("module %1,%2").arg(x).arg(y)));
        }
    // The finder pattern touches the corner: no quiet zone.
    QCOMPARE(image.pixel(0, 0), 0xFF000000u);
    QCOMPARE(image.pixel(size - 1, 0), 0xFF000000u);
    QCOMPARE(image.pixel(0, size - 1), 0xFF000000u);
}

void PrintingTest::tooLongTextGivesNoImage() {
    QVERIFY(certificate::moduleImage(QString(8000, QLatin1Char('7'))).isNull());
}

void PrintingTest::labelPixmapHasHardEdges() {
    const QImage modules = certificate::moduleImage(QStringLiteral("57"));
    const QPixmap pixmap = certificate::labelPixmap(modules);
    QCOMPARE(pixmap.size(), QSize(150, 150));
    const QImage shown = pixmap.toImage().convertToFormat(QImage::Format_RGB32);
    // Only black and white, no smoothing, and each module's square shows it.
    for (int y = 0; y < 150; ++y)
        for (int x = 0; x < 150; ++x) {
            const QRgb pixel = shown.pixel(x, y);
            if (pixel != 0xFF000000 && pixel != 0xFFFFFFFF)
                QFAIL(qPrintable(QStringLiteral("grey pixel %1,%2").arg(x).arg(y)));
        }
    const qreal side = 150.0 / 21.0;
    for (int y = 0; y < 21; ++y)
        for (int x = 0; x < 21; ++x) {
            const QPoint centre(int((x + 0.5) * side), int((y + 0.5) * side));
            if (shown.pixel(centre) != modules.pixel(x, y))
                QFAIL(qPrintable(QStringLiteral("module %1,%2").arg(x).arg(y)));
        }
}

void PrintingTest::frontDrawsTheTwentyFiveLines() {
    const certificate::FrontTexts texts = sampleTexts();
    RecordingDevice device;
    {
        QPainter painter(&device);
        certificate::paintFront(painter, texts);
    }
    const QList<QPair<QString, QPoint>> expected = testsupport::frontPlaces(texts);
    const QList<Drawn> &drawn = device.engine.drawn;
    QCOMPARE(drawn.size(), expected.size());
    for (int i = 0; i < expected.size(); ++i) {
        const Drawn &d = drawn.at(i);
        const QString where = QStringLiteral("line %1 (%2)").arg(i).arg(expected.at(i).first);
        QVERIFY2(d.text == expected.at(i).first, qPrintable(where));
        QVERIFY2(d.font.family() == QStringLiteral("Arial Black"), qPrintable(where));
        QVERIFY2(d.font.pointSize() == 10, qPrintable(where));
        QVERIFY2(!d.font.italic() && d.font.weight() == QFont::Normal, qPrintable(where));
        QVERIFY2(d.pen == QColor(Qt::black) && d.penStyle == Qt::SolidLine, qPrintable(where));
        // Top-left of its box: the baseline sits one ascent below the top.
        const QPoint corner = expected.at(i).second;
        const qreal ascent = QFontMetricsF(d.font, &device).ascent();
        QVERIFY2(qAbs(d.baseline.x() - corner.x()) < 0.5, qPrintable(where));
        QVERIFY2(qAbs(d.baseline.y() - ascent - corner.y()) < 1.0, qPrintable(where));
    }
}

void PrintingTest::longNameIsCutNotWrapped() {
    certificate::FrontTexts texts;
    texts.name = QStringLiteral("MAMADOU ABDOULAYE NDIAYE DIT PAPE, ") + QString(60, QChar(u'W'));
    RecordingDevice device;
    {
        QPainter painter(&device);
        certificate::paintFront(painter, texts);
    }
    QCOMPARE(device.engine.drawn.first().text, texts.name);
    QCOMPARE(device.engine.drawn.first().clip, QRectF(70, 260, 390, 50));

    QImage page(1123, 794, QImage::Format_RGB32);
    page.fill(Qt::white);
    {
        QPainter painter(&page);
        certificate::paintFront(painter, texts);
    }
    const int lineHeight =
        int(QFontMetrics(QFont(QStringLiteral("Arial Black"), 10), &page).height());
    QVERIFY(hasDarkPixel(page, QRect(70, 260, 390, lineHeight)));
    QVERIFY(hasDarkPixel(page, QRect(620, 260, 390, lineHeight)));
    // Nothing past the right edge of either box, and no second line.
    QVERIFY(!hasDarkPixel(page, QRect(460, 255, 160, 60)));
    QVERIFY(!hasDarkPixel(page, QRect(1010, 255, 113, 60)));
    QVERIFY(!hasDarkPixel(page, QRect(70, 262 + lineHeight, 390, 48 - lineHeight)));
}

void PrintingTest::backDrawsTheCodeTwice() {
    const QPixmap qr = certificate::labelPixmap(certificate::moduleImage(QStringLiteral("57")));
    RecordingDevice device;
    {
        QPainter painter(&device);
        certificate::paintBack(painter, qr);
        QCOMPARE(painter.font().family(), QStringLiteral("Arial Black"));
        QCOMPARE(painter.font().pointSize(), 10);
        QCOMPARE(painter.pen().color(), QColor(Qt::black));
    }
    const QList<Drawn> &drawn = device.engine.drawn;
    QCOMPARE(drawn.size(), 2);
    QCOMPARE(drawn.at(0).target, QRectF(70, 260, 150, 150));
    QCOMPARE(drawn.at(1).target, QRectF(620, 260, 150, 150));
    for (const Drawn &d : drawn) {
        QCOMPARE(d.source, QRectF(0, 0, 150, 150));
        QCOMPARE(d.pixmapKey, qr.cacheKey());
        QVERIFY(d.text.isEmpty());
    }
}

void PrintingTest::backWithoutCodeDrawsNothing() {
    RecordingDevice device;
    {
        QPainter painter(&device);
        certificate::paintBack(painter, QPixmap());
    }
    QVERIFY(device.engine.drawn.isEmpty());
}

void PrintingTest::fixedCodeButton() {
    window = std::make_unique<Koravel3>();
    const QString path = testsupport::certificateFile(QStringLiteral("nnn"));
    QFile::remove(path);
    QFile::remove(QStringLiteral("nnn")); // left by an older build
    auto *label = child<QLabel>("label_qr");
    auto *button = child<QPushButton>("pushButton_18");
    QCOMPARE(label->text(), QStringLiteral("TextLabel"));
    QTest::mouseClick(button, Qt::LeftButton);

    QVERIFY(!QFile::exists(QStringLiteral("nnn")));
    const QImage file(path, "PNG");
    QCOMPARE(file.size(), QSize(21, 21));
    QCOMPARE(file.convertToFormat(QImage::Format_RGB32), certificate::moduleImage("nnn"));
    QCOMPARE(label->pixmap().size(), QSize(150, 150));
    QCOMPARE(label->pixmap().toImage().convertToFormat(QImage::Format_RGB32),
             certificate::labelPixmap(certificate::moduleImage("nnn"))
                 .toImage()
                 .convertToFormat(QImage::Format_RGB32));

    // The file is written again, not appended to or kept from before.
    QFile stale(path);
    QVERIFY(stale.open(QIODevice::WriteOnly | QIODevice::Truncate));
    stale.write("stale");
    stale.close();
    QTest::mouseClick(button, Qt::LeftButton);
    QCOMPARE(QImage(path, "PNG").convertToFormat(QImage::Format_RGB32),
             certificate::moduleImage("nnn"));
}

void PrintingTest::frontThroughTheQueue() {
    const certificate::FrontTexts texts = sampleTexts();
    bool printed = false;
    const QStringList jobs = testsupport::printqueue::documentsPrintedDuring(
        [&] { printed = certificate::printFront(texts); });
    QVERIFY(printed);
    QCOMPARE(jobs.size(), 1);
    QCOMPARE(testsupport::printqueue::pageSize(jobs.first()), QSizeF(842, 595));

    QList<Word> words = testsupport::printqueue::words(jobs.first());
    QCOMPARE(words.size(), 25);
    // Device units are 1/96 inch from the printable area's corner; PDF
    // points are 1/72 inch from the page's corner.
    const QPointF origin = printableOrigin();
    for (const auto &[text, corner] : testsupport::frontPlaces(texts)) {
        const QPointF expected = (QPointF(corner) + origin) * 72.0 / 96.0;
        bool found = false;
        for (int i = 0; i < words.size() && !found; ++i) {
            const Word &w = words.at(i);
            if (w.text == text && qAbs(w.box.left() - expected.x()) < 1.0 &&
                qAbs(w.box.top() - expected.y()) < 2.0) {
                words.removeAt(i);
                found = true;
            }
        }
        QVERIFY2(found,
                 qPrintable(
                     QStringLiteral("%1 at %2,%3").arg(text).arg(expected.x()).arg(expected.y())));
    }
    QVERIFY(words.isEmpty());
}

void PrintingTest::backThroughTheQueue() {
    window = std::make_unique<Koravel3>();
    QTest::mouseClick(child<QPushButton>("pushButton_18"), Qt::LeftButton);
    auto *back = child<QPushButton>("pushButton_17");
    const QStringList jobs = testsupport::printqueue::documentsPrintedDuring([&] {
        QTest::mouseClick(back, Qt::LeftButton);
        QTest::mouseClick(back, Qt::LeftButton);
    });
    QCOMPARE(jobs.size(), 2);
    QVERIFY(QApplication::activeModalWidget() == nullptr);

    const QImage modules = certificate::moduleImage(QStringLiteral("nnn"));
    const QImage first = testsupport::printqueue::render(jobs.at(0), 96);
    const QImage second = testsupport::printqueue::render(jobs.at(1), 96);
    QCOMPARE(first.size(), QSize(1123, 794));
    QCOMPARE(second, first);
    QVERIFY(testsupport::printqueue::words(jobs.at(0)).isEmpty());

    // At 96 dpi the page shows device units one to one, shifted by the margin.
    const QPoint origin = printableOrigin().toPoint();
    const qreal module = 150.0 / 21.0;
    for (const int left : {70, 620}) {
        for (int y = 0; y < 21; ++y)
            for (int x = 0; x < 21; ++x) {
                const QPoint centre(origin.x() + left + int((x + 0.5) * module),
                                    origin.y() + 260 + int((y + 0.5) * module));
                const bool dark = qGray(first.pixel(centre)) < 128;
                if (dark != (modules.pixel(x, y) == 0xFF000000))
                    QFAIL(qPrintable(
                        QStringLiteral("stub %1, module %2,%3").arg(left).arg(x).arg(y)));
            }
        // Nothing but the code: the margin around it stays white.
        QVERIFY(!hasDarkPixel(first, QRect(origin.x() + left - 20, origin.y() + 240, 15, 190)));
    }
    QVERIFY(!hasDarkPixel(first, QRect(origin.x() + 230, origin.y() + 200, 380, 400)));
}

void PrintingTest::withoutPrinterNothingComesOut() {
    window = std::make_unique<Koravel3>();
    QTest::mouseClick(child<QPushButton>("pushButton_18"), Qt::LeftButton);
    const QPixmap before = child<QLabel>("label_qr")->pixmap();
    QVERIFY(testsupport::printqueue::removeQueue());
    const bool noDefault = QPrinterInfo::defaultPrinterName().isEmpty();
    bool frontPrinted = true;
    testsupport::ModalWatcher watcher;
    const QStringList jobs = testsupport::printqueue::documentsPrintedDuring([&] {
        frontPrinted = certificate::printFront(sampleTexts());
        QTest::mouseClick(child<QPushButton>("pushButton_17"), Qt::LeftButton);
    });
    const bool restored = testsupport::printqueue::restoreQueue();
    QVERIFY(restored);
    QVERIFY(noDefault);
    QVERIFY(!frontPrinted);
    QVERIFY(jobs.isEmpty());
    QVERIFY(watcher.boxes().isEmpty());
    QCOMPARE(child<QLabel>("label_qr")->pixmap().cacheKey(), before.cacheKey());
    QCOMPARE(QPrinterInfo::defaultPrinterName(), QStringLiteral("talons"));
}

QTEST_MAIN(PrintingTest)
#include "tst_printing.moc"
