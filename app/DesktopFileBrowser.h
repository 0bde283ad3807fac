#pragma once

#include "FileBrowser.h"

// The desktop's own file browser, asked through the desktop services: the folder name never
// passes through a command processor, so blanks, quotes or '&' in a site licence are harmless.
// Beside the window, not in platform/, because the desktop services are Qt Gui.
class DesktopFileBrowser : public FileBrowser
{
public:
    bool openFolder(const QString& folder) override;
};
