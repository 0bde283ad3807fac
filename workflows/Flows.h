#pragma once

class Workbench;

// The handlers of the main window's button and menu items, as one-line calls of the front
// ends. Each hides the "Start Full Auto Upgrade" button first as the flows say.
namespace Flows {
// "Start Full Auto Upgrade" and "Fully Automated Upgrade".
void fullyAutomatedUpgrade(Workbench& bench);
// "Backup Site using SD Card only ".
void sdCardOnlyUpgrade(Workbench& bench);
// "Manual Configuration Upgrade", after its warning.
void manualConfigurationUpgradeClick(Workbench& bench);
// "Collect CCS data from Existing Q7 board".
void backupSite(Workbench& bench);
// "Send CC data to Replacement Q7 board ".
void restoreSite(Workbench& bench);
// "Collect log files from SDCARD", "Send log files to SD Card", "Add Images to Data Folder".
void collectLogFiles(Workbench& bench);
void sendLogFiles(Workbench& bench);
void addImagesToFolder(Workbench& bench);
// "Generate Report".
bool generateReport(Workbench& bench);
} // namespace Flows
