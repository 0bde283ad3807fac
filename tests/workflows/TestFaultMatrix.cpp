// Every workflow against every fault a board or its cable can have: each run ends within its
// bound with the workflow's own message, and the files an earlier good run left in the data
// folder are still there, byte for byte.
#include "Backup.h"
#include "Flows.h"
#include "FolderSnapshot.h"
#include "ReplacementBench.h"
#include "SummaryLog.h"

#include <QElapsedTimer>
#include <QMap>
#include <QTimer>
#include <QtTest>

#include <functional>
#include <map>
#include <memory>

namespace {

const QString kNoBoard =
    "No Q7 boards detected.\nPlease make sure Comms cable is connected between PC and Powered Q7 board.";
const QString kInsertCard = "Press OK button and immediately insert SD Card into PC";
const QString kCompleted =
    "Upgrade process successfully completed.\nPlease shut down application before upgrading the next site.";
const QString kSessionLog = "Session Log.txt";

// A progress window that tells its owner each step it shows.
class WatchedProgress : public Progress
{
public:
    WatchedProgress(std::unique_ptr<Progress> inner, std::function<void(const QString&)> onStep)
        : m_inner(std::move(inner)), m_onStep(std::move(onStep))
    {
    }
    void setProgress(const QString& caption, const QString& stepText, int percent) override
    {
        m_inner->setProgress(caption, stepText, percent);
        if (m_onStep)
            m_onStep(stepText);
    }
    void show() override { m_inner->show(); }
    void hide() override { m_inner->hide(); }
    void repaint() override { m_inner->repaint(); }

private:
    std::unique_ptr<Progress> m_inner;
    std::function<void(const QString&)> m_onStep;
};

// Moves the fast clock on while the line has been quiet for a while, so a board that has gone
// silent runs out the link's time-outs and countdowns in a fraction of their real time. A
// line that is busy is left alone: a reply on its way is never overtaken by a jump.
class QuietLineWarp
{
public:
    QuietLineWarp(FastClock& clock, sim::SimulatedBoard& board, int quietMs)
    {
        m_quiet.start();
        QObject::connect(&m_timer, &QTimer::timeout, [this, &clock, &board, quietMs] {
            if (!board.takeWireLog().isEmpty())
                m_quiet.restart();
            else if (m_quiet.elapsed() >= quietMs)
                clock.advance(500);
        });
        m_timer.start(20);
    }

private:
    QTimer m_timer;
    QElapsedTimer m_quiet;
};

// The technician of every run, whatever the board does: a question is answered the way the
// upgrade goes on, the card asked for is put in, the board is exchanged when the new one is to
// be installed. How many times a question comes depends on the fault (each attempt of the
// restore asks again), so the answers are given as the questions come rather than scripted
// ahead; a question without an answer here still ends the test, as the scripted operator does.
class Technician : public ScriptedOperator
{
public:
    std::function<void(const QString& text, const QString& caption)> onQuestion;
    std::function<void(const QString& step)> onStep;

