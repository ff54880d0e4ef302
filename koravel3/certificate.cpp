#include "certificate.h"

#include "core/qrmatrix.h"

#include <QFont>
#include <QPageLayout>
#include <QPageSize>
#include <QPainter>
#include <QPen>
#include <QPrinter>
#include <QRect>

#include <functional>

namespace certificate {

namespace {

constexpr QRgb dark = 0xFF000000;
constexpr QRgb light = 0xFFFFFFFF;

void setTalonStyle(QPainter &painter) {
    painter.setPen(QPen(Qt::black));
    painter.setFont(QFont(QStringLiteral("Arial Black"), 10));
}

void drawLine(QPainter &painter, int x, int y, const QString &text) {
    painter.drawText(QRect(x, y, textWidth, textHeight), Qt::TextSingleLine, text);
}

bool printPage(const std::function<void(QPainter &)> &paint) {
    QPrinter printer(QPrinter::ScreenResolution);
    printer.setPageOrientation(QPageLayout::Landscape);
    printer.setPageSize(QPageSize(QPageSize::A4));
    // Without any printer Qt falls back to writing a PDF file that has no
    // name; there is nothing to print on then, and the agent is not bothered.
    if (printer.outputFormat() != QPrinter::NativeFormat)
        return false;
    QPainter painter;
    if (!painter.begin(&printer))
        return false;
    paint(painter);
    return painter.end();
}

} // namespace

QImage moduleImage(const QString &text) {
    const std::optional<qrmatrix::Matrix> matrix = qrmatrix::encode(text);
    if (!matrix)
        return QImage();
    QImage image(matrix->size, matrix->size, QImage::Format_RGB32);
    for (int y = 0; y < matrix->size; ++y)
        for (int x = 0; x < matrix->size; ++x)
            image.setPixel(x, y, matrix->isDark(x, y) ? dark : light);
    return image;
}

QPixmap labelPixmap(const QImage &modules) {
    const QImage scaled =
        modules.scaled(qrSide, qrSide, Qt::KeepAspectRatio, Qt::FastTransformation);
    return QPixmap::fromImage(scaled, Qt::MonoOnly);
}

void paintFront(QPainter &painter, const FrontTexts &t) {
    setTalonStyle(painter);
    // Left stub at x 70, middle block at 400, right stub at 620; the stubs
    // carry the vehicle lines 100 units lower than the middle block.
    drawLine(painter, 70, 260, t.name);
    drawLine(painter, 620, 260, t.name);
    drawLine(painter, 70, 285, t.address);
    drawLine(painter, 620, 285, t.address);

    drawLine(painter, 400, 320, t.genre);
    drawLine(painter, 620, 420, t.genre);
    drawLine(painter, 70, 420, t.genre);

    drawLine(painter, 400, 335, t.make);
    drawLine(painter, 70, 435, t.make);
    drawLine(painter, 620, 435, t.make);

    drawLine(painter, 400, 350, t.model);
    drawLine(painter, 620, 450, t.model);
    drawLine(painter, 70, 450, t.model);

    drawLine(painter, 400, 365, t.registration);
    drawLine(painter, 620, 465, t.registration);
    drawLine(painter, 70, 465, t.registration);

    drawLine(painter, 400, 380, t.policyNumber);
    drawLine(painter, 70, 480, t.policyNumber);
    drawLine(painter, 620, 480, t.policyNumber);

    drawLine(painter, 400, 395, t.start);
    drawLine(painter, 620, 495, t.start);
    drawLine(painter, 70, 495, t.start);

    drawLine(painter, 400, 410, t.end);
    drawLine(painter, 620, 510, t.end);
    drawLine(painter, 70, 510, t.end);
}

void paintBack(QPainter &painter, const QPixmap &qr) {
    setTalonStyle(painter);
    if (qr.isNull())
        return;
    painter.drawPixmap(QRect(70, 260, qrSide, qrSide), qr, QRect());
    painter.drawPixmap(QRect(620, 260, qrSide, qrSide), qr, QRect());
}

bool printFront(const FrontTexts &texts) {
    return printPage([&texts](QPainter &painter) { paintFront(painter, texts); });
}

bool printBack(const QPixmap &qr) {
    return printPage([&qr](QPainter &painter) { paintBack(painter, qr); });
}

} // namespace certificate
