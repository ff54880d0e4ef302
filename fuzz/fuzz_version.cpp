// Manifests come from a web server: any bytes must be read safely, and the
// decisions taken on them must stay consistent.
#include "core/version.h"

#include <QCryptographicHash>

#include <cstddef>
#include <cstdint>
#include <cstring>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray body(reinterpret_cast<const char *>(data), qsizetype(size));
    if (const auto manifest = version::readManifest(body)) {
        const bool newer = version::isNewer(manifest->version, QStringLiteral("3.1.3"));
        if (newer && version::isNewer(QStringLiteral("3.1.3"), manifest->version))
            __builtin_trap();
    }
    const QString text = QString::fromUtf8(body);
    const int cut = int(text.size() / 2);
    const QString a = text.left(cut);
    const QString b = text.mid(cut);
    if (version::isNewer(a, b) && version::isNewer(b, a))
        __builtin_trap();
    if (version::isNewer(a, a))
        __builtin_trap();

    if (size >= 16) {
        qint64 received = 0;
        qint64 total = 0;
        std::memcpy(&received, data, 8);
        std::memcpy(&total, data + 8, 8);
        const int percent = version::progressPercent(received, total);
        if (percent < -1 || percent > 100)
            __builtin_trap();
    }
    const QString digest =
        QString::fromLatin1(QCryptographicHash::hash(body, QCryptographicHash::Sha256).toHex());
    if (!version::sha256Matches(body, digest) || !version::sha256Matches(body, digest.toUpper()))
        __builtin_trap();
    if (version::sha256Matches(body, text))
        __builtin_trap();
    return 0;
}
