#include "downloadlimits.h"

#include "core/version.h"

#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QTimer>
#include <QUrl>

namespace downloadlimits {

namespace {

const char abandonedProperty[] = "koravelAbandoned";

void abandon(QNetworkReply *reply, const QString &reason) {
    if (!reply->isRunning())
        return;
    reply->setProperty(abandonedProperty, reason);
    reply->abort();
}

void checkSize(QNetworkReply *reply, qint64 limit) {
    const QVariant announced = reply->header(QNetworkRequest::ContentLengthHeader);
    const QString defect = version::sizeDefect(announced.isValid() ? announced.toLongLong() : -1,
                                               reply->bytesAvailable(), limit);
    if (!defect.isEmpty())
        abandon(reply, defect);
}

} // namespace

QNetworkReply *get(QNetworkAccessManager *manager, const QUrl &url, qint64 limit) {
    QNetworkReply *reply = manager->get(QNetworkRequest(url));
    // The body stays in the reply until it finishes; a buffer of one byte
    // more than the limit shows a longer body without taking in the rest.
    reply->setReadBufferSize(limit + 1);
    const auto size = [reply, limit] { checkSize(reply, limit); };
    QObject::connect(reply, &QNetworkReply::metaDataChanged, reply, size);
    QObject::connect(reply, &QNetworkReply::readyRead, reply, size);

    // Restarted by every sign of progress; precise, so that it never gives
    // up before the full time.
    auto *stall = new QTimer(reply);
    stall->setSingleShot(true);
    stall->setTimerType(Qt::PreciseTimer);
    const QString stalled = QStringLiteral("aucune donnée reçue pendant %1 s, transfert abandonné")
                                .arg(version::stallTimeout.count());
    QObject::connect(stall, &QTimer::timeout, reply, [reply, stalled] { abandon(reply, stalled); });
    const auto progress = [stall] { stall->start(); };
    QObject::connect(reply, &QNetworkReply::metaDataChanged, stall, progress);
    QObject::connect(reply, &QNetworkReply::downloadProgress, stall, progress);
    QObject::connect(reply, &QNetworkReply::finished, stall, &QTimer::stop);
    stall->start(version::stallTimeout);
    return reply;
}

QString abandoned(const QNetworkReply *reply) {
    return reply->property(abandonedProperty).toString();
}

} // namespace downloadlimits
