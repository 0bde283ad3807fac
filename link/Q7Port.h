#pragma once

#include "Q7Frame.h"

#include <QObject>
#include <QString>

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <span>

class Clock;
class LinkTimer;
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
    enum FaultLine : unsigned short {
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

    enum class RxState : std::uint8_t { Idle, DleSeen, Kalder, KalderDle, Ascii, AsciiCr, Rtu };

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
    void PutChar(std::uint8_t byte);
    std::uint8_t GetChar();
    void FlushOutBuffer();
    void FlushInBuffer();
    void FlushCommsBuffers();
    void DelayTicks(unsigned long milliseconds);
    void DelaySeconds(unsigned long seconds);
    void ProcessCommunications();

    TVaComm& comm() { return *m_comm; }
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

    // ---- file transfer (entry point used by the receive engine) -------------------------------
    std::uint32_t fileSize = 0;
    bool receiveFile(std::uint8_t type, bool isRetry);

private:
    template <typename NextByte> void receive(int count, NextByte next);
    void classify(std::uint8_t byte);
    void appendRx(std::uint8_t byte);
    void armSilence();
    void sendKalderAckBytes();

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

    int m_commsCountdown = 0;
};
