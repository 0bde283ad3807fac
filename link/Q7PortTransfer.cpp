// Structures and the board-driven file transfer.
#include "Q7Port.h"

#include "Clock.h"
#include "LinkTimer.h"
#include "Operator.h"
#include "Q7Protocol.h"
#include "TVaComm.h"
#include "WholeFile.h"

#include <QFile>

#include <algorithm>
#include <limits>

using namespace Q7Protocol;

namespace {
constexpr int kCommsCountdownStart = 10;
constexpr int kAckPauseMs = 50;
} // namespace

// ---- structures --------------------------------------------------------------------------------

bool Q7Port::getStucture(std::uint8_t id)
{
    abortFlag = false;
    resetRxTxFrame(true);
    FlushCommsBuffers();
    RequestBuffer buffer{};
    std::uint16_t length = 0;
    bool ok = false;
    for (int attempt = 0; attempt < 3 && !ok; ++attempt) {
        resetRxTxFrame(true);
        buffer.fill(0);
        buffer[0] = id;
        length = 1;
        ok = sendKalderFrame(Command::kGetStructure, buffer, length, 3);
    }
    if (!ok)
        return false;
    if (id < structures.size()) {
        // Structure 1 is larger than any reply; copy only what came, the rest keeps its content.
        const std::size_t came = length > 2 ? length - 2u : 0u;
        const std::size_t n = std::min(structures[id].size(), came);
        std::copy_n(buffer.begin() + 2, n, structures[id].begin());
        if (id == Structures::wireId(StructureId::Status))
            loadStatusValues();
    }
    return true;
}

bool Q7Port::putStucture(std::uint8_t id)
{
    if (id >= Structures::kCount || !Structures::isWritable(static_cast<StructureId>(id)))
        return false;
    // The board takes a record only at its own length; an area a caller resized would go out
    // short or long (or not fit the request at all).
    if (structures[id].size() != Structures::kSizes[id])
        return false;
    abortFlag = false;
    for (int attempt = 0; attempt < 3; ++attempt) {
        RequestBuffer buffer{};
        buffer[0] = id;
        std::copy(structures[id].begin(), structures[id].end(), buffer.begin() + 1);
        std::uint16_t length = static_cast<std::uint16_t>(structures[id].size() + 1);
        if (!sendNullCommand())
            continue;
        DelayTicks(50);
        if (sendKalderFrame(Command::kPutStructure, buffer, length, 3))
            return true;
    }
    return false;
}

void Q7Port::loadStatusValues()
{
    Q7Data::Timestamp ts;
    decodeTimestamp(structure(StructureId::Status).data() + 2, &ts);
    encodeTDateTime(ts, &boardClock);
    const QDateTime pc = m_clock.currentDateTime();
    // The board keeps whole seconds; the PC's milliseconds are rounded away, not truncated.
    clockOffsetSeconds = static_cast<std::int32_t>(qRound64(pc.msecsTo(boardClock.toDateTime()) / 1000.0));
}

// ---- record and log files ----------------------------------------------------------------------

bool Q7Port::getRecordFile(std::uint8_t command, const QString& path, StructureId id)
{
    resetRxTxFrame(true);
    fileMode = false;
    abortFlag = false;
    RequestBuffer buffer{};
    std::uint16_t length = 0;
    if (!sendKalderFrame(command, buffer, length, 2))
        return false;
    // The length is checked before the transfer commits, so a wrong one keeps an earlier file.
    auto& target = structure(id);
    const auto size = static_cast<qint64>(Structures::sizeOf(id));
    m_requiredFileSize = size;
    const bool received = getFile(path);
    m_requiredFileSize.reset();
    if (!received)
        return false;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    if (file.size() != size)
        return false;
    const QByteArray bytes = file.read(size);
    if (bytes.size() != size)
        return false;
    target.assign(bytes.begin(), bytes.end());
    return true;
}

bool Q7Port::getConfigFile(const QString& path)
{
    return getRecordFile(Command::kConfigFile, path, StructureId::Config);
}
bool Q7Port::getCalFile(const QString& path)
{
    return getRecordFile(Command::kCalFile, path, StructureId::Cal);
}
bool Q7Port::getBasicCalFile(const QString& path)
{
    return getRecordFile(Command::kBasicCalFile, path, StructureId::BasicCal);
}

