#pragma once

#include "locale/dictionaryentry.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringView>

#include <cstdint>
#include <optional>

namespace basekit_private {

// Writes dictionary files that ZStringDictionary reads back to the same entries: text
// dictionaries (UTF-8 without a mark, or UTF-16 in either byte order with a mark) and the
// binary versions 1.0, 1.5, 2.0 and 2.1 (2.1 little- or big-endian). Entry texts are final
// texts; the text writer escapes whatever the reader would otherwise expand or cut.
class DictionaryWriter
{
public:
    enum class Format { Text, Version1_0, Version1_5, Version2_0, Version2_1, Version2_1BigEndian };
    enum class TextEncoding { Utf8, Utf16LE, Utf16BE };

    struct Options
    {
        TextEncoding textEncoding = TextEncoding::Utf8;
        // Name string of a version-2 file.
        QByteArray headerString = QByteArrayLiteral("zstring-tool");
        // Entries per version-2 table; 0 writes one table.
        std::uint32_t entriesPerTable = 0;
        // Text encoding of version-1 values: 0 UTF-16, 1 UTF-8.
        std::uint8_t version1Encoding = 0;
    };

    struct Result
    {
        QByteArray data;
        QString error;
        bool ok() const { return error.isEmpty(); }
    };

    // Keys must be unique; the first entry of a repeated key would be hidden by the later one.
    static Result write(const QList<DictionaryEntry> &entries, Format format,
                        const Options &options);
    static Result write(const QList<DictionaryEntry> &entries, Format format);

    // "text", "1.0", "1.5", "2.0", "2.1", "2.1-be".
    static std::optional<Format> formatFromName(QStringView name);
    // "utf-8", "utf-16le", "utf-16be".
    static std::optional<TextEncoding> textEncodingFromName(QStringView name);

    // A text as it is written between the quotes of a text dictionary line.
    static QString escapeText(QStringView text);
};

} // namespace basekit_private
