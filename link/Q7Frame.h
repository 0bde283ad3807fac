#pragma once

#include <array>
#include <cstdint>

// The one frame record of a link: it holds the frame being sent or the frame last received,
// never both. Requests and the receive engine share it on the GUI thread without locks.
struct Q7Frame
{
    static constexpr int kDataSize = 400;

    // status bits
    static constexpr std::uint8_t kRxStarted = 0x01;
    static constexpr std::uint8_t kChecksumGood = 0x02;
    static constexpr std::uint8_t kChecksumBad = 0x04;
    static constexpr std::uint8_t kTxInProgress = 0x10;
    static constexpr std::uint8_t kTxComplete = 0x20;

    std::uint8_t address = 0;
    std::uint8_t function = 0;
    std::uint8_t kalderType = 0;
    std::uint8_t exceptionCode = 0;
    std::array<std::uint8_t, kDataSize> data{};
    std::uint16_t index = 0;
    std::uint16_t dataLen = 0;
    bool hasByteCount = false;
    std::uint8_t status = 0;
    bool frameReceived = false;
    std::uint8_t txState = 0;
    std::uint8_t asciiRxState = 0;
    std::uint16_t txCrc = 0;
    std::uint16_t rxCrc = 0;
    // [1] high-digit character, [0] low-digit character
    std::array<std::uint8_t, 2> hexPair{};
};
