#include "TDlProgForm.h"

#include <QLabel>
#include <QMainWindow>
#include <QProgressBar>
#include <QtTest>

namespace {

class PaintCounter : public QObject
{
public:
    int paints = 0;

protected:
    bool eventFilter(QObject*, QEvent* event) override
    {
        if (event->type() == QEvent::Paint)
            ++paints;
        return false;
    }
};

} // namespace

class TestTDlProgForm : public QObject
{
    Q_OBJECT

private slots:
    void initialState()
    {
        QMainWindow owner;
        owner.setGeometry(200, 150, 600, 400);
        TDlProgForm form(&owner);
        QVERIFY(!form.isVisible());
        QCOMPARE(form.windowTitle(), QString("Data Download"));
        QCOMPARE(form.findChild<QLabel*>("Label1")->text(), QString());
        auto* bar = form.findChild<QProgressBar*>("ProgressBar1");
        QCOMPARE(bar->value(), 20);
        QCOMPARE(bar->minimum(), 0);
        QCOMPARE(bar->maximum(), 100);
        QVERIFY2(!(form.windowFlags() & Qt::WindowCloseButtonHint), "the technician cannot close it");
        QVERIFY(!form.isModal());
        QCOMPARE(form.geometry().center(), owner.geometry().center());
        QVERIFY2(form.parent() == nullptr, "the workflow that made it frees it");
    }

    void setProgress_data()
    {
        QTest::addColumn<int>("percent");
        QTest::addColumn<int>("shown");
        QTest::addRow("within") << 55 << 55;
        QTest::addRow("full") << 100 << 100;
        QTest::addRow("above") << 250 << 100;
        QTest::addRow("below") << -5 << 0;
    }

    void setProgress()
    {
        QFETCH(int, percent);
        TDlProgForm form(nullptr);
        form.setProgress("Backup", "Reading Calibration", percent);
        QCOMPARE(form.windowTitle(), QString("Backup"));
        QCOMPARE(form.findChild<QLabel*>("Label1")->text(), QString("Reading Calibration"));
        QTEST(form.findChild<QProgressBar*>("ProgressBar1")->value(), "shown");
    }

    void setProgressLeavesPaintingToTheCaller()
    {
        // A workflow updates in a tight loop; painting on each call would slow it, and the
        // caller chooses when the window catches up.
        TDlProgForm form(nullptr);
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        QTest::qWait(50);
        auto* bar = form.findChild<QProgressBar*>("ProgressBar1");
        PaintCounter counter;
        bar->installEventFilter(&counter);
        form.setProgress("Restore", "Sending", 90);
        QCOMPARE(counter.paints, 0);
        form.repaint();
        QVERIFY(counter.paints > 0);
    }
};

QTEST_MAIN(TestTDlProgForm)
#include "TestTDlProgForm.moc"
