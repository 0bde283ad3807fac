// The serial port operations of the link, the receive engine and its timers, fault reports.
#include "Q7Port.h"

#include "ByteOrder.h"
#include "Clock.h"
#include "LinkTimer.h"
#include "Operator.h"
#include "Q7Protocol.h"
#include "TVaComm.h"

#include "WholeFile.h"

#include <algorithm>
#include <limits>

using namespace Q7Protocol;

Q7Port::Q7Port(Clock& clock, QObject* parent)
    : QObject(parent), m_clock(clock), m_comm(std::make_unique<TVaComm>(clock))
{
    m_rxTimer = new LinkTimer(
        clock, kRxTickMs, [this] { rxTimeoutTimerEvent(); }, this);
    m_fileTransferTimer = new LinkTimer(
        clock, kFileTransferTimerMs, [this] { fileTransferTimeoutTimerEvent(); }, this);
    m_commsTimer = new LinkTimer(
        clock, kCommsTimerMs, [this] { commsTimeoutTimerEvent(); }, this);
    for (std::size_t id = 0; id < structures.size(); ++id)
        structures[id].assign(Structures::kSizes[id], 0);
}

Q7Port::~Q7Port()
{
    // Only a port that was opened needs the close and its settling time; a link that never
    // opened (a failed probe, a parser under test) has nothing to release.
    if (m_comm->Active())
        m_comm->Close();
}

// ---- serial port layer ----------------------------------------------------------------------

bool Q7Port::OpenPort(const QString& portName, long /*baudRate: the link always runs at 9600*/)
{
    portOpen = false;
    m_openError.clear();
    // "Com3", "COM12" and "ABC7" name ports by the number after their first three characters;
    // a device path ("/dev/ttyUSB0", a pseudo-terminal) names the device itself.
    bool isNumber = false;
    const int number = portName.mid(3).toInt(&isNumber);
    const bool isPath = portName.contains(QLatin1Char('/')) || portName.contains(QLatin1Char('\\'));
    if (!isNumber && !isPath)
        return false;

    m_comm->Buffers.WriteSize = 4096;
    m_comm->Buffers.ReadSize = 4096;
    m_comm->DirectWrite = false;
    if (isPath || number != 0) {
        m_comm->Baudrate = br9600;
        m_comm->PortNum = isNumber ? number : 0;
#ifdef Q_OS_WIN
        m_comm->PortName = isPath ? portName : QStringLiteral("COM%1").arg(number);
#else
        m_comm->PortName = portName;
#endif
        m_comm->Parity = paNone;
        m_comm->Databits = db8;
        m_comm->Stopbits = sb1;
        m_comm->FlowControl = TVaFlowControl{};
    } else if (onConfigurePort) {
        onConfigurePort(*m_comm);
    }
    m_comm->OnRxChar = [this](TVaComm&, int count) { rxInterruptTask(count); };
    m_comm->OnDeviceLost = [this](TVaComm& comm, const QString& reason) {
        deviceLost(comm.PortName, reason);
    };
    FlushCommsBuffers();
    try {
        m_comm->Open();
    } catch (const TVaCommError& e) {
        m_openError = e.text();
        // Any other failure stays silent (detection probes ports that are in use), but a port
        // this user may not open will never answer, and only a text saying so leads the
        // technician to the fix.
        if (e.kind() == TVaCommError::Kind::Permission && OnPortDebugEvent)
            OnPortDebugEvent(*this, m_openError);
        return false;
    }
    portOpen = true;
    return true;
}

void Q7Port::PutChar(std::uint8_t byte)
{
    m_comm->WriteChar(byte);
    if (OnTxEvent)
        OnTxEvent(*this);
}

std::uint8_t Q7Port::GetChar()
{
    std::uint8_t byte = 0;
    m_comm->ReadChar(byte);
    return byte;
}

