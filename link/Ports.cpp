#include "Ports.h"

#include <QSerialPort>
#include <QSerialPortInfo>

#include <QFile>

#include <algorithm>

#ifdef Q_OS_UNIX
#include <cerrno>
#include <fcntl.h>
#include <grp.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace {

QString platformName(const QSerialPortInfo& info)
{
#ifdef Q_OS_WIN
    return info.portName();
#else
    return info.systemLocation();
#endif
}

bool opensExclusively(const QString& name)
{
    QSerialPort port;
    port.setPortName(name);
    if (!port.open(QIODevice::ReadWrite))
        return false;
    port.close();
    return true;
}

} // namespace

SerialPorts::SerialPorts(QStringList extraDevices, System system)
    : m_extra(std::move(extraDevices)), m_system(system)
{
}

void SerialPorts::addExtraDevice(const QString& device)
{
    if (!m_extra.contains(device))
        m_extra << device;
}

QStringList SerialPorts::candidates() const
{
    QStringList names;
    if (m_system == System::Included) {
        auto infos = QSerialPortInfo::availablePorts();
        // COM2 before COM10, as a technician counts them.
        std::sort(infos.begin(), infos.end(), [](const QSerialPortInfo& a, const QSerialPortInfo& b) {
            return a.portName().size() != b.portName().size() ? a.portName().size() < b.portName().size()
                                                              : a.portName() < b.portName();
        });
        for (const auto& info : infos)
            names << platformName(info);
    }
    for (const QString& extra : m_extra)
        if (!names.contains(extra))
            names << extra;
    return names;
}

QStringList SerialPorts::availablePorts() const
{
    QStringList open;
    for (const QString& name : candidates())
        if (opensExclusively(name))
            open << name;
    return open;
}

QStringList SerialPorts::accessProblems() const
{
    QStringList problems;
    for (const QString& name : candidates())
        if (const QString problem = portAccessProblem(name); !problem.isEmpty())
            problems << problem;
    return problems;
}

QString portAccessProblem(const QString& device)
{
#ifdef Q_OS_UNIX
    const QByteArray path = QFile::encodeName(device);
    struct stat st
    {
    };
    if (::stat(path.constData(), &st) != 0)
        return {};
    // Checked with the effective ids, as open() checks them; a device another program holds
    // passes this test and is not a permission problem.
    if (::faccessat(AT_FDCWD, path.constData(), R_OK | W_OK, AT_EACCESS) == 0 || errno != EACCES)
        return {};
    const QString text = QStringLiteral("Permission denied: %1 may not be opened by this user. ").arg(device);
    const bool groupMayOpen = (st.st_mode & (S_IRGRP | S_IWGRP)) == (S_IRGRP | S_IWGRP);
    const passwd* user = ::getpwuid(::geteuid());
    const QString userName = user ? QString::fromLocal8Bit(user->pw_name) : QString::number(::geteuid());
    if (const group* g = ::getgrgid(st.st_gid); groupMayOpen && g && st.st_gid != 0)
        return text + QStringLiteral("Members of the group %1 may open it: add the user %2 to that group "
                                     "(sudo adduser %2 %1), log out and in.")
                          .arg(QString::fromLocal8Bit(g->gr_name), userName);
    return text + QStringLiteral("Ask the administrator to give the user access to it.");
#else
    Q_UNUSED(device);
    return {};
#endif
}
