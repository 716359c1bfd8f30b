// Any bytes as a language pack's "pack.inf".

#include "locale/packinfo.h"

#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const auto info = PackInfo::parse(QByteArrayView(data, qsizetype(size)));
    if (info && (info->preferenceString.contains(u'\n') || info->localeIdString.contains(u'\n')))
        __builtin_trap();
    return 0;
}
