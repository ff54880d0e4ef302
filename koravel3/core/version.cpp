#include "core/version.h"

#include <QCryptographicHash>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <QUrl>
#include <QVersionNumber>

#include <limits>

namespace version {

namespace {

std::optional<QVersionNumber> dottedNumber(const QString &text) {
    static const QRegularExpression pattern(QStringLiteral("^[0-9]+(\\.[0-9]+)*$"));
    if (!pattern.match(text).hasMatch())
        return std::nullopt;
    qsizetype end = 0;
    const QVersionNumber number = QVersionNumber::fromString(text, &end);
    // A segment too large for the parser stops it early: not a version.
    if (end != text.size())
        return std::nullopt;
    return number.normalized();
}

} // namespace

std::optional<Manifest> readManifest(const QByteArray &body) {
    const QJsonDocument document = QJsonDocument::fromJson(body);
    if (document.isNull() || !document.isObject())
        return std::nullopt;
    const QJsonObject object = document.object();
    // toString() gives empty text for a missing or non-string member.
    Manifest manifest;
    manifest.version = object.value(QLatin1String("version")).toString();
    manifest.downloadUrl = object.value(QLatin1String("download_url")).toString();
    manifest.sha256 = object.value(QLatin1String("sha256")).toString();
    manifest.signature = object.value(QLatin1String("signature")).toString();
    return manifest;
}

bool isNewer(const QString &latest, const QString &current) {
    const std::optional<QVersionNumber> offered = dottedNumber(latest);
    const std::optional<QVersionNumber> own = dottedNumber(current);
    return offered && own && QVersionNumber::compare(*offered, *own) > 0;
}

int progressPercent(qint64 received, qint64 total) {
    if (total <= 0 || received < 0 || received > total)
        return -1;
    constexpr qint64 limit = std::numeric_limits<qint64>::max() / 100;
    if (received <= limit)
        return int(received * 100 / total);
    // Only reachable with totals beyond any real file; avoid the overflow.
    return int(received / (total / 100));
}

QString sizeDefect(qint64 announced, qint64 received, qint64 limit) {
    if (announced > limit)
        return QStringLiteral("taille annoncée de %1 octets, limite de %2 octets dépassée")
            .arg(announced)
            .arg(limit);
    if (received > limit)
        return QStringLiteral("plus de %1 octets reçus, limite dépassée").arg(limit);
    return QString();
}

QString sha256Hex(const QByteArray &data) {
    return QString::fromLatin1(QCryptographicHash::hash(data, QCryptographicHash::Sha256).toHex());
}

bool isSha256Hex(const QString &text) {
    static const QRegularExpression pattern(QStringLiteral("^[0-9a-f]{64}$"));
    return pattern.match(text).hasMatch();
}

std::optional<QByteArray> decodeBase64(const QString &text, qsizetype size) {
    const QByteArray encoded = text.toLatin1();
    const QByteArray::FromBase64Result decoded =
        QByteArray::fromBase64Encoding(encoded, QByteArray::AbortOnBase64DecodingErrors);
    // Encoding again must give the very text: this refuses blanks, missing
    // padding, stray bits in the last digit and characters outside Latin-1.
    if (!decoded || decoded.decoded.size() != size ||
        QString::fromLatin1(decoded.decoded.toBase64()) != text)
        return std::nullopt;
    return decoded.decoded;
}

QByteArray signedMessage(const QString &version, const QString &sha256) {
    return version.toUtf8() + '\n' + sha256.toUtf8();
}

QString addressDefect(const QString &text) {
    const QUrl url(text, QUrl::TolerantMode);
    if (url.isValid() && url.scheme() == QLatin1String("https") && !url.host().isEmpty())
        return QString();
    return QStringLiteral("adresse refusée, seul https est accepté : ") + text;
}

QString defect(const Manifest &manifest, const QString &current) {
    if (!isSha256Hex(manifest.sha256))
        return QStringLiteral("sha256 absent ou mal formé (64 chiffres hexadécimaux minuscules "
                              "attendus)");
    if (manifest.signature.isEmpty())
        return QStringLiteral("signature absente");
    if (!decodeBase64(manifest.signature, signatureSize))
        return QStringLiteral("signature mal formée (base64 de 64 octets attendu)");
    if (!isNewer(manifest.version, current))
        return QStringLiteral("version « %1 » non plus récente que %2")
            .arg(manifest.version, current);
    return addressDefect(manifest.downloadUrl);
}

} // namespace version
