#include "BandReport.h"

#include <QTest>

// Pagination checked on the laid-out pages: which texts land on which page, in what order.
class TestBandReport : public QObject
{
    Q_OBJECT

private:
    // A5-sized body so a few rows fill a page: 100 mm high, 10 mm margins, 10 mm footer,
    // so 70 mm for bands.
    static BandReport makeReport()
    {
        BandReport report;
        report.setPageSetup(PageSetup{QSizeF(100, 100), 10});
        Band footer;
        footer.height = 10;
        footer.cells = {cell("Page [Page#] [Date] [Time]")};
        report.setPageFooter(footer);
        return report;
    }

    static Cell cell(const QString& text)
    {
        Cell c;
        c.rect = QRectF(0, 0, 80, 5);
        c.text = text;
        return c;
    }

    // A section "name" whose heading is 10 mm, rows 10 mm, spacer 5 mm; rows print "name:n".
    static Section section(const QString& name, bool kept, bool newPage, bool repeated)
    {
        Section s;
        s.name = name;
        s.dataSource = name;
        s.heading.height = 10;
        s.heading.cells = {cell(name)};
        s.heading.keptWithRows = kept;
        s.heading.startsNewPage = newPage;
        s.heading.repeatedOnContinuation = repeated;
        s.row.height = 10;
        s.row.cells = {cell('[' + name + ']')};
        s.spacer.height = 5;
        return s;
    }

    // The texts of every page, the footer left out, joined with "|".
    static QStringList pages(BandReport& report)
    {
        report.setVariableResolver([&report](const QString& name) -> std::optional<QString> {
            if (report.rowCount(name) == 0)
                return std::nullopt;
            return name + ':' + QString::number(report.currentRow(name));
        });
        const PagedDocument doc =
            report.prepare(QDateTime(QDate(2026, 12, 8), QTime(14, 5, 9)), QLocale::c(), DocumentInfo{});
        QStringList result;
        for (int p = 0; p < doc.pageCount(); ++p) {
            QStringList texts = doc.pageTexts(p);
            texts.removeIf([](const QString& t) { return t.startsWith("Page "); });
            result << texts.join('|');
        }
        return result;
    }

private slots:
    void pagination_data()
    {
        QTest::addColumn<QList<Section>>("sections");
        QTest::addColumn<QList<int>>("rows");
        QTest::addColumn<QStringList>("expected");

        QTest::addRow("rows run on without the heading")
            << QList{section("A", false, false, false)} << QList{8}
            << QStringList{"A|A:0|A:1|A:2|A:3|A:4|A:5", "A:6|A:7"};
        QTest::addRow("heading repeated above continued rows")
            << QList{section("A", false, false, true)} << QList{13}
            << QStringList{"A|A:0|A:1|A:2|A:3|A:4|A:5", "A|A:6|A:7|A:8|A:9|A:10|A:11", "A|A:12"};
        QTest::addRow("kept section moves whole to a fresh page")
            << QList{section("A", false, false, false), section("B", true, false, false)} << QList{3, 4}
            << QStringList{"A|A:0|A:1|A:2", "B|B:0|B:1|B:2|B:3"};
        QTest::addRow("section not kept starts below the previous one")
            << QList{section("A", false, false, false), section("B", false, false, false)} << QList{3, 4}
            << QStringList{"A|A:0|A:1|A:2|B|B:0", "B:1|B:2|B:3"};
        QTest::addRow("kept section longer than a page stays where it starts")
            << QList{section("A", false, false, false), section("B", true, false, true)} << QList{1, 8}
            << QStringList{"A|A:0|B|B:0|B:1|B:2", "B|B:3|B:4|B:5|B:6|B:7"};
        QTest::addRow("kept heading never left alone at the foot of a page")
            << QList{section("A", false, false, false), section("B", true, false, false)} << QList{5, 8}
            << QStringList{"A|A:0|A:1|A:2|A:3|A:4", "B|B:0|B:1|B:2|B:3|B:4|B:5", "B:6|B:7"};
        QTest::addRow("new page for a section, not for an empty page")
            << QList{section("A", false, true, false), section("B", false, true, false)} << QList{1, 1}
            << QStringList{"A|A:0", "B|B:0"};
        QTest::addRow("empty section keeps its heading")
            << QList{section("A", false, false, false), section("B", false, false, false)} << QList{0, 1}
            << QStringList{"A|B|B:0"};
    }

