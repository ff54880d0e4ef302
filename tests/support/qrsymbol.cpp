#include "support/qrsymbol.h"

namespace testsupport {

qrcodegen::QrCode qrSymbolOf(const QString &text) {
    return qrcodegen::QrCode::encodeText(text.toUtf8().constData(), qrcodegen::QrCode::Ecc::MEDIUM);
}

} // namespace testsupport
