#include "PdfTools.h"

namespace PdfTools {

QStringList pageTexts(const QString& pdf)
{
    QStringList pages = runTool("pdftotext", {"-layout", "-enc", "UTF-8", pdf, "-"}).out.split(u'\f');
    if (!pages.isEmpty() && pages.last().trimmed().isEmpty())
        pages.removeLast();
    return pages;
}

} // namespace PdfTools
