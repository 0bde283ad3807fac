#pragma once

#include <QByteArray>
#include <QString>
#include <QStringView>

#include <cstdint>

// The 8-bit character set of the standard PDF fonts (Windows code page 1252) and the published
// widths of Helvetica and Helvetica-Bold in it. A character the set lacks becomes "?", one per
// character (not per UTF-16 unit), so a report never shows a wrong letter in its place.
namespace WinAnsi {

// The byte for one character, or '?' when the set has none.
std::uint8_t byteFor(char32_t codePoint);
QByteArray encode(QStringView text);
// The same text limited to what the set can show: what every output of a page prints.
QString representable(QStringView text);

// Advance width in thousandths of the font size.
int glyphWidth(std::uint8_t byte, bool bold);
double textWidthPt(const QByteArray& encoded, bool bold, double sizePt);

// Vertical metrics shared by both faces, in thousandths of the font size.
constexpr int kCapHeight = 718;
constexpr int kDescender = -207;

} // namespace WinAnsi
