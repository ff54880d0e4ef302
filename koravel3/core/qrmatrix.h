#pragma once

#include <QList>
#include <QString>

#include <optional>

// The QR code of a certificate key as modules, before it becomes a picture:
// qrcodegen with the UTF-8 bytes of the text and medium error correction.
namespace qrmatrix {

struct Matrix {
    int size = 0;     // modules per side, 21 to 177
    QList<bool> dark; // row by row, size × size

    bool isDark(int x, int y) const { return dark.at(y * size + x); }
};

// Nothing when the text does not fit in a QR code.
std::optional<Matrix> encode(const QString &text);

} // namespace qrmatrix
