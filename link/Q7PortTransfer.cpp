// Structures and the board-driven file transfer.
#include "Q7Port.h"

#include "Clock.h"
#include "LinkTimer.h"
#include "Operator.h"
#include "TVaComm.h"

#include <QFile>
#include <QSaveFile>

#include <algorithm>

namespace {
constexpr std::uint8_t kGetStructure = 0x13;
constexpr std::uint8_t kPutStructure = 0x14;
constexpr int kCommsCountdownStart = 10;
constexpr int kWindow = 4;
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
        ok = sendKalderFrame(kGetStructure, buffer, length, 3);
    }
    if (!ok)
        return false;
    if (id < structures.size()) {
        // Structure 1 is larger than any reply; copy only what came, the rest keeps its content.
        const std::size_t came = length > 2 ? length - 2u : 0u;
        const std::size_t n = std::min(structures[id].size(), came);
        std::copy_n(buffer.begin() + 2, n, structures[id].begin());
        if (id == 0)
            loadStatusValues();
    }
    return true;
}

bool Q7Port::putStucture(std::uint8_t id)
{
    if (id != 4 && id != 5 && id != 6)
        return false;
    // The board takes a record only at its own length; an area a caller resized would go out
    // short or long (or not fit the request at all).
    if (structures[id].size() != static_cast<std::size_t>(kStructureSizes[id]))
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
        if (sendKalderFrame(kPutStructure, buffer, length, 3))
            return true;
    }
    return false;
}

void Q7Port::loadStatusValues()
{
    Q7Data::Timestamp ts;
    decodeTimestamp(structures[0].data() + 2, &ts);
    encodeTDateTime(ts, &boardClock);
    const QDateTime pc = m_clock.currentDateTime();
    // The board keeps whole seconds; the PC's milliseconds are rounded away, not truncated.
    clockOffsetSeconds = static_cast<std::int32_t>(qRound64(pc.msecsTo(boardClock.toDateTime()) / 1000.0));
}

// ---- record and log files ----------------------------------------------------------------------

bool Q7Port::getRecordFile(std::uint8_t command, const QString& path, int structureId)
{
    resetRxTxFrame(true);
    fileMode = false;
    abortFlag = false;
    RequestBuffer buffer{};
    std::uint16_t length = 0;
    if (!sendKalderFrame(command, buffer, length, 2))
        return false;
    if (!getFile(path))
        return false;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    auto& target = structures[structureId];
    if (file.size() != static_cast<qint64>(target.size()))
        return false;
    const QByteArray bytes = file.read(static_cast<qint64>(target.size()));
    if (bytes.size() != static_cast<qsizetype>(target.size()))
        return false;
    std::copy(bytes.begin(), bytes.end(), target.begin());
    return true;
}

