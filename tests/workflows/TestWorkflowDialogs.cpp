#include "TSiteLicenseQueryForm.h"
#include "TTotalisersInputForm.h"

#include <QApplication>
#include <QClipboard>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QtTest>

// The workflows' own dialogs as the technician uses them: keys typed, text pasted, buttons.
class TestWorkflowDialogs : public QObject
{
    Q_OBJECT

    static QLineEdit* box(QWidget& dialog, const char* name)
    {
        auto* edit = dialog.findChild<QLineEdit*>(QLatin1String(name));
        if (!edit)
            qFatal("no box %s", name);
        return edit;
    }

private slots:
    void licenceBoxFiltersTypedText()
    {
        TSiteLicenseQueryForm dialog;
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        QCOMPARE(dialog.windowTitle(), QString("Site License Dialog"));
        QVERIFY(dialog.findChild<QLabel*>("Label1")->text() == "Enter Site License");
        QLineEdit* edit = box(dialog, "EditBox");
        QTRY_COMPARE(QApplication::focusWidget(), edit);
        QTest::keyClicks(edit, "ab.c 1");
        QCOMPARE(dialog.text(), QString("ab_c1"));
        QTest::keyClick(edit, Qt::Key_Backspace);
        QCOMPARE(dialog.text(), QString("ab_c"));
        QTest::keyClick(edit, Qt::Key_Return);
        QCOMPARE(dialog.result(), int(QDialog::Accepted));
    }

    void licenceBoxFiltersPastedText_data()
    {
        QTest::addColumn<QString>("pasted");
        QTest::addColumn<QString>("kept");
        QTest::addRow("parent folder") << "../x"
                                       << "__x";
        QTest::addRow("sub folder") << "a/b"
                                    << "ab";
        QTest::addRow("absolute, backslashes") << "\\\\srv\\c$ /etc"
                                               << "srvcetc";
        QTest::addRow("non-ASCII letters") << QString::fromUtf8("Zürich 7") << "Zrich7";
    }
    void licenceBoxFiltersPastedText()
    {
        QFETCH(QString, pasted);
        QFETCH(QString, kept);
        TSiteLicenseQueryForm dialog;
        QLineEdit* edit = box(dialog, "EditBox");
        QTest::keyClicks(edit, "s1");
        QApplication::clipboard()->setText(pasted);
        QTest::keyClick(edit, Qt::Key_Home);
        edit->paste();
        QCOMPARE(dialog.text(), kept + "s1");
        QCOMPARE(edit->cursorPosition(), kept.size());
    }

    void totalsDialogShowsValuesInItsOrder()
    {
        TTotalisersInputForm dialog;
        QCOMPARE(dialog.windowTitle(), QString("Totalisers Input Query"));
        for (std::size_t slot = 0; slot < dialog.values.size(); ++slot)
            dialog.values[slot] = 1.5f + static_cast<float>(slot);
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        QCOMPARE(box(dialog, "ForwardTotalEB")->text(), QString("1.500"));
        QCOMPARE(box(dialog, "YTDNettTotalEB")->text(), QString("10.500"));
        QCOMPARE(box(dialog, "ForwardTotalEB")->alignment() & Qt::AlignHorizontal_Mask, Qt::AlignRight);
        QTRY_COMPARE(QApplication::focusWidget(), dialog.findChild<QPushButton*>("OKBtn"));
        // Top to bottom: each off-peak box above its peak box.
        const char* const order[] = {"ForwardTotalEB",        "ReverseTotalEB",     "NettTotalEB",
                                     "OffPeakForwardTotalEB", "PeakForwardTotalEB", "OffPeakReverseTotalEB",
                                     "PeakReverseTotalEB",    "YTDForwardTotalEB",  "YTDReverseTotalEB",
                                     "YTDNettTotalEB"};
        for (std::size_t i = 1; i < std::size(order); ++i)
            QVERIFY2(box(dialog, order[i - 1])->y() < box(dialog, order[i])->y(), order[i]);
    }

    void totalsBoxKeys()
    {
        TTotalisersInputForm dialog;
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        QLineEdit* edit = box(dialog, "ReverseTotalEB");
        edit->setFocus();
        edit->selectAll();
        QTest::keyClicks(edit, "1.2");
        QCOMPARE(edit->text(), QString("1.2"));
        QTest::keyClicks(edit, ".3-e ");
        QCOMPARE(edit->text(), QString("1.23"));
        for (int i = 0; i < 4; ++i)
            QTest::keyClick(edit, Qt::Key_Backspace);
        QCOMPARE(edit->text(), QString("0"));
        QApplication::clipboard()->setText("-4.5.6kl");
        edit->selectAll();
        edit->paste();
        QCOMPARE(edit->text(), QString("4.56"));
        QTest::mouseClick(dialog.findChild<QPushButton*>("OKBtn"), Qt::LeftButton);
        QCOMPARE(dialog.result(), int(QDialog::Accepted));
        QCOMPARE(dialog.values[1], 4.56f);
        QCOMPARE(dialog.values[0], 0.0f);
    }

    void totalsBoxThatDoesNotConvertCancels()
    {
        TTotalisersInputForm dialog;
        dialog.values[3] = 9;
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        QLineEdit* edit = box(dialog, "NettTotalEB");
        edit->setFocus();
        edit->selectAll();
        QTest::keyClicks(edit, ".");
        QTest::mouseClick(dialog.findChild<QPushButton*>("OKBtn"), Qt::LeftButton);
        QCOMPARE(dialog.result(), int(QDialog::Rejected));
        QCOMPARE(dialog.values[3], 9.0f);
    }
};

QTEST_MAIN(TestWorkflowDialogs)
#include "TestWorkflowDialogs.moc"