    void pagination()
    {
        QFETCH(QList<Section>, sections);
        QFETCH(QList<int>, rows);
        QFETCH(QStringList, expected);
        BandReport report = makeReport();
        for (int i = 0; i < sections.size(); ++i) {
            report.addSection(sections.at(i));
            report.setRowCount(sections.at(i).dataSource, rows.at(i));
        }
        QCOMPARE(pages(report), expected);
    }

    void hiddenHeadingHidesItsSection()
    {
        BandReport report = makeReport();
        report.addSection(section("A", false, false, false));
        report.addSection(section("B", true, true, true));
        report.setRowCount("A", 1);
        report.setRowCount("B", 2);
        report.section("B")->heading.hidden = true;
        QCOMPARE(pages(report), QStringList{"A|A:0"});
        QCOMPARE(report.section("missing"), nullptr);
    }

    void titleOnFirstPageAndFooterOnEvery()
    {
        BandReport report = makeReport();
        Band title;
        title.height = 10;
        title.cells = {cell("Title")};
        report.setTitleBand(title);
        report.addSection(section("A", false, false, false));
        report.setRowCount("A", 13);
        const PagedDocument doc =
            report.prepare(QDateTime(QDate(2026, 12, 8), QTime(14, 5, 9)), QLocale::c(), DocumentInfo{});
        QCOMPARE(doc.pageCount(), 3);
        for (int p = 0; p < doc.pageCount(); ++p) {
            const QStringList texts = doc.pageTexts(p);
            QCOMPARE(texts.count("Title"), p == 0 ? 1 : 0);
            QCOMPARE(texts.last(), QString("Page %1 December 08, 2026 14:05:09").arg(p + 1));
        }
        // The footer sits on the bottom margin.
        const PageItem& footer = doc.pages().at(1).items.last();
        QCOMPARE(footer.rect.top(), 80.0);
    }

    void variablesExpandOnce_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("expected");
        QTest::addRow("plain") << "no variables"
                               << "no variables";
        QTest::addRow("known") << "<[X]>"
                               << "<value [Y] of X>";
        QTest::addRow("unknown gives nothing") << "a[Nope]b"
                                               << "ab";
        QTest::addRow("unclosed bracket kept") << "a[X"
                                               << "a[X";
        QTest::addRow("two in a row") << "[X][X]"
                                      << "value [Y] of Xvalue [Y] of X";
        QTest::addRow("page number") << "Page [Page#]"
                                     << "Page 1";
        QTest::addRow("outside the standard fonts") << "\u03a9 [X]"
                                                    << "? value [Y] of X";
    }

    void variablesExpandOnce()
    {
        QFETCH(QString, text);
        QFETCH(QString, expected);
        BandReport report;
        Band title;
        title.height = 5;
        title.cells = {cell(text)};
        report.setTitleBand(title);
        report.setVariableResolver([](const QString& name) -> std::optional<QString> {
            if (name == "X")
                return QStringLiteral("value [Y] of X");
            if (name == "Y")
                return QStringLiteral("WRONG");
            return std::nullopt;
        });
        const PagedDocument doc = report.prepare(QDateTime::currentDateTime(), QLocale::c(), DocumentInfo{});
        QCOMPARE(doc.pageTexts(0), QStringList{expected});
    }

    void dateUsesTheLocalesMonthName()
    {
        BandReport report;
        Band title;
        title.height = 5;
        title.cells = {cell("[Date] [Time]")};
        report.setTitleBand(title);
        const QDateTime at(QDate(2026, 3, 1), QTime(9, 7, 3));
        QCOMPARE(report.prepare(at, QLocale(QLocale::German), DocumentInfo{}).pageTexts(0),
                 QStringList{"M\u00e4rz 01, 2026 09:07:03"});
    }
};

QTEST_GUILESS_MAIN(TestBandReport)
#include "TestBandReport.moc"
