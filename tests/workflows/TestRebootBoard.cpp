// The reboot the restore and the manual upgrade run twice each: its progress, and a refusal
// that must not cost the technician a minute.
#include "Q7Port.h"
#include "Restore.h"
#include "ReplacementBench.h"

#include <QtTest>

class TestRebootBoard : public QObject
{
    Q_OBJECT
private slots:
    void rebootShowsItsMinuteAndWakesTheBoard()
    {
        ReplacementBench w;
        Q7Port& link = w.openPort();
        const std::int64_t start = w.clock().msecs();
        QVERIFY(rebootBoard(w.workbench(), link));

        QList<int> percents;
        QStringList steps;
        for (const auto& shown : w.op().shown())
            if (shown.kind == ScriptedOperator::Kind::Progress && shown.caption == "Q7 Rebooting") {
                if (steps.isEmpty() || steps.last() != shown.text)
                    steps << shown.text;
                if (shown.text == "Waiting for Reboot process to complete")
                    percents << shown.percent;
            }
        QCOMPARE(steps, (QStringList{"Sending Reboot Command", "Waiting for Reboot process to complete"}));
        QList<int> expected{0};
        for (int s = 1; s <= 60; ++s)
            if (expected.last() != s * 100 / 60)
                expected << s * 100 / 60;
        QCOMPARE(percents.mid(0, 5), (QList<int>{0, 1, 3, 5, 6}));
        QCOMPARE(percents, expected);
        // The minute passes on the clock, mostly skipped, partly real on a slow machine.
        QVERIFY(w.clock().msecs() - start >= 60000);
        QCOMPARE(w.board().model().count(0x43), 1);
    }

    void refusedRebootFailsAtOnce()
    {
        ReplacementBench w;
        auto faults = w.board().faults();
        faults.refuse = {0x43};
        w.board().setFaults(faults);
        Q7Port& link = w.openPort();
        QVERIFY(!rebootBoard(w.workbench(), link));
        QCOMPARE(w.op().statusTexts().value(w.op().statusTexts().size() - 1), "Reboot Command FAILED");
        QCOMPARE(w.clock().skippedMs(), 0);
        for (const auto& shown : w.op().shown())
            QVERIFY(shown.text != "Waiting for Reboot process to complete");
    }
};

QTEST_GUILESS_MAIN(TestRebootBoard)
#include "TestRebootBoard.moc"
