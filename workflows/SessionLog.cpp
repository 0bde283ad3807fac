#include "SessionLog.h"

#include "Clock.h"
#include "WholeFile.h"

#include <QCryptographicHash>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace {
// A run that never selects a site (a q7ctl command, a cancelled licence dialog) must not grow
// without bound; the oldest lines go first.
constexpr qsizetype kMaxPending = 2000;
// At most this long between a routine line and its write; what a crash can lose of the log.
constexpr int kSoonMs = 500;

QString oneLine(const QString& text)
{
    QString line = text;
    line.replace(QStringLiteral("\r\n"), QStringLiteral(" / "));
    line.replace(QLatin1Char('\r'), QStringLiteral(" / "));
    line.replace(QLatin1Char('\n'), QStringLiteral(" / "));
    for (QChar& c : line)
        if (c.unicode() < 0x20 || c.unicode() == 0x7f)
            c = QLatin1Char(' ');
    return line;
}
} // namespace

SessionLog::SessionLog(const Clock& clock, std::function<QString()> siteFolder)
    : m_clock(clock), m_siteFolder(std::move(siteFolder))
{
    m_soon.setSingleShot(true);
    m_soon.setInterval(kSoonMs);
    m_soon.callOnTimeout([this] { flush(); });
}

SessionLog::~SessionLog()
{
    if (!m_pending.isEmpty())
        flush();
}

void SessionLog::add(const QString& text, Write when)
{
    // A fixed, sortable stamp rather than the regional formats: the reader may be anywhere.
    const QString stamp = m_clock.currentDateTime().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
    m_pending << (stamp + QStringLiteral("  ") + oneLine(text)).toLocal8Bit() + "\r\n";
    if (m_pending.size() > kMaxPending)
        m_pending.remove(0, m_pending.size() - kMaxPending);
    if (when == Write::Now)
        flush();
    else if (!m_soon.isActive())
        m_soon.start();
}

void SessionLog::workflowStarted(const QString& name)
{
    m_workflows << name;
    add(name + QStringLiteral(" started"));
}

void SessionLog::workflowEnded(bool ok)
{
    const QString name = m_workflows.isEmpty() ? QStringLiteral("Workflow") : m_workflows.takeLast();
    add(name + (ok ? QStringLiteral(" succeeded") : QStringLiteral(" failed")));
}

void SessionLog::fileWritten(const QString& path, const QByteArray& bytes, const QString& root)
{
    if (m_writing)
        return;
    QString shown = QDir::cleanPath(path);
    const QString base = QDir::cleanPath(root) + QLatin1Char('/');
    if (!root.isEmpty() && shown.startsWith(base))
        shown = shown.mid(base.size());
    const QByteArray digest = QCryptographicHash::hash(bytes, QCryptographicHash::Sha256).toHex();
    // A settings file is rewritten once per key with the same bytes; the repeats say nothing new.
    if (shown == m_lastFile && digest == m_lastDigest)
        return;
    m_lastFile = shown;
    m_lastDigest = digest;
    add(QStringLiteral("File written: %1, %2 bytes, SHA-256 %3")
            .arg(shown)
            .arg(bytes.size())
            .arg(QString::fromLatin1(digest)),
        Write::Soon);
}

void SessionLog::flush()
{
    m_soon.stop();
    if (m_pending.isEmpty())
        return;
    const QString folder = m_siteFolder ? m_siteFolder() : QString();
    if (folder.isEmpty() || !QFileInfo(folder).isDir())
        return;
    const QString path = folder + QLatin1String(kFileName);
    QByteArray bytes;
    QFile old(path);
    if (old.exists()) {
        // Rewriting without the earlier lines would lose them; wait for a later chance instead.
        if (!old.open(QIODevice::ReadOnly))
            return;
        bytes = old.readAll();
        if (old.error() != QFileDevice::NoError)
            return;
    }
    for (const QByteArray& line : std::as_const(m_pending))
        bytes += line;
    m_writing = true;
    const WholeFileResult result = writeWholeFile(path, bytes);
    m_writing = false;
    if (result.ok)
        m_pending.clear();
}
