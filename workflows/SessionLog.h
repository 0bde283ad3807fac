#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>
#include <QTimer>

#include <functional>

class Clock;

// "Session Log.txt" in the site folder: what happened at the site, line by line, for the
// support engineer who gets the folder afterwards. Lines are kept in memory until a site is
// selected, then appended to its folder; a line that cannot be written yet (no site, a full
// disk) stays pending and goes out with the next one. Writing it never disturbs a workflow.
//
// Only texts the technician saw or typed, step names and file digests go in: records are never
// dumped here, so the board's access codes cannot reach the log.
class SessionLog
{
public:
    static constexpr const char* kFileName = "Session Log.txt";

    // siteFolder returns the folder the lines belong in (ending with a separator), or an empty
    // text while no site is selected.
    SessionLog(const Clock& clock, std::function<QString()> siteFolder);
    // Whatever is still pending is tried once more.
    ~SessionLog();

    SessionLog(const SessionLog&) = delete;
    SessionLog& operator=(const SessionLog&) = delete;

    // When a line goes to the file. Each write of the log is a whole-file write that waits for
    // the disk, so routine lines (steps, status texts, files written) are gathered for a moment;
    // what the technician decided, and where a workflow begins and ends, goes out at once.
    enum class Write
    {
        Now,
        Soon
    };
    // One line, stamped with the clock's date and time; line breaks inside text become " / ".
    void add(const QString& text, Write when = Write::Now);
    // Writes what is pending now (when a site folder is known).
    void flush();

    // The workflows bracket themselves with these, so the log shows where each one began and
    // how it ended. Workflows may nest (an upgrade runs a backup).
    void workflowStarted(const QString& name);
    void workflowEnded(bool ok);

    // A file the program wrote, with its size and SHA-256. root, when the file lies below it, is
    // left out of the path shown.
    void fileWritten(const QString& path, const QByteArray& bytes, const QString& root = {});

    // Lines not yet in a file.
    int pendingLines() const { return int(m_pending.size()); }
    // True while the log writes its own file, which is not itself logged.
    bool writing() const { return m_writing; }

private:
    const Clock& m_clock;
    std::function<QString()> m_siteFolder;
    QList<QByteArray> m_pending;
    QStringList m_workflows;
    QString m_lastFile;
    QByteArray m_lastDigest;
    bool m_writing = false;
    QTimer m_soon;
};

// One workflow bracketed in the log: "… started" when made, "… succeeded" or "… failed" when it
// goes. It ends failed unless the workflow handed its result through result(), so a cancel, an
// early return or an error thrown through it all read as what they are.
class LoggedWorkflow
{
public:
    LoggedWorkflow(SessionLog& log, const QString& name) : m_log(log) { m_log.workflowStarted(name); }
    ~LoggedWorkflow() { m_log.workflowEnded(m_ok); }
    LoggedWorkflow(const LoggedWorkflow&) = delete;
    LoggedWorkflow& operator=(const LoggedWorkflow&) = delete;

    // The workflow's own result, passed through.
    bool result(bool ok)
    {
        m_ok = ok;
        return ok;
    }

private:
    SessionLog& m_log;
    bool m_ok = false;
};