void Q7Port::FlushOutBuffer()
{
    while (m_comm->WriteBufUsed() != 0) {
        m_comm->PurgeWrite();
        m_clock.processEvents();
    }
}

void Q7Port::FlushInBuffer()
{
    while (m_comm->ReadBufUsed() != 0) {
        m_comm->PurgeRead();
        m_clock.processEvents();
        m_clock.sleep(2);
        m_clock.processEvents();
    }
}

void Q7Port::FlushCommsBuffers()
{
    FlushOutBuffer();
    FlushInBuffer();
}

void Q7Port::DelayTicks(unsigned long milliseconds)
{
    m_clock.delay(static_cast<std::int64_t>(milliseconds));
}

void Q7Port::DelaySeconds(unsigned long seconds)
{
    DelayTicks(seconds * 1000UL);
}

void Q7Port::ProcessCommunications()
{
    m_clock.processEvents();
}

bool Q7Port::waitForTraffic(std::int64_t deadline, const std::function<bool()>& done)
{
    // Everything a waiting loop looks for (a frame complete, a transfer ended, an abort) is set
    // by an event, so blocking until the next one misses nothing and costs nothing on a quiet
    // line; the deadline is the only other reason to look again. A device that went away
    // sends nothing more, so nothing is worth waiting for.
    m_clock.processEvents();
    while (!done()) {
        if (linkLost())
            return false;
        const std::int64_t left = deadline - m_clock.msecs();
        if (left <= 0)
            return false;
        m_clock.waitForEvents(
            static_cast<int>(std::min<std::int64_t>(left, std::numeric_limits<int>::max())));
    }
    return true;
}

// ---- receive engine --------------------------------------------------------------------------

template <typename NextByte> void Q7Port::receive(int count, NextByte next)
{
    m_rxTimer->stop();
    if (count > 0 && OnRxEvent)
        OnRxEvent(*this);
    for (int i = 0; i < count; ++i) {
        classify(next());
        if (m_rxLength >= kRxBufferSize)
            m_rxState = RxState::Idle;
    }
    armSilence();
}

void Q7Port::rxInterruptTask(int count)
{
    receive(count, [this] { return GetChar(); });
}

void Q7Port::receiveBytes(std::span<const std::uint8_t> bytes)
{
    std::size_t at = 0;
    receive(static_cast<int>(bytes.size()), [&] { return bytes[at++]; });
}

void Q7Port::armSilence()
{
    if (m_rxState != RxState::Idle) {
        m_rxSilenceCount = m_rtuCandidate ? kRtuSilenceTicks : kAbandonTicks;
        m_rxTimer->start();
    } else {
        m_rxSilenceCount = 0;
    }
}

void Q7Port::appendRx(std::uint8_t byte)
{
    if (m_rxLength < kRxBufferSize)
        m_rxBuffer[m_rxLength++] = byte;
}

