#include "TQ7Report.h"

#include "Clock.h"
#include "Q7Port.h"
#include "ScriptedOperator.h"
#include "SimulatedBoard.h"
#include "TimeWarp.h"

#include <QDir>
#include <QTemporaryDir>
#include <QtTest>

using Kind = ScriptedOperator::Kind;

using sim::BoardModel;
using sim::SimulatedBoard;

namespace {

const QStringList kSteps = {"Establishing Communications", "Reading Firmware Version",
                            "Reading Site Information",    "Reading Totalisers",
                            "Reading Diagnostics",         "Reading Configuration"};
const QList<int> kPercents = {0, 10, 20, 40, 60, 80};
const QString kCommentsQuestion = "Would you like to add some comments to the report?";
const QString kFailure = "Failed to collect data from Q7 connection";

} // namespace

// The report against a simulated board behind a pseudo-terminal, as a workflow runs it: the
// link is open and the three records were fetched before the report starts.
class TestTQ7Report : public QObject
{
    Q_OBJECT

    std::unique_ptr<SimulatedBoard> m_board;
    std::unique_ptr<FastClock> m_clock;
    std::unique_ptr<Q7Port> m_port;
    std::unique_ptr<QTemporaryDir> m_folder;
    ScriptedOperator m_op;

    void connectTo(BoardModel model)
    {
        m_board = std::make_unique<SimulatedBoard>(std::move(model));
        QString error;
        QVERIFY2(m_board->start(&error), qPrintable(error));
        m_clock = std::make_unique<FastClock>();
        m_clock->setDateTime(QDateTime(QDate(2026, 12, 8), QTime(14, 5, 9)));
        m_port = std::make_unique<Q7Port>(*m_clock);
        QVERIFY(m_port->OpenPort(m_board->devicePath(), 9600));
        for (int id : {4, 5, 6})
            QVERIFY(m_port->getStucture(std::uint8_t(id)));
        m_folder = std::make_unique<QTemporaryDir>();
        m_op = ScriptedOperator();
    }

    std::unique_ptr<TQ7Report> report(bool show = false)
    {
        auto r = std::make_unique<TQ7Report>(m_op, *m_clock, show, "Pre Upgrade Report ",
                                             m_folder->path() + "/", *m_port);
        r->setOperatorName("Jo Bloggs");
        r->setSiteLicence("A123");
        return r;
    }

    // Runs time-outs quickly while the board stays silent: a quarter of a second every 20 ms.
    std::unique_ptr<TimeWarp> warpTime() { return std::make_unique<TimeWarp>(*m_clock, 250); }

    QList<ScriptedOperator::Shown> shownOf(ScriptedOperator::Kind kind) const { return m_op.shown(kind); }

    void verifyProgressSteps()
    {
        const auto steps = shownOf(Kind::Progress);
        QCOMPARE(steps.size(), kSteps.size());
        for (int i = 0; i < steps.size(); ++i) {
            QCOMPARE(steps[i].caption, QString("Generating Report"));
            QCOMPARE(steps[i].text, kSteps[i]);
            QCOMPARE(steps[i].percent, kPercents[i]);
        }
    }

    QStringList pdfs() const { return QDir(m_folder->path()).entryList({"*.pdf"}, QDir::Files); }

    int structureRequests(std::uint8_t id) const
    {
        int n = 0;
        for (const auto& r : m_board->requestsReceived())
            if (r.type == 0x80 && r.payload.size() >= 2 && std::uint8_t(r.payload[0]) == 0x13 &&
                std::uint8_t(r.payload[1]) == id)
                ++n;
        return n;
    }

private slots:
    void cleanup()
    {
        m_port.reset();
        m_board.reset();
    }

