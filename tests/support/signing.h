#pragma once

#include <QByteArray>
#include <QJsonObject>
#include <QString>
#include <QTemporaryDir>

namespace testsupport {

// An Ed25519 key pair that a test makes with the openssl command, as an
// agency makes its own, and signs releases with.
class ReleaseKey {
public:
    ReleaseKey();
    ReleaseKey(const ReleaseKey &) = delete;
    ReleaseKey &operator=(const ReleaseKey &) = delete;

    // False when openssl or tools/sign-update failed; the reason was warned.
    bool isValid() const { return !base64PublicKey.isEmpty(); }
    // The public key as a build is given it (KORAVEL_UPDATE_PUBLIC_KEY).
    QString publicKey() const { return base64PublicKey; }

    // Base64 signature of the UTF-8 of version, a line feed and sha256, made
    // by openssl directly: any texts, also those the release tool refuses.
    QString signature(const QString &version, const QString &sha256) const;

    // The manifest that tools/sign-update prints for this installer; an
    // empty object when the tool failed.
    QJsonObject publish(const QByteArray &installer, const QString &version,
                        const QString &downloadUrl) const;

private:
    QTemporaryDir dir;
    QString keyPath;
    QString base64PublicKey;
};

} // namespace testsupport
