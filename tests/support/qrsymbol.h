#pragma once

#include <QString>

#include <qrcodegen.hpp>

namespace testsupport {

// The QR symbol of a text straight from the library, at the program's error
// correction level: the oracle for the pictures the program makes.
qrcodegen::QrCode qrSymbolOf(const QString &text);

} // namespace testsupport
