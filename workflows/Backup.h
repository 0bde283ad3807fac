#pragma once

#include <QString>

class Q7Port;
class Workbench;

// The existing board's records in the site folder, as the backup writes them and the restore
// reads them.
namespace BackupFiles {
inline constexpr const char* kConfig = "backup_conf.bin";
inline constexpr const char* kCal = "backup_cal.bin";
inline constexpr const char* kBasicCal = "backup_BasicCal.bin";
} // namespace BackupFiles

// The backup of the existing board: its three records into the site folder, its totals, its
// status into the site state and the pre-upgrade report. Shows its own messages.
bool collectCcsData(Workbench& bench);

// The mandatory hardware revision prompt; board 0 is the existing board, 1 the replacement.
// Returns once a value has been entered.
void askHardwareRevision(Workbench& bench, int board);
inline constexpr const char* kHardwareRevisionCaption = "Q7 Hardware Revision";
QString hardwareRevisionPrompt(int board);

// Registers 62-63 into the site state's firmwareVersion for the board; false without a link
// or when they could not be read.
bool readFirmwareVersion(Workbench& bench, Q7Port* link, int board);
