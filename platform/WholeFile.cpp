#include "WholeFile.h"

#include <QDir>
#include <QFileInfo>
#include <QMutex>
#include <QRandomGenerator>
#include <QSet>

#include <filesystem>
#include <map>
#include <system_error>
#include <utility>

#ifdef Q_OS_WIN
#include <io.h>
#else
#include <unistd.h>
#endif

namespace {

std::map<int, WholeFileObserver>& observers()
{
    static std::map<int, WholeFileObserver> all;
    return all;
}

const QLatin1String kTemporaryMark("~q7-");
const QLatin1String kTemporaryEnd(".tmp");
constexpr int kTemporaryLetters = 6;
constexpr qsizetype kTemporaryTail = 4 + kTemporaryLetters + 4; // "~q7-" letters ".tmp"

// The temporaries being written now, which no sweep may take: a session log line is written
// while a transfer streams into the same folder.
QMutex g_liveLock;
QSet<QString> g_live;

QString temporaryName(const QString& path)
{
    static const char kLetters[] = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
    QString name = path + kTemporaryMark;
    for (int i = 0; i < kTemporaryLetters; ++i)
        name += QLatin1Char(kLetters[QRandomGenerator::global()->bounded(int(sizeof kLetters) - 1)]);
    return name + kTemporaryEnd;
}

std::filesystem::path nativePath(const QString& path)
{
#ifdef Q_OS_WIN
    return std::filesystem::path(QDir::toNativeSeparators(path).toStdWString());
#else
    return std::filesystem::path(QFile::encodeName(path).toStdString());
#endif
}

// On the disk before the rename, so that a power cut cannot leave the new name on no data.
bool syncToDisk(int handle)
{
#if defined(Q_OS_WIN)
    return _commit(handle) == 0;
#elif defined(Q_OS_LINUX)
    return ::fdatasync(handle) == 0;
#else
    return ::fsync(handle) == 0;
#endif
}

} // namespace

bool isLeftTemporaryName(const QString& fileName)
{
    const qsizetype tail = fileName.size() - kTemporaryTail;
    if (tail < 1 || !fileName.endsWith(kTemporaryEnd) || QStringView(fileName).mid(tail, 4) != kTemporaryMark)
        return false;
    for (qsizetype i = tail + 4; i < tail + 4 + kTemporaryLetters; ++i) {
        const char16_t c = fileName.at(i).unicode();
        if (!((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9')))
            return false;
    }
    return true;
}

void removeLeftTemporaries(const QString& path)
{
    QDir folder = QFileInfo(path).absoluteDir();
    const QStringList names = folder.entryList(QDir::Files | QDir::Hidden | QDir::System);
    const QMutexLocker locker(&g_liveLock);
    for (const QString& name : names)
        if (isLeftTemporaryName(name) && !g_live.contains(folder.absoluteFilePath(name)))
            folder.remove(name);
}

WholeFileWriter::WholeFileWriter(QString path) : m_path(std::move(path)) {}

WholeFileWriter::~WholeFileWriter()
{
    cancel();
}

WholeFileResult WholeFileWriter::open()
{
    cancel();
    removeLeftTemporaries(m_path);
    m_written = 0;
    m_error.clear();
    // The target's permissions carry over, as a file replaced in place would keep them.
    const QFileInfo target(m_path);
    const QFile::Permissions permissions = target.exists()
                                               ? target.permissions()
                                               : QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup |
                                                     QFile::WriteGroup | QFile::ReadOther | QFile::WriteOther;
    for (int attempt = 0; attempt < 100; ++attempt) {
        m_temp.setFileName(temporaryName(target.absoluteFilePath()));
        {
            const QMutexLocker locker(&g_liveLock);
            g_live.insert(m_temp.fileName());
        }
        // Unbuffered: through a write buffer, a disk that fills part-way is not reported.
        if (m_temp.open(QIODevice::WriteOnly | QIODevice::NewOnly | QIODevice::Unbuffered, permissions))
            return {true, {}};
        const QString why = m_temp.errorString();
        const bool taken = QFileInfo::exists(m_temp.fileName());
        {
            const QMutexLocker locker(&g_liveLock);
            g_live.remove(m_temp.fileName());
        }
        if (!taken)
            return {false, why};
    }
    return {false, QStringLiteral("No temporary file name is free beside %1.").arg(m_path)};
}

bool WholeFileWriter::write(const char* data, qint64 size)
{
    if (!m_temp.isOpen() || !m_error.isEmpty())
        return false;
    qint64 done = 0;
    while (done < size) {
        const qint64 written = m_temp.write(data + done, size - done);
        if (written <= 0) {
            m_error = m_temp.errorString();
            return false;
        }
        done += written;
    }
    m_written += size;
    return true;
}

WholeFileResult WholeFileWriter::commit()
{
    if (!m_temp.isOpen())
        return {false, m_error.isEmpty() ? QStringLiteral("The file was not open.") : m_error};
    QString error = m_error;
    if (error.isEmpty() && m_temp.size() != m_written)
        error = QStringLiteral("The file was not written completely.");
    if (error.isEmpty() && !syncToDisk(m_temp.handle()))
        error = QStringLiteral("The file could not be written to the disk.");
    if (error.isEmpty()) {
        m_temp.close();
        if (m_temp.error() != QFileDevice::NoError)
            error = m_temp.errorString();
    }
    if (error.isEmpty()) {
        // Replaces an earlier file in one step, on every platform.
        std::error_code failed;
        std::filesystem::rename(nativePath(m_temp.fileName()), nativePath(m_path), failed);
        if (failed)
            error = QString::fromStdString(failed.message());
    }
    if (!error.isEmpty()) {
        cancel();
        return {false, error};
    }
    const QMutexLocker locker(&g_liveLock);
    g_live.remove(m_temp.fileName());
    m_temp.setFileName(QString());
    return {true, {}};
}

void WholeFileWriter::cancel()
{
    if (m_temp.fileName().isEmpty())
        return;
    m_temp.close();
    m_temp.remove();
    const QMutexLocker locker(&g_liveLock);
    g_live.remove(m_temp.fileName());
    m_temp.setFileName(QString());
}

void tellWholeFileObservers(const QString& path, const QByteArray& bytes)
{
    // A copy: an observer may itself write a file, or remove itself, while it is told.
    const auto current = observers();
    for (const auto& [id, observer] : current)
        observer(path, bytes);
}

int addWholeFileObserver(WholeFileObserver observer)
{
    static int lastId = 0;
    observers().emplace(++lastId, std::move(observer));
    return lastId;
}

void removeWholeFileObserver(int id)
{
    observers().erase(id);
}

WholeFileResult writeWholeFile(const QString& path, const QByteArray& bytes)
{
    WholeFileWriter file(path);
    if (WholeFileResult opened = file.open(); !opened.ok)
        return opened;
    file.write(bytes.constData(), bytes.size());
    if (WholeFileResult committed = file.commit(); !committed.ok)
        return committed;
    tellWholeFileObservers(path, bytes);
    return {true, {}};
}

WholeFileResult copyWholeFile(const QString& source, const QString& target)
{
    QFile in(source);
    if (!in.open(QIODevice::ReadOnly))
        return {false, in.errorString()};
    const QByteArray bytes = in.readAll();
    // readAll() returns what it got before a read failed; only the error tells it was cut short.
    if (in.error() != QFileDevice::NoError)
        return {false, in.errorString()};
    return writeWholeFile(target, bytes);
}
