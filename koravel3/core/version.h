#pragma once

#include <QByteArray>
#include <QString>
#include <QtGlobal>

#include <chrono>
#include <optional>

// The update manifest and the decisions taken on it; no network, no window,
// no cryptography beyond a digest.
namespace version {

// Bytes of an Ed25519 signature.
inline constexpr qsizetype signatureSize = 64;

// The most the program reads of a manifest (a few hundred bytes in practice)
// and of an installer; a larger answer is abandoned unread.
inline constexpr qint64 manifestLimit = 64 * 1024;
inline constexpr qint64 installerLimit = qint64(1024) * 1024 * 1024;

// A transfer that receives nothing for this long is abandoned: a server that
// stops sending must not hold a download, and its bar, open for ever.
inline constexpr std::chrono::seconds stallTimeout{60};

// The members of version.json that the program reads. A member that is
// missing or is not a JSON string reads as empty text.
struct Manifest {
    QString version;
    QString downloadUrl;
    // SHA-256 of the installer, 64 lowercase hex digits.
    QString sha256;
    // Base64 of the Ed25519 signature of signedMessage(version, sha256).
    QString signature;
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

// Why a body must be abandoned, or empty text while it may go on: the length
// its server announced (-1 when it announced none) or the bytes received so
// far are more than limit.
QString sizeDefect(qint64 announced, qint64 received, qint64 limit);

// The SHA-256 of data as 64 lowercase hex digits, the form a manifest uses.
QString sha256Hex(const QByteArray &data);

// True for exactly 64 lowercase hex digits. Only one spelling of a digest is
// accepted, since the signature covers the text and not the number.
bool isSha256Hex(const QString &text);

// The bytes of canonical base64 text (padded, no blanks, no other spelling of
// the same bytes) when they are exactly size bytes long; nothing otherwise.
std::optional<QByteArray> decodeBase64(const QString &text, qsizetype size);

// The bytes a release's signature covers: the UTF-8 of version, a line feed,
// and sha256, with no line feed at the end. Binding the version stops an old
// installer from being presented again as a new one.
QByteArray signedMessage(const QString &version, const QString &sha256);

// Empty when text, read as a request reads it (tolerant mode), is an https
// address with a host; otherwise why it is refused. The program only fetches
// over https: what it fetches decides what it runs.
QString addressDefect(const QString &text);

// Why a manifest cannot be offered, judged on its text alone: a malformed
// digest, a missing or malformed signature, a version that is not newer than
// current, or a download address that is not https. Empty when nothing is
// wrong; the signature must then still be verified with the agency's key.
QString defect(const Manifest &manifest, const QString &current);

} // namespace version
