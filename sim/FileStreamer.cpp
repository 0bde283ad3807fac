#include "FileStreamer.h"

#include <algorithm>

namespace sim {

namespace {

constexpr uint8_t kAck = 0x8B;
constexpr uint8_t kStop = 0x8E;
constexpr uint8_t kAck88 = 0x90;
constexpr uint8_t kWinAck92 = 0x92;
constexpr uint8_t kWinAck94 = 0x94;
constexpr uint8_t kEmptyAck = 0x96;
constexpr uint8_t kBlock88 = 0x88;
constexpr uint8_t kBlock8F = 0x8F;
constexpr uint8_t kEmptyPlain = 0x89;
constexpr uint8_t kFailed = 0x8D;
constexpr uint8_t kWin91 = 0x91;
constexpr uint8_t kWin93 = 0x93;
constexpr uint8_t kEmptyWindowed = 0x95;
constexpr uint8_t kEnd = 0x97;

// The acknowledgement a PC in plain mode gives each block type.
uint8_t plainAckFor(uint8_t block)
{
    switch (block) {
    case kBlock88:
        return kAck88;
    case kBlock8F:
        return kAck;
    case kEmptyPlain:
    case kEmptyWindowed:
        return kEmptyAck;
    case kWin91:
        return kWinAck92;
    case kWin93:
        return kWinAck94;
    default:
        return 0;
    }
}

uint8_t windowTypeFor(uint8_t ack)
{
    return ack == kWinAck94 ? kWin93 : kWin91;
}

} // namespace

void FileStreamer::begin(const QByteArray& content, bool windowed, int blockSize, int emptyBlocks)
{
    *this = FileStreamer();
    m_data = content;
    m_windowed = windowed;
    m_blockSize = std::clamp(blockSize, 1, 390);
    m_emptyLeft = std::max(0, emptyBlocks);
    m_active = true;
}

QList<FileStreamer::Block> FileStreamer::onAck(uint8_t type, const QByteArray& payload, const Faults& faults)
{
    if (!m_active)
        return {};
    if (type == kStop) {
        m_active = false;
        return {};
    }
    if (!m_started) {
        m_started = true;
        m_lastAckType = type;
        return first(faults);
    }
    if (!m_windowed && payload.size() == 1 && !m_finished)
        m_windowed = true; // the PC acknowledges in windows: follow it
    return m_windowed ? onWindowedAck(type, payload, faults) : onPlainAck(type, faults);
}

QList<FileStreamer::Block> FileStreamer::first(const Faults& faults)
{
    QList<Block> out;
    if (m_emptyLeft > 0)
        sendEmpty(out);
    else if (m_data.isEmpty())
        sendEnd(out);
    else
        sendWindow(m_windowed ? kWin91 : kBlock88, 1, out, faults);
    return out;
}

QList<FileStreamer::Block> FileStreamer::onPlainAck(uint8_t type, const Faults& faults)
{
    QList<Block> out;
    if (m_finished || type != plainAckFor(m_last.type)) {
        resendLast(out, faults);
        return out;
    }
    if (m_emptyLeft > 0) {
        sendEmpty(out);
        return out;
    }
    const uint8_t next = m_last.type == kBlock88 ? kBlock8F : kBlock88;
    sendWindow(next, 1, out, faults);
    return out;
}

QList<FileStreamer::Block> FileStreamer::onWindowedAck(uint8_t type, const QByteArray& payload,
                                                       const Faults& faults)
{
    QList<Block> out;
    if (payload.size() == 3 && uint8_t(payload[0]) == 1) {
        // A resend request: the PC names how far it got since the acknowledgement it repeats.
        const qsizetype got = uint8_t(payload[1]) | (uint8_t(payload[2]) << 8);
        const qsizetype base = type == m_lastAckType ? m_windowStart : m_sentEnd;
        m_windowStart = base;
        m_lastAckType = type;
        m_finished = false;
        m_sentEnd = std::min(base + got, m_data.size());
        sendWindow(windowTypeFor(type), 1, out, faults);
        return out;
    }
    if (m_finished) {
        // A fresh window after the last block: the PC is about to see the end already sent.
        if (payload.isEmpty())
            sendEnd(out);
        return out;
    }
    if (payload.size() == 1) {
        m_windowStart = m_sentEnd;
        m_lastAckType = type;
        sendWindow(windowTypeFor(type), std::max<int>(1, uint8_t(payload[0])), out, faults);
        return out;
    }
    if (type == kEmptyAck && (m_last.type == kEmptyWindowed || m_last.type == kEmptyPlain)) {
        if (m_emptyLeft > 0) {
            sendEmpty(out);
            return out;
        }
        // The PC drops to plain acknowledgements after a block without data; so does the board.
        m_windowed = false;
        sendWindow(kBlock88, 1, out, faults);
        return out;
    }
    if (type == plainAckFor(m_last.type)) {
        m_windowStart = m_sentEnd;
        m_lastAckType = type;
        sendWindow(windowTypeFor(type), 1, out, faults);
        return out;
    }
    resendLast(out, faults);
    return out;
}

bool FileStreamer::sendData(uint8_t type, qsizetype offset, QList<Block>& out, const Faults& faults)
{
    const qsizetype blocksBefore = offset / m_blockSize;
    if (faults.abortAfterBlocks >= 0 && blocksBefore >= faults.abortAfterBlocks) {
        out.append(Block{kFailed, {}});
        m_active = false;
        return false;
    }
    if (faults.stallAfterBlocks >= 0 && blocksBefore >= faults.stallAfterBlocks)
        return false;
    const qsizetype length = std::min<qsizetype>(m_blockSize, m_data.size() - offset);
    out.append(Block{type, m_data.mid(offset, length)});
    m_sentEnd = offset + length;
    m_last = {type, offset, length};
    return true;
}

void FileStreamer::sendEnd(QList<Block>& out)
{
    out.append(Block{kEnd, {}});
    m_finished = true;
    m_last = {kEnd, m_data.size(), 0};
}

void FileStreamer::sendEmpty(QList<Block>& out)
{
    --m_emptyLeft;
    const uint8_t type = m_windowed ? kEmptyWindowed : kEmptyPlain;
    out.append(Block{type, {}});
    m_last = {type, m_sentEnd, 0};
}

void FileStreamer::sendWindow(uint8_t type, int count, QList<Block>& out, const Faults& faults)
{
    for (int i = 0; i < count && m_sentEnd < m_data.size(); ++i)
        if (!sendData(type, m_sentEnd, out, faults))
            return;
    // Windowed: the end follows the last block at once, since a short last window is never
    // acknowledged. Plain: the end waits for the acknowledgement of the last block.
    if (m_sentEnd >= m_data.size() && (m_windowed || out.isEmpty()))
        sendEnd(out);
}

void FileStreamer::resendLast(QList<Block>& out, const Faults& faults)
{
    switch (m_last.type) {
    case 0: // nothing went out yet (a stall held back the first block)
        sendWindow(m_windowed ? kWin91 : kBlock88, 1, out, faults);
        return;
    case kEnd:
        out.append(Block{kEnd, {}});
        return;
    case kEmptyPlain:
    case kEmptyWindowed:
        out.append(Block{m_last.type, {}});
        return;
    default:
        sendData(m_last.type, m_last.offset, out, faults);
    }
}

} // namespace sim
