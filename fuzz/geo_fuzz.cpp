// Feeds arbitrary bytes to the gettext catalog reader and the nation table reader.

#include "platform/geo/geoinfo.h"
#include "platform/geo/gettextcatalog.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char *>(data), qsizetype(size));
    Geo::GettextCatalog catalog;
    if (catalog.parse(bytes))
        catalog.translate("Germany");
    Geo::GeoInfo::parseNations(bytes);
    return 0;
}
