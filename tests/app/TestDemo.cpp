// The demo's pieces in-process, as q7-demo wires them: the simulated board must reach the
// program only through the ports it lists, and the Simulation menu must change what answers
// on the cable and which card the program is told about.
#include "AppFolders.h"
#include "BoardDetector.h"
#include "BoardModel.h"
#include "Clock.h"
#include "DemoSession.h"
#include "FileBrowser.h"
#include "Q7Port.h"
#include "ScriptedOperator.h"
#include "TQ7UpgradeUtilityMainForm.h"

#include <QAction>
#include <QDir>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

namespace {

class NoFileBrowser : public FileBrowser
{
public:
    bool openFolder(const QString&) override { return true; }
};

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
    NoFileBrowser m_browser;
    std::unique_ptr<DemoSession> m_session;
    std::unique_ptr<AppFolders> m_folders;
    std::unique_ptr<TQ7UpgradeUtilityMainForm> m_window;

    void trigger(const QString& name)
    {
        auto* action = m_window->findChild<QAction*>(name);
        QVERIFY2(action, qPrintable(name));
        QVERIFY2(action->isEnabled(), qPrintable(name));
        action->trigger();
    }

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
        m_session = std::make_unique<DemoSession>(m_dir.path() + "/demo");
        QString error;
        QVERIFY2(m_session->start(&error), qPrintable(error));
        m_folders = std::make_unique<AppFolders>(m_session->root());
        MainFormServices services{m_op, m_clock, *m_folders, m_browser, m_session->volumes(),
                                  m_dir.filePath("q7-demo.ini")};
        services.extraPorts = {m_session->devicePath()};
        m_window = std::make_unique<TQ7UpgradeUtilityMainForm>(services);
        m_session->addSimulationMenu(*m_window, m_op);
    }

    void cleanup()
    {
        m_window.reset();
        m_folders.reset();
        m_session.reset();
    }

    void theProgramFindsTheBoardAndTheMenuSwapsIt()
    {
        QVERIFY(m_window->dataFolderRoot.startsWith(m_session->root() + '/'));
        QVERIFY(BoardDetector::availablePorts(m_window->extraPorts).contains(m_session->devicePath()));

        Q7Port port(m_clock);
        QVERIFY(port.OpenPort(m_session->devicePath(), 9600));
        QVERIFY(port.sendNullCommand());
        const QByteArray existing = esn(sim::BoardModel::existing().esn);
        const QByteArray replacement = esn(sim::BoardModel::replacement().esn);
        QVERIFY(existing != replacement);
        QCOMPARE(readEsn(port), existing);

        trigger("SwapToReplacement");
        QCOMPARE(readEsn(port), replacement);
        QVERIFY(!m_window->findChild<QAction*>("SwapToReplacement")->isEnabled());
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

        // The window's own slots receive the watch's reports (disconnect tells whether it was).
        QVERIFY(QObject::disconnect(&volumes, &VolumeWatch::volumeArrived, m_window.get(), nullptr));
        QVERIFY(QObject::disconnect(&volumes, &VolumeWatch::volumeRemoved, m_window.get(), nullptr));
    }
};

QTEST_MAIN(TestDemo)
#include "TestDemo.moc"
