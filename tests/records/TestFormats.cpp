#include "BoardTime.h"
#include "Formats.h"

#include <QtTest>

#include <limits>

using Q7Data::TDateTime;

class TestFormats : public QObject
{
    Q_OBJECT

private slots:
    void floats_data()
    {
        QTest::addColumn<QByteArray>("pattern");
        QTest::addColumn<float>("value");
        QTest::addColumn<QString>("text");
        QTest::addRow("2.0") << QByteArray("0.0####") << 2.0f << "2.0";
        QTest::addRow("3 gets one decimal") << QByteArray("0.0####") << 3.0f << "3.0";
        QTest::addRow("2.5") << QByteArray("0.0####") << 2.5f << "2.5";
        QTest::addRow("0.000001 rounds to 0.0") << QByteArray("0.0####") << 0.000001f << "0.0";
        QTest::addRow("12.345678") << QByteArray("0.0####") << 12.345678f << "12.34568";
        QTest::addRow("0.1234567") << QByteArray("0.0####") << 0.1234567f << "0.12346";
        QTest::addRow("1") << QByteArray("0.0####") << 1.0f << "1.0";
        QTest::addRow("1.5") << QByteArray("0.0####") << 1.5f << "1.5";
        QTest::addRow("0.99999 stays") << QByteArray("0.0####") << 0.99999f << "0.99999";
        QTest::addRow("2.000004 drops") << QByteArray("0.0####") << 2.000004f << "2.0";
        QTest::addRow("0.999996 carries") << QByteArray("0.0####") << 0.999996f << "1.0";
        QTest::addRow("negative") << QByteArray("0.0####") << -1.25f << "-1.25";
        QTest::addRow("tiny negative has no sign") << QByteArray("0.0####") << -0.000001f << "0.0";
        QTest::addRow("large") << QByteArray("0.0####") << 16777216.0f << "16777216.0";
        QTest::addRow("0.00 half away from zero") << QByteArray("0.00") << 0.125f << "0.13";
        QTest::addRow("0.00 negative half") << QByteArray("0.00") << -0.125f << "-0.13";
        QTest::addRow("0.00 below half") << QByteArray("0.00") << 0.0049f << "0.00";
        QTest::addRow("0.00 of 9.995f (just below)") << QByteArray("0.00") << 9.995f << "9.99";
        QTest::addRow("0.00 carries into integer") << QByteArray("0.00") << 99.999f << "100.00";
        QTest::addRow("0.000") << QByteArray("0.000") << 1.0f << "1.000";
        QTest::addRow("0.00000") << QByteArray("0.00000") << 0.5f << "0.50000";
        QTest::addRow("0.000000") << QByteArray("0.000000") << 12.345678f << "12.345678";
        QTest::addRow("NaN") << QByteArray("0.0####") << std::numeric_limits<float>::quiet_NaN() << "NAN";
        QTest::addRow("-inf") << QByteArray("0.00") << -std::numeric_limits<float>::infinity() << "-INF";
    }
    void floats()
    {
        QFETCH(QByteArray, pattern);
        QFETCH(float, value);
        QFETCH(QString, text);
        QCOMPARE(Formats::formatFloat(pattern.constData(), value), text);
    }

    void computedDoubles_data()
    {
        QTest::addColumn<QByteArray>("pattern");
        QTest::addColumn<double>("value");
        QTest::addColumn<QString>("text");
        // A flow of 1 L/s in ML/Day, as the two report paths write it.
        QTest::addRow("flow 0.00") << QByteArray("0.00") << 1.0f * 86400 * 0.000001 << "0.09";
        QTest::addRow("flow 0.00000") << QByteArray("0.00000") << 1.0f * 86400 * 0.000001 << "0.08640";
        // A total of 12345.678 in megalitres.
        QTest::addRow("total") << QByteArray("0.000000") << double(12345.678f) * 0.001 << "12.345678";
        QTest::addRow("smallest double") << QByteArray("0.0####") << 4.9e-324 << "0.0";
        QTest::addRow("largest double")
            << QByteArray("0.00") << 1.7976931348623157e308
            << QString("179769313486231570814527423731704356798070567525844996598917476803"
                       "157260780028538760589558632766878171540458953514382464234321326889"
                       "464182768467546703537516986049910576551282076245490090389328944075"
                       "868508455133942304583236903222948165808559332123348274797826204144"
                       "723168738177180919299881250404026184124858368.00");
    }
    void computedDoubles()
    {
        QFETCH(QByteArray, pattern);
        QFETCH(double, value);
        QFETCH(QString, text);
        QCOMPARE(Formats::formatFloat(pattern.constData(), value), text);
    }

    void hex()
    {
        QCOMPARE(Formats::hexBytes({0x01, 0x02, 0x0A, 0x0B, 0x0C, 0xFF}), QString("01 02 0A 0B 0C FF "));
    }

    void integers()
    {
        QCOMPARE(Formats::hu(65535), QString("65535"));
        QCOMPARE(Formats::lu(4294967295u), QString("4294967295"));
        QCOMPARE(Formats::hd(-32768), QString("-32768"));
    }

    void dates_data()
    {
        QTest::addColumn<double>("value");
        QTest::addColumn<QString>("time");
        QTest::addColumn<QString>("dayMonth");
        QTest::addColumn<QString>("longDate");
        QTest::addColumn<QString>("standard");
        // Under the C locale: short date "d MMM yyyy", long time "HH:mm:ss".
        QTest::addRow("zero date-time") << 0.0 << "00:00:00"
                                        << "30/Dec"
                                        << "30 Dec, 1899"
                                        << "30 Dec 1899";
        const auto v = [](int y, int mo, int d, int h, int mi, int s) {
            return Q7Data::encodeTDateTime({std::uint8_t(y - 2000), std::uint8_t(mo), std::uint8_t(d),
                                            std::uint8_t(h), std::uint8_t(mi), std::uint8_t(s)})
                .value();
        };
        QTest::addRow("afternoon") << v(2026, 12, 8, 14, 5, 9) << "14:05:09"
                                   << "08/Dec"
                                   << "08 Dec, 2026"
                                   << "8 Dec 2026 14:05:09";
        QTest::addRow("midnight is the date alone") << v(2016, 2, 29, 0, 0, 0) << "00:00:00"
                                                    << "29/Feb"
                                                    << "29 Feb, 2016"
                                                    << "29 Feb 2016";
        QTest::addRow("one second past midnight") << v(2016, 2, 29, 0, 0, 1) << "00:00:01"
                                                  << "29/Feb"
                                                  << "29 Feb, 2016"
                                                  << "29 Feb 2016 00:00:01";
    }
    void dates()
    {
        QFETCH(double, value);
        QFETCH(QString, time);
        QFETCH(QString, dayMonth);
        QFETCH(QString, longDate);
        QFETCH(QString, standard);
        QCOMPARE(Formats::timeOfDay(TDateTime(value)), time);
        QCOMPARE(Formats::dayMonth(TDateTime(value)), dayMonth);
        QCOMPARE(Formats::dayMonthYear(TDateTime(value)), longDate);
        QCOMPARE(Formats::dateTime(TDateTime(value)), standard);
    }
};

QTEST_GUILESS_MAIN(TestFormats)
#include "TestFormats.moc"
