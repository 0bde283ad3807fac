#include "TMaskedInputForm.h"

#include <QApplication>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>
#include <QtTest>

class TestTMaskedInputForm : public QObject
{
    Q_OBJECT

private:
    // Runs actions inside the dialog's own modal loop, as the technician would.
    static int runModal(TMaskedInputForm& form, std::function<void()> actions)
    {
        QTimer::singleShot(0, &form, std::move(actions));
        return form.exec();
    }

private slots:
    void typing_data()
    {
        QTest::addColumn<QString>("keys");
        QTest::addColumn<QString>("text");

        QTest::addRow("nine digits") << "123456789"
                                     << "SFO 12345 6789";
        QTest::addRow("letters have no effect") << "1a2b3c4d5eSF6g7h8i9"
                                                << "SFO 12345 6789";
        QTest::addRow("extra digits ignored") << "12345678901"
                                              << "SFO 12345 6789";
    }

    void typing()
    {
        QFETCH(QString, keys);
        TMaskedInputForm form(nullptr);
        auto* edit = form.findChild<QLineEdit*>("MaskEdit1");
        const int result = runModal(form, [&] {
            QTest::keyClicks(edit, keys);
            form.findChild<QPushButton*>("OKBtn")->click();
        });
        QCOMPARE(result, int(QDialog::Accepted));
        QTEST(form.text(), "text");
        QCOMPARE(form.windowTitle(), QString("SFO Number Dialog"));
    }

    void untouchedOkReturnsTheTemplate()
    {
        TMaskedInputForm form(nullptr);
        const int result = runModal(form, [&] { QTest::keyClick(&form, Qt::Key_Return); });
        QCOMPARE(result, int(QDialog::Accepted));
        QCOMPARE(form.text(), QString("SFO           "));
        QCOMPARE(form.text().size(), 14);
    }

    void missingDigitKeepsTheDialogOpen()
    {
        TMaskedInputForm form(nullptr);
        auto* edit = form.findChild<QLineEdit*>("MaskEdit1");
        QString errorText;
        bool stillOpen = false;
        int cursor = -1;
        const int result = runModal(form, [&] {
            QTest::keyClicks(edit, "123");
            // The error box is modal inside the OK click; answer it from the event loop.
            QTimer::singleShot(0, [&] {
                auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
                QVERIFY(box);
                errorText = box->text();
                box->accept();
            });
            form.findChild<QPushButton*>("OKBtn")->click();
            stillOpen = form.isVisible();
            cursor = edit->cursorPosition();
            form.findChild<QPushButton*>("CancelBtn")->click();
        });
        QVERIFY(!errorText.isEmpty());
        QVERIFY(stillOpen);
        QCOMPARE(cursor, 7);
        QCOMPARE(result, int(QDialog::Rejected));
    }

    void editedBackToBlankIsStillChecked()
    {
        // Typing and deleting again leaves an edited, empty number: not the untouched template.
        TMaskedInputForm form(nullptr);
        auto* edit = form.findChild<QLineEdit*>("MaskEdit1");
        bool errorShown = false;
        const int result = runModal(form, [&] {
            QTest::keyClick(edit, Qt::Key_1);
            QTest::keyClick(edit, Qt::Key_Backspace);
            QTimer::singleShot(0, [&] {
                if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
                    errorShown = true;
                    box->accept();
                }
            });
            form.findChild<QPushButton*>("OKBtn")->click();
            QCOMPARE(edit->cursorPosition(), 4);
            form.reject();
        });
        QVERIFY(errorShown);
        QCOMPARE(result, int(QDialog::Rejected));
    }
};

QTEST_MAIN(TestTMaskedInputForm)
#include "TestTMaskedInputForm.moc"
