#pragma once

#include <QString>
#include <QStringList>

// The independent PDF tools (qpdf, poppler) that the report tests check files with.
namespace PdfTools {

struct Run
{
    int exitCode = -1;
    QString out;
    QString err;
};

// Runs a tool with an argument list (no shell); a tool that cannot start gives exit code -1.
Run run(const QString& program, const QStringList& arguments);
// The text of each page as "pdftotext -layout" lays it out.
QStringList pageTexts(const QString& pdf);

} // namespace PdfTools
