#pragma once

#include "PagedDocument.h"

#include <QDateTime>
#include <QList>
#include <QLocale>
#include <QString>

#include <functional>
#include <optional>

// A box of a band. Its text may name variables in square brackets ("[ReportTitle]"); each is
// replaced by its value while the band is printed, in one pass, so a value that itself holds
// brackets prints as it stands. The engine answers three names itself: "[Page#]" (the page
// number), "[Date]" (the long month name, "mmmm dd, yyyy") and "[Time]" ("hh:mm:ss").
struct Cell
{
    QRectF rect; // millimetres from the band's top-left corner
    QString text;
    TextStyle style;
    std::optional<QColor> fill;
    FrameSides frame = 0;
    std::shared_ptr<const RasterImage> image;
};

struct Band
{
    double height = 0; // millimetres
    QList<Cell> cells;
    // Printed at the top of a fresh page, unless the page is still empty.
    bool startsNewPage = false;
    // A section heading printed again above its rows on every page they continue onto.
    bool repeatedOnContinuation = false;
    // A section heading moved to a fresh page with its rows when they would not fit below it
    // but fit on a page of their own; a heading is never left alone at the foot of a page.
    bool keptWithRows = false;
    // A hidden section heading hides its whole section.
    bool hidden = false;
};

// A heading, one row band printed once per row of a data source, and a spacer after them.
struct Section
{
    QString name;
    Band heading;
    QString dataSource;
    Band row;
    Band spacer;
};

struct PageSetup
{
    QSizeF sizeMm{210, 297}; // A4 portrait
    double marginMm = 10;
};

// A band report: a title band on the first page, sections in order, a footer on every page.
// prepare() lays out the whole document in memory before anything is written or shown.
class BandReport
{
public:
    // Answers a variable named in a cell, without the brackets; nothing for names it does not
    // know. While a row band prints, currentRow() of its source gives the row.
    using VariableResolver = std::function<std::optional<QString>(const QString& name)>;

    void setPageSetup(const PageSetup& setup) { m_setup = setup; }
    const PageSetup& pageSetup() const { return m_setup; }
    void setTitleBand(Band band) { m_title = std::move(band); }
    void setPageFooter(Band band) { m_footer = std::move(band); }
    void addSection(Section section) { m_sections.append(std::move(section)); }
    // The named section, for hiding it before printing; nullptr if there is none.
    Section* section(const QString& name);

    // A data source: its row count, and the row being printed (0 for the first).
    void setRowCount(const QString& source, int count);
    int rowCount(const QString& source) const;
    int currentRow(const QString& source) const;

    void setVariableResolver(VariableResolver resolver) { m_resolve = std::move(resolver); }

    // Lays out every page. The date-time fills the footer's date and time; the locale names
    // the month.
    PagedDocument prepare(const QDateTime& now, const QLocale& locale, DocumentInfo info);

private:
    struct Source
    {
        QString name;
        int rowCount = 0;
        int current = 0;
    };
    class Layout;
    friend class Layout;

    Source* source(const QString& name);
    const Source* source(const QString& name) const;
    QString expand(const QString& text, int pageNumber) const;

    PageSetup m_setup;
    std::optional<Band> m_title;
    std::optional<Band> m_footer;
    QList<Section> m_sections;
    QList<Source> m_sources;
    VariableResolver m_resolve;
    QString m_date;
    QString m_time;
};
