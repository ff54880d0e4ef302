#pragma once

namespace testsupport {

// A slot whose name matches no object of the form is silently left
// unconnected; the toolkit only warns. Call first in initTestCase(): from then
// on such a warning fails the running test.
void failOnConnectWarnings();

} // namespace testsupport
