#include "DesktopFileBrowser.h"

#include <QDesktopServices>
#include <QUrl>

bool DesktopFileBrowser::openFolder(const QString& folder)
{
    return QDesktopServices::openUrl(QUrl::fromLocalFile(folder));
}