    Answer message(const QString& text, const QString& caption, Buttons buttons, Icon icon) override
    {
        if (buttons != Buttons::Ok) {
            if (onQuestion)
                onQuestion(text, caption);
            if (const auto a = answerTo(text, caption, buttons))
                answer(*a);
        }
        return ScriptedOperator::message(text, caption, buttons, icon);
    }
    std::optional<QString> inputText(const QString& caption, const QString& prompt,
                                     const QString& initial) override
    {
        answerText("R1");
        return ScriptedOperator::inputText(caption, prompt, initial);
    }
    std::optional<QString> sfoNumber() override
    {
        answerSfo("SFO 1");
        return ScriptedOperator::sfoNumber();
    }
    std::optional<QString> siteLicense() override
    {
        answerLicense("AB1");
        return ScriptedOperator::siteLicense();
    }
    std::optional<Q7Data::Totalisers> totalisers(const Q7Data::Totalisers& initial) override
    {
        Q7Data::Totalisers typed;
        typed.ForwardTotal = 4321.0f;
        answerTotals(typed);
        return ScriptedOperator::totalisers(initial);
    }
    std::unique_ptr<Progress> createProgress() override
    {
        return std::make_unique<WatchedProgress>(ScriptedOperator::createProgress(),
                                                 [this](const QString& step) {
                                                     if (onStep)
                                                         onStep(step);
                                                 });
    }

private:
    static std::optional<Answer> answerTo(const QString& text, const QString& caption, Buttons buttons)
    {
        if (buttons == Buttons::OkCancel)
            return Answer::Ok;
        if (buttons != Buttons::YesNo)
            return std::nullopt;
        if (text.startsWith("Directory exists, files will be over written."))
            return Answer::Yes;
        // The totals typed in the earlier run are kept.
        if (text.startsWith("Totalisers log file exists"))
            return Answer::No;
        if (text == "Would you like to add some comments to the report?" || caption == "Images")
            return Answer::No;
        return std::nullopt;
    }
};

// One run of the program on a data folder: a board behind the cable, the technician, the two
// cards, and a workbench of its own over them.
class Rig
{
public:
    explicit Rig(sim::BoardModel board) : m_bench(std::move(board))
    {
        m_oldCard = m_bench.makeCard("old");
        sim::BoardModel old = sim::BoardModel::existing();
        old.sdCardDir = m_oldCard;
        if (!old.fillCard())
            QTest::qFail("the old board's card cannot be filled", __FILE__, __LINE__);
        m_newCard = m_bench.makeCard("new");
        m_workbench = std::make_unique<Workbench>(WorkbenchServices{m_op, m_bench.clock(), m_bench.ports(),
                                                                    m_bench.volumes(), m_bench.folders(),
                                                                    m_bench.settingsPath(), &m_summaryLog});
        m_workbench->setView(&m_bench.view());
        m_workbench->operatorName = "Jo Bloggs";
        // The copy step's few seconds after a card is reported are not what these runs are about.
        m_workbench->FileCopyTimer->setInterval(50);
        m_op.onQuestion = [this](const QString& text, const QString& caption) {
            if (text == kInsertCard) {
                m_bench.volumes().remove(m_oldCard);
                m_bench.volumes().remove(m_newCard);
                m_bench.volumes().insert(caption == "Transfering Data files" ? m_newCard : m_oldCard);
            }
            if (caption == "New board installation")
                swapToReplacement();
        };
    }

    Technician& op() { return m_op; }
    Workbench& workbench() { return *m_workbench; }
    sim::SimulatedBoard& board() { return m_bench.board(); }
    FastClock& clock() { return m_bench.clock(); }
    QString dataRoot() const { return m_workbench->dataFolderRoot; }

    // The technician exchanges the board for a replacement that has a card in its tray.
    void swapToReplacement()
    {
        sim::BoardModel fresh = ReplacementBench::quickBoard(sim::BoardModel::replacement());
        fresh.sdCardDir = board().model().sdCardDir;
        board().swapBoard(fresh);
    }

