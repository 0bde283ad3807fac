#pragma once

#include "WireCodec.h"

#include <QByteArray>
#include <QSocketNotifier>
#include <QString>

#include <functional>
#include <memory>

// The far end of a pseudo-terminal, standing where a board would be: the program opens the
// slave path like any serial device, the test reads and writes raw bytes on the master.
class PtyPeer
{
public:
    PtyPeer();
    ~PtyPeer();

    bool isOpen() const { return m_master >= 0; }
    QString slavePath() const { return m_slavePath; }

    // Closes the master, as when a USB adapter is pulled: the program's side sees a hang-up.
    void hangUp();

    void write(const QByteArray& bytes);
    // Whatever the program has sent so far (runs pending events first, so queued writes go out).
    QByteArray readAvailable();
    // Reads, pumping events, until `enough` says so or maxMs passed.
    QByteArray readUntil(const std::function<bool(const QByteArray&)>& enough, int maxMs = 2000);

    // Answers from the event loop: called with every chunk the program sends.
    void onReceived(std::function<void(const QByteArray&)> handler);

private:
    int m_master = -1;
    QString m_slavePath;
    std::unique_ptr<QSocketNotifier> m_notifier;
    std::function<void(const QByteArray&)> m_handler;
};