bool Q7Port::getConfigFile(const QString& path)
{
    return getRecordFile(4, path, 5);
}
bool Q7Port::getCalFile(const QString& path)
{
    return getRecordFile(6, path, 4);
}
bool Q7Port::getBasicCalFile(const QString& path)
{
    return getRecordFile(8, path, 6);
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
    if (!sendKalderFrame(2, buffer, length, 120))
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
    if (!sendKalderFrame(100, buffer, length, 120))
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
    if (!sendKalderFrame(1, buffer, length, 120) || buffer[0] != 0x80 || buffer[1] != 1)
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
            replied = sendKalderFrame(80, buffer, length, 5);
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
    fileDone = false;
    transferStop = false;
    resetRxTxFrame(true);
    bytesWritten = 0;
    lastReported = 0;
    // The blocks go to a temporary file beside the target, which replaces the target only when
    // the board signals the end of the file: a transfer that fails leaves an earlier file whole.
    m_file = std::make_unique<QSaveFile>(path);
    if (!m_file->open(QIODevice::WriteOnly)) {
        m_file.reset();
        showFault(kFaultFileCreate);
        return false;
    }
    try {
        m_commsCountdown = kCommsCountdownStart;
        m_commsTimer->start();
        receiveFile(0x87, false);
        while (!fileDone && !transferStop && !linkLost()) {
            m_clock.processEvents();
            ProcessCommunications();
        }
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
    if (m_file) {
        m_file->cancelWriting();
        m_file.reset();
    }
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
        const std::uint32_t unreported = bytesWritten - lastReported;
        const std::uint8_t progress[] = {0x01, static_cast<std::uint8_t>(unreported & 0xFF),
                                         static_cast<std::uint8_t>((unreported >> 8) & 0xFF)};
        sendFileAck(lastAck,
                    fileMode ? std::span<const std::uint8_t>(progress) : std::span<const std::uint8_t>());
        return false;
    }

    switch (type) {
    case 0x87:
    case 0x88:
    case 0x8F:
    case 0x91:
    case 0x93:
        if (m_file && frame.dataLen > 0) {
            const auto n = std::min<std::uint16_t>(frame.dataLen, Q7Frame::kDataSize);
            m_file->write(reinterpret_cast<const char*>(frame.data.data()), n);
            bytesWritten += n;
        }
        break;
    case 0x89:
    case 0x95:
        break;
    case 0x8D:
        transferStop = true;
        closeTransferFile();
        return true;
    case 0x97:
        // The file takes the target's place only now; if that fails the transfer failed.
        if (m_file && m_file->commit())
            fileDone = true;
        else
            transferStop = true;
        m_file.reset();
        return true;
    default:
        showFault(kFaultFileBlockType);
        break;
    }

    resetRxTxFrame(true);
    std::uint8_t ack = 0;
    switch (type) {
    case 0x87:
        ack = 0x8B;
        fileRetry = 0;
        break;
    case 0x88:
        ack = fileMode ? 0x92 : 0x90;
        break;
    case 0x8F:
        ack = 0x8B;
        break;
    case 0x91:
        ack = 0x92;
        break;
    case 0x93:
        ack = 0x94;
        break;
    case 0x89:
    case 0x95:
        ack = 0x96;
        fileMode = false;
        break;
    default:
        // No acknowledgement exists for it; sending one of no type would only confuse the board.
        showFault(kFaultFileNoAck);
        m_fileTransferTimer->start();
        return false;
    }
    m_fileTransferTimer->start();

    const std::uint8_t window[] = {static_cast<std::uint8_t>(kWindow)};
    std::span<const std::uint8_t> payload;
    if (fileMode && (ack == 0x92 || ack == 0x94)) {
        if (fileRetry > 1) {
            --fileRetry;
            return false;
        }
        if (transferStop) {
            ack = 0x8E;
        } else {
            fileRetry = kWindow;
            payload = window;
            ack = ack == 0x92 ? 0x94 : 0x92;
        }
    } else if (!fileMode && transferStop) {
        ack = 0x8E;
    }
    sendFileAck(ack, payload);
    // Only a new acknowledgement moves the reference point; a resend repeats the old one,
    // so the count it carries stays measured from there.
    lastAck = ack;
    lastReported = bytesWritten;
    return false;
}

void Q7Port::sendFileAck(std::uint8_t type, std::span<const std::uint8_t> payload)
{
    DelayTicks(kAckPauseMs);
    // Built after the pause, so a frame that arrived meanwhile cannot leave its bytes in it;
    // stepped without running events, so none can arrive half way through.
    frame.kalderType = type;
    frame.data.fill(0);
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
    if (--fileRetry <= 0) {
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
    Q7Data::Timestamp timeOnly = ts;
    timeOnly.year = 0;
    timeOnly.month = 1;
    timeOnly.day = 1;
    *out = Q7Data::IsValidTimestamp(timeOnly) ? TDateTime::fromTime(QTime(ts.hour, ts.minute, ts.second))
                                              : TDateTime();
}

void Q7Port::decodeTDateTime(TDateTime value, Q7Data::Timestamp* ts)
{
    *ts = Q7Data::decodeTDateTime(value);
}
