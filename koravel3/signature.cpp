#include "signature.h"

#include "core/version.h"

#include <QCryptographicHash>
#include <QFile>

#include <openssl/evp.h>

#include <memory>

namespace signature {

namespace {

struct PkeyFree {
    void operator()(EVP_PKEY *key) const { EVP_PKEY_free(key); }
};
struct MdCtxFree {
    void operator()(EVP_MD_CTX *context) const { EVP_MD_CTX_free(context); }
};

} // namespace

QList<QByteArray> decodeKeys(const QString &list) {
    // CMake refuses a malformed key, so only an empty list has none.
    QList<QByteArray> keys;
    for (const QString &base64 : list.split(QLatin1Char(','), Qt::SkipEmptyParts))
        if (const std::optional<QByteArray> key = version::decodeBase64(base64, publicKeySize))
            keys << *key;
    return keys;
}

bool verify(const QByteArray &publicKey, const QByteArray &message, const QByteArray &signature) {
    if (publicKey.size() != publicKeySize)
        return false;
    const std::unique_ptr<EVP_PKEY, PkeyFree> key(EVP_PKEY_new_raw_public_key(
        EVP_PKEY_ED25519, nullptr, reinterpret_cast<const unsigned char *>(publicKey.constData()),
        size_t(publicKey.size())));
    const std::unique_ptr<EVP_MD_CTX, MdCtxFree> context(EVP_MD_CTX_new());
    if (!key || !context)
        return false;
    // Ed25519 hashes the message itself: no digest is named.
    if (EVP_DigestVerifyInit(context.get(), nullptr, nullptr, nullptr, key.get()) != 1)
        return false;
    return EVP_DigestVerify(context.get(),
                            reinterpret_cast<const unsigned char *>(signature.constData()),
                            size_t(signature.size()),
                            reinterpret_cast<const unsigned char *>(message.constData()),
                            size_t(message.size())) == 1;
}

std::optional<QString> fileSha256Hex(const QString &path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    QCryptographicHash hash(QCryptographicHash::Sha256);
    if (!hash.addData(&file))
        return std::nullopt;
    return QString::fromLatin1(hash.result().toHex());
}

} // namespace signature
