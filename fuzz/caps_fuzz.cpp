// The configuration XML that caps-tool imports: the parser must refuse bad input with a reason
// and, for input it takes, give only what the database accepts (no empty names).

#include "components/caps/configurationxml.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray text(reinterpret_cast<const char *>(data), qsizetype(size));
    ConfigurationXml::Document document;
    QString error;
    if (!ConfigurationXml::read(text, &document, &error)) {
        if (error.isEmpty())
            std::abort();
        return 0;
    }
    for (const auto &payload : document.payloads) {
        if (payload.code.isEmpty())
            std::abort();
        for (const auto &[key, value] : payload.values) {
            if (key.isEmpty())
                std::abort();
        }
    }
    for (const auto &record : document.records) {
        if (record.domain.isEmpty() || !record.domain.endsWith(QLatin1Char('/')))
            std::abort();
        for (const auto &[key, value] : record.values) {
            if (key.isEmpty())
                std::abort();
        }
    }
    return 0;
}
