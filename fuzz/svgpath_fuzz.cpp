// Feeds arbitrary bytes to the path data parser of the player's vector glyphs, as UTF-8 text the
// way a movie hands it over, and checks that what it keeps is drawable: finite coordinates, and
// a fault reported whenever the text was not read to its end.

#include "components/efp/efpsvgpath.h"

#include <QByteArray>
#include <QPainterPath>
#include <QString>

#include <cmath>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QString text = QString::fromUtf8(reinterpret_cast<const char *>(data), qsizetype(size));
    const EFPSvgPath::Result result = EFPSvgPath::parse(text);
    for (int i = 0; i < result.path.elementCount(); ++i) {
        const QPainterPath::Element element = result.path.elementAt(i);
        if (!std::isfinite(element.x) || !std::isfinite(element.y))
            std::abort();
    }
    if (text.size() > EFPSvgPath::kMaxLength && (result.error.isEmpty() || !result.path.isEmpty()))
        std::abort();
    // Parsing is a function of the text alone.
    const EFPSvgPath::Result again = EFPSvgPath::parse(text);
    if (again.error != result.error || again.path != result.path)
        std::abort();
    return 0;
}