    void structurePath()
    {
        connectTo(BoardModel::existing()); // firmware "0052"
        m_op.answerSfo("SFO 12345 6789")
            .answer(Operator::Answer::Yes)
            .answerComments(QStringList{"Board replaced.", "Seal renewed."});
        auto r = report(true);
        QVERIFY(r->BuildReport());

        verifyProgressSteps();
        QCOMPARE(structureRequests(0), 1);
        QCOMPARE(structureRequests(1), 1);
        QCOMPARE(r->sfoNumber(), QString("SFO 12345 6789"));
        const QStringList info = r->information();
        QCOMPARE(info.size(), 7);
        QCOMPARE(info[0], QString("Date        = 8 Dec 2026 14:05:09"));
        QCOMPARE(info[1], QString("Operator                      = Jo Bloggs"));
        QCOMPARE(info[2], QString("Site License                  = A123"));
        QCOMPARE(info[3], QString("Meter ID         = 40123456"));
        QCOMPARE(info[4], QString("Firmware Version              = 005.2"));
        QCOMPARE(info[5], QString("ESN                           = 3C 1F 00 51 07 21 "));
        QCOMPARE(info[6], QString("Q7 S/N                        = SFO 12345 6789"));
        QCOMPARE(r->totals().size(), 10);
        QCOMPARE(r->totals()[0], QString("ForwardTotal        \t= 1234.567875 ML"));
        QCOMPARE(r->diagnostics()[0], QString("Number of Resets              = 17"));
        QVERIFY(r->diagnostics().contains("Flow Rate  = 5.14 ML/Day"));
        QVERIFY(r->diagnostics().contains("Coil Current     = 200.00 mA"));
        QVERIFY(r->diagnostics().contains("System Fault(eror) = ***** Low battery volts"));
        QCOMPARE(r->configuration().size(), 50);
        QCOMPARE(r->calibration().size(), 20);
        QCOMPARE(r->basicCalibration().size(), 19);
        QCOMPARE(r->comments(), (QStringList{"Board replaced.", "Seal renewed."}));

        // The SFO question comes after the other information rows, comments after collection.
        QStringList order;
        for (const auto& s : m_op.shown())
            if (s.kind != Kind::Progress && s.kind != Kind::ProgressShown && s.kind != Kind::ProgressHidden)
                order << ScriptedOperator::kindName(s.kind) + ":" + s.text;
        QCOMPARE(order, (QStringList{"sfo:", "message:" + kCommentsQuestion, "comments:", "preview:"}));
        QCOMPARE(shownOf(Kind::Message).first().caption, QString("Add Comments"));
        QCOMPARE(pdfs(), QStringList{"Pre Upgrade Report _A123_08_Dec_2026 14_05_09.pdf"});
        QCOMPARE(r->documentPath(), m_folder->path() + "/" + pdfs().first());
        QVERIFY(m_op.scriptDone());
    }

    void registerPath()
    {
        BoardModel model = BoardModel::existing();
        model.firmware = "0051";
        connectTo(model);
        m_op.answerSfo("SFO 12345 6789").answer(Operator::Answer::No);
        auto r = report();
        QVERIFY(r->BuildReport());

        verifyProgressSteps();
        QCOMPARE(structureRequests(0), 0);
        QCOMPARE(structureRequests(1), 0);
        QCOMPARE(r->information(),
                 (QStringList{"Date        = 8 Dec 2026 14:05:09", "Operator = Jo Bloggs",
                              "Site License = A123", "MeterID          = 40123456", "Firmware version = 0051",
                              "ESN              = 3C 1F 00 51 07 21 ", "Q7 S/N = SFO 12345 6789"}));
        QCOMPARE(r->totals()[0], QString("ForwardTotal        \t= 1234.567875 ML"));
        const QStringList d = r->diagnostics();
        QCOMPARE(d[0], QString("Number of Resets = 17"));
        QCOMPARE(d[1], QString("Simulation Mode = OFF"));
        QVERIFY(d[2].startsWith("Q7 Date/Time   = "));
        QVERIFY(d.contains("Flow Rate  = 5.14166 ML/Day"));
        QVERIFY(d.contains("Coil Current     = 200.00 mA"));
        QVERIFY(d.contains("Gate    = OPEN"));
        QCOMPARE(d.last(), QString("Option Card Slot 2 = EMPTY SLOT"));
        QCOMPARE(r->configuration().size(), 50);
        // No to comments: nothing asked beyond the question, and no Comments section.
        QVERIFY(r->comments().isEmpty());
        QVERIFY(shownOf(Kind::Comments).isEmpty());
        QCOMPARE(pdfs().size(), 1);
        QVERIFY(shownOf(Kind::Preview).isEmpty());
    }

