#pragma once

#include <QByteArray>
#include <QMap>
#include <QString>

// Every file below a folder, by its path relative to the folder, with its bytes: what a test
// compares before and after a run to find a file lost, changed or left behind.
using FolderSnapshot = QMap<QString, QByteArray>;

FolderSnapshot snapshotFolder(const QString& root);
