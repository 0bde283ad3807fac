#pragma once

#include "PtyPeer.h"

#include <QByteArray>
#include <QList>

#include <functional>

// A board played by the test over a pty: every frame the program sends is decoded from the
// wire (Kalder frames unstuffed and CRC-checked, Modbus ASCII lines as text) and handed to the
// test's answer function, which writes whatever the board should say back.
class ScriptedBoard
{
public:
    struct Frame
    {
        bool kalder = false;
        std::uint8_t type = 0; // Kalder type
        QByteArray payload;    // Kalder payload (command byte first for requests)
        QByteArray ascii;      // a Modbus ASCII line, ':' through LF
        bool crcGood = true;
    };

    ScriptedBoard();

    QString path() const { return m_peer.slavePath(); }
    PtyPeer& peer() { return m_peer; }
    void answer(std::function<void(const Frame&)> answer) { m_answer = std::move(answer); }
    void write(const QByteArray& bytes) { m_peer.write(bytes); }
    const QList<Frame>& received() const { return m_frames; }
    QByteArray rawReceived() const { return m_raw; }
    void clear()
    {
        m_frames.clear();
        m_raw.clear();
    }

private:
    void take(const QByteArray& bytes);

    PtyPeer m_peer;
    std::function<void(const Frame&)> m_answer;
    QList<Frame> m_frames;
    QByteArray m_raw;
    QByteArray m_pending;
};
