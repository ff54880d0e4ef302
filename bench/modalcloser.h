#pragma once

#include <QObject>
#include <QString>
#include <QStringList>

class QTimer;

// Answers the window's modal boxes and file dialogs as soon as their own
// event loop starts, so a measured action never waits for a person: message
// boxes get No (the update offer) or their only button, the save dialog gets
// the file name set beforehand. The timer has no interval, so it fires on the
// first pass of the modal loop and adds next to nothing to the timing.
class ModalCloser : public QObject {
    Q_OBJECT

public:
    explicit ModalCloser(QObject *parent = nullptr);

    // The file name that the next save dialog is answered with.
    void setFileName(const QString &fileName) { m_fileName = fileName; }

    // When the last box or dialog was answered, in nanoseconds of
    // benchClock(); 0 when none was.
    qint64 lastAnswered() const { return m_lastAnswered; }
    void forgetAnswered() { m_lastAnswered = 0; }

    // "title: text" of every box closed so far.
    const QStringList &seen() const { return m_seen; }
    void clearSeen() { m_seen.clear(); }

private:
    void poll();

    QTimer *m_timer;
    QString m_fileName;
    QStringList m_seen;
    qint64 m_lastAnswered = 0;
};

// One clock for the whole benchmark, in nanoseconds since it started.
qint64 benchClock();
