// The robot's watchdog is what keeps an end-to-end test from hanging in exec(): the failing
// cases run in a child process (this program, one test function) and must end, failed and
// naming the dialog, within seconds.
#include "ModalRobot.h"
#include "ToolRun.h"

#include <QApplication>
#include <QDialog>
#include <QDialogButtonBox>
#include <QElapsedTimer>
#include <QInputDialog>
#include <QMessageBox>
#include <QPushButton>
#include <QtTest>

namespace {

// A dialog whose OK asks for confirmation in a box of its own, as the program's input forms do.
class ConfirmingDialog : public QDialog
{
public:
    ConfirmingDialog()
    {
        setWindowTitle("Outer");
        auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
        connect(buttons, &QDialogButtonBox::accepted, this, [this] {
            if (QMessageBox::question(this, "Confirm", "Really?") == QMessageBox::Yes)
                accept();
        });
        connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    }
};

} // namespace

class TestModalRobot : public QObject
{
    Q_OBJECT

private slots:
    void answersModalsInOrderNestedOnesIncluded()
    {
        ModalRobot robot;
        robot.press("OK").press("&Yes").on<QMessageBox>([](QMessageBox* box) { box->accept(); });
        ConfirmingDialog dialog;
        QCOMPARE(dialog.exec(), int(QDialog::Accepted));
        QMessageBox::information(nullptr, "Done", "Upgrade complete");
        QVERIFY(robot.done());
        QCOMPARE(robot.seen().size(), 3);
        QCOMPARE(robot.seen()[1].title, QString("Confirm"));
        QCOMPARE(robot.seen()[1].texts, QStringList{"Really?"});
        QCOMPARE(robot.seen()[2].texts, QStringList{"Upgrade complete"});
    }

    void answersByTitleAndTextTypingKeyByKey()
    {
        ModalRobot robot;
        robot.answer("Operator Name", "Please enter you name", "OK", "Ann");
        QInputDialog dialog;
        dialog.setWindowTitle("Operator Name");
        dialog.setLabelText("Please enter you name");
        dialog.setTextValue("typed over");
        QLineEdit* edit = dialog.findChild<QLineEdit*>();
        QVERIFY(edit);
        QSignalSpy keys(edit, &QLineEdit::textEdited);
        QCOMPARE(dialog.exec(), int(QDialog::Accepted));
        QCOMPARE(dialog.textValue(), QString("Ann"));
        QCOMPARE(keys.size(), 3);
    }

    void failuresEndTheTestWithinSeconds_data()
    {
        QTest::addColumn<QString>("child");
        QTest::addColumn<QString>("message");

        QTest::addRow("modal with no step left") << "childUnexpectedModal"
                                                 << "stayed open 1000 ms with no step left";
        QTest::addRow("modal that never appears") << "childMissingModal"
                                                  << "no new modal appeared within 1000 ms";
        QTest::addRow("button the modal lacks") << "childMissingButton"
                                                << "has no enabled button \"Retry\"";
        QTest::addRow("modal of another class") << "childWrongClass"
                                                << "not a QMessageBox";
        QTest::addRow("modal saying something else")
            << "childOtherText"
            << "QMessageBox \"Info\" (Only OK here): expected \"Info\" saying \"Done\"";
    }

    void failuresEndTheTestWithinSeconds()
    {
        QFETCH(QString, child);
        QFETCH(QString, message);
        QElapsedTimer elapsed;
        elapsed.start();
        const ToolRun run = runOwnTestFunction(child);
        QVERIFY2(elapsed.elapsed() < 5000, qPrintable(QString("took %1 ms").arg(elapsed.elapsed())));
        QVERIFY2(run.exitCode > 0, qPrintable(run.out + run.err));
        QVERIFY2(run.out.contains(message), qPrintable(run.out));
    }

    void childUnexpectedModal()
    {
        if (!isTestChild())
            QSKIP("run by failuresEndTheTestWithinSeconds");
        ModalRobot robot(1000);
        QMessageBox::warning(nullptr, "Warning", "Nobody answers this");
    }

    void childMissingModal()
    {
        if (!isTestChild())
            QSKIP("run by failuresEndTheTestWithinSeconds");
        ModalRobot robot(1000);
        robot.press("OK");
        QTRY_VERIFY_WITH_TIMEOUT(robot.done(), 60'000);
    }

    void childMissingButton()
    {
        if (!isTestChild())
            QSKIP("run by failuresEndTheTestWithinSeconds");
        ModalRobot robot(1000);
        robot.press("Retry");
        QMessageBox::information(nullptr, "Info", "Only OK here");
    }

    void childWrongClass()
    {
        if (!isTestChild())
            QSKIP("run by failuresEndTheTestWithinSeconds");
        ModalRobot robot(1000);
        robot.on<QMessageBox>([](QMessageBox* box) { box->accept(); });
        ConfirmingDialog dialog;
        dialog.exec();
    }

    void childOtherText()
    {
        if (!isTestChild())
            QSKIP("run by failuresEndTheTestWithinSeconds");
        ModalRobot robot(1000);
        robot.answer("Info", "Done", "OK");
        QMessageBox::information(nullptr, "Info", "Only OK here");
    }
};

QTEST_MAIN(TestModalRobot)
#include "TestModalRobot.moc"
