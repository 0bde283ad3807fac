// "Restore Record.txt" as a support engineer reads it: four values a field, the kept settings,
// the totals, and a verdict line a script can grep.
#include "CalRecord.h"
#include "ConfigRecord.h"
#include "RestoreRecord.h"

#include <QtTest>

namespace {

QByteArray filled(std::size_t size, char seed)
{
    QByteArray bytes(static_cast<qsizetype>(size), 0);
    for (qsizetype i = 0; i < bytes.size(); ++i)
        bytes[i] = static_cast<char>(seed + i * 3);
    return bytes;
}

RestoreRecordInput cleanRestore()
{
    RestoreRecordInput in;
    in.siteLicense = "AB1";
    in.written = QDateTime(QDate(2026, 3, 4), QTime(5, 6, 7));
    in.oldConfig = filled(ConfigRecord::kSize, 1);
    in.beforeConfig = filled(ConfigRecord::kSize, 9);
    ConfigRecord sent = *ConfigRecord::fromBytes(*in.oldConfig);
    sent.keepBoardOwnSettings(*ConfigRecord::fromBytes(*in.beforeConfig));
    in.sentConfig = sent.toByteArray();
    in.readConfig = in.sentConfig;
    in.oldCal = filled(CalRecord::kSize, 2);
    in.beforeCal = filled(CalRecord::kSize, 5);
    in.sentCal = in.oldCal;
    in.readCal = in.oldCal;
    Q7Data::Totalisers totals;
    totals.ForwardTotal = 1234.5f;
    in.totalsSent = totals;
    in.totalsRead = totals;
    return in;
}

QStringList lines(const RestoreRecord& record)
{
    QString text = QString::fromLocal8Bit(record.text);
    // Every line ends with CR LF, the last one included.
    if (!text.endsWith("\r\n") || text.count("\r\n") != text.count('\n'))
        return {};
    text.chop(2);
    return text.split("\r\n");
}

} // namespace

class TestRestoreRecord : public QObject
{
    Q_OBJECT
private slots:
    void cleanRestoreIsIdentical()
    {
        const RestoreRecord record = buildRestoreRecord(cleanRestore());
        QVERIFY(record.identical());
        const QStringList text = lines(record);
        QVERIFY(!text.isEmpty());
        QCOMPARE(text.last(), "Read-back: identical");
        QCOMPARE(text.filter(QRegularExpression("^\\* ")), QStringList{});
        // The kept settings come from the replacement board, whatever the backup held.
        QCOMPARE(text.filter("Gate Control").size(), 2);
        QCOMPARE(text.filter(QRegularExpression("^Site License += AB1$")).size(), 1);
        QVERIFY(text.filter("ForwardTotal").value(0).contains("1234.500 | 1234.500"));
    }

    void aCalibrationByteStoredOtherwiseNamesItsField()
    {
        RestoreRecordInput in = cleanRestore();
        (*in.readCal)[14] = static_cast<char>((*in.readCal)[14] ^ 0x01);
        const RestoreRecord record = buildRestoreRecord(in);
        QCOMPARE(record.differing, QStringList{"Coil Current"});
        const QStringList text = lines(record);
        QCOMPARE(text.last(), "Read-back: differs: Coil Current");
        const QString row = text.filter("Coil Current").value(0);
        QVERIFY2(row.startsWith("* Coil Current"), qPrintable(row));
        QCOMPARE(row.count(" | "), 3);
    }

    void aRecordNotReadBackDiffers()
    {
        RestoreRecordInput in = cleanRestore();
        in.readConfig.reset();
        const RestoreRecord record = buildRestoreRecord(in);
        QVERIFY(!record.identical());
        QVERIFY(record.differing.contains("Site ID"));
        QVERIFY(!record.differing.contains("Coil Current"));
    }

    void accessCodesAreMasked()
    {
        RestoreRecordInput in = cleanRestore();
        for (auto* config : {&in.oldConfig, &in.beforeConfig, &in.sentConfig, &in.readConfig}) {
            (**config)[106] = 0x39; // 12345 = 0x3039
            (**config)[107] = 0x30;
        }
        const QString text = QString::fromLocal8Bit(buildRestoreRecord(in).text);
        QVERIFY(!text.contains("12345"));
        QVERIFY(text.contains("Access Codes                  = (masked) | (masked) | (masked) | (masked)"));
    }
};

QTEST_GUILESS_MAIN(TestRestoreRecord)
#include "TestRestoreRecord.moc"
