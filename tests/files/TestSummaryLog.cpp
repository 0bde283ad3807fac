#include "FilesBench.h"
#include "Formats.h"
#include "SummaryLog.h"

#include <QtTest>

namespace {

const QDateTime kNow(QDate(2024, 3, 5), QTime(14, 30, 15));

QList<QByteArray> lines(const QByteArray& content)
{
    QList<QByteArray> out = content.split('\n');
    if (!out.isEmpty() && out.last().isEmpty())
        out.removeLast();
    return out;
}

} // namespace

class TestSummaryLog : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<FilesBench> b;

    QString logPath() const { return b->bench->dataFolderRoot + "SummaryLog.csv"; }
    QStringList fields()
    {
        QStringList f = SummaryLog::recordLine(*b->bench, kNow).split(',');
        // Every field is followed by a comma, so the split ends with an empty piece.
        if (f.isEmpty() || !f.last().isEmpty())
            return {};
        f.removeLast();
        return f;
    }

private slots:
    void init()
    {
        b = std::make_unique<FilesBench>();
        b->clock.setDateTime(kNow);
        b->bench->operatorName = "Ann";
    }
    void cleanup() { b.reset(); }

    void aFirstLineCreatesTheFileAndASecondOneAppends()
    {
        QVERIFY(writeSummaryLog(*b->bench).written);
        QVERIFY(b->bench->siteState.summaryLogged);
        const QByteArray first = FilesBench::read(logPath());
        const QList<QByteArray> firstLines = lines(first);
        QCOMPARE(firstLines.size(), 2);
        QCOMPARE(firstLines.at(0), SummaryLog::header().toLatin1() + "\r");
        QVERIFY(firstLines.at(1).endsWith(",\r"));
        QVERIFY(first.startsWith("Site_License,MeterID,Upgrade_Date/Time,"));

        // A later run on the same PC.
        b->bench->siteLicense = "SITE2";
        b->clock.advance(86400000);
        QVERIFY(writeSummaryLog(*b->bench).written);
        const QByteArray both = FilesBench::read(logPath());
        QVERIFY(both.startsWith(first));
        QCOMPARE(lines(both).size(), 3);
        QVERIFY(lines(both).at(2).startsWith("SITE2,"));
    }

    void aLineWithoutItsEndIsEndedBeforeTheNextOne()
    {
        FilesBench::write(logPath(), "written by hand,");
        QVERIFY(writeSummaryLog(*b->bench).written);
        QVERIFY(FilesBench::read(logPath()).startsWith("written by hand,\r\nSITE1,"));
    }

    void fieldsAndTheirForms()
    {
        SiteState& s = b->bench->siteState;
        s.meterId = 4000000001u;
        s.upgradeType = SiteState::kFullyAutomated;
        s.forwardTotal = {1234.5678f, -2.0f};
        s.tubeZero = 0.1f;
        s.tubeFactor3 = 1.23456789f;
        s.resetCount = 65535;
        s.firmwareVersion[0] = {'3', '.', '1', '0', 0};
        s.firmwareVersion[1] = {'4', '.', '0', 0, 0};
        s.setStep(SiteState::BACKUP_CC);
        s.setStep(SiteState::IMAGES_ADDED);
        b->bench->hardwareRevision = {"B", "C"};
        b->bench->sfoNumber = {"SFO1", "SFO2"};

        const QStringList f = fields();
        QCOMPARE(f.size(), 38);
        QCOMPARE(f.mid(0, 2), QStringList({"SITE1", "4000000001"}));
        QCOMPARE(f.at(2), Formats::dateTime(Q7Data::TDateTime::fromDateTime(kNow)));
        QCOMPARE(f.mid(3, 8), QStringList({"Ann", "1", "B", "SFO1", "3.10", "C", "SFO2", "4.0"}));
        QCOMPARE(f.mid(11, 3), QStringList({" ", " ", " "}));
        QCOMPARE(f.at(14), QString("65535"));
        QCOMPARE(f.mid(15, 10), QStringList({"1", "0", "0", "0", "0", "0", "0", "0", "0", "1"}));
        QCOMPARE(f.mid(25, 2), QStringList({"1234.568", "-2.000"}));
        QCOMPARE(f.mid(36, 2), QStringList({"0.10000", "1.23457"}));
    }

    void anOperatorNameWithACommaShiftsTheFields()
    {
        b->bench->operatorName = "Smith, Ann";
        QCOMPARE(fields().size(), 39);
    }

    void theBoardClockAgainstThePcs_data()
    {
        QTest::addColumn<qint64>("boardMinusNowMs");
        QTest::addColumn<QString>("hours");
        QTest::addColumn<QString>("rtcError");
        QTest::addRow("13 hours behind") << qint64(-13 * 3600000) << "13"
                                         << "1";
        QTest::addRow("exactly 12 hours behind") << qint64(-12 * 3600000) << "12"
                                                 << "0";
        QTest::addRow("13 hours ahead") << qint64(13 * 3600000) << "13"
                                        << "1";
        // Read correctly 90 minutes before the line is written.
        QTest::addRow("90 minutes ago") << qint64(-90 * 60000) << "1"
                                        << "0";
        // The board time counts as its text shows it, in whole seconds: half a second short of
        // 2 hours behind reads as 2 hours.
        QTest::addRow("fraction of a second") << qint64(-2 * 3600000 + 500) << "2"
                                              << "0";
    }
    void theBoardClockAgainstThePcs()
    {
        QFETCH(qint64, boardMinusNowMs);
        QFETCH(QString, hours);
        QFETCH(QString, rtcError);
        const QDateTime board = kNow.addMSecs(boardMinusNowMs);
        b->bench->siteState.boardTime[0] = Q7Data::TDateTime::fromDateTime(board);
        const QStringList f = fields();
        QCOMPARE(f.size(), 38);
        QCOMPARE(f.at(11), Formats::dateTime(b->bench->siteState.boardTime[0]));
        QCOMPARE(f.mid(12, 2), QStringList({hours, rtcError}));
    }

    void aLogThatCannotBeWrittenKeepsItsLines()
    {
        const QByteArray earlier = SummaryLog::header().toLatin1() + "\r\nOLD,1,\r\n";
        FilesBench::write(logPath(), earlier);
        ReadOnlyFolder locked(b->bench->dataFolderRoot);
        if (!locked.ok())
            QSKIP("the data folder could not be made read-only here");

        const SummaryLogWriterResult result = writeSummaryLog(*b->bench);

        QVERIFY(!result.written);
        QVERIFY(!b->bench->siteState.summaryLogged);
        QVERIFY(result.line.startsWith("SITE1,"));
        QCOMPARE(
            b->op.texts("message"),
            QStringList(
                {"Failed to save data to Summary log, If file is in use please close file and press OK"}));
        QCOMPARE(FilesBench::read(logPath()), earlier);
    }
};

QTEST_GUILESS_MAIN(TestSummaryLog)
#include "TestSummaryLog.moc"
