#pragma once

#include "PagedDocument.h"

class QPainter;
class QRectF;

// Paints a page of the model with QPainter, for the preview and the printer. Positions and
// text placement follow the PDF writer's arithmetic (the fonts' published widths), so what
// the technician sees on screen is what the file holds.
namespace PagePainter {

// Paints the page into target (the whole sheet, in the painter's coordinates).
void paint(QPainter& painter, const PagedDocument& document, int page, const QRectF& target);

} // namespace PagePainter
