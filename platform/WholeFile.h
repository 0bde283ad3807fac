#pragma once

#include <QByteArray>
#include <QString>

// Every file the program writes is written whole or not at all: into a temporary file beside
// the target, renamed over it only when every byte is on disk. A failure leaves the earlier
// file as it was and no half-written file behind.
struct WholeFileResult
{
    bool ok = false;
    QString error; // the system's reason when ok is false
};

WholeFileResult writeWholeFile(const QString& path, const QByteArray& bytes);

// Copies source to target byte for byte through writeWholeFile. A source that cannot be opened
// or read to its end leaves target untouched: a half-read card must never replace a good copy.
WholeFileResult copyWholeFile(const QString& source, const QString& target);
