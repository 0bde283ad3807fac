#pragma once

#include <QString>

// Shows a folder in the desktop's file browser.
class FileBrowser
{
public:
    virtual ~FileBrowser() = default;
    // False when the desktop could not open it.
    virtual bool openFolder(const QString& folder) = 0;
};

// The desktop's own file browser, asked through the desktop services: the folder name never
// passes through a command processor, so blanks, quotes or '&' in a site licence are harmless.
class DesktopFileBrowser : public FileBrowser
{
public:
    bool openFolder(const QString& folder) override;
};
