#include "support/httpsserver.h"

#include <QFile>
#include <QPointer>
#include <QProcess>
#include <QSslConfiguration>
#include <QSslServer>
#include <QSslSocket>
#include <QTemporaryDir>
#include <QTimer>

namespace testsupport {

TestCertificate makeCertificate(const QString &ipAddress) {
    TestCertificate made;
    QTemporaryDir dir;
    if (!dir.isValid())
        return made;
    const QString keyPath = dir.filePath(QStringLiteral("key.pem"));
    const QString certificatePath = dir.filePath(QStringLiteral("certificate.pem"));
    QProcess openssl;
    openssl.start(QStringLiteral("openssl"),
                  {QStringLiteral("req"), QStringLiteral("-x509"), QStringLiteral("-newkey"),
                   QStringLiteral("rsa:2048"), QStringLiteral("-nodes"), QStringLiteral("-keyout"),
                   keyPath, QStringLiteral("-out"), certificatePath, QStringLiteral("-days"),
                   QStringLiteral("2"), QStringLiteral("-subj"), QStringLiteral("/CN=") + ipAddress,
                   QStringLiteral("-addext"), QStringLiteral("subjectAltName=IP:") + ipAddress});
    if (!openssl.waitForFinished(60000) || openssl.exitStatus() != QProcess::NormalExit ||
        openssl.exitCode() != 0) {
        qWarning("openssl: %s", openssl.readAllStandardError().constData());
        return made;
    }
    QFile keyFile(keyPath);
    QFile certificateFile(certificatePath);
    if (!keyFile.open(QIODevice::ReadOnly) || !certificateFile.open(QIODevice::ReadOnly))
        return made;
    made.key = QSslKey(keyFile.readAll(), QSsl::Rsa, QSsl::Pem);
    made.certificate = QSslCertificate(certificateFile.readAll(), QSsl::Pem);
    return made;
}

HttpsServer::HttpsServer(QObject *parent)
    : QObject(parent)
    , server(new QSslServer(this)) {
    connect(server, &QSslServer::pendingConnectionAvailable, this, &HttpsServer::accept);
}

HttpsServer::~HttpsServer() = default;

bool HttpsServer::listen(const QHostAddress &address, quint16 port,
                         const TestCertificate &identity) {
    QSslConfiguration configuration = QSslConfiguration::defaultConfiguration();
    configuration.setLocalCertificate(identity.certificate);
    configuration.setPrivateKey(identity.key);
    configuration.setPeerVerifyMode(QSslSocket::VerifyNone);
    // The server speaks HTTP/1.1 only; the client would otherwise offer h2.
    configuration.setAllowedNextProtocols({QByteArrayLiteral("http/1.1")});
    server->setSslConfiguration(configuration);
    return server->listen(address, port);
}

void HttpsServer::close() {
    server->close();
}

quint16 HttpsServer::port() const {
    return server->serverPort();
}

QString HttpsServer::errorString() const {
    return server->errorString();
}

void HttpsServer::setResponse(const QString &path, const HttpsResponse &response) {
    responses.insert(path, response);
}

void HttpsServer::clearResponses() {
    responses.clear();
}

QStringList HttpsServer::requests() const {
    return received;
}

void HttpsServer::clearRequests() {
    received.clear();
}

void HttpsServer::accept() {
    while (server->hasPendingConnections()) {
        auto *socket = qobject_cast<QSslSocket *>(server->nextPendingConnection());
        if (!socket)
            continue;
        socket->setParent(this);
        connect(socket, &QSslSocket::disconnected, socket, &QObject::deleteLater);
        connect(socket, &QSslSocket::readyRead, this, [this, socket] { readRequest(socket); });
        if (socket->bytesAvailable() > 0)
            readRequest(socket);
    }
}

void HttpsServer::readRequest(QSslSocket *socket) {
    // The request is complete at its blank line; a GET has no body.
    if (socket->property("answered").toBool())
        return;
    QByteArray head = socket->property("head").toByteArray() + socket->readAll();
    socket->setProperty("head", head);
    if (!head.contains("\r\n\r\n"))
        return;
    socket->setProperty("answered", true);
    const QList<QByteArray> requestLine = head.left(head.indexOf("\r\n")).split(' ');
    const QString path =
        requestLine.size() >= 2 ? QString::fromLatin1(requestLine.at(1)) : QString();
    received << path;
    answer(socket, path);
}

void HttpsServer::answer(QSslSocket *socket, const QString &path) {
    HttpsResponse response;
    if (responses.contains(path))
        response = responses.value(path);
    else
        response.status = 404;

    QByteArray head = "HTTP/1.1 " + QByteArray::number(response.status) +
                      (response.status == 200 ? " OK" : " Error") + "\r\n";
    head += "Content-Type: application/octet-stream\r\nConnection: close\r\n";
    const qint64 announced =
        response.announcedLength >= 0 ? response.announcedLength : response.body.size();
    if (response.length != HttpsResponse::Length::Unknown)
        head += "Content-Length: " + QByteArray::number(announced) + "\r\n";
    head += "\r\n";
    socket->write(head);

    QByteArray body = response.body;
    if (response.length == HttpsResponse::Length::Truncated)
        body.truncate(body.size() / 2);
    const int chunks = qMax(1, response.chunks);
    const qsizetype piece = (body.size() + chunks - 1) / chunks;
    QPointer<QSslSocket> guarded(socket);
    for (int i = 0; i <= chunks; ++i) {
        const bool last = i == chunks;
        const QByteArray part = last ? QByteArray() : body.mid(i * piece, piece);
        QTimer::singleShot(i * response.chunkDelayMs, this, [guarded, part, last] {
            if (!guarded)
                return;
            if (!part.isEmpty())
                guarded->write(part);
            if (last)
                guarded->disconnectFromHost();
        });
    }
}

} // namespace testsupport
