// The manual CC dialog itself: its layout, keys, messages and what it leaves in the record.
#include "CalRecord.h"
#include "ScriptedOperator.h"
#include "TManualCCForm.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>
#include <QtTest>

using ManualCcInput::Box;

namespace {

CalRecord boardRecord()
{
    CalRecord r;
    r.setMeterId(4711);
    r.setPipeDiameter(100);
    r.setCoilCurrent(150);
    // More decimals than the box shows: opening the dialog must not round them away.
    r.setTubeZero(0, 0.1234567f);
    r.setTubeFactor(3, 1.98765432f);
    return r;
}

} // namespace

class TestTManualCCForm : public QObject
{
    Q_OBJECT
private slots:
    void layoutAndTabOrder()
    {
        ScriptedOperator op;
        CalRecord record = boardRecord();
        TManualCCForm form(record, op);
        form.show();
        QCOMPARE(form.windowTitle(), "ManualCCForm");
        QStringList captions;
        int lastY = -1;
        for (const Box b : ManualCcInput::kBoxes) {
            QLineEdit* edit = form.box(b);
            QVERIFY(edit->alignment() & Qt::AlignRight);
            QVERIFY(edit->y() > lastY);
            lastY = edit->y();
        }
        for (auto* label : form.findChildren<QLabel*>())
            captions << label->text();
        QCOMPARE(captions,
                 (QStringList{"Meter SN", "Pipe Diameter", "Coil Current", "Tube Zero", "Tube Factor"}));
        QCOMPARE(form.box(Box::PipeDiameter)->nextInFocusChain(), form.box(Box::MeterId));
        QCOMPARE(form.box(Box::MeterId)->nextInFocusChain(), form.box(Box::CoilCurrent));
        QCOMPARE(form.box(Box::CoilCurrent)->nextInFocusChain(), form.box(Box::TubeZero));
        QCOMPARE(form.box(Box::TubeZero)->nextInFocusChain(), form.box(Box::TubeFactor));
        auto* ok = form.findChild<QPushButton*>("OKBtn");
        QVERIFY(ok && ok->isDefault());
        QCOMPARE(ok->text(), "OK");
        QCOMPARE(form.findChild<QPushButton*>("CancelBtn")->text(), "Cancel");
    }

    void openingLeavesTheRecordAsItWas()
    {
        ScriptedOperator op;
        const CalRecord board = boardRecord();
        CalRecord record = board;
        TManualCCForm form(record, op);
        form.show();
        QCOMPARE(form.box(Box::TubeFactor)->text(), "1.98765");
        QCOMPARE(form.box(Box::MeterId)->text(), "4711");
        QVERIFY(record == board);
        QCOMPARE(op.texts(ScriptedOperator::Kind::Message), QStringList{});
    }

    void aBoardValueOutOfRangeIsReportedOnOpen()
    {
        ScriptedOperator op;
        CalRecord record = boardRecord();
        record.setCoilCurrent(0);
        TManualCCForm form(record, op);
        form.show();
        QCOMPARE(op.texts(ScriptedOperator::Kind::Message), QStringList{"Value out of range(80 - 300)"});
    }

    void typingStoresAndRefuses()
    {
        ScriptedOperator op;
        CalRecord record = boardRecord();
        TManualCCForm form(record, op);
        form.show();
        QLineEdit* coil = form.box(Box::CoilCurrent);
        coil->clear();
        QTest::keyClicks(coil, "1a5.0");
        QCOMPARE(coil->text(), "150");
        QCOMPARE(record.coilCurrent(), 150);
        QCOMPARE(op.texts(ScriptedOperator::Kind::Message),
                 (QStringList{"Value out of range(80 - 300)", "Value out of range(80 - 300)"}));

        QLineEdit* zero = form.box(Box::TubeZero);
        zero->clear();
        QTest::keyClicks(zero, "-1-00.5.");
        QCOMPARE(zero->text(), "-100.5");
        QCOMPARE(record.tubeZero(0), -100.5f);
        QTest::keyClick(zero, Qt::Key_Backspace);
        QCOMPARE(zero->text(), "-100.");
        QCOMPARE(record.tubeZero(0), -100.f);
    }

    void enterPressesOkAndEscapeCancels_data()
    {
        QTest::addColumn<int>("key");
        QTest::addColumn<int>("result");
        QTest::addRow("enter") << int(Qt::Key_Return) << int(QDialog::Accepted);
        QTest::addRow("escape") << int(Qt::Key_Escape) << int(QDialog::Rejected);
    }
    void enterPressesOkAndEscapeCancels()
    {
        QFETCH(int, key);
        QFETCH(int, result);
        ScriptedOperator op;
        CalRecord record = boardRecord();
        TManualCCForm form(record, op);
        QTimer::singleShot(0, &form, [&] {
            QLineEdit* pipe = form.box(Box::PipeDiameter);
            QTest::keyClick(pipe, Qt::Key(key));
            QCOMPARE(pipe->text(), "100");
        });
        QTimer watchdog;
        watchdog.setSingleShot(true);
        connect(&watchdog, &QTimer::timeout, &form, &QDialog::reject);
        watchdog.start(5000);
        QCOMPARE(form.exec(), result);
        QVERIFY(watchdog.isActive());
    }
};

QTEST_MAIN(TestTManualCCForm)
#include "TestTManualCCForm.moc"
