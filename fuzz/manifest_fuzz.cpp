// The content folder's manifest: any input parses, and what it gives survives a write and a
// read unchanged.

#include "services/ptcontentmanifest.h"

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const PtContentManifest::Map map = PtContentManifest::parse(
        QByteArrayView(reinterpret_cast<const char *>(data), qsizetype(size)));
    for (const auto &[name, version] : map) {
        if (name.empty() || version.empty())
            std::abort();
    }
    const QByteArray written = PtContentManifest::serialize(map);
    const PtContentManifest::Map again = PtContentManifest::parse(written);
    // Tokens with control characters are left out on writing; every other entry comes back.
    for (const auto &[name, version] : again) {
        const auto it = map.find(name);
        if (it == map.end() || it->second != version)
            std::abort();
    }
    for (const auto &[name, version] : map) {
        if (PtContentManifest::isValidToken(name) && PtContentManifest::isValidToken(version) &&
            again.find(name) == again.end())
            std::abort();
    }
    if (PtContentManifest::serialize(again) != written)
        std::abort();
    return 0;
}
