#pragma once

#include "ToolRun.h"

#include <QString>
#include <QStringList>

// The independent PDF tools (qpdf, poppler) that the report tests check files with.
namespace PdfTools {

// The text of each page as "pdftotext -layout" lays it out.
QStringList pageTexts(const QString& pdf);

} // namespace PdfTools
