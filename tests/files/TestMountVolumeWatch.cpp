#include "FilesBench.h"
#include "MountVolumeWatch.h"
#include "SdCardTransfer.h"

#include <QSignalSpy>
#include <QtTest>

#include <algorithm>

#include <unistd.h>

class TestMountVolumeWatch : public QObject
{
    Q_OBJECT

private:
    // A tmpfs mounted over a fresh folder, unmounted again when it goes out of scope.
    struct Tmpfs
    {
        QString point;
        bool mounted = false;
        explicit Tmpfs(QString at) : point(std::move(at))
        {
            QDir().mkpath(point);
            mounted = QProcess::execute("mount", {"-t", "tmpfs", "none", point}) == 0;
        }
        void unmount()
        {
            if (mounted)
                mounted = QProcess::execute("umount", {point}) != 0;
        }
        ~Tmpfs() { unmount(); }
    };

    static void needRoot()
    {
        if (::geteuid() != 0)
            QSKIP("mounting a tmpfs needs root");
    }

private slots:
    void mountPointsAreReadWithTheirEscapes()
    {
        const QByteArray table = "22 1 8:1 / / rw,relatime shared:1 - ext4 /dev/sda1 rw\n"
                                 "40 22 0:41 / /media/ann/SD\\040CARD rw - vfat /dev/sdb1 rw\n"
                                 "41 22 0:42 / /tmp/back\\134slash rw - tmpfs none rw\n"
                                 "truncated line\n";
        QCOMPARE(MountVolumeWatch::parseMountPoints(table),
                 QStringList({"/", "/media/ann/SD CARD", "/tmp/back\\slash"}));
    }

    void aMountIsReportedAsItComesAndGoes()
    {
        needRoot();
        QTemporaryDir dir;
        MountVolumeWatch watch;
        QVERIFY(watch.start());
        QSignalSpy arrived(&watch, &VolumeWatch::volumeArrived);
        QSignalSpy removed(&watch, &VolumeWatch::volumeRemoved);

        Tmpfs card(dir.filePath("card"));
        if (!card.mounted)
            QSKIP("mount -t tmpfs is refused here");
        // Other programs (a parallel test) may mount and unmount meanwhile: only this card counts.
        const auto reportsOfCard = [&card](const QSignalSpy& spy) {
            return std::count_if(spy.begin(), spy.end(), [&card](const QList<QVariant>& args) {
                return args.at(0).toString() == card.point;
            });
        };
        QTRY_COMPARE(reportsOfCard(arrived), 1);

        card.unmount();
        QTRY_COMPARE(reportsOfCard(removed), 1);
        QCOMPARE(reportsOfCard(arrived), 1);
    }

    void aCardMountedDuringTheWaitIsCollected()
    {
        needRoot();
        MountVolumeWatch watch;
        QVERIFY(watch.start());
        FilesBench b(&watch);
        if (!Tmpfs(b.dir.filePath("probe")).mounted)
            QSKIP("mount -t tmpfs is refused here");
        std::unique_ptr<Tmpfs> card;
        const QString point = b.dir.filePath("media/SDCARD");
        b.op.before([&] {
                b.duringWait(0, [&] {
                    card = std::make_unique<Tmpfs>(point);
                    // Without a card the attempt ends at once, not after half a minute.
                    if (!card->mounted)
                        b.clock.advance(31000);
                    for (const QString name :
                         {"LOG1.CSV", "log2.csv", "Log3.csv", "CONFIG.BIN", "readme.txt"})
                        FilesBench::write(point + "/" + name, name.toUtf8());
                });
            })
            .answer(Operator::Answer::Ok);

        QVERIFY(collectSdLogFiles(*b.bench));
        QCOMPARE(FilesBench::files(b.site()), QStringList({"LOG1.CSV", "Log3.csv", "log2.csv"}));
        QVERIFY(b.op.texts(ScriptedOperator::Kind::Message)
                    .contains("Copied a total of 3 data files from the SD Card."));
    }
};

QTEST_GUILESS_MAIN(TestMountVolumeWatch)
#include "TestMountVolumeWatch.moc"
