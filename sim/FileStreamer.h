#pragma once

#include <QByteArray>
#include <QList>

#include <cstdint>

namespace sim {

// The board's side of the block protocol that streams a file to the PC once the PC has
// asked for it. The PC's first acknowledgement starts the flow; each further one asks for
// the next block or window, or (when it repeats itself) for a resend.
//
// Plain mode alternates the data block types 0x88 and 0x8F, so a repeated acknowledgement
// (0x90 where 0x8B was due, or the other way round) is told apart from a fresh one.
// Windowed mode opens with one 0x91 block, then sends as many blocks as the acknowledgement
// asks for: 0x93 blocks after 0x94, 0x91 blocks after 0x92. A windowed resend request
// carries [1, count low, count high]: the bytes the PC got since its last acknowledgement.
class FileStreamer
{
public:
    struct Block
    {
        uint8_t type = 0;
        QByteArray data;
    };
    struct Faults
    {
        int stallAfterBlocks = -1; // no block beyond this many blocks' worth of data
        int abortAfterBlocks = -1; // 0x8D instead of the block after this many
    };

    void begin(const QByteArray& content, bool windowed, int blockSize, int emptyBlocks);
    void stop() { m_active = false; }
    bool active() const { return m_active; }
    bool finished() const { return m_finished; }
    QList<Block> onAck(uint8_t type, const QByteArray& payload, const Faults& faults);

private:
    struct Sent
    {
        uint8_t type = 0;
        qsizetype offset = 0;
        qsizetype length = 0;
    };

    QList<Block> first(const Faults& faults);
    QList<Block> onPlainAck(uint8_t type, const Faults& faults);
    QList<Block> onWindowedAck(uint8_t type, const QByteArray& payload, const Faults& faults);
    bool sendData(uint8_t type, qsizetype offset, QList<Block>& out, const Faults& faults);
    void sendEnd(QList<Block>& out);
    void sendEmpty(QList<Block>& out);
    void sendWindow(uint8_t type, int count, QList<Block>& out, const Faults& faults);
    void resendLast(QList<Block>& out, const Faults& faults);

    QByteArray m_data;
    bool m_active = false;
    bool m_started = false;
    bool m_finished = false;
    bool m_windowed = false;
    int m_blockSize = 128;
    int m_emptyLeft = 0;
    qsizetype m_sentEnd = 0;
    qsizetype m_windowStart = 0;
    uint8_t m_lastAckType = 0;
    Sent m_last;
};

} // namespace sim
