// Record files come from boards and SD cards: any bytes of any length. Every field of every
// record, and every text made from them, must stay inside its buffer and never trap.

#include "BasicCalRecord.h"
#include "BoardInfoRecord.h"
#include "BoardTime.h"
#include "CalRecord.h"
#include "CodeTables.h"
#include "ConfigRecord.h"
#include "Formats.h"
#include "Registers.h"
#include "StatusRecord.h"

#include <cstring>
#include <vector>

namespace {

volatile std::size_t g_sink = 0;

void use(const QString& s)
{
    g_sink = g_sink + static_cast<std::size_t>(s.size());
}

void number(double v)
{
    for (const char* p : {"0.0####", "0.00", "0.000", "0.00000", "0.000000"})
        use(Formats::formatFloat(p, v));
}

void when(const Q7Data::Timestamp& ts)
{
    const auto v = Q7Data::encodeTDateTime(ts);
    use(Formats::timeOfDay(v));
    use(Formats::dayMonth(v));
    use(Formats::dayMonthYear(v));
    use(Formats::dateTime(v));
    use(Formats::timeOfDay(Q7Data::encodeTTime(ts)));
    const auto back = Q7Data::decodeTDateTime(v);
    if (Q7Data::IsValidTimestamp(ts) && !(back == ts))
        __builtin_trap();
}

// The record's bytes: the input itself when it has the length, else the input cut or padded.
template <typename R> R recordOf(const std::uint8_t* data, std::size_t size)
{
    std::vector<std::uint8_t> bytes(R::kSize, 0);
    std::memcpy(bytes.data(), data, std::min(size, R::kSize));
    if (R::fromBytes(std::span(data, size)).has_value() != (size == R::kSize))
        __builtin_trap();
    return *R::fromBytes(bytes);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const auto c = recordOf<ConfigRecord>(data, size);
    number(c.simulationValue());
    number(c.flowVolumeSpecialFactor());
    number(c.batteryAlarmLevel());
    use(CodeTables::volumeUnit(c.flowVolumeUnits()));
    use(CodeTables::timeUnit(c.flowTimeUnits()));
    use(CodeTables::serialProtocolMode(c.serialportProtocolMode()));
    use(CodeTables::baudRate(c.baudRate()));
    when(c.offpeakStartTime());
    when(c.eoyLatchDate());
    for (int i = 0; i < ConfigRecord::kAlarms; ++i)
        use(CodeTables::alarmSource(c.alarm(i).source));
    for (int i = 0; i < ConfigRecord::kAnalogOutputs; ++i) {
        const auto a = c.analogOutput(i);
        number(a.factor4mA);
        number(a.alarmCurrent);
        use(CodeTables::outputQuantity(a.quantity));
    }
    for (int i = 0; i < ConfigRecord::kDigitalOutputs; ++i)
        use(CodeTables::outputQuantity(c.digitalOutput(i).quantity));
    const auto masked = c.maskedBytes();
    for (std::size_t i = ConfigRecord::kAccessCodesOffset; i < ConfigRecord::kAccessCodesOffset + 6; ++i)
        if (masked[i] != 0)
            __builtin_trap();

    const auto k = recordOf<CalRecord>(data, size);
    for (int i = 0; i < CalRecord::kTubeFactors; ++i)
        number(k.tubeFactor(i));
    when(k.calibrationDate());
    use(CodeTables::pipeSizeUnits(k.pipeSizeUnits()));
    use(CodeTables::filterFrequency(k.filterFrequency()));

    const auto b = recordOf<BasicCalRecord>(data, size);
    for (int i = 0; i < BasicCalRecord::kCompensations; ++i)
        for (float f : b.compensation(i).coefficients)
            number(f);

    const auto s = recordOf<StatusRecord>(data, size);
    number(double(s.flowRate()) * 86400 * 0.000001);
    when(s.boardDateTime());
    const auto info = recordOf<BoardInfoRecord>(data, size);
    when(info.lastPowerUp());
    use(Formats::hexBytes(info.esn()));
    for (int slot = 0; slot < BoardInfoRecord::kOptionSlots; ++slot)
        use(CodeTables::optionCard(info.optionCard(slot)));

    if (size >= 8) {
        double d;
        std::memcpy(&d, data, sizeof d);
        number(d);
    }
    if (size >= 80) {
        const auto t = Registers::totalisersFromRegisters(std::span(data, size).first<80>());
        for (float v : t.values())
            number(double(v) * 0.001);
    }
    return 0;
}