bool Q7Port::getLogFile(const QByteArray& name, const QString& path, bool mode)
{
    // The name and its NUL must fit the request after the command byte.
    if (name.size() > Q7Frame::kDataSize - 2 || name.contains('\0'))
        return false;
    resetRxTxFrame(true);
    fileMode = mode;
    abortFlag = false;
    RequestBuffer buffer{};
    std::copy(name.begin(), name.end(), buffer.begin());
    std::uint16_t length = static_cast<std::uint16_t>(name.size() + 1);
    if (!sendKalderFrame(Command::kLogFile, buffer, length, 120))
        return false;
    return getFile(path);
}

bool Q7Port::getRTLogFile(const QByteArray& /*not sent*/, const QString& path, bool mode, std::uint8_t logId,
                          const Q7Data::sTimestamp* first, const Q7Data::sTimestamp* last)
{
    resetRxTxFrame(true);
    fileMode = mode;
    abortFlag = false;
    RequestBuffer buffer{};
    buffer[0] = logId;
    encodeTimestamp(first, buffer.data() + 1);
    encodeTimestamp(last, buffer.data() + 7);
    std::uint16_t length = 13;
    if (!sendKalderFrame(Command::kRtLogFile, buffer, length, 120))
        return false;
    return getFile(path);
}

bool Q7Port::GetDateTimeBounds(std::uint8_t logId, Q7Data::sTimestamp* first, Q7Data::sTimestamp* last)
{
    resetRxTxFrame(true);
    abortFlag = false;
    RequestBuffer buffer{};
    buffer[0] = logId;
    std::uint16_t length = 1;
    if (!sendKalderFrame(Command::kDateTimeBounds, buffer, length, 120) || buffer[0] != kAccepted ||
        buffer[1] != Command::kDateTimeBounds)
        return false;
    decodeTimestamp(buffer.data() + 2, first);
    decodeTimestamp(buffer.data() + 8, last);
    return true;
}

bool Q7Port::getLogFileIndex(const QString& path, std::uint8_t logId, bool /*flag*/)
{
    fileMode = false;
    try {
        bool replied = false;
        for (int attempt = 0; attempt < 4 && !replied; ++attempt) {
            FlushCommsBuffers();
            resetRxTxFrame(true);
            abortFlag = false;
            RequestBuffer buffer{};
            buffer[0] = logId;
            std::uint16_t length = 1;
            replied = sendKalderFrame(Command::kLogFileIndex, buffer, length, 5);
        }
        if (!replied) {
            if (m_operator)
                m_operator->message(QStringLiteral("getLogFileIndex failed"));
            return false;
        }
        DelayTicks(100);
        const bool ok = getFile(path);
        if (!ok && m_operator)
            m_operator->message(QStringLiteral("getFile failed"));
        return ok;
    } catch (const TVaCommError& e) {
        showError(e.text());
        return false;
    }
}

// ---- the block protocol ------------------------------------------------------------------------

bool Q7Port::getFile(const QString& path)
{
    m_transfer.start();
    resetRxTxFrame(true);
    // Left over from an earlier exchange (a corrupted frame of a request that was retried and
    // then succeeded), it would hold back the first acknowledgement.
    rxFault = false;
    // The blocks go to a temporary file beside the target, which replaces the target only when
    // the board signals the end of the file: a transfer that fails leaves an earlier file whole.
    m_file = std::make_unique<WholeFileWriter>(path);
    m_fileBytes.clear();
    if (!m_file->open().ok) {
        m_file.reset();
        showFault(kFaultFileCreate);
        return false;
    }
    try {
        m_commsCountdown = kCommsCountdownStart;
        m_commsTimer->start();
        receiveFile(Block::kData, false);
        // The comms timer ends a transfer the board has left, so the wait needs no deadline.
        waitForTraffic(std::numeric_limits<std::int64_t>::max(), [this] { return fileDone || transferStop; });
    } catch (const TVaCommError& e) {
        showError(e.text());
    }
    // Nothing is resent for a transfer its caller has given up on.
    m_fileTransferTimer->stop();
    m_commsTimer->stop();
    closeTransferFile();
    return fileDone;
}

void Q7Port::closeTransferFile()
{
    m_file.reset();
    m_fileBytes.clear();
}

