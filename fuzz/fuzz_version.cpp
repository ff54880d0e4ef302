// Manifests come from a web server: any bytes must be read safely, and the
// decisions taken on them must stay consistent.
#include "core/version.h"

#include <cstddef>
#include <cstdint>
#include <cstring>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    const QByteArray body(reinterpret_cast<const char *>(data), qsizetype(size));
    const QString own = QStringLiteral("3.1.3");
    if (const auto manifest = version::readManifest(body)) {
        const bool newer = version::isNewer(manifest->version, own);
        if (newer && version::isNewer(own, manifest->version))
            __builtin_trap();
        // A manifest without defect has every part in the form the program relies on.
        if (version::defect(*manifest, own).isEmpty() &&
            (!newer || !version::isSha256Hex(manifest->sha256) ||
             !version::decodeBase64(manifest->signature, version::signatureSize) ||
             !version::addressDefect(manifest->downloadUrl).isEmpty()))
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

    // The signed message is the two texts around one line feed, nothing else.
    const QByteArray message = version::signedMessage(a, b);
    if (message != a.toUtf8() + '\n' + b.toUtf8())
        __builtin_trap();

    // Only the canonical spelling of the bytes decodes.
    for (const qsizetype wanted : {qsizetype(32), version::signatureSize, text.size() * 3 / 4}) {
        const std::optional<QByteArray> decoded = version::decodeBase64(text, wanted);
        if (decoded &&
            (decoded->size() != wanted || QString::fromLatin1(decoded->toBase64()) != text))
            __builtin_trap();
    }

    if (size >= 16) {
        qint64 received = 0;
        qint64 total = 0;
        std::memcpy(&received, data, 8);
        std::memcpy(&total, data + 8, 8);
        const int percent = version::progressPercent(received, total);
        if (percent < -1 || percent > 100)
            __builtin_trap();
    }
    if (!version::isSha256Hex(version::sha256Hex(body)))
        __builtin_trap();
    (void)version::addressDefect(text);
    return 0;
}
