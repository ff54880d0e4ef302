#pragma once

#include <QByteArray>

#include <atomic>
#include <thread>

namespace testsupport {

// A TCP relay in front of a database server (the rig's, or the one at
// serverHost:3306) that loses one answer, as a network that fails
// mid-statement does: the first statement whose
// text starts with the given one (compared without case) reaches the
// server, but its answer never reaches the program, whose connection is
// closed. Other statements and connections pass. The server's offer of TLS
// is hidden, so that statements travel in clear text and can be recognised.
// It runs on a thread of its own, since the program waits for its answers
// on the main thread.
class AnswerLosingRelay {
public:
    // With downAfterLoss, the relay then closes each new connection at once,
    // as a server that stays down, until setDown(false).
    AnswerLosingRelay(const QByteArray &statementStart, bool downAfterLoss,
                      const QByteArray &serverHost = QByteArray());
    ~AnswerLosingRelay();
    AnswerLosingRelay(const AnswerLosingRelay &) = delete;
    AnswerLosingRelay &operator=(const AnswerLosingRelay &) = delete;

    // The port it listens on at 127.0.0.1; 0 when it could not listen.
    quint16 port() const { return listenPort; }
    bool lost() const { return answerLost; }
    void setDown(bool isDown) { down = isDown; }

private:
    void run();

    QByteArray wanted;
    QByteArray serverHost;
    bool downAfterLoss;
    int listener = -1;
    quint16 listenPort = 0;
    std::atomic<bool> answerLost{false};
    std::atomic<bool> down{false};
    std::atomic<bool> stopping{false};
    std::thread worker;
};

} // namespace testsupport
