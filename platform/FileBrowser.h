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
