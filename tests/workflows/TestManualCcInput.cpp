// The manual CC boxes' rules as the technician meets them, one keystroke at a time.
#include "CalRecord.h"
#include "ManualCC.h"

#include <QtTest>

using ManualCcInput::Box;

Q_DECLARE_METATYPE(Box)

namespace {

// Types text into an empty box; returns the messages shown and leaves the box's text in box.
QStringList type(Box b, const QString& keys, CalRecord& record, QString& box)
{
    QStringList messages;
    for (const QChar key : keys)
        if (const auto change = ManualCcInput::typeKey(b, box, key, record))
            if (change->result == ManualCcInput::Change::Result::OutOfRange)
                messages << change->message;
    return messages;
}

float stored(Box b, const CalRecord& r)
{
    switch (b) {
    case Box::MeterId:
        return float(r.meterId());
    case Box::PipeDiameter:
        return float(r.pipeDiameter());
    case Box::CoilCurrent:
        return float(r.coilCurrent());
    case Box::TubeZero:
        return r.tubeZero(0);
    case Box::TubeFactor:
        break;
    }
    return r.tubeFactor(3);
}

CalRecord startingRecord()
{
    CalRecord r;
    r.setMeterId(7);
    r.setPipeDiameter(7);
    r.setCoilCurrent(7);
    r.setTubeZero(0, 7);
    r.setTubeFactor(3, 7);
    return r;
}

} // namespace

class TestManualCcInput : public QObject
{
    Q_OBJECT
private slots:
    void typing_data()
    {
        QTest::addColumn<Box>("box");
        QTest::addColumn<QString>("keys");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QStringList>("messages");
        QTest::addColumn<float>("value");
        const QString coil = "Value out of range(80 - 300)";
        const QString zero = "Value out of range(-100 - 100)";
        const QString factor = "Value out of range(0.0 - 10000.0)";
        QTest::addRow("coil current 1 5 0") << Box::CoilCurrent << "150"
                                            << "150" << QStringList{coil, coil} << 150.f;
        QTest::addRow("coil current 301") << Box::CoilCurrent << "301"
                                          << "301" << QStringList{coil, coil, coil} << 7.f;
        QTest::addRow("meter id 999999") << Box::MeterId << "999999"
                                         << "999999" << QStringList{} << 999999.f;
        QTest::addRow("meter id 1000000 keeps the last")
            << Box::MeterId << "1000000"
            << "1000000" << QStringList{"Value out of range(0 - 999999)"} << 100000.f;
        QTest::addRow("meter id with more digits than a number")
            << Box::MeterId << "99999999999999999999999"
            << "99999999999999999999999" << QStringList(17, "Value out of range(0 - 999999)") << 999999.f;
        QTest::addRow("pipe diameter 2001") << Box::PipeDiameter << "2001"
                                            << "2001" << QStringList{"Value out of range(0 - 2000)"} << 200.f;
        QTest::addRow("whole numbers take no sign, point or letter") << Box::PipeDiameter << "-1.5x\r"
                                                                     << "15" << QStringList{} << 15.f;
        QTest::addRow("tube zero 100.9 compared as 100") << Box::TubeZero << "100.9"
                                                         << "100.9" << QStringList{} << 100.9f;
        QTest::addRow("tube zero -100.5 compared as -100") << Box::TubeZero << "-100.5"
                                                           << "-100.5" << QStringList{} << -100.5f;
        QTest::addRow("tube zero 101") << Box::TubeZero << "101"
                                       << "101" << QStringList{zero} << 10.f;
        QTest::addRow("tube zero lone sign and point are not numbers yet") << Box::TubeZero << "-."
                                                                           << "-." << QStringList{} << 7.f;
        QTest::addRow("sign only first, one point only") << Box::TubeZero << "1-+2..5"
                                                         << "12.5" << QStringList{} << 12.5f;
        QTest::addRow("tube factor 10000") << Box::TubeFactor << "10000"
                                           << "10000" << QStringList{} << 10000.f;
        QTest::addRow("tube factor 10000.5") << Box::TubeFactor << "10000.5"
                                             << "10000.5" << QStringList{factor} << 10000.f;
        QTest::addRow("tube factor negative") << Box::TubeFactor << "-2"
                                              << "-2" << QStringList{factor} << 7.f;
        QTest::addRow("backspace to empty keeps the last value")
            << Box::CoilCurrent << "150\b\b\b"
            << "" << QStringList{coil, coil, coil, coil} << 150.f;
    }
    void typing()
    {
        QFETCH(Box, box);
        QFETCH(QString, keys);
        QFETCH(QString, text);
        QFETCH(QStringList, messages);
        QFETCH(float, value);
        CalRecord record = startingRecord();
        const CalRecord before = record;
        QString boxText;
        QCOMPARE(type(box, keys, record, boxText), messages);
        QCOMPARE(boxText, text);
        QCOMPARE(stored(box, record), value);
        // Nothing but the box's own field changes.
        for (const Box other : ManualCcInput::kBoxes)
            if (other != box)
                QCOMPARE(stored(other, record), stored(other, before));
    }

    void boxesShowTheRecord()
    {
        CalRecord r;
        r.setMeterId(123456);
        r.setPipeDiameter(150);
        r.setCoilCurrent(0);
        r.setTubeZero(0, 2.0f);
        r.setTubeFactor(3, 0.123456f);
        QCOMPARE(ManualCcInput::boxText(Box::MeterId, r), "123456");
        QCOMPARE(ManualCcInput::boxText(Box::CoilCurrent, r), "0");
        QCOMPARE(ManualCcInput::boxText(Box::TubeZero, r), "2.0");
        QCOMPARE(ManualCcInput::boxText(Box::TubeFactor, r), "0.12346");
        // A board value out of range is reported by the same check as typing.
        CalRecord copy = r;
        const auto change = ManualCcInput::checkText(Box::CoilCurrent, "0", copy, false);
        QCOMPARE(change.message, "Value out of range(80 - 300)");
    }
};

QTEST_GUILESS_MAIN(TestManualCcInput)
#include "TestManualCcInput.moc"