void Q7Port::classify(std::uint8_t byte)
{
    switch (m_rxState) {
    case RxState::Idle:
        if (byte == DLE) {
            m_rxLength = 0;
            m_rxState = RxState::DleSeen;
        } else if (byte == Modbus::kAsciiStart) {
            m_rxBuffer[0] = byte;
            m_rxLength = 1;
            m_rxState = RxState::Ascii;
        } else if (byte == (m_nodeAddress & 0xFF) && m_rxSilenceCount == 0) {
            m_rxBuffer[0] = byte;
            m_rxLength = 1;
            m_rtuCandidate = true;
            m_rxState = RxState::Rtu;
        }
        break;
    case RxState::DleSeen:
        if (byte == STX) {
            m_rxState = RxState::Kalder;
        } else if (isValidCommand(byte)) {
            m_rxBuffer[0] = DLE;
            m_rxBuffer[1] = byte;
            m_rxLength = 2;
            m_rtuCandidate = true;
            m_rxState = RxState::Rtu;
        } else {
            m_rxState = RxState::Idle;
        }
        break;
    case RxState::Kalder:
        if (byte == DLE)
            m_rxState = RxState::KalderDle;
        else
            appendRx(byte);
        break;
    case RxState::KalderDle:
        if (byte == ETX) {
            m_rxState = RxState::Idle;
            if (frameReceiverKalder(std::span(m_rxBuffer).first(m_rxLength))) {
                processKalderComms();
            } else {
                rxFault = true;
                showFault(kFaultKalderCrc);
            }
        } else if (byte == kStuff) {
            appendRx(DLE);
            m_rxState = RxState::Kalder;
        } else {
            showFault(kFaultKalderDle);
            m_rxState = RxState::Idle;
        }
        break;
    case RxState::Ascii:
        if (byte == Modbus::kCR) {
            appendRx(byte);
            m_rxState = RxState::AsciiCr;
        } else if (m_rxLength == 1 && isValidCommand(byte)) {
            m_rxBuffer[0] = Modbus::kAsciiStart;
            m_rxBuffer[1] = byte;
            m_rxLength = 2;
            m_rtuCandidate = true;
            m_rxState = RxState::Rtu;
        } else {
            appendRx(byte);
        }
        break;
    case RxState::AsciiCr:
        m_rxState = RxState::Idle;
        if (byte == Modbus::kLF) {
            appendRx(byte);
            if (frameReceiverAscii(std::span(m_rxBuffer).first(m_rxLength)))
                frame.frameReceived = true;
            else
                showFault(kFaultAsciiLrc);
        }
        break;
    case RxState::Rtu:
        appendRx(byte);
        break;
    default:
        showFault(kFaultRxState);
        m_rxState = RxState::Idle;
        break;
    }
}

void Q7Port::rxTimeoutTimerEvent()
{
    if (--m_rxSilenceCount > 0)
        return;
    m_rxSilenceCount = 0;
    m_rxTimer->stop();
    if (m_rtuCandidate) {
        if (m_rxLength > 0 && m_rxBuffer[0] == (m_nodeAddress & 0xFF)) {
            if (frameReceiverRtu(std::span(m_rxBuffer).first(m_rxLength)))
                frame.frameReceived = true;
            else
                showFault(kFaultRtuCrc);
        }
        m_rtuCandidate = false;
    }
    m_rxState = RxState::Idle;
}

bool Q7Port::processKalderComms()
{
    switch (frame.kalderType) {
    case FrameType::kReply:
        // The reply that starts a log transfer announces the file's size for the progress.
        if (frame.function == Command::kLogFile || frame.function == Command::kRtLogFile)
            fileSize = ByteOrder::readLe32(frame.data, 6);
        frame.frameReceived = true;
        break;
    default:
        if (BlockTransfer::isBoardBlock(frame.kalderType)) {
            m_commsCountdown = 10; // any file frame keeps a silent-transfer stop away
            receiveFile(frame.kalderType, false);
        } else if (BlockTransfer::isPcFrame(frame.kalderType)) {
            showFault(kFaultPcFileType);
        } else {
            showFault(kFaultUnknownType);
        }
        break;
    }
    return true;
}

void Q7Port::deviceLost(const QString& device, const QString& reason)
{
    // The request in flight and any file transfer end now; later requests find the port
    // closed and fail without waiting out their time-outs.
    portOpen = false;
    abortFlag = true;
    transferStop = true;
    if (OnPortDebugEvent)
        OnPortDebugEvent(*this,
                         QStringLiteral("Serial port %1 lost (%2): check the cable and the USB adapter")
                             .arg(device, reason));
}

bool Q7Port::linkLost() const
{
    return m_comm->Lost();
}

void Q7Port::showFault(const char* file, unsigned short line)
{
    if (OnPortDebugEvent)
        OnPortDebugEvent(*this, QStringLiteral("file:") + QLatin1String(file) + QStringLiteral(" line: ") +
                                    QString::number(line));
}
