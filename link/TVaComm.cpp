#include "TVaComm.h"

#include "Clock.h"
#include "Ports.h"

#include <QDeadlineTimer>

#ifdef Q_OS_UNIX
#include <poll.h>
#endif

namespace {

constexpr int kCloseSettleMs = 300;

QSerialPort::Parity toQt(TVaParity p)
{
    switch (p) {
    case paOdd:
        return QSerialPort::OddParity;
    case paEven:
        return QSerialPort::EvenParity;
    case paMark:
        return QSerialPort::MarkParity;
    case paSpace:
        return QSerialPort::SpaceParity;
    case paNone:
        break;
    }
    return QSerialPort::NoParity;
}

QSerialPort::DataBits toQt(TVaDatabits d)
{
    switch (d) {
    case db4: // no platform driver offers 4 data bits; the nearest is 5
    case db5:
        return QSerialPort::Data5;
    case db6:
        return QSerialPort::Data6;
    case db7:
        return QSerialPort::Data7;
    case db8:
        break;
    }
    return QSerialPort::Data8;
}

QSerialPort::StopBits toQt(TVaStopbits s)
{
    switch (s) {
    case sb15:
        return QSerialPort::OneAndHalfStop;
    case sb2:
        return QSerialPort::TwoStop;
    case sb1:
        break;
    }
    return QSerialPort::OneStop;
}

QSerialPort::FlowControl toQt(const TVaFlowControl& f)
{
    if (f.XonXoffIn || f.XonXoffOut)
        return QSerialPort::SoftwareControl;
    if (f.OutCtsFlow || f.ControlRts == rtsHandshake)
        return QSerialPort::HardwareControl;
    return QSerialPort::NoFlowControl;
}

bool hungUp(qintptr handle)
{
#ifdef Q_OS_UNIX
    pollfd p{static_cast<int>(handle), POLLIN, 0};
    return ::poll(&p, 1, 0) == 1 && (p.revents & (POLLHUP | POLLERR | POLLNVAL)) != 0;
#else
    Q_UNUSED(handle);
    return false;
#endif
}

} // namespace

TVaComm::TVaComm(Clock& clock, QObject* parent) : QObject(parent), m_clock(clock), m_port(this)
{
    connect(&m_port, &QSerialPort::readyRead, this, &TVaComm::deliverReceived);
    connect(&m_port, &QSerialPort::errorOccurred, this, &TVaComm::portError);
}

TVaComm::~TVaComm()
{
    if (m_port.isOpen())
        m_port.close();
}

qint32 TVaComm::baudRateValue(TVaBaudrate rate)
{
    static constexpr qint32 kRates[] = {9600,  110,   300,   600,   1200,  2400,   4800,   9600,
                                        14400, 19200, 38400, 56000, 57600, 115200, 128000, 256000};
    return kRates[static_cast<int>(rate)];
}

void TVaComm::Open()
{
    if (m_port.isOpen() && !m_lost)
        return;
    if (m_port.isOpen())
        m_port.close();
    m_lost = false;
    m_port.setPortName(PortName);
    m_port.setBaudRate(baudRateValue(Baudrate));
    m_port.setParity(toQt(Parity));
    m_port.setDataBits(toQt(Databits));
    m_port.setStopBits(toQt(Stopbits));
    m_port.setFlowControl(toQt(FlowControl));
    // QSerialPort takes the port exclusively (a lock file and TIOCEXCL on Unix, no sharing on
    // Windows), so a port another program holds fails here.
    if (PortName.isEmpty() || !m_port.open(QIODevice::ReadWrite)) {
        const QString reason = m_port.errorString();
        const int code = static_cast<int>(m_port.error());
        m_port.clearError();
        if (const QString problem = portAccessProblem(PortName); !problem.isEmpty())
            throw TVaCommError(problem, TVaCommError::Kind::Permission);
        throw TVaCommError(QStringLiteral("%1: error %2: %3").arg(PortName).arg(code).arg(reason));
    }
    // A pseudo-terminal or a bare UART has no modem lines; the board does not need them, so
    // a refusal to drop DTR and RTS is not a reason to fail the open.
    if (FlowControl.ControlDtr != dtrHandshake)
        m_port.setDataTerminalReady(FlowControl.ControlDtr == dtrEnabled);
    if (FlowControl.ControlRts != rtsHandshake)
        m_port.setRequestToSend(FlowControl.ControlRts == rtsEnabled);
    m_port.clearError();
}

