#include "AppFolders.h"

#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QtTest>

class TestAppFolders : public QObject
{
    Q_OBJECT

private slots:
    void missingDataHomeOfAFreshAccountIsMade()
    {
#ifdef Q_OS_WIN
        QSKIP("the roaming profile folder always exists");
#else
        // Seen on a fresh account: without this the program could not make its folders and
        // refused to start.
        QTemporaryDir home;
        const QString dataHome = home.filePath("fresh/.local/share");
        qputenv("XDG_DATA_HOME", dataHome.toLocal8Bit());
        QCOMPARE(AppFolders().userDataFolder(), dataHome);
        QVERIFY(QFileInfo(dataHome).isDir());
#endif
    }

    void injectedFolderIsTakenAsIs()
    {
        QCOMPARE(AppFolders("/nonexistent/roaming").userDataFolder(), QString("/nonexistent/roaming"));
        QVERIFY(!QFileInfo::exists("/nonexistent/roaming"));
        QCOMPARE(AppFolders(QString()).userDataFolder(), QString());
    }
};

QTEST_GUILESS_MAIN(TestAppFolders)
#include "TestAppFolders.moc"