    QString lastMessage() const
    {
        const QStringList texts = m_op.texts(ScriptedOperator::Kind::Message);
        return texts.isEmpty() ? QString() : texts.last();
    }

private:
    ReplacementBench m_bench;
    Technician m_op;
    SummaryLog m_summaryLog;
    QString m_oldCard;
    QString m_newCard;
    std::unique_ptr<Workbench> m_workbench;
};

struct Workflow
{
    std::function<void(Workbench&)> run;
    QString succeeded;
    // When a step fails, and when no board is found at all (detection has said so).
    QString failed;
    QString noBoard;
    bool startsOnExistingBoard = true;
};

const std::map<QString, Workflow>& workflows()
{
    static const std::map<QString, Workflow> all{
        {"backup",
         {Flows::backupSite, "CCS information from Existing Q7 board collected successfully",
          "Failed to collect CCS information from Existing Q7 board", kNoBoard}},
        {"Generate Report",
         {[](Workbench& b) { Flows::generateReport(b); }, "Report generated successfully",
          "Failed to generate report", kNoBoard}},
        {"restore",
         {Flows::restoreSite, "CC information updated in Replacement Q7 board successfully",
          "Failed to update CC information in Replacement Q7 board",
          "Failed to update CC information in Replacement Q7 board", false}},
        {"fully automated upgrade",
         {Flows::fullyAutomatedUpgrade, kCompleted, "Upgrade process failed.", "Upgrade process failed."}},
        {"SD-card-only upgrade",
         {Flows::sdCardOnlyUpgrade, kCompleted,
          "Upgrade process failed.\nPlease shut down application before upgrading the next site.",
          "Upgrade process failed.\nPlease shut down application before upgrading the next site.", false}},
    };
    return all;
}

using Snapshot = FolderSnapshot;

void copyTree(const Snapshot& files, const QString& root)
{
    for (auto it = files.begin(); it != files.end(); ++it) {
        const QString path = root + it.key();
        QDir().mkpath(QFileInfo(path).path());
        QFile f(path);
        if (!f.open(QIODevice::WriteOnly) || f.write(it.value()) != it.value().size())
            QTest::qFail(qPrintable("cannot copy " + path), __FILE__, __LINE__);
    }
}

// The data folder as a good run of the workflow leaves it, made once per workflow: the restore
// needs a backup before it, the others start from nothing.
const Snapshot& earlierGoodRun(const QString& name)
{
    static std::map<QString, Snapshot> made;
    if (const auto found = made.find(name); found != made.end())
        return found->second;
    const Workflow& workflow = workflows().at(name);
    const bool backupFirst = name == "restore";
    Rig rig(workflow.startsOnExistingBoard || backupFirst ? sim::BoardModel::existing()
                                                          : sim::BoardModel::replacement());
    if (backupFirst) {
        Flows::backupSite(rig.workbench());
        rig.swapToReplacement();
    }
    workflow.run(rig.workbench());
    if (rig.lastMessage() != workflow.succeeded)
        QTest::qFail(qPrintable("the earlier run ended with: " + rig.lastMessage()), __FILE__, __LINE__);
    return made[name] = snapshotFolder(rig.dataRoot());
}

enum class Outcome
{
    Succeeds,
    NoBoard,
    Fails,
};

sim::BoardFaults everyFrame(std::function<void(sim::BoardFaults&, int)> set)
{
    sim::BoardFaults faults;
    for (int frame = 1; frame <= 20000; ++frame)
        set(faults, frame);
    return faults;
}

} // namespace

Q_DECLARE_METATYPE(sim::BoardFaults)

class TestFaultMatrix : public QObject
{
    Q_OBJECT
private slots:
    void faultMatrix_data()
    {
        QTest::addColumn<QString>("workflow");
        QTest::addColumn<sim::BoardFaults>("faults");
        // The board is pulled out of the cable a moment after the configuration starts coming.
        QTest::addColumn<bool>("unplug");
        QTest::addColumn<int>("outcome");
        // Once the link opens, the clock jumps ahead whenever the line has been quiet this long
        // (0: never): short where the board never sends a good reply, long where one comes
        // before the fault, so that a reply slowed by a busy machine is not overtaken.
        QTest::addColumn<int>("warpAfterQuietMs");
        QTest::addColumn<int>("boundSeconds");

        struct Fault
        {
            const char* name;
            sim::BoardFaults faults;
            bool unplug;
            Outcome outcome;
            int warpAfterQuietMs;
            int boundSeconds;
        };
        sim::BoardFaults silent;
        silent.silent = true;
        sim::BoardFaults refusesRecords;
        refusesRecords.refuse = {0x04};
        // Frame 2 answers the null command that opens the link (frame 1 answered detection's
        // probe): the link asks again, so one bad reply costs a second and nothing more.
        sim::BoardFaults oneCorrupt;
        oneCorrupt.corruptFrames = {2};
        sim::BoardFaults oneDropped;
        oneDropped.dropFrames = {2};
        // A reply that arrives in pieces is still a reply.
        sim::BoardFaults fragments;
        fragments.fragmentSize = 3;
        fragments.fragmentGapMs = 2;
        sim::BoardFaults stall;
        stall.stallAfterBlocks = 1;
        sim::BoardFaults longer;
        longer.recordLengthDelta = 1;
        sim::BoardFaults shorter;
        shorter.recordLengthDelta = -1;
        // Bytes that open no frame, before every frame.
        sim::BoardFaults noise;
        noise.noise = QByteArray("\xff\x00\x7e junk ", 9);
        // At 9600 baud a record takes long enough to pull the cable half way through it.
        sim::BoardFaults paced;
        paced.pace = true;
        const Fault faults[] = {
            {"silent", silent, false, Outcome::NoBoard, 100, 30},
            {"refuses its records", refusesRecords, false, Outcome::Fails, 500, 60},
            {"every frame corrupt", everyFrame([](auto& f, int n) { f.corruptFrames << n; }), false,
             Outcome::NoBoard, 100, 30},
            {"one corrupt frame", oneCorrupt, false, Outcome::Succeeds, 0, 45},
            {"every frame dropped", everyFrame([](auto& f, int n) { f.dropFrames << n; }), false,
             Outcome::NoBoard, 100, 30},
            {"one dropped frame", oneDropped, false, Outcome::Succeeds, 0, 45},
            {"fragments", fragments, false, Outcome::Succeeds, 0, 60},
            {"stalls", stall, false, Outcome::Fails, 500, 60},
            {"records one byte longer", longer, false, Outcome::Fails, 0, 30},
            {"records one byte shorter", shorter, false, Outcome::Fails, 0, 30},
            {"line noise", noise, false, Outcome::Succeeds, 0, 45},
            {"unplugged mid-transfer", paced, true, Outcome::Fails, 0, 20},
        };
        for (const auto& [workflow, unused] : workflows())
            for (const Fault& f : faults)
                QTest::addRow("%s, %s", qPrintable(workflow), f.name)
                    << workflow << f.faults << f.unplug << int(f.outcome) << f.warpAfterQuietMs
                    << f.boundSeconds;
    }

