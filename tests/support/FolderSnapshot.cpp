#include "FolderSnapshot.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>

FolderSnapshot snapshotFolder(const QString& root)
{
    FolderSnapshot files;
    QDirIterator it(root, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        QFile f(path);
        files.insert(QDir(root).relativeFilePath(path), f.open(QIODevice::ReadOnly) ? f.readAll() : "?");
    }
    return files;
}
