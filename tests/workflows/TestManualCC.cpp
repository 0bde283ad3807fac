// The manual configuration upgrade on a simulated replacement board: the typed constants go
// in, the board's own configuration goes back unchanged, and Cancel sends nothing.
#include "CalRecord.h"
#include "ManualCC.h"
#include "ReplacementBench.h"

#include <QtTest>

namespace {

const QString kFailed =
    "Upgrade process failed.\nPlease shut down application before upgrading the next site.";
const QString kCompleted =
    "Upgrade process successfully completed.\nPlease shut down application before upgrading the next site.";

// Types into a box the way the dialog would, every keystroke checked.
void typeInto(ManualCcInput::Box box, const QString& keys, CalRecord& record)
{
    QString text;
    for (const QChar key : keys)
        ManualCcInput::typeKey(box, text, key, record);
}

} // namespace

class TestManualCC : public QObject
{
    Q_OBJECT
private slots:
    void typedConstantsReachTheBoard()
    {
        ReplacementBench w;
        w.selectSite();
        const sim::BoardModel fresh = w.board().model();
        Q7Data::Totalisers totals;
        totals.ForwardTotal = 77.5f;
        w.op()
            .answerText("r2")
            .answerTotals(totals)
            .answerManualCc([](CalRecord& record) {
                typeInto(ManualCcInput::Box::MeterId, "123456", record);
                typeInto(ManualCcInput::Box::CoilCurrent, "150", record);
                typeInto(ManualCcInput::Box::TubeZero, "-0.25", record);
                typeInto(ManualCcInput::Box::TubeFactor, "1.5", record);
                return true;
            })
            .answerSfo("SFO-9")
            .answer(Operator::Answer::No) // no comments
            .answer(Operator::Answer::No);

        QVERIFY(manualConfigurationUpgrade(w.workbench()));
        QVERIFY(w.op().scriptDone());
        QCOMPARE(w.op().texts(ScriptedOperator::Kind::Message).last(), kCompleted);

        const sim::BoardModel now = w.board().model();
        QCOMPARE(now.structures[sim::BoardModel::kConfig], fresh.structures[sim::BoardModel::kConfig]);
        CalRecord expected = *CalRecord::fromBytes(fresh.structures[sim::BoardModel::kCal]);
        expected.setMeterId(123456);
        expected.setCoilCurrent(150);
        expected.setTubeZero(0, -0.25f);
        expected.setTubeFactor(3, 1.5f);
        QCOMPARE(now.structures[sim::BoardModel::kCal], expected.toByteArray());
        QCOMPARE(now.structures[sim::BoardModel::kBasicCal], fresh.structures[sim::BoardModel::kBasicCal]);
        QCOMPARE(now.totals[0], 77.5f);
        // The board is put back into its normal state at the end.
        QCOMPARE(now.commandsSeen.last(), uint8_t(0x45));
        QCOMPARE(now.state, 1);
        QVERIFY(w.workbench().siteState.upgradeType & SiteState::kManualConfiguration);
        QCOMPARE(w.workbench().siteState.meterId, 123456u);
        QCOMPARE(w.summaryLog.lines, 1);
    }

    void cancelSendsNothing()
    {
        ReplacementBench w;
        w.selectSite();
        w.op().answerText("r2").answerTotals(Q7Data::Totalisers{}).answerManualCc([](CalRecord& record) {
            typeInto(ManualCcInput::Box::CoilCurrent, "200", record);
            return false;
        });
        QVERIFY(!manualConfigurationUpgrade(w.workbench()));
        QVERIFY(w.op().scriptDone());
        QCOMPARE(w.op().texts(ScriptedOperator::Kind::Message).last(), kFailed);
        const sim::BoardModel now = w.board().model();
        QCOMPARE(now.structureWrites.size(), 0);
        QCOMPARE(now.totalsUpdates.size(), 0);
        QCOMPARE(now.count(0x43), 0);
        QCOMPARE(w.summaryLog.lines, 0);
    }
};

QTEST_GUILESS_MAIN(TestManualCC)
#include "TestManualCC.moc"
