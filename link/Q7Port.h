#pragma once

#include "BlockTransfer.h"
#include "BoardTime.h"
#include "Q7Data.h"
#include "Q7Frame.h"
#include "StructureId.h"
#include "TDateTime.h"

#include <QObject>
#include <QString>

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <vector>

class Clock;
class LinkTimer;
class Operator;
class WholeFileWriter;
class TVaComm;

// One serial link to a Q7 board: the port, the three framings, the receive engine that sorts
// incoming bytes into frames, and the requests built on them.
//
// Everything runs on the GUI thread. Replies get in only while a wait lets events run, and
// every wait reads time through the injected Clock. The receive engine can also be fed bytes
// and timer ticks directly (receiveBytes, rxTimeoutTimerEvent), without a port or an event
// loop, which is how it is fuzzed.
class Q7Port : public QObject
{
public:
    // Where a fault report was raised; the number travels in the report text.
    enum FaultLine : unsigned short
    {
        kFaultRtuCrc = 332,
        kFaultKalderCrc = 443,
        kFaultKalderDle = 448,
        kFaultAsciiLrc = 487,
        kFaultRxState = 504,
        kFaultCrcOverNothing = 587,
        kFaultAsciiParserState = 913,
        kFaultAsciiTxState = 1073,
        kFaultKalderTxState = 1301,
        kFaultRtuFunction = 1387,
        kFaultRtuParserState = 1440,
        kFaultPcFileType = 1605,
        kFaultUnknownType = 1609,
        kFaultFileTimer = 1619,
        kFaultFileRxFault = 1655,
        kFaultFileBlockType = 1718,
        kFaultFileNoAck = 1757,
        kFaultFileCreate = 2661,
        kFaultEmbeddedFunction = 2719,
    };

    enum class RxState : std::uint8_t
    {
        Idle,
        DleSeen,
        Kalder,
        KalderDle,
        Ascii,
        AsciiCr,
        Rtu
    };

    static constexpr int kRxBufferSize = 512;
    static constexpr int kRtuSilenceTicks = 10;
    static constexpr int kAbandonTicks = 1500;
    static constexpr int kRxTickMs = 10;
    static constexpr int kFileTransferTimerMs = 7000;
    static constexpr int kCommsTimerMs = 1000;

    static constexpr std::uint8_t DLE = 0x10;
    static constexpr std::uint8_t STX = 0x02;
    static constexpr std::uint8_t ETX = 0x03;
    static constexpr std::uint8_t kStuff = 0x90;

    explicit Q7Port(Clock& clock, QObject* parent = nullptr);
    ~Q7Port() override;

    // ---- published events: one handler each, called only when assigned -------------------
    std::function<void(Q7Port& sender)> OnRxEvent;
    std::function<void(Q7Port& sender)> OnTxEvent;
    std::function<void(Q7Port& sender, const QString& data)> OnPortDebugEvent;
    std::function<void(Q7Port& sender, int size, int downloaded, int temp)> OnDownLoadEvent;

    // Shown by OpenPort for the port number 0 instead of the fixed line settings; it edits the
    // component's settings in place. Unset, port 0 opens with whatever the component holds.
    std::function<void(TVaComm& comm)> onConfigurePort;

    // ---- serial port layer ------------------------------------------------------------------
    bool portOpen = false;

    bool OpenPort(const QString& portName, long baudRate = 9600);
    // Why the last OpenPort failed to open the device (the system's reason, or who may open
    // it); empty when it succeeded or the name was refused before any device was tried.
    QString openError() const { return m_openError; }
    void PutChar(std::uint8_t byte);
    std::uint8_t GetChar();
    void FlushOutBuffer();
    void FlushInBuffer();
    void FlushCommsBuffers();
    void DelayTicks(unsigned long milliseconds);
    void DelaySeconds(unsigned long seconds);
    // Lets received bytes in without blocking (between the bytes of a request).
    void ProcessCommunications();
    // Lets received bytes in until done() holds (true) or the clock reaches the deadline (false),
    // blocking in between until more bytes or another event arrive.
    bool waitForTraffic(std::int64_t deadline, const std::function<bool()>& done);

