#include "IniProfile.h"

#include "WholeFile.h"

#include <QFile>
#include <QFileInfo>

namespace {

const QByteArray kCrLf = QByteArrayLiteral("\r\n");

bool sameName(const QString& a, const QString& b)
{
    return a.compare(b, Qt::CaseInsensitive) == 0;
}

bool isBlank(const QByteArray& text)
{
    return text.trimmed().isEmpty();
}

// A last line may end in nothing or in a lone CR; a line put after it would be read back as
// part of it.
bool endsLine(const QByteArray& eol)
{
    return eol.endsWith('\n');
}

} // namespace

IniProfile::IniProfile(QString path) : m_path(std::move(path)) {}

IniProfile::Load IniProfile::load(QList<Line>& lines) const
{
    lines.clear();
    const QFileInfo info(m_path);
    if (!info.exists())
        return Load::Missing;
    QFile file(m_path);
    if (info.isDir() || !file.open(QIODevice::ReadOnly))
        return Load::Unreadable;
    const QByteArray content = file.readAll();
    if (file.error() != QFileDevice::NoError)
        return Load::Unreadable;

    qsizetype start = 0;
    while (start < content.size()) {
        const qsizetype newline = content.indexOf('\n', start);
        Line line;
        if (newline < 0) {
            line.text = content.mid(start);
            start = content.size();
        } else {
            line.text = content.mid(start, newline - start);
            line.eol = "\n";
            start = newline + 1;
        }
        if (line.text.endsWith('\r')) {
            line.text.chop(1);
            line.eol.prepend('\r');
        }
        lines.append(line);
    }
    return Load::Ok;
}

std::optional<QString> IniProfile::sectionName(const QByteArray& text)
{
    const QByteArray trimmed = text.trimmed();
    if (!trimmed.startsWith('['))
        return std::nullopt;
    const qsizetype close = trimmed.indexOf(']');
    const QByteArray name = close < 0 ? trimmed.mid(1) : trimmed.mid(1, close - 1);
    return QString::fromLocal8Bit(name.trimmed());
}

std::optional<QString> IniProfile::keyName(const QByteArray& text)
{
    const QByteArray trimmed = text.trimmed();
    if (trimmed.isEmpty() || trimmed.startsWith(';') || trimmed.startsWith('['))
        return std::nullopt;
    const qsizetype equals = trimmed.indexOf('=');
    if (equals < 0)
        return std::nullopt;
    return QString::fromLocal8Bit(trimmed.left(equals).trimmed());
}

qsizetype IniProfile::findSection(const QList<Line>& lines, const QString& section)
{
    for (qsizetype i = 0; i < lines.size(); ++i) {
        const auto name = sectionName(lines[i].text);
        if (name && sameName(*name, section))
            return i;
    }
    return -1;
}

std::optional<QString> IniProfile::readString(const QString& section, const QString& key) const
{
    QList<Line> lines;
    if (load(lines) != Load::Ok)
        return std::nullopt;
    const qsizetype header = findSection(lines, section);
    if (header < 0)
        return std::nullopt;
    for (qsizetype i = header + 1; i < lines.size() && !sectionName(lines[i].text); ++i) {
        const auto name = keyName(lines[i].text);
        if (!name || !sameName(*name, key))
            continue;
        const QByteArray& text = lines[i].text;
        QByteArray value = text.mid(text.indexOf('=') + 1).trimmed();
        if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
            value.back() == value.front())
            value = value.mid(1, value.size() - 2);
        return QString::fromLocal8Bit(value);
    }
    return std::nullopt;
}

int IniProfile::readInteger(const QString& section, const QString& key, int defaultValue) const
{
    const auto text = readString(section, key);
    if (!text)
        return defaultValue;
    bool ok = false;
    const int value = text->toInt(&ok, 10);
    return ok ? value : defaultValue;
}

bool IniProfile::readBool(const QString& section, const QString& key, bool defaultValue) const
{
    return readInteger(section, key, defaultValue ? 1 : 0) != 0;
}

bool IniProfile::writeString(const QString& section, const QString& key, const QString& value)
{
    QList<Line> lines;
    if (load(lines) == Load::Unreadable)
        return false;

    // A value is one line; a line break inside it would forge further keys.
    QByteArray encodedValue = value.toLocal8Bit();
    encodedValue.replace('\r', ' ').replace('\n', ' ');

    const qsizetype header = findSection(lines, section);
    if (header < 0) {
        if (!lines.isEmpty() && !endsLine(lines.back().eol))
            lines.back().eol = kCrLf;
        if (!lines.isEmpty() && !isBlank(lines.back().text))
            lines.append({QByteArray(), kCrLf});
        lines.append({'[' + section.toLocal8Bit() + ']', kCrLf});
        lines.append({key.toLocal8Bit() + '=' + encodedValue, kCrLf});
    } else {
        qsizetype lastContent = header;
        bool updated = false;
        for (qsizetype i = header + 1; i < lines.size() && !sectionName(lines[i].text); ++i) {
            const auto name = keyName(lines[i].text);
            if (name && sameName(*name, key)) {
                // The key keeps the spelling it has in the file.
                lines[i].text = name->toLocal8Bit() + '=' + encodedValue;
                updated = true;
                break;
            }
            if (!isBlank(lines[i].text))
                lastContent = i;
        }
        if (!updated) {
            if (!endsLine(lines[lastContent].eol))
                lines[lastContent].eol = kCrLf;
            lines.insert(lastContent + 1, {key.toLocal8Bit() + '=' + encodedValue, kCrLf});
        }
    }

    QByteArray content;
    for (const Line& line : lines)
        content += line.text + line.eol;
    return writeWholeFile(m_path, content).ok;
}

bool IniProfile::writeBool(const QString& section, const QString& key, bool value)
{
    return writeString(section, key, value ? QStringLiteral("1") : QStringLiteral("0"));
}
