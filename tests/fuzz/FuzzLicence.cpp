// A site licence is typed or pasted by the technician and becomes a folder name under the
// data root. Whatever text comes in, the filtered licence names one folder directly under
// the root: no separator, no "." or "..", nothing the file system would read as a path.
//
// The input is read both as UTF-16 (pairs of bytes, so every code unit and lone surrogate
// occurs) and as UTF-8 text.
#include "SiteSelection.h"

#include <QDir>
#include <QString>

#include <cstddef>
#include <cstdint>

namespace {

void check(bool ok)
{
    if (!ok)
        __builtin_trap();
}

void checkLicence(const QString& pasted)
{
    const QString licence = filterLicense(pasted);
    for (const QChar c : licence) {
        const char16_t u = c.unicode();
        check((u >= u'0' && u <= u'9') || (u >= u'A' && u <= u'Z') || (u >= u'a' && u <= u'z') || u == u'_');
    }
    if (licence.isEmpty())
        return;
    const QString root = QStringLiteral("/data/Q7UpgradeUtility/Data");
    const QString folder = QDir::cleanPath(root + QLatin1Char('/') + licence);
    check(folder.section(QLatin1Char('/'), 0, -2) == root);
    check(folder.section(QLatin1Char('/'), -1) == licence);
    // Typing the filtered licence again leaves it as it is.
    check(filterLicense(licence) == licence);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    QString utf16;
    for (std::size_t i = 0; i + 1 < size; i += 2)
        utf16.append(QChar(static_cast<char16_t>(data[i] | data[i + 1] << 8)));
    checkLicence(utf16);
    checkLicence(QString::fromUtf8(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size)));
    return 0;
}