    void failedVersionReadTakesTheRegisterPath()
    {
        connectTo(BoardModel::existing()); // firmware "0052", but its version read goes unanswered
        sim::BoardFaults faults;
        // Frames the board sends from here: 1 null reply (Establishing), 2 null reply, 3-6 the
        // four version reads; then again 7 null reply, 8-11 the version reads of the
        // Information section.
        faults.dropFrames = {3, 4, 5, 6, 8, 9, 10, 11};
        m_board->setFaults(faults);
        const auto warp = warpTime();
        m_op.answerSfo(std::nullopt).answer(Operator::Answer::No);
        auto r = report();
        QVERIFY(r->BuildReport());

        QCOMPARE(structureRequests(0), 0);
        // The date row shows the clock after the four unanswered reads: later than 14:05:09.
        QVERIFY(r->information()[0].startsWith("Date        = 8 Dec 2026 14:0"));
        QCOMPARE(r->information().mid(1),
                 (QStringList{"Operator = Jo Bloggs", "Site License = A123", "MeterID          = 40123456",
                              "ESN              = 3C 1F 00 51 07 21 "}));
        QCOMPARE(r->diagnostics()[0], QString("Number of Resets = 17"));
        // The SFO dialog was cancelled: no row, and an empty number for the caller.
        QVERIFY(r->sfoNumber().isEmpty());
    }

    void cancelledSfoDialog()
    {
        connectTo(BoardModel::existing());
        m_op.answerSfo(std::nullopt).answer(Operator::Answer::Yes).answerComments(QStringList{});
        auto r = report();
        QVERIFY(r->BuildReport());
        QVERIFY(r->sfoNumber().isEmpty());
        QCOMPARE(r->information().size(), 6);
        QVERIFY(!r->information().last().startsWith("Q7 S/N"));
        // OK on an empty memo adds nothing.
        QVERIFY(r->comments().isEmpty());
        QVERIFY(m_op.scriptDone());
    }

    void boardThatStopsAnswering()
    {
        connectTo(BoardModel::existing());
        sim::BoardFaults faults;
        faults.silent = true;
        m_board->setFaults(faults);
        const auto warp = warpTime();
        m_op.answer(Operator::Answer::Yes).answerComments(QStringList{"Board dead on arrival."});
        auto r = report();
        QVERIFY(!r->BuildReport());

        for (const QStringList* rows : {&r->information(), &r->totals(), &r->diagnostics(),
                                        &r->configuration(), &r->calibration(), &r->basicCalibration()})
            QVERIFY(rows->isEmpty());
        const auto steps = shownOf(Kind::Progress);
        QCOMPARE(steps.size(), 1);
        QCOMPARE(steps[0].text, kSteps[0]);
        // The comments question still comes, before the failure message; no document.
        QCOMPARE(m_op.texts(Kind::Message), (QStringList{kCommentsQuestion, kFailure}));
        QVERIFY(pdfs().isEmpty());
    }

    void unreadableInformationStructureFailsTheStructurePath()
    {
        connectTo(BoardModel::existing());
        sim::BoardFaults faults;
        // 1 and 2 null replies, 3 the version, 4 structure 0; the three tries of structure 1 go
        // unanswered.
        faults.dropFrames = {5, 6, 7};
        m_board->setFaults(faults);
        const auto warp = warpTime();
        m_op.answer(Operator::Answer::No);
        auto r = report();
        QVERIFY(!r->BuildReport());
        QCOMPARE(structureRequests(0), 1);
        QCOMPARE(structureRequests(1), 3);
        QVERIFY(r->information().isEmpty());
        QCOMPARE(m_op.texts(Kind::Message), (QStringList{kCommentsQuestion, kFailure}));
        QVERIFY(pdfs().isEmpty());
    }

    void unwritableFolderIsNotASuccess()
    {
        connectTo(BoardModel::existing());
        m_op.answerSfo("SFO 12345 6789").answer(Operator::Answer::No);
        TQ7Report r(m_op, *m_clock, false, "Q7 Report ", m_folder->path() + "/missing/", *m_port);
        QVERIFY(!r.BuildReport());
        QVERIFY(!r.documentPath());
        QVERIFY(!m_op.texts(Kind::Message).contains(kFailure));
    }
};

QTEST_MAIN(TestTQ7Report)
#include "TestTQ7Report.moc"
