#include "BandReport.h"

#include "WinAnsi.h"

// Places bands one under another and opens pages as they fill up.
class BandReport::Layout
{
public:
    explicit Layout(BandReport& report) : m_report(report)
    {
        const PageSetup& setup = report.m_setup;
        const double footer = report.m_footer ? report.m_footer->height : 0;
        m_bodyHeight = setup.sizeMm.height() - 2 * setup.marginMm - footer;
    }

    bool pageEmpty() const { return m_y == 0; }
    double room() const { return m_bodyHeight - m_y; }
    double bodyHeight() const { return m_bodyHeight; }

    void newPage()
    {
        m_pages.append(Page{});
        m_y = 0;
    }

    // A band goes onto the current page; one taller than a whole page still goes somewhere,
    // clipped, rather than opening pages for ever.
    void place(const Band& band)
    {
        if (m_pages.isEmpty() || (band.height > room() && !pageEmpty()))
            newPage();
        const double margin = m_report.m_setup.marginMm;
        addCells(band, margin, margin + m_y, int(m_pages.size()));
        m_y += band.height;
    }

    void placeFooters()
    {
        if (!m_report.m_footer)
            return;
        const PageSetup& setup = m_report.m_setup;
        const double top = setup.sizeMm.height() - setup.marginMm - m_report.m_footer->height;
        for (int i = 0; i < m_pages.size(); ++i) {
            m_current = i;
            addCells(*m_report.m_footer, setup.marginMm, top, i + 1);
        }
    }

    QList<Page> takePages() { return std::move(m_pages); }

private:
    void addCells(const Band& band, double left, double top, int pageNumber)
    {
        Page& page = m_current >= 0 ? m_pages[m_current] : m_pages.last();
        for (const Cell& cell : band.cells) {
            PageItem item;
            item.rect = cell.rect.translated(left, top);
            item.fill = cell.fill;
            item.frame = cell.frame;
            item.style = cell.style;
            item.image = cell.image;
            item.text = WinAnsi::representable(m_report.expand(cell.text, pageNumber));
            page.items.append(std::move(item));
        }
    }

    BandReport& m_report;
    QList<Page> m_pages;
    double m_y = 0;
    double m_bodyHeight = 0;
    int m_current = -1;
};

Section* BandReport::section(const QString& name)
{
    for (Section& s : m_sections)
        if (s.name == name)
            return &s;
    return nullptr;
}

BandReport::Source* BandReport::source(const QString& name)
{
    for (Source& s : m_sources)
        if (s.name == name)
            return &s;
    return nullptr;
}

const BandReport::Source* BandReport::source(const QString& name) const
{
    return const_cast<BandReport*>(this)->source(name);
}

void BandReport::setRowCount(const QString& name, int count)
{
    Source* s = source(name);
    if (!s) {
        m_sources.append(Source{name, 0, 0});
        s = &m_sources.last();
    }
    s->rowCount = std::max(0, count);
    s->current = 0;
}

int BandReport::rowCount(const QString& name) const
{
    const Source* s = source(name);
    return s ? s->rowCount : 0;
}

int BandReport::currentRow(const QString& name) const
{
    const Source* s = source(name);
    return s ? s->current : 0;
}

QString BandReport::expand(const QString& text, int pageNumber) const
{
    QString out;
    qsizetype at = 0;
    while (at < text.size()) {
        const qsizetype open = text.indexOf(u'[', at);
        const qsizetype close = open < 0 ? -1 : text.indexOf(u']', open + 1);
        if (close < 0) {
            out += text.mid(at);
            break;
        }
        out += text.mid(at, open - at);
        const QString name = text.mid(open + 1, close - open - 1);
        if (name == u"Page#")
            out += QString::number(pageNumber);
        else if (name == u"Date")
            out += m_date;
        else if (name == u"Time")
            out += m_time;
        else if (m_resolve)
            out += m_resolve(name).value_or(QString());
        at = close + 1;
    }
    return out;
}

PagedDocument BandReport::prepare(const QDateTime& now, const QLocale& locale, DocumentInfo info)
{
    m_date = locale.toString(now.date(), QStringLiteral("MMMM dd, yyyy"));
    m_time = now.time().toString(QStringLiteral("hh:mm:ss"));

    Layout layout(*this);
    layout.newPage();
    if (m_title && !m_title->hidden)
        layout.place(*m_title);

    for (const Section& section : m_sections) {
        if (section.heading.hidden)
            continue;
        Source* rows = source(section.dataSource);
        const int count = rows ? rows->rowCount : 0;
        const Band& heading = section.heading;

        if (heading.startsNewPage && !layout.pageEmpty())
            layout.newPage();
        const double firstRow = count > 0 ? section.row.height : 0;
        if (heading.keptWithRows && !layout.pageEmpty()) {
            const double whole = heading.height + count * section.row.height;
            if (whole > layout.room() &&
                (whole <= layout.bodyHeight() || heading.height + firstRow > layout.room()))
                layout.newPage();
        }
        layout.place(heading);

        for (int row = 0; row < count; ++row) {
            rows->current = row;
            if (section.row.height > layout.room()) {
                layout.newPage();
                if (heading.repeatedOnContinuation)
                    layout.place(heading);
            }
            layout.place(section.row);
        }
        // Space after a section means nothing at the foot of a page.
        if (section.spacer.height <= layout.room())
            layout.place(section.spacer);
    }
    layout.placeFooters();
    info.creationDate = now;
    return PagedDocument(m_setup.sizeMm, layout.takePages(), std::move(info));
}
