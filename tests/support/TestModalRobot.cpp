// The robot's watchdog is what keeps an end-to-end test from hanging in exec(): the failing
// cases run in a child process (this program, one test function) and must end, failed and
// naming the dialog, within seconds.
#include "ModalRobot.h"
#include "ToolRun.h"

#include <QApplication>
#include <QDialog>
#include <QDialogButtonBox>
#include <QElapsedTimer>
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
};

QTEST_MAIN(TestModalRobot)
#include "TestModalRobot.moc"