bool Q7Port::receiveFile(std::uint8_t type, bool isRetry)
{
    m_fileTransferTimer->stop();
    if (OnDownLoadEvent)
        OnDownLoadEvent(*this, static_cast<int>(fileSize), static_cast<int>(bytesWritten),
                        static_cast<int>(lastReported));
    if (rxFault) {
        // A corrupted block: no acknowledgement, so the timer's resend asks for it again.
        m_fileTransferTimer->start();
        showFault(kFaultFileRxFault);
        return false;
    }
    if (isRetry) {
        resetRxTxFrame(false);
        m_fileTransferTimer->start();
        sendFileAck(m_transfer.resend());
        return false;
    }

    const BlockTransfer::Step step = m_transfer.onBlock(type);
    if (step.storesData && m_file && frame.dataLen > 0) {
        const auto n = std::min<std::uint16_t>(frame.dataLen, Q7Frame::kDataSize);
        m_file->write(reinterpret_cast<const char*>(frame.data.data()), n);
        m_fileBytes.append(reinterpret_cast<const char*>(frame.data.data()), n);
        bytesWritten += n;
    }
    switch (step.end) {
    case BlockTransfer::End::BoardStop:
        closeTransferFile();
        return true;
    case BlockTransfer::End::EndOfFile:
        commitTransferFile();
        return true;
    case BlockTransfer::End::None:
        break;
    }
    if (step.unknownBlock)
        showFault(kFaultFileBlockType);

    resetRxTxFrame(true);
    if (step.noAckExists)
        showFault(kFaultFileNoAck);
    m_fileTransferTimer->start();
    if (step.ack) {
        sendFileAck(*step.ack);
        m_transfer.acknowledged(step.ack->type);
    }
    return false;
}

void Q7Port::commitTransferFile()
{
    // A record of the wrong length is no backup of this board: it must not replace a good file
    // already at the path. Otherwise the file takes the target's place only now; if that fails
    // the transfer failed.
    const bool rightLength = !m_requiredFileSize || *m_requiredFileSize == static_cast<qint64>(bytesWritten);
    if (rightLength && m_file && m_file->commit().ok) {
        fileDone = true;
        tellWholeFileObservers(m_file->fileName(), m_fileBytes);
    } else
        transferStop = true;
    closeTransferFile();
}

void Q7Port::sendFileAck(const BlockTransfer::Acknowledgement& ack)
{
    DelayTicks(kAckPauseMs);
    // Built after the pause, so a frame that arrived meanwhile cannot leave its bytes in it;
    // stepped without running events, so none can arrive half way through.
    frame.kalderType = ack.type;
    frame.data.fill(0);
    const auto payload = ack.bytes();
    std::copy(payload.begin(), payload.end(), frame.data.begin());
    frame.dataLen = static_cast<std::uint16_t>(payload.size());
    frame.index = 0;
    frame.txState = 0;
    frame.status = 0;
    PutChar(DLE);
    while (!(frame.status & Q7Frame::kTxComplete))
        frameTransmitterKalder();
}

void Q7Port::fileTransferTimeoutTimerEvent()
{
    showFault(kFaultFileTimer);
    if (m_transfer.timerExpired()) {
        // The resend is what recovers a corrupted block, so the fault it left must not hold it
        // back: waiting for a second expiry (14 s) would let the silent-transfer stop (11 s)
        // end the transfer first.
        rxFault = false;
        receiveFile(lastAck, true);
    }
}

void Q7Port::commsTimeoutTimerEvent()
{
    const std::int32_t noted = m_commsCountdown--;
    if (noted <= 0)
        transferStop = true;
}

void Q7Port::showError(const QString& text)
{
    if (m_operator)
        m_operator->error(text);
}

// ---- board time --------------------------------------------------------------------------------

void Q7Port::encodeTimestamp(const Q7Data::Timestamp* ts, std::uint8_t* out)
{
    const auto bytes = Q7Data::encodeTimestamp(*ts);
    std::copy(bytes.begin(), bytes.end(), out);
}

void Q7Port::decodeTimestamp(const std::uint8_t* in, Q7Data::Timestamp* ts)
{
    *ts = Q7Data::decodeTimestamp(std::span<const std::uint8_t, 6>(in, 6));
}

void Q7Port::encodeTDateTime(Q7Data::Timestamp ts, TDateTime* out)
{
    *out = Q7Data::encodeTDateTime(ts);
}

void Q7Port::encodeTTime(Q7Data::Timestamp ts, TDateTime* out)
{
    *out = Q7Data::encodeTTime(ts);
}

void Q7Port::decodeTDateTime(TDateTime value, Q7Data::Timestamp* ts)
{
    *ts = Q7Data::decodeTDateTime(value);
}
