#include "core/qrmatrix.h"

#include <qrcodegen.hpp>

namespace qrmatrix {

std::optional<Matrix> encode(const QString &text) {
    const QByteArray utf8 = text.toUtf8();
    try {
        const qrcodegen::QrCode code =
            qrcodegen::QrCode::encodeText(utf8.constData(), qrcodegen::QrCode::Ecc::MEDIUM);
        Matrix matrix;
        matrix.size = code.getSize();
        matrix.dark.reserve(matrix.size * matrix.size);
        for (int y = 0; y < matrix.size; ++y)
            for (int x = 0; x < matrix.size; ++x)
                matrix.dark.append(code.getModule(x, y));
        return matrix;
    } catch (const qrcodegen::data_too_long &) {
        return std::nullopt;
    }
}

} // namespace qrmatrix
