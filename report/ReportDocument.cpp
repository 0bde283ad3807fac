#include "ReportDocument.h"

#include "Clock.h"
#include "JpegCodec.h"
#include "ReportOperator.h"
#include "PdfWriter.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <array>

// The logo lives in a static library, whose resources the linker keeps only when asked to.
static void initReportResources()
{
    Q_INIT_RESOURCE(report);
}

namespace {

// Arial 13 px and 15 px at 96 pixels per inch.
constexpr double kRowPt = 9.75;
constexpr double kTitlePt = 11.25;
constexpr double kBandWidth = 190;
const QColor kHeadingGrey(204, 204, 204);

enum class Split
{
    Left,
    Right,
    Whole
};

struct Binding
{
    const char* section;  // the heading's text
    const char* source;   // the data source
    const char* variable; // the variable stem; "1" and "2" name the halves
    QStringList ReportContent::*rows;
    double leftWidth;  // 0: one cell across the band
    bool headingInset; // heading cell 1 mm below the band's top
    bool keptWithRows;
    bool startsNewPage; // and repeated on the pages the rows run onto
};

const std::array<Binding, 7> kSections{{
    {"Information", "InfoDS", "siteInfo", &ReportContent::information, 60, true, true, false},
    {"Totals (Mega Litres)", "TotalsDS", "Totals", &ReportContent::totals, 60, false, true, false},
    {"Diagnostics", "DiagnosticDS", "Diagnostic", &ReportContent::diagnostics, 60, false, false, false},
    {"Configuration", "ConfigDS", "Configuration", &ReportContent::configuration, 60, false, true, true},
    {"Calibration", "CalDS", "Calibration", &ReportContent::calibration, 60, false, true, true},
    {"HW Calibration", "BasicCalDS", "BasicCalibration", &ReportContent::basicCalibration, 70, false, true,
     true},
    {"Comments", "MemoDS", "MemoLines", &ReportContent::comments, 0, false, true, true},
}};

Cell textCell(QRectF rect, QString text, bool bold = false, double sizePt = kRowPt)
{
    Cell cell;
    cell.rect = rect;
    cell.text = std::move(text);
    cell.style.bold = bold;
    cell.style.sizePt = sizePt;
    cell.frame = FrameSides(FrameSide::All);
    return cell;
}

std::shared_ptr<const RasterImage> logo()
{
    static const std::shared_ptr<const RasterImage> image = [] {
        initReportResources();
        QFile file(QStringLiteral(":/report/Q7Logo.jpg"));
        std::optional<RasterImage> decoded;
        if (file.open(QIODevice::ReadOnly))
            decoded = JpegCodec::decode(file.readAll());
        return decoded ? std::make_shared<const RasterImage>(std::move(*decoded)) : nullptr;
    }();
    return image;
}

QString half(const QString& row, Split split)
{
    const qsizetype equals = row.indexOf(u'=');
    switch (split) {
    case Split::Left:
        return equals < 0 ? QString() : row.left(equals);
    case Split::Right:
        return equals < 0 ? row : row.mid(equals + 1);
    case Split::Whole:
        break;
    }
    return row;
}

} // namespace

ReportDocument::ReportDocument(ReportContent content) : m_content(std::move(content))
{
    buildTemplate();
}

void ReportDocument::buildTemplate()
{
    Band title;
    title.height = 14;
    Cell frame;
    frame.rect = QRectF(0, 0, kBandWidth, 10);
    frame.frame = FrameSides(FrameSide::All);
    Cell picture;
    picture.rect = QRectF(0, 0, 31.2, 10);
    picture.image = logo();
    picture.frame = FrameSides(FrameSide::All);
    Cell heading = textCell(QRectF(40, 3, 150, 5), QStringLiteral("[ReportTitle]"), true, kTitlePt);
    heading.fill = QColor(Qt::white);
    heading.frame = 0;
    // The frame last, so the title's white ground does not cover its right edge.
    title.cells = {heading, picture, frame};
    m_report.setTitleBand(title);

    for (const Binding& b : kSections) {
        Section section;
        section.name = QString::fromLatin1(b.section);
        section.dataSource = QString::fromLatin1(b.source);
        section.heading.height = 8;
        Cell cell = textCell(QRectF(0, b.headingInset ? 1 : 0, kBandWidth, 5), section.name, true);
        cell.fill = kHeadingGrey;
        section.heading.cells = {cell};
        section.heading.keptWithRows = b.keptWithRows;
        section.heading.startsNewPage = b.startsNewPage;
        section.heading.repeatedOnContinuation = b.startsNewPage;

        section.row.height = 5;
        const QString stem = QString::fromLatin1(b.variable);
        if (b.leftWidth > 0)
            section.row.cells = {
                textCell(QRectF(0, 0, b.leftWidth, 5), '[' + stem + "1]"),
                textCell(QRectF(b.leftWidth, 0, kBandWidth - b.leftWidth, 5), '[' + stem + "2]")};
        else
            section.row.cells = {textCell(QRectF(0, 0, kBandWidth, 5), '[' + stem + ']')};
        section.spacer.height = 6;
        m_report.addSection(section);
    }

    Band footer;
    footer.height = 6;
    Cell line;
    line.rect = QRectF(0, 0, kBandWidth, 0);
    line.frame = FrameSides(FrameSide::Top);
    Cell time = textCell(QRectF(0, 0.5, 15, 5), QStringLiteral("[Time]"));
    Cell date = textCell(QRectF(16, 0.5, 41, 5), QStringLiteral("[Date]"));
    Cell page = textCell(QRectF(151, 0.5, 39, 5), QStringLiteral("Page [Page#]"));
    time.frame = date.frame = page.frame = 0;
    page.style.alignment = Qt::AlignRight;
    footer.cells = {line, time, date, page};
    m_report.setPageFooter(footer);

    m_report.setVariableResolver([this](const QString& name) { return variable(name); });
}

