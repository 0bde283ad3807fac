#pragma once

#include <QByteArray>
#include <QString>

#include <functional>

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

// Told of every file once it is in place, on the writer's thread, so a run can account for each
// file it left behind without every writer having to remember to say so.
using WholeFileObserver = std::function<void(const QString& path, const QByteArray& bytes)>;
// Returns the id that removes it again. Observers may come and go in any order.
int addWholeFileObserver(WholeFileObserver observer);
void removeWholeFileObserver(int id);
// For a writer that puts a file in place whole by other means (a stream of blocks into a
// QSaveFile), once it is in place: the observers hear of it as of any other.
void tellWholeFileObservers(const QString& path, const QByteArray& bytes);
