#pragma once

#include <QString>

// What a front end shows of the workbench: the main window draws it, q7ctl prints it, a test
// records it. The workbench calls these as its state changes; the status line is not here
// because it is shown through the Operator like every other text.
class WorkbenchView
{
public:
    virtual ~WorkbenchView() = default;

    // The main window's caption.
    virtual void setCaption(const QString& caption) = 0;
    // "Collect log files from SDCARD", "Send log files to SD Card", "Add Images to Data Folder":
    // usable only while a site is selected.
    virtual void setSiteItemsEnabled(bool enabled) = 0;
    // The "Start Full Auto Upgrade" button.
    virtual void setUpgradeButton(bool visible, bool enabled) = 0;
    // Traffic on the link a workflow opened (the Tx/Rx indicators).
    virtual void linkReceived() {}
    virtual void linkSent() {}
};
