#pragma once

#include <QStringList>

namespace testsupport {

// Every row of the given tables as "table|digest", the digest covering all
// the row's columns byte for byte (NULL included), sorted. The server
// computes the digests, which keeps comparisons of whole tables quick.
QStringList rowDigests(const QStringList &tables);

} // namespace testsupport
