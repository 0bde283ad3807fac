#include "ModbusReference.h"

#include "BoardWire.h"

#include <modbus.h>

#include <QElapsedTimer>

#include <array>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <poll.h>
#include <thread>
#include <unistd.h>

namespace {
constexpr int kRegisters = 40;
constexpr int kRequestBytes = 8; // address, function, start, count, CRC

// Answers every read request with the same registers, as fast as the pty allows, so the time
// measured is the client's.
void respond(int master, const std::atomic<bool>& stop)
{
    std::array<std::uint8_t, kRegisters * 2 + 1> data{};
    data[0] = kRegisters * 2;
    const QByteArray reply = sim::wire::rtuFrame(3, data);
    std::array<std::uint8_t, 256> in{};
    int have = 0;
    while (!stop) {
        pollfd p{master, POLLIN, 0};
        if (poll(&p, 1, 50) <= 0)
            continue;
        const ssize_t n = read(master, in.data() + have, in.size() - static_cast<std::size_t>(have));
        if (n <= 0)
            continue;
        have += static_cast<int>(n);
        while (have >= kRequestBytes) {
            if (write(master, reply.constData(), static_cast<std::size_t>(reply.size())) != reply.size())
                return;
            have -= kRequestBytes;
        }
    }
}
} // namespace

std::optional<std::vector<double>> libmodbusReadTimes(int rounds)
{
    const int master = posix_openpt(O_RDWR | O_NOCTTY);
    if (master < 0 || grantpt(master) != 0 || unlockpt(master) != 0) {
        if (master >= 0)
            close(master);
        return std::nullopt;
    }
    const char* slave = ptsname(master);
    modbus_t* ctx = slave ? modbus_new_rtu(slave, 9600, 'N', 8, 1) : nullptr;
    if (!ctx || modbus_set_slave(ctx, 1) != 0 || modbus_connect(ctx) != 0) {
        if (ctx)
            modbus_free(ctx);
        close(master);
        return std::nullopt;
    }
    std::atomic<bool> stop = false;
    std::thread responder(respond, master, std::cref(stop));
    std::vector<double> ms;
    std::array<std::uint16_t, kRegisters> registers{};
    bool ok = true;
    for (int i = 0; i < rounds && ok; ++i) {
        QElapsedTimer t;
        t.start();
        ok = modbus_read_registers(ctx, 116, kRegisters, registers.data()) == kRegisters;
        ms.push_back(double(t.nsecsElapsed()) / 1e6);
    }
    stop = true;
    responder.join();
    modbus_close(ctx);
    modbus_free(ctx);
    close(master);
    if (!ok)
        return std::nullopt;
    return ms;
}
