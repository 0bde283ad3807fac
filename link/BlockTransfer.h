#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <span>

// The PC's side of the board-driven file transfer, without a port or a file: fed the type of
// each block the board sends, it says what becomes of the block and which acknowledgement
// answers it, and keeps the counters the windowed mode and the resends need. Q7Port owns one
// and does the storing, sending and timing it decides on.
class BlockTransfer
{
public:
    struct Acknowledgement
    {
        std::uint8_t type = 0;
        std::array<std::uint8_t, 3> payload{};
        std::size_t payloadSize = 0;
        std::span<const std::uint8_t> bytes() const { return {payload.data(), payloadSize}; }
    };

    enum class End : std::uint8_t
    {
        None,
        EndOfFile, // the board has sent the whole file
        BoardStop, // the board gave up
    };

    struct Step
    {
        bool storesData = false;   // the block's data belongs in the file
        End end = End::None;       // the transfer is over; nothing is acknowledged
        bool unknownBlock = false; // a type the board should not send here
        // What answers the block; none when the window holds it back or no answer exists.
        std::optional<Acknowledgement> ack;
        bool noAckExists = false;
    };

    static constexpr int kWindow = 4;

    // Types only the board sends during a transfer, and the ones only the PC sends.
    static bool isBoardBlock(std::uint8_t type);
    static bool isPcFrame(std::uint8_t type);

    // A new transfer: nothing written, nothing acknowledged, nothing ended.
    void start();
    Step onBlock(std::uint8_t type);
    // The resend of the last acknowledgement as it stood; in windowed mode it carries the bytes
    // received since then.
    Acknowledgement resend() const;
    // After an acknowledgement went out: the point the next resend counts from.
    void acknowledged(std::uint8_t type);
    // One expiry of the file-transfer timer; true when the last acknowledgement is due again.
    bool timerExpired() { return --fileRetry <= 0; }

    std::uint32_t bytesWritten = 0;
    std::uint32_t lastReported = 0;
    std::uint8_t lastAck = 0;
    bool fileMode = false;
    std::int32_t fileRetry = 0;
    bool fileDone = false;
    bool transferStop = false;
};