void TVaComm::Close()
{
    if (m_port.isOpen())
        m_port.close();
    m_lost = false;
    // Give the driver time to release the device before anyone opens it again (detection
    // closes a port and the workflow reopens the chosen one straight after).
    m_clock.sleep(kCloseSettleMs);
}

bool TVaComm::Active() const
{
    return m_port.isOpen() && !m_lost;
}

bool TVaComm::WriteChar(std::uint8_t byte)
{
    if (!Active())
        return false;
    if (m_port.bytesToWrite() >= Buffers.WriteSize) {
        QDeadlineTimer deadline(Buffers.WriteTimeout);
        while (m_port.bytesToWrite() >= Buffers.WriteSize && !deadline.hasExpired())
            m_port.waitForBytesWritten(static_cast<int>(std::max<qint64>(1, deadline.remainingTime())));
        if (m_port.bytesToWrite() >= Buffers.WriteSize)
            throw TVaCommError(QStringLiteral("Output buffer is full. Please check comm status."));
    }
    const char c = static_cast<char>(byte);
    return m_port.write(&c, 1) == 1;
}

bool TVaComm::ReadChar(std::uint8_t& byte)
{
    if (!Active() || m_port.bytesAvailable() <= 0)
        return false;
    char c = 0;
    if (m_port.read(&c, 1) != 1)
        return false;
    byte = static_cast<std::uint8_t>(c);
    ++m_bytesTaken;
    return true;
}

int TVaComm::ReadBufUsed() const
{
    return Active() ? static_cast<int>(m_port.bytesAvailable()) : 0;
}

int TVaComm::WriteBufUsed() const
{
    return Active() ? static_cast<int>(m_port.bytesToWrite()) : 0;
}

void TVaComm::PurgeRead()
{
    if (Active())
        m_port.clear(QSerialPort::Input);
}

void TVaComm::PurgeWrite()
{
    if (Active())
        m_port.clear(QSerialPort::Output);
}

void TVaComm::deliverReceived()
{
    // The handler may wait for events (a file-transfer acknowledgement pauses first); bytes
    // arriving meanwhile are delivered once it returns, as one event thread would.
    if (m_inRxChar || !OnRxChar)
        return;
    struct Guard
    {
        bool& flag;
        explicit Guard(bool& f) : flag(f) { flag = true; }
        ~Guard() { flag = false; }
    } guard(m_inRxChar);
    for (int count = ReadBufUsed(); count > 0 && OnRxChar; count = ReadBufUsed()) {
        const quint64 before = m_bytesTaken;
        OnRxChar(*this, count);
        if (m_bytesTaken == before) // the handler left the bytes; do not spin on them
            break;
    }
}

void TVaComm::portError(QSerialPort::SerialPortError error)
{
    if (!m_port.isOpen() || m_lost)
        return;
    // A device that went away shows as a resource error (a pulled USB adapter: EIO, ENODEV)
    // or, when the line was hung up, as a read that returns nothing; every later exchange
    // would only run out its time-outs, so the owner hears of it now.
    const bool gone = error == QSerialPort::ResourceError ||
                      ((error == QSerialPort::ReadError || error == QSerialPort::WriteError) &&
                       hungUp(static_cast<qintptr>(m_port.handle())));
    if (!gone)
        return;
    m_lost = true;
    // A read that found the line hung up leaves no error number of its own; the system text
    // would name whatever failed last.
    const QString reason =
        error == QSerialPort::ResourceError ? m_port.errorString() : QStringLiteral("the line was hung up");
    m_port.clearError();
    // Released outside the notification that reported it; a hung-up line would otherwise keep
    // reporting itself readable.
    QMetaObject::invokeMethod(
        this,
        [this] {
            if (m_lost && m_port.isOpen())
                m_port.close();
        },
        Qt::QueuedConnection);
    if (OnDeviceLost)
        OnDeviceLost(*this, reason);
}
