#pragma once

#include <QByteArray>
#include <QHash>
#include <QHostAddress>
#include <QObject>
#include <QSslCertificate>
#include <QSslKey>
#include <QString>
#include <QStringList>

class QSslServer;
class QSslSocket;

namespace testsupport {

// A certificate and its key, made by the openssl command for one IP address
// (subjectAltName IP:...). Null members when openssl failed.
struct TestCertificate {
    QSslCertificate certificate;
    QSslKey key;
};
TestCertificate makeCertificate(const QString &ipAddress);

// What the server answers for one path.
struct HttpsResponse {
    enum class Length {
        Announced, // Content-Length, the whole body
        Unknown,   // no Content-Length; the end of the body closes the connection
        Truncated, // Content-Length of the whole body, half of it sent, then closed
    };
    int status = 200;
    QByteArray body;
    Length length = Length::Announced;
    // The body goes out in this many pieces, chunkDelayMs apart.
    int chunks = 1;
    int chunkDelayMs = 0;
    // With Length::Announced, a Content-Length other than the body's own
    // (a server that announces more than it sends); -1: the body's.
    qint64 announcedLength = -1;
};

// A small HTTPS/1.1 server inside the test process: one GET per connection,
// answered from a table of paths (404 for the others).
class HttpsServer : public QObject {
public:
    explicit HttpsServer(QObject *parent = nullptr);
    ~HttpsServer() override;

    bool listen(const QHostAddress &address, quint16 port, const TestCertificate &identity);
    void close();
    quint16 port() const;
    QString errorString() const;

    void setResponse(const QString &path, const HttpsResponse &response);
    void clearResponses();
    // The paths of the requests received, in order.
    QStringList requests() const;
    void clearRequests();

private:
    void accept();
    void readRequest(QSslSocket *socket);
    void answer(QSslSocket *socket, const QString &path);

    QSslServer *server;
    QHash<QString, HttpsResponse> responses;
    QStringList received;
};

} // namespace testsupport
