#include "BlockTransfer.h"

#include "Q7Protocol.h"

using namespace Q7Protocol;

bool BlockTransfer::isBoardBlock(std::uint8_t type)
{
    switch (type) {
    case Block::kData:
    case Block::kData88:
    case Block::kNoData89:
    case Block::kBoardStop:
    case Block::kData8F:
    case Block::kWindowed91:
    case Block::kWindowed93:
    case Block::kNoData95:
    case Block::kEndOfFile:
        return true;
    default:
        return false;
    }
}

bool BlockTransfer::isPcFrame(std::uint8_t type)
{
    switch (type) {
    // 0x8A and 0x8C belong to the PC's side too, though no transfer of this program sends them.
    case 0x8A:
    case Ack::kNext:
    case 0x8C:
    case Ack::kStop:
    case Ack::kAck88:
    case Ack::kWindowA:
    case Ack::kWindowB:
    case Ack::kModeOff:
        return true;
    default:
        return false;
    }
}

void BlockTransfer::start()
{
    fileDone = false;
    transferStop = false;
    bytesWritten = 0;
    lastReported = 0;
    // A stale acknowledgement from an earlier transfer must never be resent in this one.
    lastAck = 0;
}

BlockTransfer::Step BlockTransfer::onBlock(std::uint8_t type)
{
    Step step;
    switch (type) {
    case Block::kData:
    case Block::kData88:
    case Block::kData8F:
    case Block::kWindowed91:
    case Block::kWindowed93:
        step.storesData = true;
        break;
    case Block::kNoData89:
    case Block::kNoData95:
        break;
    case Block::kBoardStop:
        transferStop = true;
        step.end = End::BoardStop;
        return step;
    case Block::kEndOfFile:
        step.end = End::EndOfFile;
        return step;
    default:
        step.unknownBlock = true;
        break;
    }

    Acknowledgement ack;
    switch (type) {
    case Block::kData:
        ack.type = Ack::kNext;
        fileRetry = 0;
        break;
    case Block::kData88:
        ack.type = fileMode ? Ack::kWindowA : Ack::kAck88;
        break;
    case Block::kData8F:
        ack.type = Ack::kNext;
        break;
    case Block::kWindowed91:
        ack.type = Ack::kWindowA;
        break;
    case Block::kWindowed93:
        ack.type = Ack::kWindowB;
        break;
    case Block::kNoData89:
    case Block::kNoData95:
        ack.type = Ack::kModeOff;
        fileMode = false;
        break;
    default:
        // No acknowledgement exists for it; sending one of no type would only confuse the board.
        step.noAckExists = true;
        return step;
    }

    if (fileMode && (ack.type == Ack::kWindowA || ack.type == Ack::kWindowB)) {
        // The board sends a window of blocks per acknowledgement; only the last one is answered.
        if (fileRetry > 1) {
            --fileRetry;
            return step;
        }
        if (transferStop) {
            ack.type = Ack::kStop;
        } else {
            fileRetry = kWindow;
            ack.payload[0] = kWindow;
            ack.payloadSize = 1;
            ack.type = ack.type == Ack::kWindowA ? Ack::kWindowB : Ack::kWindowA;
        }
    } else if (!fileMode && transferStop) {
        ack.type = Ack::kStop;
    }
    step.ack = ack;
    return step;
}

BlockTransfer::Acknowledgement BlockTransfer::resend() const
{
    Acknowledgement ack;
    ack.type = lastAck;
    if (fileMode) {
        const std::uint32_t unreported = bytesWritten - lastReported;
        ack.payload = {0x01, static_cast<std::uint8_t>(unreported & 0xFF),
                       static_cast<std::uint8_t>((unreported >> 8) & 0xFF)};
        ack.payloadSize = 3;
    }
    return ack;
}

void BlockTransfer::acknowledged(std::uint8_t type)
{
    // Only a new acknowledgement moves the reference point; a resend repeats the old one, so
    // the count it carries stays measured from there.
    lastAck = type;
    lastReported = bytesWritten;
}
