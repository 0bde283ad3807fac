#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

#include <optional>

// An INI file read and written one key at a time, the way the Windows profile functions do it:
// section and key names match without regard to letter case, a key that exists is updated
// where it stands, a new key is appended to the end of its section (and a new section to the
// end of the file), the file is created by the first write, and every other line, comment and
// line ending is kept as it was. Text is the locale's 8-bit encoding; new lines end in CR LF.
//
// Each write replaces the whole file at once, so an interrupted write leaves the previous
// file, never half of one.
class IniProfile
{
public:
    explicit IniProfile(QString path);

    QString path() const { return m_path; }

    // The value with surrounding blanks and one pair of enclosing quotes removed; nullopt when
    // the file, the section or the key is missing, or the file cannot be read.
    std::optional<QString> readString(const QString& section, const QString& key) const;
    // The value read as a decimal integer; the default when it is missing or not an integer.
    int readInteger(const QString& section, const QString& key, int defaultValue) const;
    // Any integer other than 0 is true.
    bool readBool(const QString& section, const QString& key, bool defaultValue) const;

    // False when the file exists but cannot be read (it is then left alone rather than
    // replaced by a file holding only this key) or when it cannot be written.
    bool writeString(const QString& section, const QString& key, const QString& value);
    // Stored as "1" or "0".
    bool writeBool(const QString& section, const QString& key, bool value);

private:
    struct Line
    {
        QByteArray text; // without its line ending
        QByteArray eol;  // "\r\n", "\n" or empty for a last line without one
    };
    enum class Load
    {
        Ok,
        Missing,
        Unreadable
    };

    Load load(QList<Line>& lines) const;
    static std::optional<QString> sectionName(const QByteArray& text);
    static std::optional<QString> keyName(const QByteArray& text);
    // Index of the section's header line, or -1.
    static qsizetype findSection(const QList<Line>& lines, const QString& section);

    QString m_path;
};
