#pragma once

#include <QString>

namespace testsupport {

// Replaces the keys the program's update trusts by base64 text in the form
// of KORAVEL_UPDATE_PUBLIC_KEY (empty text: a build without a key), so that
// a test can sign releases with key pairs it made itself. Only a test
// program that lists support/trustedkeys.cpp among its own sources has it:
// that file's signature::trustedKeys() takes the place of the program's.
void trustKeys(const QString &base64);

} // namespace testsupport
