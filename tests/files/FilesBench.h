#pragma once

#include "AppFolders.h"
#include "Clock.h"
#include "ManualVolumeWatch.h"
#include "Ports.h"
#include "ScriptedOperator.h"
#include "Workbench.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

#include <memory>
#include <unistd.h>

// A workbench over a temporary data folder, a scripted technician and the fast clock, with a
// site already selected. Cards are folders reported through a ManualVolumeWatch unless the
// test brings its own watch.
class FilesBench
{
public:
    explicit FilesBench(VolumeWatch* watch = nullptr)
    {
        QDir().mkdir(dir.filePath("user"));
        folders = std::make_unique<AppFolders>(dir.filePath("user"));
        volumes.start();
        VolumeWatch& used = watch ? *watch : volumes;
        bench = std::make_unique<Workbench>(
            WorkbenchServices{op, clock, ports, used, *folders, dir.filePath("Q7UpgradeUtility.ini")});
        bench->siteLicense = "SITE1";
        bench->siteDataDir = bench->dataFolderRoot + "site1/";
        QDir().mkdir(bench->siteDataDir);
        // The copy step's 3 s pass on the fast clock: the timer fires at once and moves the
        // clock by what it did not wait. Connected before any transfer connects its copy step.
        QObject::connect(bench->FileCopyTimer, &QTimer::timeout, [this] {
            if (bench->FileCopyTimer->interval() < kCopyDelayMs)
                clock.advance(kCopyDelayMs - bench->FileCopyTimer->interval());
        });
        bench->FileCopyTimer->setInterval(1);
    }

    // Leaves the copy step its real 3 s, for a test about what happens before it runs.
    void realCopyDelay() { bench->FileCopyTimer->setInterval(kCopyDelayMs); }

    QString site() const { return bench->siteDataDir; }

    // A folder standing for a card, with the named files (each holding its own name).
    QString card(const QString& name, const QStringList& files = {})
    {
        const QString root = dir.filePath("cards/" + name);
        QDir().mkpath(root);
        for (const QString& file : files) {
            QDir().mkpath(QFileInfo(root + "/" + file).path());
            write(root + "/" + file, file.toUtf8());
        }
        return root;
    }

    static void write(const QString& path, const QByteArray& bytes)
    {
        QFile file(path);
        QVERIFY2(file.open(QIODevice::WriteOnly), qPrintable(path));
        file.write(bytes);
    }
    static QByteArray read(const QString& path)
    {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }
    // The folder's files, leaving out the session log every site folder keeps beside them.
    static QStringList files(const QString& folder)
    {
        QStringList names = QDir(folder).entryList(QDir::Files | QDir::Hidden, QDir::Name);
        names.removeAll(QStringLiteral("Session Log.txt"));
        return names;
    }

    // Runs action once the guided wait has begun (after the question it is attached to was
    // answered), with the clock moved forward by atMs first.
    void duringWait(std::int64_t atMs, std::function<void()> action)
    {
        QTimer::singleShot(0, [this, atMs, action] {
            clock.advance(atMs);
            action();
        });
    }

    static constexpr int kCopyDelayMs = 3000;

    QTemporaryDir dir;
    ScriptedOperator op;
    FastClock clock;
    SerialPorts ports{{}, SerialPorts::System::Excluded};
    ManualVolumeWatch volumes;
    std::unique_ptr<AppFolders> folders;
    std::unique_ptr<Workbench> bench;
};

// A folder that nobody may write, root included: a read-only bind mount over it as root, plain
// permissions otherwise. Undone when it goes out of scope.
class ReadOnlyFolder
{
public:
    explicit ReadOnlyFolder(QString path) : m_path(std::move(path))
    {
        if (::geteuid() == 0) {
            m_mounted = QProcess::execute("mount", {"--bind", m_path, m_path}) == 0;
            if (m_mounted)
                m_ok = QProcess::execute("mount", {"-o", "remount,ro,bind", m_path, m_path}) == 0;
        } else {
            m_ok = QFile::setPermissions(m_path, QFileDevice::ReadOwner | QFileDevice::ExeOwner);
        }
    }
    ~ReadOnlyFolder()
    {
        if (m_mounted)
            QProcess::execute("umount", {m_path});
        else
            QFile::setPermissions(m_path,
                                  QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    }
    bool ok() const { return m_ok; }

private:
    QString m_path;
    bool m_mounted = false;
    bool m_ok = false;
};
