#pragma once

#include <QColor>
#include <QDateTime>
#include <QList>
#include <QRectF>
#include <QSizeF>
#include <QString>

#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

// Decoded pixels of a picture: 8 bits per component, rows top to bottom without padding.
// One or three components (grey or RGB), the two colour spaces a PDF can show without a
// colour profile.
struct RasterImage
{
    int width = 0;
    int height = 0;
    int components = 3;
    std::vector<std::uint8_t> pixels;

    bool isValid() const
    {
        return width > 0 && height > 0 && (components == 1 || components == 3) &&
               pixels.size() == std::size_t(width) * std::size_t(height) * std::size_t(components);
    }
};

// The two faces every output can show without embedding anything: Helvetica and
// Helvetica-Bold, measured with their published widths.
struct TextStyle
{
    bool bold = false;
    double sizePt = 9.75;
    Qt::Alignment alignment = Qt::AlignLeft;
};

enum class FrameSide : std::uint8_t
{
    None = 0,
    Left = 1,
    Top = 2,
    Right = 4,
    Bottom = 8,
    All = 15
};
using FrameSides = std::uint8_t;
constexpr FrameSides operator|(FrameSide a, FrameSide b)
{
    return FrameSides(a) | FrameSides(b);
}
constexpr bool hasSide(FrameSides sides, FrameSide side)
{
    return (sides & FrameSides(side)) != 0;
}

// One laid-out box of a page. Drawn in this order: fill, picture, text, frame. Text is a single
// line clipped to the box; it holds only characters the standard fonts can show, so every
// output prints the same letters.
struct PageItem
{
    QRectF rect; // millimetres from the page's top-left corner
    std::optional<QColor> fill;
    FrameSides frame = 0;
    QString text;
    TextStyle style;
    std::shared_ptr<const RasterImage> image; // drawn centred, keeping its aspect ratio

    static constexpr double kFrameWidthMm = 25.4 / 96.0; // one pixel at 96 dpi
    static constexpr double kTextPaddingMm = 2 * 25.4 / 96.0;
};

struct Page
{
    QList<PageItem> items;
};

struct DocumentInfo
{
    QString title;
    QString author;
    QString producer;
    QDateTime creationDate;
};

// Every page of a report, laid out and ready to write, paint or print. It owns no device and
// can be written and shown as often as needed.
class PagedDocument
{
public:
    PagedDocument() = default;
    PagedDocument(QSizeF pageSizeMm, QList<Page> pages, DocumentInfo info);

    QSizeF pageSizeMm() const { return m_pageSizeMm; }
    const QList<Page>& pages() const { return m_pages; }
    int pageCount() const { return int(m_pages.size()); }
    const DocumentInfo& info() const { return m_info; }

    // The texts of one page in drawing order, for a reader that does not care where they are.
    QStringList pageTexts(int page) const;

private:
    QSizeF m_pageSizeMm{210, 297};
    QList<Page> m_pages;
    DocumentInfo m_info;
};
