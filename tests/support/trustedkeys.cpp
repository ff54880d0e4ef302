#include "support/trustedkeys.h"

#include "core/config.h"
#include "signature.h"

#include <optional>

namespace {

std::optional<QString> &trusted() {
    static std::optional<QString> keys;
    return keys;
}

} // namespace

void testsupport::trustKeys(const QString &base64) {
    trusted() = base64;
}

// Linked as an object of the test program, it comes before the program's
// library, whose definition is then never pulled in.
QList<QByteArray> signature::trustedKeys() {
    return decodeKeys(trusted().value_or(QString::fromLatin1(config::updatePublicKey)));
}
