#pragma once

#include "Q7Data.h"

#include <QChar>
#include <QLocale>
#include <QString>

#include <array>
#include <cstdint>
#include <optional>

class Q7Port;
class Workbench;

// The totaliser files in the site folder.
namespace TotaliserFiles {
// What the restore sends: the ten values, 40 bytes.
inline constexpr const char* kBackup = "Backup_Totalisers.bin";
inline constexpr const char* kQueryLog = "Totalisers Log-Query.txt";
// "Totalisers Log - <meter id>.txt"
QString boardLogName(std::uint32_t meterId);
} // namespace TotaliserFiles

// The board's totals into "Totalisers Log - <meter id>.txt" and Backup_Totalisers.bin.
bool logTotalisers(Workbench& bench, Q7Port& link);
// Backup_Totalisers.bin to the board as a totals update.
bool sendTotalisers(Workbench& bench, Q7Port& link);
// The totals typed in by the technician into "Totalisers Log-Query.txt" and
// Backup_Totalisers.bin; true when the dialog was closed with OK and what was to be written
// was written.
bool queryTotalisers(Workbench& bench);

// The 80-byte totals update: ten integer parts, then ten fractions times 1000.
std::array<std::uint8_t, 80> totalsPayload(const Q7Data::Totalisers& totals);

// The totalisers dialog's rules, shared by the dialog, scripts and q7ctl.
namespace TotalisersInput {
struct Box
{
    const char* name;    // the edit box
    const char* caption; // the label to its left
};
// In slot order.
inline constexpr std::array<Box, Q7Data::Totalisers::kCount> kBoxes = {{
    {"ForwardTotalEB", "Forward Total"},
    {"ReverseTotalEB", "Reverse Total"},
    {"NettTotalEB", "Nett Total"},
    {"PeakForwardTotalEB", "Peak Forward Total"},
    {"OffPeakForwardTotalEB", "Off Peak Foward Total"},
    {"PeakReverseTotalEB", "Peak Reverse Total"},
    {"OffPeakReverseTotalEB", "Off Peak Reverse Total"},
    {"YTDForwardTotalEB", "YTD Forward Total"},
    {"YTDReverseTotalEB", "YTD Reverse Total"},
    {"YTDNettTotalEB", "YTD Nett Total"},
}};
// The slots from the top of the dialog down: each off-peak box stands above its peak box.
inline constexpr std::array<int, Q7Data::Totalisers::kCount> kDialogOrder = {0, 1, 2, 4, 3, 6, 5, 7, 8, 9};

// A value as a box and the logs show it: three decimals, the PC's decimal mark.
QString formatValue(float value);
// Whether a typed character goes into a box holding text.
bool acceptsKey(const QString& text, QChar typed);
// An emptied box shows "0".
QString afterChange(const QString& text);
// The ten boxes' texts in slot order, converted in the dialog's order with locale's number
// format; nullopt when one does not convert (the dialog then ends as cancelled).
std::optional<Q7Data::Totalisers> convert(const std::array<QString, Q7Data::Totalisers::kCount>& texts,
                                          const QLocale& locale);
} // namespace TotalisersInput
