#include "support/relay.h"

#include "core/config.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <vector>

namespace testsupport {

namespace {

constexpr char comQuery = 0x03;
// CLIENT_SSL in the second byte of the greeting's capability flags.
constexpr char sslCapability = 0x08;

struct Link {
    int client = -1;
    int server = -1;
    QByteArray fromClient;
    QByteArray greeting; // the server's first packet, until it is whole
    bool greeted = false;
    bool losing = false;
};

sockaddr_in address(const char *host, quint16 port) {
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_port = htons(port);
    inet_pton(AF_INET, host, &a.sin_addr);
    return a;
}

int connectToServer(const QByteArray &host) {
    const int s = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a = address(host.constData(), 3306);
    if (::connect(s, reinterpret_cast<sockaddr *>(&a), sizeof a) != 0) {
        ::close(s);
        return -1;
    }
    return s;
}

bool sendAll(int fd, const QByteArray &bytes) {
    for (qsizetype sent = 0; sent < bytes.size();) {
        const ssize_t n =
            ::send(fd, bytes.constData() + sent, size_t(bytes.size() - sent), MSG_NOSIGNAL);
        if (n <= 0)
            return false;
        sent += n;
    }
    return true;
}

// Whole packets: three bytes of length, one of sequence, then the payload.
qsizetype packetLength(const QByteArray &buffer) {
    if (buffer.size() < 4)
        return -1;
    const qsizetype length = uchar(buffer[0]) | uchar(buffer[1]) << 8 | uchar(buffer[2]) << 16;
    return buffer.size() < 4 + length ? -1 : 4 + length;
}

void hideTls(QByteArray &greeting) {
    const qsizetype versionEnd = greeting.indexOf('\0', 5);
    const qsizetype capabilities = versionEnd + 1 + 4 + 8 + 1;
    if (versionEnd > 0 && capabilities + 1 < greeting.size())
        greeting[capabilities + 1] = char(greeting[capabilities + 1] & ~sslCapability);
}

} // namespace

AnswerLosingRelay::AnswerLosingRelay(const QByteArray &statementStart, bool downAfterLoss,
                                     const QByteArray &serverHost)
    : wanted(statementStart.toLower())
    , serverHost(serverHost.isEmpty() ? QByteArray(config::databaseHost) : serverHost)
    , downAfterLoss(downAfterLoss) {
    listener = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a = address("127.0.0.1", 0);
    socklen_t size = sizeof a;
    if (::bind(listener, reinterpret_cast<sockaddr *>(&a), sizeof a) != 0 ||
        ::listen(listener, 16) != 0 ||
        ::getsockname(listener, reinterpret_cast<sockaddr *>(&a), &size) != 0)
        return;
    listenPort = ntohs(a.sin_port);
    worker = std::thread([this] { run(); });
}

AnswerLosingRelay::~AnswerLosingRelay() {
    stopping = true;
    if (worker.joinable())
        worker.join();
    ::close(listener);
}

void AnswerLosingRelay::run() {
    std::vector<Link> links;
    const auto drop = [](Link &link) {
        ::close(link.client);
        ::close(link.server);
        link.client = link.server = -1;
    };
    while (!stopping) {
        std::vector<pollfd> fds{{listener, POLLIN, 0}};
        for (const Link &link : links)
            fds.insert(fds.end(), {{link.client, POLLIN, 0}, {link.server, POLLIN, 0}});
        if (::poll(fds.data(), fds.size(), 50) <= 0)
            continue;
        if (fds[0].revents & POLLIN) {
            const int client = ::accept(listener, nullptr, nullptr);
            const int server = down ? -1 : connectToServer(serverHost);
            if (server < 0)
                ::close(client);
            else {
                Link link;
                link.client = client;
                link.server = server;
                links.push_back(link);
            }
        }
        for (size_t i = 0; i < links.size() && 1 + 2 * i < fds.size(); ++i) {
            Link &link = links[i];
            char chunk[65536];
            if (fds[1 + 2 * i].revents & (POLLIN | POLLHUP | POLLERR)) {
                const ssize_t n = ::recv(link.client, chunk, sizeof chunk, 0);
                if (n <= 0) {
                    drop(link);
                    continue;
                }
                link.fromClient.append(chunk, n);
                for (qsizetype length; (length = packetLength(link.fromClient)) > 0;) {
                    const QByteArray packet = link.fromClient.left(length);
                    link.fromClient.remove(0, length);
                    if (!answerLost && !link.losing && packet.size() > 4 && packet[4] == comQuery &&
                        packet.mid(5).trimmed().toLower().startsWith(wanted))
                        link.losing = true;
                    sendAll(link.server, packet);
                }
            }
            if (link.server >= 0 && (fds[2 + 2 * i].revents & (POLLIN | POLLHUP | POLLERR))) {
                const ssize_t n = ::recv(link.server, chunk, sizeof chunk, 0);
                if (n <= 0 || link.losing) {
                    if (link.losing) {
                        answerLost = true;
                        down = downAfterLoss;
                    }
                    drop(link);
                    continue;
                }
                QByteArray bytes(chunk, n);
                if (!link.greeted) {
                    link.greeting += bytes;
                    const qsizetype length = packetLength(link.greeting);
                    if (length < 0)
                        continue;
                    hideTls(link.greeting);
                    bytes = link.greeting;
                    link.greeted = true;
                }
                sendAll(link.client, bytes);
            }
        }
        links.erase(std::remove_if(links.begin(), links.end(),
                                   [](const Link &link) { return link.client < 0; }),
                    links.end());
    }
    for (Link &link : links)
        drop(link);
}

} // namespace testsupport
