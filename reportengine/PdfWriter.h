#pragma once

#include "PagedDocument.h"

#include <QByteArray>
#include <QString>

// Writes a prepared document as PDF 1.4: Flate-compressed page contents, the standard
// Helvetica faces in WinAnsi encoding (nothing embedded), pictures as DCT at quality 95, an
// Info dictionary, no encryption and no outline. The same document gives the same bytes.
class PdfWriter
{
public:
    static constexpr int kJpegQuality = 95;

    static QByteArray toPdf(const PagedDocument& document);

    struct Result
    {
        bool ok = false;
        QString error; // why the file could not be written, for the technician
    };
    // Whole or not at all: the file appears complete or not at all, and an earlier file of
    // that name is replaced only by a complete one.
    static Result writeFile(const PagedDocument& document, const QString& path);

    // A literal PDF string of 8-bit text: parentheses and backslashes escaped, and every
    // byte outside printable ASCII written in octal so no reader can reinterpret it.
    static QByteArray literalString(const QByteArray& bytes);
    // A text string for the Info dictionary: plain ASCII as a literal, anything else as
    // UTF-16 with a byte-order mark, which every reader shows as written.
    static QByteArray textString(const QString& text);
    // "D:YYYYMMDDHHmmSS+HH'mm'"
    static QByteArray dateString(const QDateTime& at);
};
