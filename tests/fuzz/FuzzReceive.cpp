// Hostile bytes into the receive engine and the three frame parsers.
//
// The input is a little program: an operation byte below 0xC0 feeds the next (op & 0x3F) + 1
// bytes as one receive notification; 0xC0-0xEF delivers that many receive-timer ticks at once
// (ends RTU candidates, abandons frames); 0xF0-0xF7 fires the file-transfer timer and
// 0xF8-0xFF the comms timer. The whole input is also handed to each parser as a raw frame.
#include "Clock.h"
#include "Q7Port.h"

#include <QCoreApplication>

#include <cstddef>
#include <cstdint>
#include <span>

namespace {
FastClock& fuzzClock()
{
    static FastClock clock;
    return clock;
}
} // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv)
{
    static QCoreApplication app(*argc, *argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::span<const std::uint8_t> input(data, size);
    Q7Port port(fuzzClock());

    port.frameReceiverAscii(input);
    port.frameReceiverRtu(input);
    port.frameReceiverKalder(input);
    port.resetRxTxFrame(true);

    std::size_t at = 0;
    while (at < input.size()) {
        const std::uint8_t op = input[at++];
        if (op < 0xC0) {
            const std::size_t n = std::min<std::size_t>((op & 0x3F) + 1u, input.size() - at);
            port.receiveBytes(input.subspan(at, n));
            at += n;
        } else if (op < 0xF0) {
            for (int tick = 0; tick < op - 0xBF; ++tick)
                port.rxTimeoutTimerEvent();
        } else if (op < 0xF8) {
            port.fileTransferTimeoutTimerEvent();
        } else {
            port.commsTimeoutTimerEvent();
        }
    }
    return 0;
}
