#include "QtOperator.h"

#include "Clock.h"
#include "ModalRobot.h"
#include "PagedDocument.h"
#include "PreviewDialog.h"
#include "TVaComm.h"

#include <QApplication>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QFileSystemModel>
#include <QInputDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTemporaryDir>
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
            static_cast<QDialog*>(dialog)->accept();
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

    void openFilesOffersPhotographsInAnyLetterCase()
    {
        QTemporaryDir dir;
        for (const char* name : {"a.jpg", "B.JPG", "c.jpeg", "d.txt"}) {
            QFile file(dir.filePath(name));
            QVERIFY(file.open(QIODevice::WriteOnly));
        }
        QtOperator qtOperator;
        QString title;
        QStringList filters;
        QStringList offered;
        ModalRobot robot;
        robot.on<QFileDialog>([&](QFileDialog* dialog) {
            title = dialog->windowTitle();
            filters = dialog->nameFilters();
            QCOMPARE(dialog->fileMode(), QFileDialog::ExistingFiles);
            dialog->setDirectory(dir.path());
            auto* model = dialog->findChild<QFileSystemModel*>();
            QVERIFY(model);
            // What the dialog lists: the folder's rows, each enabled where filtered names are
            // shown but disabled.
            const auto listed = [&] {
                QStringList names;
                const QModelIndex folder = model->index(dir.path());
                for (int row = 0; row < model->rowCount(folder); ++row) {
                    const QModelIndex entry = model->index(row, 0, folder);
                    if (model->flags(entry) & Qt::ItemIsEnabled)
                        names << model->fileName(entry);
                }
                names.sort(Qt::CaseInsensitive);
                return names;
            };
            QTRY_VERIFY(listed().contains("a.jpg") && listed().contains("B.JPG"));
            offered = listed();
            auto* edit = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
            QVERIFY(edit);
            edit->setText(QStringLiteral("\"a.jpg\" \"B.JPG\""));
            static_cast<QDialog*>(dialog)->accept();
        });
        const QStringList chosen =
            static_cast<WorkflowOperator&>(qtOperator)
                .openFiles("Select all images you want to add to Data Folder", "Image files (*.jpg)|*.JPG");
        QCOMPARE(title, "Select all images you want to add to Data Folder");
        QCOMPARE(filters, QStringList({"Image files (*.jpg)"}));
        QCOMPARE(offered, QStringList({"a.jpg", "B.JPG"}));
        QCOMPARE(chosen, QStringList({dir.filePath("a.jpg"), dir.filePath("B.JPG")}));
    }
};

QTEST_MAIN(TestQtOperator)
#include "TestQtOperator.moc"
