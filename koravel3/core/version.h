#pragma once

#include <QByteArray>
#include <QString>
#include <QtGlobal>

#include <optional>

// The update manifest and the decisions taken on it; no network, no window.
namespace version {

// The members of version.json that the program reads. A member that is
// missing or is not a JSON string reads as empty text.
struct Manifest {
    QString version;
    QString downloadUrl;
    // Hex SHA-256 of the installer; empty when the publisher gave none.
    QString sha256;
};

// The manifest in the body, or nothing when the body is not a JSON object.
std::optional<Manifest> readManifest(const QByteArray &body);

// True when latest is a dotted number (digits and dots only, e.g. "3.1.10")
// above current. Segments compare as numbers, missing ones count as 0, so
// "3.1.10" is above "3.1.3" and "3.1.3.0" is not. Anything else (empty,
// "v4", "4.0-beta") is never newer.
bool isNewer(const QString &latest, const QString &current);

// Percentage of the download, truncated, in 0..100; -1 when it cannot be
// told (total unknown or zero, or counts out of range).
int progressPercent(qint64 received, qint64 total);

// True when hexDigest (upper or lower case, blanks around it ignored) is the
// SHA-256 of data.
bool sha256Matches(const QByteArray &data, const QString &hexDigest);

} // namespace version
