#include "MountVolumeWatch.h"

#include "PlatformVolumeWatch.h"

#include <QFile>
#include <QSocketNotifier>

#include <cerrno>
#include <utility>
#include <fcntl.h>
#include <unistd.h>

namespace {

QString decodeMountPoint(const QByteArray& field)
{
    QByteArray path;
    path.reserve(field.size());
    for (qsizetype at = 0; at < field.size(); ++at) {
        const auto isOctal = [&field](qsizetype i) { return field.at(i) >= '0' && field.at(i) <= '7'; };
        if (field.at(at) == '\\' && at + 3 < field.size() && isOctal(at + 1) && isOctal(at + 2) &&
            isOctal(at + 3)) {
            path += char(((field.at(at + 1) - '0') << 6) | ((field.at(at + 2) - '0') << 3) |
                         (field.at(at + 3) - '0'));
            at += 3;
        } else {
            path += field.at(at);
        }
    }
    return QString::fromLocal8Bit(path);
}

} // namespace

MountVolumeWatch::MountVolumeWatch(QObject* parent, QString mountInfoPath)
    : VolumeWatch(parent), m_path(std::move(mountInfoPath))
{
}

MountVolumeWatch::~MountVolumeWatch()
{
    delete m_notifier;
    if (m_fd >= 0)
        ::close(m_fd);
}

bool MountVolumeWatch::start()
{
    if (m_fd >= 0)
        return true;
    m_fd = ::open(QFile::encodeName(m_path).constData(), O_RDONLY | O_CLOEXEC);
    if (m_fd < 0)
        return false;
    // What is mounted already is no card that arrived.
    m_mounts = parseMountPoints(readMountInfo());
    m_notifier = new QSocketNotifier(qintptr(m_fd), QSocketNotifier::Exception, this);
    connect(m_notifier, &QSocketNotifier::activated, this, &MountVolumeWatch::mountsChanged);
    return true;
}

QStringList MountVolumeWatch::parseMountPoints(const QByteArray& mountInfo)
{
    QStringList points;
    for (const QByteArray& line : mountInfo.split('\n')) {
        // "id parent major:minor root mount-point options ..." with single blanks between.
        const QList<QByteArray> fields = line.split(' ');
        if (fields.size() < 5)
            continue;
        const QString point = decodeMountPoint(fields.at(4));
        if (!point.isEmpty() && !points.contains(point))
            points << point;
    }
    return points;
}

QByteArray MountVolumeWatch::readMountInfo() const
{
    // Read again from the start through the watched descriptor: the table is generated on read.
    QByteArray text;
    if (::lseek(m_fd, 0, SEEK_SET) < 0)
        return text;
    char chunk[4096];
    for (;;) {
        const ssize_t got = ::read(m_fd, chunk, sizeof chunk);
        if (got > 0)
            text.append(chunk, qsizetype(got));
        else if (got < 0 && errno == EINTR)
            continue;
        else
            break;
    }
    return text;
}

void MountVolumeWatch::mountsChanged()
{
    const QStringList now = parseMountPoints(readMountInfo());
    const QStringList before = std::exchange(m_mounts, now);
    for (const QString& point : before)
        if (!now.contains(point))
            emit volumeRemoved(point);
    for (const QString& point : now)
        if (!before.contains(point))
            emit volumeArrived(point);
}

std::unique_ptr<VolumeWatch> createPlatformVolumeWatch(QObject* parent)
{
    return std::make_unique<MountVolumeWatch>(parent);
}
