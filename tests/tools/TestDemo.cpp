// The demo's pieces in-process, as q7-demo wires them: the simulated board must reach the
// program only through the ports it lists, and the bench (and the Simulation menu that carries
// its commands) must change what answers on the cable and which card the program is told about.
#include "BoardModel.h"
#include "Clock.h"
#include "DemoClock.h"
#include "DemoRig.h"
#include "Q7Port.h"
#include "ScriptedOperator.h"
#include "SimulationBench.h"
#include "TQ7UpgradeUtilityMainForm.h"

#include <QAction>
#include <QCheckBox>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileDialog>
#include <QImage>
#include <QMenu>
#include <QProcess>
#include <QScopeGuard>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

namespace {

QByteArray esn(const std::array<uint8_t, 6>& bytes)
{
    return QByteArray(reinterpret_cast<const char*>(bytes.data()), int(bytes.size()));
}

} // namespace

class TestDemo : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;
    FastClock m_clock;
    ScriptedOperator m_op;
    std::unique_ptr<DemoRig> m_rig;
    DemoSession* m_session = nullptr;
    TQ7UpgradeUtilityMainForm* m_window = nullptr;
    SimulationBench* m_bench = nullptr;

    // A hardware command as the Simulation menu offers it.
    void trigger(const QString& name)
    {
        auto* menu = m_window->findChild<QMenu*>("SimulationMenu");
        QVERIFY(menu);
        QAction* action = nullptr;
        for (QAction* item : menu->actions())
            if (item->objectName() == name)
                action = item;
        QVERIFY2(action, qPrintable(name));
        QVERIFY2(action->isEnabled(), qPrintable(name));
        action->trigger();
    }

    // A fault switch as the technician ticks it on the bench.
    QCheckBox* faultSwitch(const QString& name) const { return m_bench->findChild<QCheckBox*>(name + "Box"); }

    QByteArray readEsn(Q7Port& port)
    {
        if (!port.getStucture(1))
            return {};
        return QByteArray(reinterpret_cast<const char*>(port.structures[1].data()), 6);
    }

