#pragma once

#include <QByteArray>
#include <QFile>
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

// A file written in pieces and put in place whole, for a writer whose bytes arrive over time
// (a transfer from the board). The pieces go to "<name>~q7-XXXXXX.tmp" beside the target, which
// replaces the target on commit(); destroyed uncommitted, it takes the temporary with it.
class WholeFileWriter
{
public:
    explicit WholeFileWriter(QString path);
    ~WholeFileWriter();
    WholeFileWriter(const WholeFileWriter&) = delete;
    WholeFileWriter& operator=(const WholeFileWriter&) = delete;

    // Creates the temporary, so a folder that cannot be written fails before any piece.
    WholeFileResult open();
    // False once a piece could not be written; commit() then fails with the reason.
    bool write(const char* data, qint64 size);
    WholeFileResult commit();
    void cancel();
    const QString& fileName() const { return m_path; }

private:
    QString m_path;
    QFile m_temp;
    qint64 m_written = 0;
    QString m_error;
};

// A writer that ends part-way (killed, or the power gone) leaves its temporary behind. Such a
// file is no data of anyone's: true for a file name of that shape.
bool isLeftTemporaryName(const QString& fileName);

// Removes the temporaries that earlier writers left in path's folder, leaving those this
// program is writing now; every whole-file write does this first, so that temporaries neither
// pile up nor are taken for data.
void removeLeftTemporaries(const QString& path);

// Told of every file once it is in place, on the writer's thread, so a run can account for each
// file it left behind without every writer having to remember to say so.
using WholeFileObserver = std::function<void(const QString& path, const QByteArray& bytes)>;
// Returns the id that removes it again. Observers may come and go in any order.
int addWholeFileObserver(WholeFileObserver observer);
void removeWholeFileObserver(int id);
// For a writer that puts a file in place whole by other means (a stream of blocks through a
// WholeFileWriter), once it is in place: the observers hear of it as of any other.
void tellWholeFileObservers(const QString& path, const QByteArray& bytes);
