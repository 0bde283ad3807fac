#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QList>
#include <QString>

#include <array>
#include <cstdint>
#include <optional>

namespace sim {

// A log kept in the board's data flash (fetched whole, as an index, or between two times).
struct BoardLog
{
    uint8_t id = 0;
    QString name;
    struct Entry
    {
        QDateTime at;
        QByteArray line; // CR LF included
    };
    QList<Entry> entries;

    QByteArray content() const;
    QByteArray between(const QDateTime& first, const QDateTime& last) const;
    QByteArray index() const;
};

// What a put-structure command left on the board, with the board's state at that moment so
// a test can tell whether the PC raised the access level first.
struct StructureWrite
{
    uint8_t id = 0;
    QByteArray bytes;
    uint8_t accessLevel = 0;
    uint8_t state = 0;
};

// Measured values that the status structure and the registers both show.
struct LiveValues
{
    float velocity = 0;    // m/s
    float flowRate = 0;    // L/s
    float massFlow = 0;    // kg/s
    float coilCurrent = 0; // A (the registers carry it in units of 10 mA)
    float batteryVolts = 0;
    float solarVolts = 0;
    float temperature = 0;
    float coilResistance = 0;
    float coilVoltage = 0;
    float flowVoltage = 0; // mV
    uint16_t gatePosition = 0;
    float gateClosedFlow = 0;
    bool gateClosed = false;
    bool pipeFull = true;
    bool ecOk = true;
    uint16_t systemFaults = 0;
    uint16_t selfTest = 127;
    uint16_t alarms = 0;
};

// Everything a Q7 board holds, from the board's point of view. A plain record: the simulator
// owns one and hands copies to tests.
struct BoardModel
{
    static constexpr std::array<int, 8> kStructureSizes = {351, 928, 82, 46, 158, 332, 222, 69};
    static constexpr int kConfig = 5;
    static constexpr int kCal = 4;
    static constexpr int kBasicCal = 6;

    static BoardModel existing();
    static BoardModel replacement();

    QString firmware = QStringLiteral("0052"); // four characters, as registers 62-63 carry them
    std::array<uint8_t, 6> esn{};              // in the information record's order
    std::array<QByteArray, 8> structures;      // 0 and 1 are refreshed from the fields below
    std::array<float, 10> totals{};
    LiveValues live;
    std::array<int16_t, 3> optionCards{};
    uint16_t simulationMode = 0;
    uint16_t resets = 0;
    QDateTime poweredUpAt;      // start of the current uptime
    qint64 clockOffsetSecs = 0; // board clock minus PC clock
    uint8_t accessLevel = 0;
    uint8_t state = 1;
    uint8_t boardId = 1;

    QString sdCardDir; // the card in the board's tray; empty: no card
    QList<BoardLog> logs;

    int rebootSilenceMs = 3000;
    int blockSize = 128;      // data bytes per file-transfer block
    bool windowedLogs = true; // logs stream windowed; records always stream plain
    int emptyBlocks = 0;      // blocks without data sent before the first data block

    // What the PC did to the board.
    QList<uint8_t> commandsSeen;
    QList<StructureWrite> structureWrites;
    QList<std::array<float, 10>> totalsUpdates;
    QByteArray factoryCal; // calibration kept as factory default by command 98
    int sdBackups = 0;     // command 99 runs that wrote the card

    QDateTime boardClock() const;
    void setBoardClock(const QDateTime& at);
    QByteArray structure(int id) const;
    bool putStructure(int id, const QByteArray& bytes);
    std::optional<uint16_t> holdingRegister(uint16_t reg) const;
    bool writeRegister(uint16_t reg, uint16_t value);
    // Login by access code: the level the code opens, 0 when it opens none.
    uint8_t levelForCode(uint16_t code) const;
    void reboot();
    int count(uint8_t command) const;
    const BoardLog* log(uint8_t id) const;

    // The board's SD card. Names are plain file names in the card's root, never paths.
    bool writeCardFile(const QString& name, const QByteArray& bytes) const;
    // A card as a board in service leaves it: its logs as CSV files, CONFIG.BIN, CALIB.BIN.
    bool fillCard() const;
    static bool isPlainFileName(const QString& name);
};

} // namespace sim
