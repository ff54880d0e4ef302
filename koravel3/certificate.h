#pragma once

#include <QImage>
#include <QPixmap>
#include <QString>

class QPainter;

// The certificate of a policy: its QR code, and the two sides of the talon
// sheet (the policy data on the front, the QR code on the back).
namespace certificate {

// The QR code of the text (UTF-8, medium error correction) as an n x n image,
// one pixel per module, black for dark and white for light, no margin. A null
// image when the text does not fit in a QR code.
QImage moduleImage(const QString &text);

// The module image as the window shows it: 150 x 150 with hard module edges.
QPixmap labelPixmap(const QImage &modules);

// The texts printed on the front, read from the form at printing time.
struct FrontTexts {
    QString name;         // LEN
    QString address;      // LEA
    QString genre;        // CBG
    QString make;         // LEM
    QString model;        // LETP
    QString registration; // LEIM
    QString policyNumber; // LEPO
    QString start;        // LEDU
    QString end;          // LEAU
};

// Where the front and back are drawn, in device units of a screen-resolution
// printer: each text at the top left of a 390 x 50 box on one line, the QR
// code into two 150 x 150 squares over the name lines of the stubs.
inline constexpr int textWidth = 390;
inline constexpr int textHeight = 50;
inline constexpr int qrSide = 150;

// Sets the talon pen and font on the painter and draws the 25 texts of the
// front, in printing order.
void paintFront(QPainter &painter, const FrontTexts &texts);

// Sets the talon pen and font and draws the QR pixmap on the back of both
// stubs; a null pixmap draws nothing.
void paintBack(QPainter &painter, const QPixmap &qr);

// Prints one page on the system's default printer (screen resolution, A4
// landscape, no dialog). Returns false, having printed nothing, when there is
// no printer to print on.
bool printFront(const FrontTexts &texts);
bool printBack(const QPixmap &qr);

} // namespace certificate
