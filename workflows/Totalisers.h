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

// The board's totals into "Totalisers Log - <meter id>.txt" and Backup_Totalisers.bin.
bool logTotalisers(Workbench& bench, Q7Port& link);
// Backup_Totalisers.bin to the board as a totals update.
bool sendTotalisers(Workbench& bench, Q7Port& link);
// The totals typed in by the technician into "Totalisers Log-Query.txt" and
// Backup_Totalisers.bin; true when the dialog was closed with OK.
bool queryTotalisers(Workbench& bench);

// The 80-byte totals update: ten integer parts, then ten fractions times 1000.
std::array<std::uint8_t, 80> totalsPayload(const Q7Data::Totalisers& totals);

// The totalisers dialog's rules, shared by the dialog, scripts and q7ctl.
namespace TotalisersInput {
// Whether a typed character goes into a box holding text.
bool acceptsKey(const QString& text, QChar typed);
// An emptied box shows "0".
QString afterChange(const QString& text);
// The ten boxes' texts in slot order, converted in the dialog's order with locale's number
// format; nullopt when one does not convert (the dialog then ends as cancelled).
std::optional<Q7Data::Totalisers> convert(const std::array<QString, Q7Data::Totalisers::kCount>& texts,
                                          const QLocale& locale);
} // namespace TotalisersInput