QString ReportDocument::reportTitle() const
{
    QString text;
    if (!m_content.siteLicence.isEmpty())
        text = m_content.siteLicence + ' ';
    return text + m_content.title + QStringLiteral(" MeterSN ") + QString::number(m_content.meterId);
}

std::optional<QString> ReportDocument::variable(const QString& name) const
{
    if (name.compare(u"ReportTitle", Qt::CaseInsensitive) == 0)
        return reportTitle();
    for (const Binding& b : kSections) {
        const QString stem = QString::fromLatin1(b.variable);
        if (!name.startsWith(stem, Qt::CaseInsensitive))
            continue;
        const QString suffix = name.mid(stem.size());
        Split split;
        if (b.leftWidth == 0 && suffix.isEmpty())
            split = Split::Whole;
        else if (b.leftWidth > 0 && suffix == u"1")
            split = Split::Left;
        else if (b.leftWidth > 0 && suffix == u"2")
            split = Split::Right;
        else
            continue;
        const QStringList& rows = m_content.*(b.rows);
        const int row = m_report.currentRow(QString::fromLatin1(b.source));
        if (row < 0 || row >= rows.size())
            return QString();
        return half(rows.at(row), split);
    }
    return std::nullopt;
}

PagedDocument ReportDocument::prepare(const QDateTime& now, const QLocale& locale)
{
    // An empty comments list leaves out the whole Comments section.
    if (Section* comments = m_report.section(QStringLiteral("Comments")))
        comments->heading.hidden = m_content.comments.isEmpty();
    for (const Binding& b : kSections)
        m_report.setRowCount(QString::fromLatin1(b.source), int((m_content.*(b.rows)).size()));
    return m_report.prepare(
        now, locale,
        DocumentInfo{reportTitle(), m_content.operatorName, QStringLiteral("Q7 Upgrade Utility"), now});
}

QString ReportDocument::fileName(const QString& title, const QString& licence, const QDateTime& at,
                                 const QLocale& locale)
{
    const QDate date = at.date();
    const QTime time = at.time();
    auto two = [](int n) { return QString::number(n).rightJustified(2, u'0'); };
    QString name = title + '_' + licence + '_' + two(date.day()) + '_' +
                   locale.monthName(date.month(), QLocale::ShortFormat) + '_' + QString::number(date.year()) +
                   ' ' + two(time.hour()) + '_' + two(time.minute()) + '_' + two(time.second()) +
                   QStringLiteral(".pdf");
    // A licence or title holding a separator must not place the report outside its folder.
    name.replace(u'/', u'_');
    name.replace(u'\\', u'_');
    return name;
}

std::optional<QString> ReportDocument::produce(const QString& outputFolder, bool show, Clock& clock,
                                               ReportOperator& op, const QLocale& locale)
{
    clock.processEvents();
    const QDateTime now = clock.currentDateTime();
    const PagedDocument document = prepare(now, locale);
    const QString path =
        QDir(outputFolder).filePath(fileName(m_content.title, m_content.siteLicence, now, locale));

    const PdfWriter::Result written = PdfWriter::writeFile(document, path);
    if (!written.ok) {
        const QString reason =
            QFileInfo(outputFolder).isDir()
                ? QStringLiteral("Check that the file is not open in another program and that the folder can "
                                 "be written to.\n(%1)")
                      .arg(written.error)
                : QStringLiteral("The folder does not exist.");
        op.message(QStringLiteral("The report could not be saved as\n%1\n\n%2")
                       .arg(QDir::toNativeSeparators(path), reason),
                   QStringLiteral("Report not saved"));
        return std::nullopt;
    }
    if (show)
        op.showPreview(document, reportTitle());
    return path;
}
