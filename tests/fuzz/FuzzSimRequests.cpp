// The simulated board reads whatever the program under test sends, including a frame cut
// short by a port closed mid-write and line noise. Its request parser must stay inside its
// buffers and hand on only requests it could have read from the line.
//
// Each input byte is fed to the parser; 0xFF followed by 0xFE stands for a silence instead.
#include "RequestReceiver.h"

#include <cstddef>
#include <cstdint>

namespace {

void check(bool ok)
{
    if (!ok)
        __builtin_trap();
}

void inspect(const sim::Request& r, qsizetype fed)
{
    check(!r.wire.isEmpty() && r.wire.size() <= fed);
    check(r.payload.size() < r.wire.size());
    switch (r.framing) {
    case sim::Request::Framing::Ascii:
        check(r.wire.startsWith(':') && r.wire.endsWith("\r\n"));
        if (r.checksumOk)
            check(r.wire.size() == 1 + 2 * (r.payload.size() + 2) + 2);
        break;
    case sim::Request::Framing::Kalder:
        check(r.wire.startsWith("\x10\x02") && r.wire.endsWith("\x10\x03"));
        break;
    case sim::Request::Framing::Rtu:
        if (r.checksumOk)
            check(r.wire.size() == r.payload.size() + 3);
        break;
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    sim::RequestReceiver receiver;
    qsizetype fed = 0;
    for (std::size_t i = 0; i < size; ++i) {
        if (data[i] == 0xFF && i + 1 < size && data[i + 1] == 0xFE) {
            ++i;
            if (const auto r = receiver.silence())
                inspect(*r, fed);
            fed = 0;
            check(!receiver.midFrame());
            continue;
        }
        ++fed;
        if (const auto r = receiver.feed(data[i]))
            inspect(*r, fed);
    }
    return 0;
}
