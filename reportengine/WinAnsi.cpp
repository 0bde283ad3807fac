#include "WinAnsi.h"

#include <QList>

#include <array>

namespace WinAnsi {
namespace {

// clang-format off
// Code page 1252 between 0x80 and 0x9F; zero marks the five codes it leaves undefined.
constexpr std::array<char16_t, 32> kHighControls{
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0,      0x017D, 0,
    0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178,
};

// Widths from the fonts' metrics files, codes 0x20 to 0xFF.
constexpr std::array<std::uint16_t, 224> kHelveticaWidths{
    278, 278, 355, 556, 556, 889, 667, 191, 333, 333, 389, 584, 278, 333, 278, 278,
    556, 556, 556, 556, 556, 556, 556, 556, 556, 556, 278, 278, 584, 584, 584, 556,
    1015, 667, 667, 722, 722, 667, 611, 778, 722, 278, 500, 667, 556, 833, 722, 778,
    667, 778, 722, 667, 611, 722, 667, 944, 667, 667, 611, 278, 278, 278, 469, 556,
    333, 556, 556, 500, 556, 556, 278, 556, 556, 222, 222, 500, 222, 833, 556, 556,
    556, 556, 333, 500, 278, 556, 500, 722, 500, 500, 500, 334, 260, 334, 584, 0,
    556, 0, 222, 556, 333, 1000, 556, 556, 333, 1000, 667, 333, 1000, 0, 611, 0,
    0, 222, 222, 333, 333, 350, 556, 1000, 333, 1000, 500, 333, 944, 0, 500, 667,
    278, 333, 556, 556, 556, 556, 260, 556, 333, 737, 370, 556, 584, 333, 737, 333,
    400, 584, 333, 333, 333, 556, 537, 278, 333, 333, 365, 556, 834, 834, 834, 611,
    667, 667, 667, 667, 667, 667, 1000, 722, 667, 667, 667, 667, 278, 278, 278, 278,
    722, 722, 778, 778, 778, 778, 778, 584, 778, 722, 722, 722, 722, 667, 667, 611,
    556, 556, 556, 556, 556, 556, 889, 500, 556, 556, 556, 556, 278, 278, 278, 278,
    556, 556, 556, 556, 556, 556, 556, 584, 611, 556, 556, 556, 556, 500, 556, 500,
};
constexpr std::array<std::uint16_t, 224> kHelveticaBoldWidths{
    278, 333, 474, 556, 556, 889, 722, 238, 333, 333, 389, 584, 278, 333, 278, 278,
    556, 556, 556, 556, 556, 556, 556, 556, 556, 556, 333, 333, 584, 584, 584, 611,
    975, 722, 722, 722, 722, 667, 611, 778, 722, 278, 556, 722, 611, 833, 722, 778,
    667, 778, 722, 667, 611, 722, 667, 944, 667, 667, 611, 333, 278, 333, 584, 556,
    333, 556, 611, 556, 611, 556, 333, 611, 611, 278, 278, 556, 278, 889, 611, 611,
    611, 611, 389, 556, 333, 611, 556, 778, 556, 556, 500, 389, 280, 389, 584, 0,
    556, 0, 278, 556, 500, 1000, 556, 556, 333, 1000, 667, 333, 1000, 0, 611, 0,
    0, 278, 278, 500, 500, 350, 556, 1000, 333, 1000, 556, 333, 944, 0, 500, 667,
    278, 333, 556, 556, 556, 556, 280, 556, 333, 737, 370, 556, 584, 333, 737, 333,
    400, 584, 333, 333, 333, 611, 556, 278, 333, 333, 365, 556, 834, 834, 834, 611,
    722, 722, 722, 722, 722, 722, 1000, 722, 667, 667, 667, 667, 278, 278, 278, 278,
    722, 722, 778, 778, 778, 778, 778, 584, 778, 722, 722, 722, 722, 667, 667, 611,
    556, 556, 556, 556, 556, 556, 889, 556, 556, 556, 556, 556, 278, 278, 278, 278,
    611, 611, 611, 611, 611, 611, 611, 584, 611, 611, 611, 611, 611, 556, 611, 556,
};
// clang-format on

} // namespace

std::uint8_t byteFor(char32_t codePoint)
{
    // The totals labels of the site report carry a tab between the name and "="; a cell has
    // no tab stops, so it prints as the blank it stands for rather than as a strange "?".
    if (codePoint == U'\t')
        return ' ';
    if (codePoint >= 0x20 && codePoint <= 0x7E)
        return std::uint8_t(codePoint);
    if (codePoint >= 0xA0 && codePoint <= 0xFF)
        return std::uint8_t(codePoint);
    for (std::size_t i = 0; i < kHighControls.size(); ++i)
        if (kHighControls[i] != 0 && kHighControls[i] == codePoint)
            return std::uint8_t(0x80 + i);
    return '?';
}

QByteArray encode(QStringView text)
{
    QByteArray bytes;
    bytes.reserve(text.size());
    for (char32_t c : text.toUcs4())
        bytes.append(char(byteFor(c)));
    return bytes;
}

QString representable(QStringView text)
{
    QString shown;
    shown.reserve(text.size());
    for (char32_t c : text.toUcs4()) {
        const std::uint8_t byte = byteFor(c);
        shown.append(byte == '?' || byte == ' ' ? QChar(char16_t(byte)) : QChar(char16_t(c)));
    }
    return shown;
}

int glyphWidth(std::uint8_t byte, bool bold)
{
    if (byte < 0x20)
        return 0;
    return bold ? kHelveticaBoldWidths[byte - 0x20] : kHelveticaWidths[byte - 0x20];
}

double textWidthPt(const QByteArray& encoded, bool bold, double sizePt)
{
    long units = 0;
    for (char c : encoded)
        units += glyphWidth(std::uint8_t(c), bold);
    return double(units) * sizePt / 1000.0;
}

} // namespace WinAnsi
