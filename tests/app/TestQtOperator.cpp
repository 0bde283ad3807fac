#include "QtOperator.h"

#include "Clock.h"
#include "ModalRobot.h"
#include "PagedDocument.h"
#include "PreviewDialog.h"
#include "TVaComm.h"

#include <QApplication>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QInputDialog>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>
#include <QtTest>

class TestQtOperator : public QObject
{
    Q_OBJECT

private slots:
    void messageBoxes_data()
    {
        QTest::addColumn<Operator::Buttons>("buttons");
        QTest::addColumn<int>("standardButtons");
        QTest::addColumn<int>("press");
        QTest::addColumn<Operator::Answer>("answer");

        QTest::addRow("ok") << Operator::Buttons::Ok << int(QMessageBox::Ok) << int(QMessageBox::Ok)
                            << Operator::Answer::Ok;
        QTest::addRow("ok cancel: cancel")
            << Operator::Buttons::OkCancel << int(QMessageBox::Ok | QMessageBox::Cancel)
            << int(QMessageBox::Cancel) << Operator::Answer::Cancel;
        QTest::addRow("yes no: yes") << Operator::Buttons::YesNo << int(QMessageBox::Yes | QMessageBox::No)
                                     << int(QMessageBox::Yes) << Operator::Answer::Yes;
        QTest::addRow("yes no: no") << Operator::Buttons::YesNo << int(QMessageBox::Yes | QMessageBox::No)
                                    << int(QMessageBox::No) << Operator::Answer::No;
        QTest::addRow("retry cancel: retry")
            << Operator::Buttons::RetryCancel << int(QMessageBox::Retry | QMessageBox::Cancel)
            << int(QMessageBox::Retry) << Operator::Answer::Retry;
    }

    void messageBoxes()
    {
        QFETCH(Operator::Buttons, buttons);
        QFETCH(int, press);
        QtOperator qtOperator;
        Operator& op = qtOperator;
        QString text, caption;
        int standardButtons = 0;
        QMessageBox::Icon icon = QMessageBox::Critical;
        ModalRobot robot;
        robot.on<QMessageBox>([&](QMessageBox* box) {
            text = box->text();
            caption = box->windowTitle();
            icon = box->icon();
            standardButtons = int(box->standardButtons());
            box->button(QMessageBox::StandardButton(press))->click();
        });
        const auto answer = op.message("Is the Q7 powered up? ", "Power Check", buttons);
        QTEST(answer, "answer");
        QTEST(standardButtons, "standardButtons");
        QCOMPARE(text, QString("Is the Q7 powered up? "));
        QCOMPARE(caption, QString("Power Check"));
        QCOMPARE(icon, QMessageBox::NoIcon);
    }

    void inputDialogOffersTheInitialText()
    {
        QtOperator op;
        QString caption, label;
        ModalRobot robot;
        robot.on<QInputDialog>([&](QInputDialog* dialog) {
            caption = dialog->windowTitle();
            label = dialog->labelText();
            dialog->accept();
        });
        QCOMPARE(op.inputText("Operator Name", "Please enter you name", "Ann"),
                 std::optional<QString>("Ann"));
        QCOMPARE(caption, QString("Operator Name"));
        QCOMPARE(label, QString("Please enter you name"));

        robot.on<QInputDialog>([](QInputDialog* dialog) { dialog->reject(); });
        QCOMPARE(op.inputText("Operator Name", "Please enter you name", "Ann"), std::nullopt);
    }

    void statusLineIsTheOwnersStatusTxt()
    {
        QtOperator op;
        op.setStatus("before any window");
        QWidget owner;
        auto* status = new QLabel(&owner);
        status->setObjectName("StatusTxt");
        op.setOwner(&owner);
        op.setStatus("Reboot Command FAILED");
        QCOMPARE(status->text(), QString("Reboot Command FAILED"));
    }

    void progressWindowIsTheDownloadForm()
    {
        QtOperator op;
        auto progress = op.createProgress();
        auto* form = dynamic_cast<QWidget*>(progress.get());
        QVERIFY(form);
        QCOMPARE(form->windowTitle(), QString("Data Download"));
        progress->show();
        QVERIFY(form->isVisible());
        progress->hide();
        QVERIFY(!form->isVisible());
    }

    void previewIsModalAndReturnsWhenClosed()
    {
        QtOperator qtOperator;
        QList<Page> pages(2);
        const PagedDocument document(QSizeF(210, 297), pages, DocumentInfo{});
        QString title;
        ModalRobot robot;
        robot.on<PreviewDialog>([&](PreviewDialog* preview) {
            title = preview->windowTitle();
            preview->close();
        });
        static_cast<ReportOperator&>(qtOperator).showPreview(document, "Q7 Report ");
        QCOMPARE(title, "Q7 Report ");
    }

    // The dialog a link opened on "Com0" shows: OK writes the choice into the component,
    // Cancel leaves it as it was.
    void portConfigurationWritesOnlyOnOk()
    {
        QtOperator op;
        FastClock clock;
        TVaComm comm(clock);
        comm.PortName = "/dev/ttyS0";
        QString title;
        ModalRobot robot;
        auto choose = [&](QDialogButtonBox::StandardButton button) {
            robot.on<QDialog>([&title, button](QDialog* dialog) {
                title = dialog->windowTitle();
                dialog->findChild<QComboBox*>("PortComboBox")->setCurrentText("/dev/ttyQ7");
                dialog->findChild<QDialogButtonBox*>()->button(button)->click();
            });
        };
        choose(QDialogButtonBox::Cancel);
        op.configurePort(comm);
        QCOMPARE(title, QString("COM port configuration"));
        QCOMPARE(comm.PortName, QString("/dev/ttyS0"));
        choose(QDialogButtonBox::Ok);
        op.configurePort(comm);
        QCOMPARE(comm.PortName, QString("/dev/ttyQ7"));
    }
};

QTEST_MAIN(TestQtOperator)
#include "TestQtOperator.moc"