private slots:
    void init()
    {
        QVERIFY(m_dir.isValid());
        m_rig = std::make_unique<DemoRig>(m_dir.path());
        QString error;
        QVERIFY2(m_rig->start({m_op, m_clock}, &error), qPrintable(error));
        m_session = &m_rig->session();
        m_window = &m_rig->window();
        m_bench = &m_rig->bench();
    }

    void cleanup() { m_rig.reset(); }

    void theProgramFindsTheBoardAndTheMenuSwapsIt()
    {
        QVERIFY(m_window->bench().dataFolderRoot.startsWith(m_session->root() + '/'));
        QVERIFY(m_window->bench().ports().availablePorts().contains(m_session->devicePath()));

        Q7Port port(m_clock);
        QVERIFY(port.OpenPort(m_session->devicePath(), 9600));
        QVERIFY(port.sendNullCommand());
        const QByteArray existing = esn(sim::BoardModel::existing().esn);
        const QByteArray replacement = esn(sim::BoardModel::replacement().esn);
        QVERIFY(existing != replacement);
        QCOMPARE(readEsn(port), existing);

        trigger("SwapToReplacement");
        QCOMPARE(readEsn(port), replacement);
        QVERIFY(!m_bench->findChild<QAction*>("SwapToReplacement")->isEnabled());
        QVERIFY(m_op.statusTexts().last().contains("replacement"));

        trigger("SwapToExisting");
        QCOMPARE(readEsn(port), existing);
    }

    void cardsReachTheMainWindow()
    {
        ManualVolumeWatch& volumes = m_session->volumes();
        // The window starts the watch it was given; a watch nobody started reports nothing.
        QVERIFY(volumes.isStarted());
        QSignalSpy arrived(&volumes, &VolumeWatch::volumeArrived);
        QSignalSpy removed(&volumes, &VolumeWatch::volumeRemoved);
        const QString oldCard = m_session->cardFolder(DemoSession::Card::OldBoard);
        const QString newCard = m_session->cardFolder(DemoSession::Card::Replacement);

        trigger("InsertOldCard");
        QCOMPARE(arrived.size(), 1);
        QCOMPARE(arrived.takeFirst().at(0).toString(), oldCard);
        QVERIFY(!QDir(oldCard).entryList({"*.csv", "*.CSV"}, QDir::Files).isEmpty());

        // One tray: the other card goes in only after this one came out.
        trigger("InsertReplacementCard");
        QCOMPARE(removed.size(), 1);
        QCOMPARE(removed.takeFirst().at(0).toString(), oldCard);
        QCOMPARE(arrived.takeFirst().at(0).toString(), newCard);
        QVERIFY(QDir(newCard).isEmpty());

        trigger("RemoveCard");
        QCOMPARE(removed.takeFirst().at(0).toString(), newCard);
        QVERIFY(volumes.volumes().isEmpty());

        // The window registered with the watch when it was built; the SD-card transfers act on
        // its reports while they wait for a card.
        QVERIFY(volumes.isStarted());
    }

    void aFaultStaysWithItsBoard_data()
    {
        QTest::addColumn<QString>("fault");
        QTest::addColumn<int>("command"); // what the faulty board no longer carries out
        QTest::addRow("stops answering") << "FaultSilent" << 0;
        QTest::addRow("refuses the reboot") << "FaultRefuse" << 67;
        QTest::addRow("corrupts every frame") << "FaultCorruptAll" << 0;
    }

    void aFaultStaysWithItsBoard()
    {
        QFETCH(QString, fault);
        QFETCH(int, command);
        Q7Port port(m_clock);
        QVERIFY(port.OpenPort(m_session->devicePath(), 9600));
        const auto works = [&] {
            return command == 0 ? port.sendNullCommand() : port.sendSimpleCommand(uint8_t(command));
        };
        QVERIFY(port.sendNullCommand());

        faultSwitch(fault)->click();
        QVERIFY(faultSwitch(fault)->isChecked());
        QVERIFY(m_op.statusTexts().last().contains("existing board"));
        QVERIFY(!works());

        // The replacement is a sound board; the switches show its own state.
        trigger("SwapToReplacement");
        QVERIFY(!faultSwitch(fault)->isChecked());
        QVERIFY(port.sendNullCommand());
        trigger("SwapToExisting");
        QVERIFY(faultSwitch(fault)->isChecked());
        QVERIFY(!works());

        faultSwitch(fault)->click();
        QVERIFY(port.sendNullCommand());
    }

    void theCameraCardCarriesPhotographsTheFileDialogOpensOn()
    {
        trigger("InsertCameraCard");
        const QDir camera(m_session->cameraFolder());
        const QStringList photos = camera.entryList({"*.JPG"}, QDir::Files);
        QCOMPARE(photos.size(), DemoSession::kCameraPhotos);
        for (const QString& name : photos)
            QVERIFY2(!QImage(camera.filePath(name), "JPEG").isNull(), qPrintable(name));

        // The program's open-file dialog finds the card without the technician searching.
        QFileDialog dialog(m_window);
        dialog.setOption(QFileDialog::DontUseNativeDialog);
        dialog.setWindowModality(Qt::ApplicationModal);
        dialog.show();
        QCOMPARE(QDir(dialog.directory()).canonicalPath(), camera.canonicalPath());
        QVERIFY(dialog.sidebarUrls().contains(QUrl::fromLocalFile(m_session->cameraFolder())));
        dialog.hide();

        trigger("RemoveCameraCard");
        QVERIFY(!camera.exists());
        QVERIFY(!m_bench->findChild<QAction*>("RemoveCameraCard")->isEnabled());
    }

    void fastWaitsSwitchWithoutTheClockRunningBack()
    {
        DemoClock clock(true);
        const qint64 before = clock.msecs();
        QElapsedTimer real;
        real.start();
        clock.delay(60000);
        QVERIFY(clock.msecs() - before >= 60000);
        QVERIFY2(real.elapsed() < 10000, "a fast clock skips a fixed wait");

        // A wait that reads the clock across the switch must never see time go backwards.
        const qint64 skipped = clock.msecs();
        clock.setFast(false);
        QVERIFY(clock.msecs() >= skipped);
        real.restart();
        clock.delay(50);
        QVERIFY(real.elapsed() >= 45);
    }

    void theDemoRunsApartFromTheProgramAndOnlyOnce()
    {
        // Both programs headless, sharing one user's folders: each takes its own lock and
        // keeps its own data; a second demo must not remake the cards under the first.
        QTemporaryDir home;
        QVERIFY(QDir().mkdir(home.filePath("share")));
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("QT_QPA_PLATFORM", "offscreen");
        env.insert("XDG_RUNTIME_DIR", home.path());
        env.insert("XDG_DATA_HOME", home.filePath("share"));
        const auto start = [&](QProcess& process, const char* program) {
            process.setProcessEnvironment(env);
            process.start(QStringLiteral(Q7_BINARY_DIR "/") + program, {});
            return process.waitForStarted(5000);
        };
        QProcess real;
        QProcess demo;
        QProcess second;
        // Killed on every way out, so a failed check leaves no program running.
        const auto cleanup = qScopeGuard([&] {
            for (QProcess* process : {&second, &demo, &real}) {
                process->kill();
                process->waitForFinished(5000);
            }
        });
        QVERIFY(start(real, "Q7UpgradeUtility"));
        QVERIFY(start(demo, "q7-demo"));
        QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(home.filePath("Q7UpgradeUtility.lock")), 10000);
        QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(home.filePath("q7-demo.lock")), 10000);
        const QString demoRoot = home.filePath("share/Q7UpgradeUtility-demo");
        QTRY_VERIFY(QFileInfo(demoRoot + "/Q7UpgradeUtility/Data").isDir());
        QTRY_VERIFY(QFileInfo(home.filePath("share/Q7UpgradeUtility/Data")).isDir());
        QByteArray said;
        QTRY_VERIFY((said += demo.readAllStandardError()).contains("Simulated existing Q7 board on /dev/"));

        const QString kept = demoRoot + "/SD cards/replacement board/RESTORED.CSV";
        {
            QFile file(kept);
            QVERIFY(file.open(QIODevice::WriteOnly));
        }
        QVERIFY(start(second, "q7-demo"));
        // It stops at "Application already running"; a copy that set up its hardware first
        // would have said so on stderr at once.
        QTest::qWait(1500);
        QCOMPARE(second.state(), QProcess::Running);
        QVERIFY(!second.readAllStandardError().contains("Simulated"));
        QVERIFY(QFile::exists(kept));
    }
};

QTEST_MAIN(TestDemo)
#include "TestDemo.moc"
