// Any bytes after the signature as a binary dictionary: no crash, no read outside the data,
// tables that load answer lookups.

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
    QByteArray file("ZString Binary Format");
    file.append(reinterpret_cast<const char *>(data), qsizetype(size));
    ZStringDictionary::Limits limits;
    limits.maxEntriesPerTable = 4096;
    limits.maxEntries = 16384;
    ZStringDictionary dictionary(limits);
    dictionary.setAnsiCharset("windows-1252");
    dictionary.loadData(file);
    for (const auto &entry : dictionary.entries())
        dictionary.translate("$$$" + entry.key.toStdString() + "=default");
    // Loaded a second time, a version-2 file's tables come after the first ones (base index 0
    // disables repeated keys).
    dictionary.loadData(file);
    for (const auto &entry : dictionary.entries()) {
        if (dictionary.find(entry.key) != entry.value)
            __builtin_trap();
    }
    dictionary.translate("$$$/LauncherWindow/Done=Done");
    return 0;
}
