#include "PagePainter.h"

#include "WinAnsi.h"

#include <QFont>
#include <QImage>
#include <QPaintDevice>
#include <QPainter>
#include <QPen>

namespace PagePainter {
namespace {

constexpr double kPtPerMm = 72.0 / 25.4;

QImage toQImage(const RasterImage& image)
{
    const QImage::Format format = image.components == 1 ? QImage::Format_Grayscale8 : QImage::Format_RGB888;
    return QImage(image.pixels.data(), image.width, image.height, image.width * image.components, format)
        .copy();
}

// A font whose size, after the painter's scale to points, is sizePt: QFont converts points
// to pixels with the device's resolution before the transformation applies.
QFont fontFor(const TextStyle& style, const QPaintDevice* device)
{
    // Faces with Helvetica's widths, so the preview breaks nothing the PDF does not.
    QFont font;
    font.setFamilies(
        {QStringLiteral("Liberation Sans"), QStringLiteral("Arial"), QStringLiteral("Helvetica")});
    font.setStyleHint(QFont::SansSerif);
    font.setBold(style.bold);
    const double dpi = device ? device->logicalDpiY() : 96.0;
    font.setPointSizeF(style.sizePt * 72.0 / dpi);
    font.setKerning(false);
    return font;
}

} // namespace

void paint(QPainter& painter, const PagedDocument& document, int page, const QRectF& target)
{
    if (page < 0 || page >= document.pageCount())
        return;
    const QSizeF sheet = document.pageSizeMm() * kPtPerMm;
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::TextAntialiasing);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.translate(target.topLeft());
    painter.scale(target.width() / sheet.width(), target.height() / sheet.height());
    painter.fillRect(QRectF(QPointF(0, 0), sheet), Qt::white);

    for (const PageItem& item : document.pages().at(page).items) {
        const QRectF box(item.rect.topLeft() * kPtPerMm, item.rect.size() * kPtPerMm);
        if (item.fill)
            painter.fillRect(box, *item.fill);
        if (item.image && item.image->isValid()) {
            const QImage image = toQImage(*item.image);
            const QSizeF size = QSizeF(image.size()).scaled(box.size(), Qt::KeepAspectRatio);
            painter.drawImage(QRectF(box.center() - QPointF(size.width() / 2, size.height() / 2), size),
                              image);
        }
        if (!item.text.isEmpty()) {
            const TextStyle& style = item.style;
            const double width = WinAnsi::textWidthPt(WinAnsi::encode(item.text), style.bold, style.sizePt);
            const double padding = PageItem::kTextPaddingMm * kPtPerMm;
            double left = box.left() + padding;
            if (style.alignment & Qt::AlignRight)
                left = box.right() - padding - width;
            else if (style.alignment & Qt::AlignHCenter)
                left = box.left() + (box.width() - width) / 2;
            const double baseline =
                box.bottom() - (box.height() - WinAnsi::kCapHeight * style.sizePt / 1000.0) / 2;
            painter.save();
            painter.setClipRect(box, Qt::IntersectClip);
            painter.setFont(fontFor(style, painter.device()));
            painter.setPen(Qt::black);
            painter.drawText(QPointF(left, baseline), item.text);
            painter.restore();
        }
        if (item.frame) {
            painter.setPen(QPen(Qt::black, PageItem::kFrameWidthMm * kPtPerMm));
            if (hasSide(item.frame, FrameSide::Left))
                painter.drawLine(box.topLeft(), box.bottomLeft());
            if (hasSide(item.frame, FrameSide::Top))
                painter.drawLine(box.topLeft(), box.topRight());
            if (hasSide(item.frame, FrameSide::Right))
                painter.drawLine(box.topRight(), box.bottomRight());
            if (hasSide(item.frame, FrameSide::Bottom))
                painter.drawLine(box.bottomLeft(), box.bottomRight());
        }
    }
    painter.restore();
}

} // namespace PagePainter
