#pragma once

#include <QByteArray>
#include <QFile>
#include <QString>

#include <grp.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <vector>

// A device only the group dialout may open, tried as the user nobody: root hands the device to
// the group and takes nobody's effective ids for the object's lifetime (the real and saved ids
// stay root's, so the destructor can take them back). Without root, ok() is false and the test
// skips: an ordinary user cannot make a device that the same user may not open.
class AsNobodyOutsideDialout
{
public:
    explicit AsNobodyOutsideDialout(const QString& device)
    {
        const group* dialout = ::getgrnam("dialout");
        const passwd* nobody = ::getpwnam("nobody");
        if (::geteuid() != 0 || !dialout || !nobody)
            return;
        const QByteArray path = QFile::encodeName(device);
        if (::chown(path.constData(), 0, dialout->gr_gid) != 0 || ::chmod(path.constData(), 0660) != 0)
            return;
        m_groups.resize(static_cast<std::size_t>(::getgroups(0, nullptr)));
        ::getgroups(static_cast<int>(m_groups.size()), m_groups.data());
        const gid_t nogroup = nobody->pw_gid;
        m_ok = ::setgroups(1, &nogroup) == 0 && ::setegid(nogroup) == 0 && ::seteuid(nobody->pw_uid) == 0;
    }
    ~AsNobodyOutsideDialout()
    {
        if (::geteuid() != 0) {
            [[maybe_unused]] const int back =
                ::seteuid(0) + ::setegid(0) + ::setgroups(m_groups.size(), m_groups.data());
        }
    }
    AsNobodyOutsideDialout(const AsNobodyOutsideDialout&) = delete;
    AsNobodyOutsideDialout& operator=(const AsNobodyOutsideDialout&) = delete;

    bool ok() const { return m_ok; }
    static const char* skipReason()
    {
        return "needs root (to hand a device to the group dialout and act as the user nobody)";
    }

private:
    bool m_ok = false;
    std::vector<gid_t> m_groups;
};
