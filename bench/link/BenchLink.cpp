// How long the link's exchanges take against the simulated board over a pseudo-terminal, how
// that compares with the time the bytes need on a 9600-baud line, and how a register read
// compares with libmodbus's. Ends with the table lines P1 and P2.
//
//   bench_link [ROUNDS]
#include "BenchLine.h"
#include "Clock.h"
#include "Q7Port.h"
#include "SimulatedBoard.h"
#ifdef Q7_HAVE_LIBMODBUS
#include "ModbusReference.h"
#endif

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <vector>

namespace {
constexpr double kBytesPerSecond = 960.0; // 9600 baud, 10 bits a byte
constexpr double kAckPauseMs = 50.0;

struct Stats
{
    double medianMs = 0;
    double minMs = 0;
    double maxMs = 0;
};

Stats statsOf(std::vector<double> ms)
{
    std::sort(ms.begin(), ms.end());
    return {ms[ms.size() / 2], ms.front(), ms.back()};
}

Stats measure(int rounds, const std::function<bool()>& exchange, bool& ok)
{
    std::vector<double> ms;
    for (int i = 0; i < rounds; ++i) {
        QElapsedTimer t;
        t.start();
        ok = exchange() && ok;
        ms.push_back(double(t.nsecsElapsed()) / 1e6);
    }
    return statsOf(std::move(ms));
}

struct LineUse
{
    qint64 bytes = 0;     // both directions
    qint64 fromBoard = 0; // the part the simulator paces; the PC's own writes to a pty are not
    int acks = 0;
    double lowerBoundMs() const { return double(bytes) / kBytesPerSecond * 1000.0 + acks * kAckPauseMs; }
    double pacedBoundMs() const { return double(fromBoard) / kBytesPerSecond * 1000.0 + acks * kAckPauseMs; }
};

LineUse lineUse(const sim::SimulatedBoard& board)
{
    LineUse use;
    for (const auto& r : board.wireLog()) {
        if (r.dropped)
            continue;
        use.bytes += r.bytes.size();
        const bool fromPc = r.direction == sim::WireRecord::Direction::ToBoard;
        if (!fromPc)
            use.fromBoard += r.bytes.size();
        if (fromPc && r.framing == sim::Request::Framing::Kalder && r.bytes.size() > 3 &&
            static_cast<std::uint8_t>(r.bytes[3]) != 0x80)
            ++use.acks;
    }
    return use;
}
} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const int rounds = argc > 1 ? std::max(1, atoi(argv[1])) : 50;
    sim::SimulatedBoard board;
    QString error;
    if (!board.start(&error)) {
        std::fprintf(stderr, "bench_link: %s\n", qPrintable(error));
        return 1;
    }
    SystemClock clock;
    Q7Port port(clock);
    if (!port.OpenPort(board.devicePath(), 9600)) {
        std::fprintf(stderr, "bench_link: cannot open %s\n", qPrintable(board.devicePath()));
        return 1;
    }
    bool ok = true;
    Q7Port::RequestBuffer buffer{};
    std::uint16_t length = 0;
    auto readRegs = [&] { return port.readRegisters(116, 40, buffer, length, 5); };
    auto getStatus = [&] { return port.getStucture(0); };

    std::printf("round trips over a pty, %d rounds each (median, min, max)\n", rounds);
    Stats unpacedRegs;
    for (bool paced : {false, true}) {
        sim::BoardFaults faults;
        faults.pace = paced;
        board.setFaults(faults);
        const int n = paced ? std::max(1, rounds / 10) : rounds;
        board.clearWireLog();
        const Stats regs = measure(n, readRegs, ok);
        if (!paced)
            unpacedRegs = regs;
        const LineUse regsLine = lineUse(board);
        board.clearWireLog();
        const Stats status = measure(n, getStatus, ok);
        const LineUse statusLine = lineUse(board);
        const char* label = paced ? "9600-baud pacing" : "no pacing";
        std::printf("  %-17s readRegisters(116, 40) ASCII  %7.2f ms  (%.2f .. %.2f)  line time %.1f ms "
                    "(reply alone %.1f)\n",
                    label, regs.medianMs, regs.minMs, regs.maxMs, regsLine.lowerBoundMs() / n,
                    regsLine.pacedBoundMs() / n);
        std::printf("  %-17s getStucture(0)                %7.2f ms  (%.2f .. %.2f)  line time %.1f ms "
                    "(reply alone %.1f)\n",
                    label, status.medianMs, status.minMs, status.maxMs, statusLine.lowerBoundMs() / n,
                    statusLine.pacedBoundMs() / n);
    }

    QTemporaryDir dir;
    sim::BoardFaults faults;
    faults.pace = true;
    board.setFaults(faults);
    board.clearWireLog();
    QElapsedTimer t;
    t.start();
    ok = port.getConfigFile(dir.filePath("conf.bin")) && ok;
    ok = port.getCalFile(dir.filePath("cal.bin")) && ok;
    ok = port.getBasicCalFile(dir.filePath("BasicCal.bin")) && ok;
    const double fetchMs = double(t.nsecsElapsed()) / 1e6;
    const LineUse fetchLine = lineUse(board);
    std::printf("three record files (332 + 158 + 222 bytes), 9600-baud pacing\n");
    std::printf("  measured %.0f ms; lower bound %.0f ms = %lld bytes on the wire / 960 per s + %d "
                "acknowledgements x 50 ms"
                "; overhead %.0f ms\n",
                fetchMs, fetchLine.lowerBoundMs(), static_cast<long long>(fetchLine.bytes), fetchLine.acks,
                fetchMs - fetchLine.lowerBoundMs());
    std::printf("  the simulator paces only its own %lld bytes: bound for those %.0f ms; overhead %.0f ms\n",
                static_cast<long long>(fetchLine.fromBoard), fetchLine.pacedBoundMs(),
                fetchMs - fetchLine.pacedBoundMs());
    board.stop();

    const double bound = fetchLine.lowerBoundMs();
    printBenchLine("P1",
                   QString("three record files at 9600-baud pacing %1 ms / line-time bound %2 ms: ratio %3")
                       .arg(fetchMs, 0, 'f', 0)
                       .arg(bound, 0, 'f', 0)
                       .arg(fetchMs / bound, 0, 'f', 2),
                   "ratio <= 1.10");
#ifdef Q7_HAVE_LIBMODBUS
    const auto reference = libmodbusReadTimes(rounds);
    if (reference) {
        const Stats modbus = statsOf(*reference);
        printBenchLine(
            "P2",
            QString("readRegisters(116, 40) unpaced %1 ms / libmodbus RTU read of 40 registers %2 ms "
                    "(medians of %3): ratio %4")
                .arg(unpacedRegs.medianMs, 0, 'f', 3)
                .arg(modbus.medianMs, 0, 'f', 3)
                .arg(rounds)
                .arg(unpacedRegs.medianMs / modbus.medianMs, 0, 'f', 2),
            "ratio <= 5");
    } else {
        printBenchLine("P2", "n/a: the libmodbus read over a pty pair failed", "ratio <= 5");
        ok = false;
    }
#else
    printBenchLine("P2",
                   QString("readRegisters(116, 40) unpaced %1 ms; libmodbus n/a (not installed: bench/setup)")
                       .arg(unpacedRegs.medianMs, 0, 'f', 3),
                   "ratio <= 5");
#endif
    if (!ok) {
        std::fprintf(stderr, "bench_link: an exchange failed\n");
        return 1;
    }
    return 0;
}
