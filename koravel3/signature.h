#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

#include <optional>

// Proof that an update comes from the agency: the Ed25519 public key built
// into the program, the verification of a release's signature, and the
// digest of the installer as it lies on disk.
namespace signature {

// Bytes of an Ed25519 public key.
inline constexpr qsizetype publicKeySize = 32;

// The agency's public keys (32 raw bytes each); a release signed with any one
// of them is accepted. They are the ones compiled in (KORAVEL_UPDATE_PUBLIC_KEY,
// base64 keys separated by commas, so that a new key can be trusted beside the
// old one while the counters change over), or none when the build has none,
// in which case no update is ever offered. Defined alone in trustedkeys.cpp:
// the test programs link their own definition in its place, so the program
// itself has no way to trust another key.
QList<QByteArray> trustedKeys();

// The keys of a list in that form; a malformed key is left out.
QList<QByteArray> decodeKeys(const QString &list);

// True when signature is a valid Ed25519 signature of message by publicKey.
bool verify(const QByteArray &publicKey, const QByteArray &message, const QByteArray &signature);

// The SHA-256 of the file's bytes as 64 lowercase hex digits, or nothing
// when the file cannot be read.
std::optional<QString> fileSha256Hex(const QString &path);

} // namespace signature
