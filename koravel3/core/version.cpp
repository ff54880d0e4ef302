#include "core/version.h"

#include <QCryptographicHash>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <QVersionNumber>

#include <limits>

namespace version {

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
    return manifest;
}

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

bool sha256Matches(const QByteArray &data, const QString &hexDigest) {
    const QByteArray actual = QCryptographicHash::hash(data, QCryptographicHash::Sha256).toHex();
    return hexDigest.trimmed().toLower().toLatin1() == actual;
}

} // namespace version