    TVaComm& comm() { return *m_comm; }
    // The device went away after OpenPort; nothing more gets through until it is opened again.
    bool linkLost() const;
    Clock& clock() { return m_clock; }

    // ---- frame record and codecs ------------------------------------------------------------
    Q7Frame frame;
    std::uint16_t nodeAddress() const { return m_nodeAddress; }

    void resetRxTxFrame(bool full);

    static void binToHex(std::uint8_t value, std::span<std::uint8_t, 2> buffer);
    static std::uint8_t hexToBin(std::span<const std::uint8_t, 2> buffer);
    static void breakUnsignedInt16(std::uint16_t value, std::span<std::uint8_t, 2> out);
    static void breakFloat32(float value, std::span<std::uint8_t, 4> out);
    static void updateCrc16(bool first, std::uint8_t byte, std::uint16_t& crc);
    static void updateCcittCrc(std::uint16_t& crc, std::uint8_t byte);
    std::uint16_t blockCalcCcittCrc(std::span<const std::uint8_t> data, std::uint16_t start);
    std::uint8_t blockCalcLrc() const;
    std::uint16_t blockCalcCrc16() const;
    static bool isValidCommand(std::uint8_t function);

    void frameTransmitterAscii();
    void frameTransmitterRtu();
    void frameTransmitterKalder();
    bool frameReceiverAscii(std::span<const std::uint8_t> raw);
    bool frameReceiverRtu(std::span<const std::uint8_t> raw);
    bool frameReceiverKalder(std::span<const std::uint8_t> raw);

    // ---- receive engine -----------------------------------------------------------------------
    // The OnRxChar handler: takes count bytes from the port.
    void rxInterruptTask(int count);
    // The same classification over bytes that did not come from the port.
    void receiveBytes(std::span<const std::uint8_t> bytes);
    void rxTimeoutTimerEvent();
    void commsTimeoutTimerEvent();
    void fileTransferTimeoutTimerEvent();
    bool processKalderComms();
    void showFault(const char* file, unsigned short line);
    void showFault(unsigned short line) { showFault("Q7Port", line); }

    RxState rxState() const { return m_rxState; }
    int rxLength() const { return m_rxLength; }
    int rxSilenceCount() const { return m_rxSilenceCount; }
    bool rxFault = false;
    bool abortFlag = false;

    LinkTimer& rxTimer() { return *m_rxTimer; }
    LinkTimer& fileTransferTimer() { return *m_fileTransferTimer; }
    LinkTimer& commsTimer() { return *m_commsTimer; }

    // ---- requests (the caller's buffer is the size of the frame record's data area) ----------
    using RequestBuffer = std::array<std::uint8_t, Q7Frame::kDataSize>;
    using TDateTime = Q7Data::TDateTime;

    bool sendKalderFrame(std::uint8_t command, RequestBuffer& buffer, std::uint16_t& length,
                         std::uint16_t timeout);
    bool readRegisters(std::uint16_t start, std::uint16_t count, RequestBuffer& buffer, std::uint16_t& length,
                       std::uint16_t timeout);
    bool writeSingleRegister(std::uint16_t reg, std::uint16_t value, RequestBuffer& buffer,
                             std::uint16_t& length, std::uint16_t timeout);
    bool writeRegisters(std::uint16_t start, std::uint16_t count, RequestBuffer& buffer,
                        std::uint16_t& length, std::uint16_t timeout);
    bool readRegistersRTU(std::uint16_t start, std::uint16_t count, RequestBuffer& buffer,
                          std::uint16_t& length, std::uint16_t timeout);
    bool writeSingleRegisterRTU(std::uint16_t reg, std::uint16_t value, RequestBuffer& buffer,
                                std::uint16_t& length, std::uint16_t timeout);
    bool writeRegistersRTU(std::uint16_t start, std::uint16_t count, RequestBuffer& buffer,
                           std::uint16_t& length, std::uint16_t timeout);
    bool sendEmbeddedFrame(std::uint8_t node, std::uint8_t function, std::uint16_t start, std::uint16_t count,
                           RequestBuffer& buffer, std::uint16_t& length, std::uint16_t timeout);
    bool sendNullCommand();
    void abortCommand() { abortFlag = true; }