    void faultMatrix()
    {
        QFETCH(QString, workflow);
        QFETCH(sim::BoardFaults, faults);
        QFETCH(bool, unplug);
        QFETCH(int, outcome);
        QFETCH(int, warpAfterQuietMs);
        QFETCH(int, boundSeconds);
        const Workflow& flow = workflows().at(workflow);
        const Snapshot& before = earlierGoodRun(workflow);

        Rig rig(flow.startsOnExistingBoard ? sim::BoardModel::existing() : sim::BoardModel::replacement());
        copyTree(before, rig.dataRoot());
        QObject timers;
        bool pulled = false;
        std::unique_ptr<QuietLineWarp> warp;
        rig.op().onStep = [&](const QString& step) {
            // The card transfers before it wait on the clock too, for the technician.
            if (step == "Searching for Q7 board" && warpAfterQuietMs > 0 && !warp)
                warp = std::make_unique<QuietLineWarp>(rig.clock(), rig.board(), warpAfterQuietMs);
            if (unplug && step == "Retrieving Configuration data" && !pulled) {
                pulled = true;
                QTimer::singleShot(60, &timers, [&rig] { rig.board().stop(); });
            }
        };
        rig.board().setFaults(faults);

        QElapsedTimer took;
        took.start();
        flow.run(rig.workbench());
        const qint64 ms = took.elapsed();
        qInfo("%s: %lld ms of %d s", QTest::currentDataTag(), ms, boundSeconds);

        QVERIFY2(ms < boundSeconds * 1000, qPrintable(QString::number(ms)));
        QCOMPARE(pulled, unplug);
        QVERIFY(rig.op().texts(ScriptedOperator::Kind::Error).isEmpty());
        const QString expected = outcome == int(Outcome::Succeeds)  ? flow.succeeded
                                 : outcome == int(Outcome::NoBoard) ? flow.noBoard
                                                                    : flow.failed;
        QCOMPARE(rig.lastMessage(), expected);
        if (outcome == int(Outcome::Succeeds))
            return;

        // A failed run leaves the earlier files alone; the session log only gains whole lines.
        const Snapshot after = snapshotFolder(rig.dataRoot());
        QCOMPARE(after.keys(), before.keys());
        for (auto it = before.begin(); it != before.end(); ++it) {
            const QByteArray now = after.value(it.key());
            if (it.key().endsWith(kSessionLog)) {
                QVERIFY2(now.startsWith(it.value()) && now.endsWith("\r\n"), qPrintable(it.key()));
                continue;
            }
            QVERIFY2(now == it.value(), qPrintable(it.key() + " changed"));
        }
    }
};

QTEST_GUILESS_MAIN(TestFaultMatrix)
#include "TestFaultMatrix.moc"
