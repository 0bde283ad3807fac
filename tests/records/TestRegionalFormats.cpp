#include "BoardTime.h"
#include "Formats.h"

#include <QLocale>
#include <QtTest>

// Run with German regional settings: decimal comma, German month names, "dd.MM.yy".
class TestRegionalFormats : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        if (QLocale::system().name() != "de_DE")
            QSKIP("needs LC_ALL=de_DE.UTF-8");
    }

    void followThePcsSettings()
    {
        const auto at = Q7Data::encodeTDateTime({26, 12, 8, 14, 5, 9});
        QCOMPARE(Formats::formatFloat("0.0####", 12.345678f), QString("12,34568"));
        QCOMPARE(Formats::formatFloat("0.00", 0.0864), QString("0,09"));
        QCOMPARE(Formats::dayMonth(at), QString("08/Dez."));
        QCOMPARE(Formats::dayMonthYear(at), QString("08 Dez., 2026"));
        QCOMPARE(Formats::dateTime(at), QString("08.12.26 14:05:09"));
        // The fixed patterns keep their own separators whatever the settings.
        QCOMPARE(Formats::timeOfDay(at), QString("14:05:09"));
    }
};

QTEST_GUILESS_MAIN(TestRegionalFormats)
#include "TestRegionalFormats.moc"