    bool readUI16Register(std::uint16_t address, std::uint16_t* value);
    bool readUI32Register(std::uint16_t address, unsigned long* value);
    bool readF32Register(std::uint16_t address, float* value);
    bool readTimeStampRegister(std::uint16_t address, TDateTime* value);
    bool readTotals(Q7Data::Totalisers* totals);

    bool setTime(TDateTime time, RequestBuffer& buffer, std::uint16_t& length, std::uint16_t timeout,
                 Q7Data::ProtocolType protocol);
    bool resetTotalisers(std::uint16_t value, RequestBuffer& buffer, std::uint16_t& length,
                         std::uint16_t timeout, Q7Data::ProtocolType protocol);
    bool setCommsAccess(std::uint16_t value, RequestBuffer& buffer, std::uint16_t& length,
                        std::uint16_t timeout, Q7Data::ProtocolType protocol);
    bool setDateTime(TDateTime time, bool useNow);

    std::uint16_t getCommsAccessLevel();
    std::uint16_t loggin(std::uint16_t code);
    std::uint16_t logout();
    bool verifySerialNumber();

    bool jumpToBootCode();
    bool setID(std::uint8_t id);
    bool sendLcdPlusCommand();
    bool sendLcdMinusCommand();
    bool sendTotalsUpdateCommand(std::span<const std::uint8_t> data);
    bool setModemPower(std::uint8_t value);
    bool readChannel(std::uint16_t channel, float* value);
    bool setState(std::uint8_t state);
    bool setCoilCurrent(std::uint8_t a, std::uint16_t b);
    bool readInputSignal(float* value);
    bool readPNFSignal(float* value);
    bool readECSignal(float* value);
    bool setAccessLevel(std::uint8_t level);
    bool ClearDataFlashLog(std::uint8_t logId);
    bool ClearAllDataFlashLogs();
    bool backupLogsToSdcard();
    bool sendSimpleCommand(std::uint8_t command);

    // ---- structures and file transfer ---------------------------------------------------------
private:
    // Declared before the names below that refer into it.
    BlockTransfer m_transfer;

public:
    // The eight structures by id, each at its fixed size, zero until fetched.
    std::array<std::vector<std::uint8_t>, Structures::kCount> structures;
    std::vector<std::uint8_t>& structure(StructureId id) { return structures[Structures::index(id)]; }
    const std::vector<std::uint8_t>& structure(StructureId id) const
    {
        return structures[Structures::index(id)];
    }
    TDateTime boardClock;
    std::int32_t clockOffsetSeconds = 0;

    bool getStucture(std::uint8_t id);
    bool putStucture(std::uint8_t id);
    void loadStatusValues();
    bool getConfigFile(const QString& path);
    bool getCalFile(const QString& path);
    bool getBasicCalFile(const QString& path);
    bool getLogFile(const QByteArray& name, const QString& path, bool mode);
    bool getRTLogFile(const QByteArray& unused, const QString& path, bool mode, std::uint8_t logId,
                      const Q7Data::sTimestamp* first, const Q7Data::sTimestamp* last);
    bool GetDateTimeBounds(std::uint8_t logId, Q7Data::sTimestamp* first, Q7Data::sTimestamp* last);
    bool getLogFileIndex(const QString& path, std::uint8_t logId, bool flag);
    bool getFile(const QString& path);
    bool receiveFile(std::uint8_t type, bool isRetry);
    void abortFileTransfer() { transferStop = true; }

