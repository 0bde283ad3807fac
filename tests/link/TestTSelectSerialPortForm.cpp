// The port selection dialog: what it preselects, what it remembers, and when.
#include "TSelectSerialPortForm.h"

#include <QComboBox>
#include <QPushButton>
#include <QTimer>
#include <QtTest>

namespace {
struct Settings
{
    QString comport;
    int writes = 0;
    TSelectSerialPortForm::Remembered remembered()
    {
        return {[this] { return comport; },
                [this](const QString& v) {
                    comport = v;
                    ++writes;
                }};
    }
};
} // namespace

class TestTSelectSerialPortForm : public QObject
{
    Q_OBJECT
private slots:
    void preselection_data()
    {
        QTest::addColumn<QStringList>("ports");
        QTest::addColumn<QString>("remembered");
        QTest::addColumn<QString>("shown");
        QTest::addColumn<QString>("selected");
        QTest::addRow("remembered port exists") << QStringList{"Com3", "Com4", "Com5"} << "Com4"
                                                << "Com4"
                                                << "Com4";
        QTest::addRow("nothing remembered") << QStringList{"Com3", "Com4"} << ""
                                            << "Com3"
                                            << "Com3";
        QTest::addRow("remembered port gone") << QStringList{"Com3", "Com4"} << "Com9"
                                              << "Com3"
                                              << "Com3";
        QTest::addRow("remembered in another letter case") << QStringList{"COM3", "COM4"} << "Com4"
                                                           << "COM4"
                                                           << "COM4";
        QTest::addRow("exact letter case wins") << QStringList{"/dev/ttya", "/dev/ttyA"} << "/dev/ttyA"
                                                << "/dev/ttyA"
                                                << "/dev/ttyA";
        QTest::addRow("no ports") << QStringList{} << "Com9"
                                  << ""
                                  << "Com9";
    }
    void preselection()
    {
        QFETCH(QStringList, ports);
        QFETCH(QString, remembered);
        QFETCH(QString, shown);
        QFETCH(QString, selected);
        Settings settings{remembered};
        TSelectSerialPortForm form([&] { return ports; }, settings.remembered());
        auto* combo = form.findChild<QComboBox*>("AvailComportComboBox");
        QVERIFY(combo);
        QCOMPARE(combo->currentText(), shown);
        QCOMPARE(form.selectedPort, selected);
        QCOMPARE(form.windowTitle(), QStringLiteral("Select Serial Port"));
        QCOMPARE(form.size(), QSize(305, 111));
        QCOMPARE(settings.writes, 0);
    }

    void cancelStillRemembersTheChoice()
    {
        Settings settings{"Com4"};
        TSelectSerialPortForm form([] { return QStringList{"Com3", "Com4", "Com5"}; }, settings.remembered());
        QTimer::singleShot(0, [&] {
            form.findChild<QComboBox*>("AvailComportComboBox")->setCurrentIndex(2);
            QTest::mouseClick(form.findChild<QPushButton*>("CancelBtn"), Qt::LeftButton);
        });
        QCOMPARE(form.exec(), int(QDialog::Rejected));
        QCOMPARE(form.selectedPort, QStringLiteral("Com5"));
        QCOMPARE(settings.comport, QStringLiteral("Com5"));
        QCOMPARE(settings.writes, 1);
    }

    void okAndTheCloseBoxRemember()
    {
        Settings settings{"Com3"};
        TSelectSerialPortForm form([] { return QStringList{"Com3", "Com4"}; }, settings.remembered());
        QTimer::singleShot(0, [&] {
            form.findChild<QComboBox*>("AvailComportComboBox")->setCurrentIndex(1);
            QTest::mouseClick(form.findChild<QPushButton*>("OKBtn"), Qt::LeftButton);
        });
        QCOMPARE(form.exec(), int(QDialog::Accepted));
        QCOMPARE(settings.comport, QStringLiteral("Com4"));

        TSelectSerialPortForm again([] { return QStringList{"Com3", "Com4"}; }, settings.remembered());
        QTimer::singleShot(0, [&] { again.close(); });
        again.exec();
        QCOMPARE(settings.writes, 2);
    }

    void refreshReturnsToTheRememberedPort()
    {
        Settings settings{"Com4"};
        QStringList ports{"Com3", "Com4"};
        TSelectSerialPortForm form([&] { return ports; }, settings.remembered());
        auto* combo = form.findChild<QComboBox*>("AvailComportComboBox");
        combo->setCurrentIndex(0);
        QCOMPARE(form.selectedPort, QStringLiteral("Com3"));
        ports << "Com7";
        QTest::mouseClick(form.findChild<QPushButton*>("RefreshButton"), Qt::LeftButton);
        QCOMPARE(combo->count(), 3);
        QCOMPARE(combo->currentText(), QStringLiteral("Com4"));
        QCOMPARE(form.selectedPort, QStringLiteral("Com4"));
    }
};

QTEST_MAIN(TestTSelectSerialPortForm)
#include "TestTSelectSerialPortForm.moc"
