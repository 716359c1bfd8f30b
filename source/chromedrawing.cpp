#include "source/chromedrawing.h"

#include <iterator>

namespace {

// The classic weight scale (0-99) against the OpenType one Qt uses now, at the classic names:
// Thin, ExtraLight, Light, Normal, Medium, DemiBold, Bold, ExtraBold, Black.
int openTypeWeight(int legacyWeight)
{
    static constexpr int legacy[] = {0, 12, 25, 50, 57, 63, 75, 81, 87, 99};
    static constexpr int openType[] = {100, 200, 300, 400, 500, 600, 700, 800, 900, 1000};
    if (legacyWeight <= legacy[0])
        return openType[0];
    for (std::size_t i = 1; i < std::size(legacy); ++i) {
        if (legacyWeight <= legacy[i]) {
            const int span = legacy[i] - legacy[i - 1];
            return openType[i - 1] +
                   (legacyWeight - legacy[i - 1]) * (openType[i] - openType[i - 1]) / span;
        }
    }
    return openType[std::size(openType) - 1];
}

} // namespace

QFont makeUiFont(int pointSize, int weight)
{
    QFont font(QStringLiteral("Harrow Web Pro"));
    font.setPointSize(pointSize);
    font.setWeight(QFont::Weight(openTypeWeight(weight)));
    font.setItalic(false);
    // Where the product font is not installed, fall back to a plain sans serif.
    font.setStyleHint(QFont::SansSerif);
    return font;
}

QImage makeDisabledImage(const QImage &image)
{
    if (!image.hasAlphaChannel() || image.depth() != 32)
        return image;
    // The arithmetic works on straight (not premultiplied) colours; a premultiplied image would
    // come out with colours brighter than its alpha allows.
    QImage result = image.format() == QImage::Format_ARGB32
                        ? image
                        : image.convertToFormat(QImage::Format_ARGB32);
    for (int y = 0; y < result.height(); ++y) {
        auto *line = reinterpret_cast<QRgb *>(result.scanLine(y));
        for (int x = 0; x < result.width(); ++x) {
            const QRgb pixel = line[x];
            const unsigned alpha = unsigned(qAlpha(pixel));
            if (alpha == 0) {
                line[x] = 0;
                continue;
            }
            const unsigned grey =
                (unsigned(qGreen(pixel)) * 2484419u + unsigned(qRed(pixel)) * 1263155u +
                 unsigned(qBlue(pixel)) * 463114u + 8192u) >>
                22;
            const unsigned t = alpha * 102u + 128u;
            const unsigned newAlpha = (t + (t >> 8)) >> 8;
            line[x] = (newAlpha << 24) | (grey << 16) | (grey << 8) | grey;
        }
    }
    return result;
}
