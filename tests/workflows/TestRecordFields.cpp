// Record copies compared field by field: a field left out of the table would hide a difference
// the read-back check exists to find, and a reserved byte taken in would report noise.
#include "RecordFields.h"

#include <QtTest>

#include <set>

using RecordFields::Kind;

namespace {

struct Range
{
    std::size_t from;
    std::size_t to; // inclusive
};

// Bytes (or bits) the board is free to change: what the records' layouts call reserved.
std::vector<Range> reservedRanges(Kind kind)
{
    switch (kind) {
    case Kind::Configuration: {
        std::vector<Range> r{{0, 1},     {16, 17},   {68, 69},   {100, 105},
                             {242, 243}, {246, 247}, {281, 281}, {286, 331}};
        for (std::size_t a = 0; a < 4; ++a)
            r.push_back({112 + 12 * a + 4, 112 + 12 * a + 11});
        return r;
    }
    case Kind::Calibration:
        return {{0, 1}, {104, 157}};
    case Kind::BasicCalibration:
        return {{0, 9}, {138, 167}, {176, 221}};
    }
    return {};
}

QByteArray pattern(Kind kind)
{
    QByteArray bytes(static_cast<qsizetype>(RecordFields::recordSize(kind)), 0);
    for (qsizetype i = 0; i < bytes.size(); ++i)
        bytes[i] = static_cast<char>(i * 7 + 3);
    return bytes;
}

} // namespace

class TestRecordFields : public QObject
{
    Q_OBJECT
private slots:
    void fieldsCoverEveryByteThatIsNotReserved_data()
    {
        QTest::addColumn<Kind>("kind");
        QTest::addRow("configuration") << Kind::Configuration;
        QTest::addRow("calibration") << Kind::Calibration;
        QTest::addRow("basic calibration") << Kind::BasicCalibration;
    }
    void fieldsCoverEveryByteThatIsNotReserved()
    {
        QFETCH(Kind, kind);
        const std::size_t size = RecordFields::recordSize(kind);
        std::vector<std::uint8_t> covered(size, 0);
        QStringList labels;
        for (const auto& field : RecordFields::fields(kind)) {
            QVERIFY2(!labels.contains(field.label), qPrintable(field.label));
            labels << field.label;
            for (const auto& span : field.spans)
                for (std::size_t i = span.offset; i < span.offset + span.size; ++i) {
                    QVERIFY2((covered[i] & span.mask) == 0,
                             qPrintable(field.label + " overlaps at " + QString::number(i)));
                    covered[i] |= span.mask;
                }
        }
        std::vector<std::uint8_t> expected(size, 0xFF);
        for (const Range& r : reservedRanges(kind))
            for (std::size_t i = r.from; i <= r.to; ++i)
                expected[i] = 0;
        if (kind == Kind::Configuration)
            expected[280] = 0x03; // "Low Power Mode" and "Halt on Signal Errors"; the other bits are reserved
        for (std::size_t i = 0; i < size; ++i)
            QVERIFY2(covered[i] == expected[i], qPrintable(QString("byte %1").arg(i)));
    }

    void oneChangedByteIsReportedByItsLabel_data()
    {
        QTest::addColumn<Kind>("kind");
        QTest::addColumn<int>("offset");
        QTest::addColumn<int>("xorMask");
        QTest::addColumn<QString>("label");
        QTest::addRow("coil current") << Kind::Calibration << 15 << 0x01 << "Coil Current";
        QTest::addRow("meter id") << Kind::Calibration << 2 << 0x80 << "Meter ID";
        QTest::addRow("reserved calibration byte") << Kind::Calibration << 120 << 0xFF << "";
        QTest::addRow("carried timestamp byte") << Kind::Calibration << 92 << 0x10 << "Calibration Date";
        QTest::addRow("gate control") << Kind::Configuration << 278 << 0x01 << "Gate Control";
        QTest::addRow("halt on signal errors bit")
            << Kind::Configuration << 280 << 0x02 << "Halt on Signal Errors";
        QTest::addRow("reserved option bit") << Kind::Configuration << 280 << 0x04 << "";
        QTest::addRow("alarm reserved tail") << Kind::Configuration << 120 << 0xFF << "";
        QTest::addRow("access code") << Kind::Configuration << 107 << 0x01 << "Access Codes";
        QTest::addRow("compensation") << Kind::BasicCalibration << 40 << 0x01 << "Compensation[1]";
    }
    void oneChangedByteIsReportedByItsLabel()
    {
        QFETCH(Kind, kind);
        QFETCH(int, offset);
        QFETCH(int, xorMask);
        QFETCH(QString, label);
        const QByteArray a = pattern(kind);
        QByteArray b = a;
        b[offset] = static_cast<char>(b[offset] ^ xorMask);
        const auto result = RecordFields::compare(kind, {a, b}, 0, 1);
        QCOMPARE(result.differing, label.isEmpty() ? QStringList{} : QStringList{label});
    }

    void valuesThatPrintAlikeShowTheirBytes()
    {
        // Tube factor 3 of 1.0 changed in its lowest mantissa bit: the report's decimals cannot tell.
        QByteArray a = pattern(Kind::Calibration);
        a.replace(44, 4, QByteArray("\x00\x00\x80\x3F", 4));
        QByteArray b = a;
        b[44] = static_cast<char>(b[44] ^ 0x01);
        const auto result = RecordFields::compare(Kind::Calibration, {a, b}, 0, 1);
        QCOMPARE(result.differing, QStringList{"FlowTube Factors"});
        const QString row = result.rows.filter("FlowTube Factors").value(0);
        QVERIFY(row.startsWith("* "));
        QVERIFY2(row.contains('['), qPrintable(row));
        const QString same = result.rows.filter("Coil Current").value(0);
        QVERIFY(same.startsWith("  "));
        QVERIFY(!same.contains('['));
    }

    void accessCodesNeverAppear()
    {
        QByteArray a = pattern(Kind::Configuration);
        QByteArray b = a;
        // Codes 4660 (0x1234) and 22136 (0x5678) in the first copy, another in the second.
        a[106] = 0x34, a[107] = 0x12, a[108] = 0x78, a[109] = 0x56;
        b[106] = 0x35;
        const auto result = RecordFields::compare(Kind::Configuration, {a, b}, 0, 1);
        const QString text = result.rows.join('\n');
        const QString row = result.rows.filter("Access Codes").value(0);
        QCOMPARE(row, "* Access Codes                  = (masked) | (masked)");
        for (const char* secret : {"4660", "22136", "34 12 78 56"})
            QVERIFY2(!text.contains(secret), secret);
    }

    void anAbsentCopyDiffersEverywhere()
    {
        const QByteArray a = pattern(Kind::Calibration);
        const auto result = RecordFields::compare(Kind::Calibration, {a, std::nullopt}, 0, 1);
        QCOMPARE(result.differing.size(), qsizetype(RecordFields::fields(Kind::Calibration).size()));
        QVERIFY(result.rows.first().endsWith("| -"));
    }

    void kindsByFileSize()
    {
        QCOMPARE(RecordFields::kindOfSize(332), Kind::Configuration);
        QCOMPARE(RecordFields::kindOfSize(158), Kind::Calibration);
        QCOMPARE(RecordFields::kindOfSize(222), Kind::BasicCalibration);
        QVERIFY(!RecordFields::kindOfSize(928));
        QVERIFY(!RecordFields::kindOfSize(40));
    }
};

QTEST_GUILESS_MAIN(TestRecordFields)
#include "TestRecordFields.moc"
