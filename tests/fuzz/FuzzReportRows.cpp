// A record file from a site backup or a card, printed as the rows of its report section (as
// q7ctl decode and the report do): every row text is built from bytes nobody checked.
// The input is the record, cut or padded to each record's length.
#include "BasicCalRecord.h"
#include "CalRecord.h"
#include "ConfigRecord.h"
#include "Q7Data.h"
#include "ReportRows.h"

#include <QCoreApplication>

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

namespace {

volatile qsizetype g_sink = 0;

void use(const QStringList& rows)
{
    for (const QString& row : rows)
        g_sink = g_sink + row.size();
}

template <typename R> R recordOf(const std::uint8_t* data, std::size_t size)
{
    std::vector<std::uint8_t> bytes(R::kSize, 0);
    std::memcpy(bytes.data(), data, std::min(size, R::kSize));
    return *R::fromBytes(bytes);
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv)
{
    static QCoreApplication app(*argc, *argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    use(ReportRows::configurationRows(recordOf<ConfigRecord>(data, size)));
    use(ReportRows::calibrationRows(recordOf<CalRecord>(data, size)));
    use(ReportRows::basicCalibrationRows(recordOf<BasicCalRecord>(data, size)));
    std::vector<std::uint8_t> totals(Q7Data::Totalisers::kBytes, 0);
    std::memcpy(totals.data(), data, std::min(size, totals.size()));
    if (const auto t = Q7Data::Totalisers::fromBytes(totals))
        use(ReportRows::totalsRows(*t));
    if (size >= 6) {
        use(ReportRows::selfTestRows(static_cast<std::uint16_t>(data[0] | data[1] << 8)));
        use(ReportRows::faultRows(static_cast<std::uint16_t>(data[2] | data[3] << 8)));
        use(ReportRows::alarmRows(static_cast<std::uint16_t>(data[4] | data[5] << 8)));
    }
    return 0;
}
