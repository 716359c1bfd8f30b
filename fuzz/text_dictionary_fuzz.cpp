// Any bytes as a text dictionary: no crash, no read outside the data, lookups answer.

#include "locale/zstringdictionary.h"

#include <QLoggingCategory>

#include <cstdint>
#include <string>

using basekit_private::ZStringDictionary;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    // Bad content is reported through the log; millions of inputs need not be.
    static const bool quiet = [] {
        QLoggingCategory::setFilterRules(QStringLiteral("tessaly.locale=false"));
        return true;
    }();
    (void)quiet;
    // The first byte picks the character set of text without a byte-order mark.
    static const char *const charsets[] = {"", "windows-1252", "Shift_JIS", "UTF-8"};
    if (size == 0)
        return 0;
    ZStringDictionary dictionary;
    dictionary.setAnsiCharset(charsets[data[0] % 4]);
    dictionary.loadData(QByteArray(reinterpret_cast<const char *>(data + 1), qsizetype(size - 1)));
    for (const auto &entry : dictionary.entries()) {
        const std::string zstring = "$$$" + entry.key.toStdString() + "=default";
        if (!entry.key.contains('=') && dictionary.translate(zstring) != entry.value)
            __builtin_trap();
    }
    // The input as a ZString, with its escapes and entities as a default text.
    dictionary.translate(std::string(reinterpret_cast<const char *>(data + 1), size - 1));
    return 0;
}
