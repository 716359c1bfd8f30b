#include "source/chromedrawing.h"

#include <gtest/gtest.h>

TEST(MakeDisabledImage, GreysAndFadesEachPixel)
{
    struct Row
    {
        const char *what;
        QRgb in;
        QRgb out;
    };
    // grey = (G*2484419 + R*1263155 + B*463114 + 8192) >> 22; alpha = 40 % of alpha, rounded.
    const Row rows[] = {
        {"transparent with colour", qRgba(200, 10, 30, 0), 0x00000000},
        {"opaque white", qRgba(255, 255, 255, 255), 0x66ffffff},
        {"opaque black", qRgba(0, 0, 0, 255), 0x66000000},
        {"mid grey", qRgba(128, 128, 128, 255), 0x66808080},
        {"half-transparent mid grey", qRgba(128, 128, 128, 128), 0x33808080},
        {"pure green", qRgba(0, 255, 0, 255), 0x66979797},
        {"pure red", qRgba(255, 0, 0, 255), 0x664c4c4c},
        {"pure blue, alpha 1", qRgba(0, 0, 255, 1), 0x001c1c1c},
    };
    for (const Row &row : rows) {
        QImage image(2, 1, QImage::Format_ARGB32);
        image.setPixel(0, 0, row.in);
        image.setPixel(1, 0, row.in);
        const QImage result = makeDisabledImage(image);
        EXPECT_EQ(result.pixel(0, 0), row.out)
            << row.what << std::hex << " got " << result.pixel(0, 0);
        EXPECT_EQ(result.pixel(1, 0), row.out) << row.what;
        EXPECT_EQ(image.pixel(0, 0), row.in) << "the source image is left alone";
    }
}

TEST(MakeDisabledImage, LeavesImagesWithoutAlphaUnchanged)
{
    for (const QImage::Format format : {QImage::Format_RGB32, QImage::Format_RGB888}) {
        QImage image(3, 3, format);
        image.fill(QColor(10, 200, 30));
        EXPECT_EQ(makeDisabledImage(image), image) << int(format);
    }
}

// Guards against greying premultiplied pixels as if they were straight colours.
TEST(MakeDisabledImage, PremultipliedImagesGreyTheirTrueColour)
{
    QImage image(1, 1, QImage::Format_ARGB32_Premultiplied);
    image.setPixelColor(0, 0, QColor(255, 255, 255, 128));
    const QImage result = makeDisabledImage(image);
    const QColor pixel = result.pixelColor(0, 0);
    EXPECT_EQ(pixel.alpha(), 51);
    EXPECT_EQ(pixel.red(), 255);
    EXPECT_EQ(pixel.green(), 255);
}

TEST(MakeUiFont, FamilySizeAndWeight)
{
    const QFont caption = makeUiFont(10, 50);
    EXPECT_EQ(caption.family(), QStringLiteral("Harrow Web Pro"));
    EXPECT_EQ(caption.pointSize(), 10);
    EXPECT_EQ(caption.weight(), QFont::Normal);
    EXPECT_FALSE(caption.italic());
    EXPECT_EQ(makeUiFont(8, 75).weight(), QFont::Bold);
    EXPECT_EQ(makeUiFont(8, 75).pointSize(), 8);
}
