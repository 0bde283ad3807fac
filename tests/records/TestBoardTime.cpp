#include "BoardTime.h"

#include <QtTest>

using namespace Q7Data;

Q_DECLARE_METATYPE(Q7Data::Timestamp)

class TestBoardTime : public QObject
{
    Q_OBJECT

private slots:
    void leapYears_data()
    {
        QTest::addColumn<int>("year");
        QTest::addColumn<bool>("leap");
        QTest::addRow("2016") << 2016 << true;
        QTest::addRow("2000 divisible by 400") << 2000 << true;
        QTest::addRow("2100 divisible by 100") << 2100 << false;
        QTest::addRow("2023") << 2023 << false;
    }
    void leapYears()
    {
        QFETCH(int, year);
        QFETCH(bool, leap);
        QCOMPARE(IsLeapYear(year), leap);
        QCOMPARE(DaysPerMonth(year, 2), leap ? 29 : 28);
    }

    void monthLengths()
    {
        const int expected[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
        for (int m = 1; m <= 12; ++m)
            QCOMPARE(DaysPerMonth(2023, m), expected[m - 1]);
        QCOMPARE(DaysPerMonth(2023, 0), 0);
        QCOMPARE(DaysPerMonth(2023, 13), 0);
    }

    void validity_data()
    {
        QTest::addColumn<Timestamp>("ts");
        QTest::addColumn<bool>("valid");
        QTest::addRow("29 Feb 2016") << Timestamp{16, 2, 29, 12, 0, 0} << true;
        QTest::addRow("29 Feb 2100") << Timestamp{100, 2, 29, 12, 0, 0} << false;
        QTest::addRow("29 Feb 2000") << Timestamp{0, 2, 29, 0, 0, 0} << true;
        QTest::addRow("31 Apr") << Timestamp{20, 4, 31, 0, 0, 0} << false;
        QTest::addRow("last moment of 2199") << Timestamp{199, 12, 31, 23, 59, 59} << true;
        QTest::addRow("year byte 200") << Timestamp{200, 1, 1, 0, 0, 0} << false;
        QTest::addRow("month 0") << Timestamp{20, 0, 1, 0, 0, 0} << false;
        QTest::addRow("month 13") << Timestamp{20, 13, 1, 0, 0, 0} << false;
        QTest::addRow("day 0") << Timestamp{20, 1, 0, 0, 0, 0} << false;
        QTest::addRow("hour 24") << Timestamp{20, 1, 1, 24, 0, 0} << false;
        QTest::addRow("minute 60") << Timestamp{20, 1, 1, 0, 60, 0} << false;
        QTest::addRow("second 60") << Timestamp{20, 1, 1, 0, 0, 60} << false;
        QTest::addRow("all zero") << Timestamp{} << false;
    }
    void validity()
    {
        QFETCH(Timestamp, ts);
        QFETCH(bool, valid);
        QCOMPARE(IsValidTimestamp(ts), valid);
        // Only a valid timestamp gives a date; every other one gives the zero date-time.
        QCOMPARE(encodeTDateTime(ts).isZero(), !valid);
    }

    void encodesDateAndTime()
    {
        const TDateTime v = encodeTDateTime({26, 12, 8, 14, 5, 9});
        QCOMPARE(v.toDateTime(), QDateTime(QDate(2026, 12, 8), QTime(14, 5, 9)));
        // 1 January 2000 is day 36526 of the epoch.
        QCOMPARE(encodeTDateTime({0, 1, 1, 0, 0, 0}).value(), 36526.0);
        QCOMPARE(encodeTDateTime({0, 1, 1, 12, 0, 0}).value(), 36526.5);
    }

    void timeOfDayIgnoresTheDate_data()
    {
        QTest::addColumn<Timestamp>("ts");
        QTest::addColumn<double>("fraction");
        QTest::addRow("date bytes zero") << Timestamp{0, 0, 0, 6, 0, 0} << 0.25;
        QTest::addRow("impossible date") << Timestamp{250, 14, 40, 18, 0, 0} << 0.75;
        QTest::addRow("hour 24") << Timestamp{20, 1, 1, 24, 0, 0} << 0.0;
        QTest::addRow("second 60") << Timestamp{0, 0, 0, 0, 0, 60} << 0.0;
    }
    void timeOfDayIgnoresTheDate()
    {
        QFETCH(Timestamp, ts);
        QFETCH(double, fraction);
        QCOMPARE(encodeTTime(ts).value(), fraction);
    }

    void decodes_data()
    {
        QTest::addColumn<double>("value");
        QTest::addColumn<Timestamp>("ts");
        QTest::addRow("zero is no date") << 0.0 << Timestamp{};
        QTest::addRow("1 Jan 2000 midnight") << 36526.0 << Timestamp{0, 1, 1, 0, 0, 0};
        QTest::addRow("milliseconds dropped")
            << TDateTime::fromDateTime(QDate(2016, 2, 29), QTime(23, 59, 59, 999)).value()
            << Timestamp{16, 2, 29, 23, 59, 59};
        QTest::addRow("year kept to 8 bits")
            << TDateTime::fromDateTime(QDate(2300, 3, 1), QTime(1, 2, 3)).value()
            << Timestamp{44, 3, 1, 1, 2, 3};
    }
    void decodes()
    {
        QFETCH(double, value);
        QFETCH(Timestamp, ts);
        QCOMPARE(decodeTDateTime(TDateTime(value)), ts);
    }

    void roundTripsEverySecondOfADay()
    {
        // Fractions of a day are inexact in binary; every second must still come back whole.
        for (int s = 0; s < 86400; ++s) {
            const Timestamp ts{
                26, 12, 31, std::uint8_t(s / 3600), std::uint8_t(s / 60 % 60), std::uint8_t(s % 60)};
            QCOMPARE(decodeTDateTime(encodeTDateTime(ts)), ts);
        }
    }

    void bytesKeepRecordOrder()
    {
        const Timestamp ts{16, 2, 29, 13, 14, 15};
        const auto bytes = encodeTimestamp(ts);
        QCOMPARE(bytes, (std::array<std::uint8_t, 6>{16, 2, 29, 13, 14, 15}));
        QCOMPARE(decodeTimestamp(bytes), ts);
    }
};

QTEST_GUILESS_MAIN(TestBoardTime)
#include "TestBoardTime.moc"
