// Any bytes as an INI file: no crash, no read outside the data; an unchanged UTF-8 file is
// written back byte for byte, and a value that was written reads back as written.

#include "platform/registry/inidocument.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArrayView bytes(reinterpret_cast<const char *>(data), qsizetype(size));
    IniDocument doc = IniDocument::parse(bytes);
    const bool utf16 = bytes.startsWith("\xff\xfe") || bytes.startsWith("\xfe\xff");
    if (!utf16 && doc.serialize() != bytes) {
        std::fprintf(stderr, "unchanged file not written back as it was\n");
        std::abort();
    }

    // Names taken from the input itself, so existing sections and keys are hit too.
    const QString text = QString::fromUtf8(bytes.first(qMin<qsizetype>(64, bytes.size())));
    const QString section = text.section(QLatin1Char('|'), 0, 0).trimmed();
    const QString key = text.section(QLatin1Char('|'), 1, 1).trimmed();
    (void)doc.value(section, key);
    (void)doc.value(QStringLiteral("PXOInformation"), QStringLiteral("LauncherLaunchCount"));

    const QString written = QStringLiteral("v42");
    for (const auto &[s, k] :
         {std::pair{section, key},
          std::pair{QStringLiteral("PXOInformation"), QStringLiteral("LauncherLaunchCount")}}) {
        if (!doc.setValue(s, k, written))
            continue;
        const IniDocument reread = IniDocument::parse(doc.serialize());
        if (reread.value(s, k) != written) {
            std::fprintf(stderr, "written value does not read back\n");
            std::abort();
        }
    }
    doc.removeKey(section, key);
    (void)doc.serialize();
    return 0;
}