    std::uint32_t fileSize = 0;
    // The transfer's state under the names the block protocol gives it.
    std::uint32_t& bytesWritten = m_transfer.bytesWritten;
    std::uint32_t& lastReported = m_transfer.lastReported;
    std::uint8_t& lastAck = m_transfer.lastAck;
    bool& fileMode = m_transfer.fileMode;
    std::int32_t& fileRetry = m_transfer.fileRetry;
    bool& fileDone = m_transfer.fileDone;
    bool& transferStop = m_transfer.transferStop;
    std::int32_t commsCountdown() const { return m_commsCountdown; }

    // ---- board time (the calendar of the records layer, as members of the link) ---------------
    static void encodeTimestamp(const Q7Data::Timestamp* ts, std::uint8_t* out);
    static void decodeTimestamp(const std::uint8_t* in, Q7Data::Timestamp* ts);
    static void encodeTDateTime(Q7Data::Timestamp ts, TDateTime* out);
    static void encodeTTime(Q7Data::Timestamp ts, TDateTime* out);
    static void decodeTDateTime(TDateTime value, Q7Data::Timestamp* ts);
    static bool IsValidTimestamp(Q7Data::Timestamp ts) { return Q7Data::IsValidTimestamp(ts); }
    static bool IsLeapYear(int year) { return Q7Data::IsLeapYear(year); }
    static int DaysPerMonth(int year, int month) { return Q7Data::DaysPerMonth(year, month); }

    // The three texts the link shows (log index failures, a raised error) go through here.
    void setOperator(Operator* op) { m_operator = op; }

private:
    enum class Transport
    {
        Ascii,
        Rtu,
        None
    };
    bool modbusRequest(Transport transport, std::uint8_t function, std::span<const std::uint8_t> body,
                       RequestBuffer& buffer, std::uint16_t& length, std::uint16_t timeout,
                       bool pumpBetweenBytes);
    // Waits up to `timeout` seconds for the frame record to hold a reply.
    bool waitForReply(std::uint16_t timeout);
    bool kalderCommand(std::uint8_t command, std::span<const std::uint8_t> payload, std::uint16_t timeout,
                       RequestBuffer* reply = nullptr);
    bool readSignal(std::uint8_t command, float* value);
    template <typename Convert> bool typedRead(std::uint16_t address, std::uint16_t count, Convert convert);
    bool protocolRequest(std::uint8_t function, std::span<const std::uint8_t> body, RequestBuffer& buffer,
                         std::uint16_t& length, std::uint16_t timeout, Q7Data::ProtocolType protocol);
    std::uint16_t sendAccessCode(std::uint16_t code);
    bool getRecordFile(std::uint8_t command, const QString& path, StructureId id);
    void sendFileAck(const BlockTransfer::Acknowledgement& ack);
    void closeTransferFile();
    void commitTransferFile();
    void showError(const QString& text);

private:
    template <typename NextByte> void receive(int count, NextByte next);
    void classify(std::uint8_t byte);
    void appendRx(std::uint8_t byte);
    void armSilence();
    void sendKalderAckBytes();
    void deviceLost(const QString& device, const QString& reason);

    Clock& m_clock;
    std::unique_ptr<TVaComm> m_comm;
    LinkTimer* m_rxTimer = nullptr;
    LinkTimer* m_fileTransferTimer = nullptr;
    LinkTimer* m_commsTimer = nullptr;

    std::uint16_t m_nodeAddress = 1;
    std::uint8_t m_kalderAddress = 1;

    std::array<std::uint8_t, kRxBufferSize> m_rxBuffer{};
    int m_rxLength = 0;
    RxState m_rxState = RxState::Idle;
    bool m_rtuCandidate = false;
    int m_rxSilenceCount = 0;

    std::int32_t m_commsCountdown = 0;
    std::unique_ptr<WholeFileWriter> m_file;
    QByteArray m_fileBytes; // what m_file holds so far, for the observers of files written
    // Set while a record file is fetched: the only length the transfer may commit.
    std::optional<qint64> m_requiredFileSize;
    Operator* m_operator = nullptr;
    QString m_openError;
};
