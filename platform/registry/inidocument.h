#pragma once

#include <QByteArray>
#include <QString>

#include <optional>
#include <vector>

// An INI file read the way the Win32 profile functions read it: "[section]" lines, "key=value"
// lines with blanks around key and value ignored and one pair of enclosing quotes taken off the
// value, sections and keys found without regard to letter case (the first occurrence counts),
// ';' and '#' lines as comments. Changes rewrite only the lines they touch, so the rest of the
// file, its encoding (UTF-8, or UTF-16 with a byte-order mark) and its line ends stay as they
// were.
class IniDocument
{
public:
    // A larger file is treated as holding nothing and is never rewritten.
    static constexpr qsizetype MaxFileSize = 4 * 1024 * 1024;

    static IniDocument parse(QByteArrayView bytes);

    std::optional<QString> value(QStringView section, QStringView key) const;
    // Replaces the value of the first matching key (keeping its spelling), adds the key at the
    // end of the section, or adds the section at the end of the file. False, and nothing changed,
    // when a name or the value cannot be written into an INI line (line breaks, '=' in a key,
    // ']' in a section).
    bool setValue(const QString &section, const QString &key, const QString &value);
    bool removeKey(QStringView section, QStringView key);

    QByteArray serialize() const;

private:
    enum class Encoding { Utf8, Utf8Bom, Utf16LE, Utf16BE };
    struct Line
    {
        QString text;
        QByteArray raw; // for UTF-8 files, the original bytes of an unchanged line
        bool changed = false;
        QByteArray eol = "\n"; // "\r\n", "\n", or nothing at the very end
    };

    // The index of the section's header line, or -1.
    qsizetype findSection(QStringView section) const;
    // The index of the key's line in the section starting at header, or -1.
    qsizetype findKey(qsizetype header, QStringView key) const;
    qsizetype sectionEnd(qsizetype header) const;

    Encoding m_encoding = Encoding::Utf8;
    QByteArray m_eol = "\n"; // for new lines: the file's first line end
    std::vector<Line> m_lines;
};
