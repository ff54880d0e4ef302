#pragma once

#include <QString>
#include <QtGlobal>

class QNetworkAccessManager;
class QNetworkReply;
class QUrl;

// The bounds on what an update check or download fetches: a body longer than
// its limit, by the length its server announces or by the bytes that arrive,
// and a transfer that receives nothing for version::stallTimeout, are
// abandoned. The reply then finishes with an error.
namespace downloadlimits {

// Sends a GET for url through manager, within those bounds.
QNetworkReply *get(QNetworkAccessManager *manager, const QUrl &url, qint64 limit);

// Why a finished reply was abandoned, or empty text when it was not. It
// finished from inside the abort: a modal box shown for it must wait for the
// event loop, or the connection stays open as long as the box.
QString abandoned(const QNetworkReply *reply);

} // namespace downloadlimits
