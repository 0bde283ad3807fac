#pragma once

#include <QObject>
#include <QSerialPort>
#include <QString>

#include <cstdint>
#include <functional>
#include <stdexcept>

class Clock;

// Raised by the serial component; the text carries the device name and the system's reason.
class TVaCommError : public std::runtime_error
{
public:
    enum class Kind
    {
        Other,
        // The device exists but this user may not open it; the text says who may.
        Permission,
    };
    explicit TVaCommError(const QString& text, Kind kind = Kind::Other)
        : std::runtime_error(text.toStdString()), m_kind(kind)
    {
    }
    QString text() const { return QString::fromStdString(what()); }
    Kind kind() const { return m_kind; }

private:
    Kind m_kind;
};

enum TVaBaudrate
{
    brUser,
    br110,
    br300,
    br600,
    br1200,
    br2400,
    br4800,
    br9600,
    br14400,
    br19200,
    br38400,
    br56000,
    br57600,
    br115200,
    br128000,
    br256000
};
enum TVaParity
{
    paNone,
    paOdd,
    paEven,
    paMark,
    paSpace
};
enum TVaDatabits
{
    db4,
    db5,
    db6,
    db7,
    db8
};
enum TVaStopbits
{
    sb1,
    sb15,
    sb2
};
enum TVaControlDtr
{
    dtrDisabled,
    dtrEnabled,
    dtrHandshake
};
enum TVaControlRts
{
    rtsDisabled,
    rtsEnabled,
    rtsHandshake,
    rtsToggle
};

struct TVaFlowControl
{
    bool OutCtsFlow = false;
    bool OutDsrFlow = false;
    TVaControlDtr ControlDtr = dtrDisabled;
    TVaControlRts ControlRts = rtsDisabled;
    bool XonXoffOut = false;
    bool XonXoffIn = false;
};

struct TVaBuffers
{
    int ReadSize = 4096;
    int WriteSize = 4096;
    int ReadTimeout = 1000;
    int WriteTimeout = 1000;
};

// The serial component a Q7Port owns. The device is opened exclusively; received bytes are
// announced on the GUI thread with the number waiting; writes are queued and never wait for
// the device except when the queue is full.
class TVaComm : public QObject
{
public:
    explicit TVaComm(Clock& clock, QObject* parent = nullptr);
    ~TVaComm() override;

    // The device to open: a platform port name ("COM3", "/dev/ttyUSB0", a pty path).
    QString PortName;
    int PortNum = 0;
    TVaBaudrate Baudrate = br9600;
    TVaParity Parity = paNone;
    TVaDatabits Databits = db8;
    TVaStopbits Stopbits = sb1;
    TVaFlowControl FlowControl;
    TVaBuffers Buffers;
    bool DirectWrite = false;

    // Bytes have arrived; the count is the number waiting. Runs on the GUI thread, never
    // nested inside itself.
    std::function<void(TVaComm& sender, int count)> OnRxChar;
    // The device went away while open (a USB adapter pulled, the far end of a pseudo-terminal
    // closed): reason is the system's text. Runs on the GUI thread, once per open.
    std::function<void(TVaComm& sender, const QString& reason)> OnDeviceLost;

    void Open();
    void Close();
    // False once the device has gone away, although the handle is only released by Close.
    bool Active() const;
    bool Lost() const { return m_lost; }

    bool WriteChar(std::uint8_t byte);
    bool ReadChar(std::uint8_t& byte);
    int ReadBufUsed() const;
    int WriteBufUsed() const;
    void PurgeRead();
    void PurgeWrite();

    static qint32 baudRateValue(TVaBaudrate rate);

private:
    void deliverReceived();
    void portError(QSerialPort::SerialPortError error);

    Clock& m_clock;
    QSerialPort m_port;
    bool m_inRxChar = false;
    bool m_lost = false;
    quint64 m_bytesTaken = 0;
};
