#include "TMemoFormUnit.h"

#include <QPlainTextEdit>
#include <QPushButton>
#include <QTimer>
#include <QtTest>

class TestTMemoFormUnit : public QObject
{
    Q_OBJECT

private slots:
    void lines_data()
    {
        QTest::addColumn<QStringList>("typed"); // lines typed, each ended by Enter except the last
        QTest::addColumn<QStringList>("lines");

        QTest::addRow("empty memo") << QStringList{} << QStringList{};
        QTest::addRow("two lines") << QStringList{"Meter pit flooded", "Cable replaced"}
                                   << QStringList{"Meter pit flooded", "Cable replaced"};
        QTest::addRow("final Enter adds no line") << QStringList{"One", ""} << QStringList{"One"};
        QTest::addRow("blank line inside kept")
            << QStringList{"One", "", "Two"} << QStringList{"One", "", "Two"};
    }

    void lines()
    {
        QFETCH(QStringList, typed);
        TMemoFormUnit form(nullptr);
        auto* memo = form.findChild<QPlainTextEdit*>("Memo1");
        bool openAfterEnter = true;
        QTimer::singleShot(0, &form, [&] {
            for (qsizetype i = 0; i < typed.size(); ++i) {
                QTest::keyClicks(memo, typed[i]);
                if (i + 1 < typed.size()) {
                    QTest::keyClick(memo, Qt::Key_Return);
                    openAfterEnter = openAfterEnter && form.isVisible();
                }
            }
            form.findChild<QPushButton*>("OKBtn")->click();
        });
        QCOMPARE(form.exec(), int(QDialog::Accepted));
        QVERIFY2(openAfterEnter, "Enter starts a new line, it does not press OK");
        QTEST(form.lines(), "lines");
        QCOMPARE(form.windowTitle(), QString("Memo Dialog"));
    }

    void cancel()
    {
        TMemoFormUnit form(nullptr);
        QTimer::singleShot(0, &form, [&] {
            QTest::keyClicks(form.findChild<QPlainTextEdit*>("Memo1"), "text");
            form.findChild<QPushButton*>("CancelBtn")->click();
        });
        QCOMPARE(form.exec(), int(QDialog::Rejected));
    }
};

QTEST_MAIN(TestTMemoFormUnit)
#include "TestTMemoFormUnit.moc"
