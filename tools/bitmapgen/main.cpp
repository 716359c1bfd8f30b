// Draws the chrome of the launcher's windows: caption bar, frame edges, close button, drop-down
// arrow, the application icons and the corner masks, into <folder>/common and <folder>/widgets.
//
// The look: a quiet graphite caption bar with a soft vertical gradient under a one-pixel
// highlight, thin two-pixel frame edges, a close box that turns red on hover, and the product
// mark (a lens ring with an orbiting dot on a blue tile).

#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>

#include <cstdio>
#include <functional>

namespace {

// Frame colours, shared by every piece so that the pieces join without seams.
const QColor Outline(0x2e, 0x30, 0x33);
const QColor Highlight(0xc4, 0xc7, 0xcb);
const QColor CaptionTop(0xae, 0xb1, 0xb5);
const QColor CaptionBottom(0x8f, 0x92, 0x96);
const QColor CaptionRule(0x6c, 0x6f, 0x73);
const QColor EdgeInner(0x86, 0x89, 0x8d);
const QColor Accent(0x2f, 0x86, 0xd6);

constexpr int CaptionHeight = 28;
constexpr int CornerWidth = 8;
constexpr int TileWidth = 8;
constexpr int EdgeWidth = 2;
constexpr int BottomHeight = 2;
constexpr int CloseSize = 18;

QImage blank(int width, int height)
{
    QImage image(width, height, QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    return image;
}

// One column of the caption bar, top to bottom: outline, highlight, gradient, bottom rule.
QColor captionRow(int y)
{
    if (y == 0)
        return Outline;
    if (y == 1)
        return Highlight;
    if (y == CaptionHeight - 1)
        return CaptionRule;
    const double t = double(y - 2) / double(CaptionHeight - 4);
    return QColor::fromRgbF(CaptionTop.redF() + (CaptionBottom.redF() - CaptionTop.redF()) * t,
                            CaptionTop.greenF() +
                                (CaptionBottom.greenF() - CaptionTop.greenF()) * t,
                            CaptionTop.blueF() + (CaptionBottom.blueF() - CaptionTop.blueF()) * t);
}

QImage captionTile()
{
    QImage image = blank(TileWidth, CaptionHeight);
    for (int y = 0; y < CaptionHeight; ++y)
        for (int x = 0; x < TileWidth; ++x)
            image.setPixelColor(x, y, captionRow(y));
    return image;
}

// The left corner of the caption bar; the right one is its mirror.
QImage captionCorner(bool left)
{
    QImage image = captionTile();
    image = image.copy(0, 0, CornerWidth, CaptionHeight);
    for (int y = 0; y < CaptionHeight; ++y) {
        image.setPixelColor(0, y, Outline);
        if (y >= 1 && y < CaptionHeight - 1)
            image.setPixelColor(1, y, y == 1 ? Highlight : Highlight.darker(108));
    }
    return left ? image : image.mirrored(true, false);
}

QImage sideEdge(bool left, int height = 8)
{
    QImage image = blank(EdgeWidth, height);
    for (int y = 0; y < height; ++y) {
        image.setPixelColor(0, y, Outline);
        image.setPixelColor(1, y, EdgeInner);
    }
    return left ? image : image.mirrored(true, false);
}

QImage bottomTile(int width = TileWidth)
{
    QImage image = blank(width, BottomHeight);
    for (int x = 0; x < width; ++x) {
        image.setPixelColor(x, 0, EdgeInner);
        image.setPixelColor(x, 1, Outline);
    }
    return image;
}

QImage bottomCorner(bool left)
{
    QImage image = blank(EdgeWidth, BottomHeight);
    image.setPixelColor(0, 0, Outline);
    image.setPixelColor(0, 1, Outline);
    image.setPixelColor(1, 0, EdgeInner);
    image.setPixelColor(1, 1, Outline);
    return left ? image : image.mirrored(true, false);
}

enum class ButtonState { Normal, Hover, Pressed };

QImage closeButton(ButtonState state)
{
    QImage image = blank(CloseSize, CloseSize);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    QColor glyph(0x26, 0x28, 0x2b);
    const QRectF box(0.5, 0.5, CloseSize - 1, CloseSize - 1);
    if (state == ButtonState::Normal) {
        // A faint recessed box, so the button reads as a button before it is touched.
        painter.setPen(QPen(QColor(0, 0, 0, 40), 1));
        painter.setBrush(QColor(255, 255, 255, 28));
        painter.drawRoundedRect(box, 3, 3);
    } else {
        QLinearGradient fill(0, 0, 0, CloseSize);
        if (state == ButtonState::Hover) {
            fill.setColorAt(0, QColor(0xe8, 0x5c, 0x50));
            fill.setColorAt(1, QColor(0xc9, 0x3b, 0x30));
        } else {
            fill.setColorAt(0, QColor(0x9c, 0x2a, 0x22));
            fill.setColorAt(1, QColor(0xb5, 0x36, 0x2c));
        }
        painter.setPen(QPen(QColor(0x6e, 0x1c, 0x16), 1));
        painter.setBrush(fill);
        painter.drawRoundedRect(box, 3, 3);
        glyph = state == ButtonState::Hover ? QColor(Qt::white) : QColor(0xf0, 0xd8, 0xd6);
    }
    const double inset = 5.5;
    const double shift = state == ButtonState::Pressed ? 0.5 : 0.0;
    painter.setPen(QPen(glyph, 1.7, Qt::SolidLine, Qt::RoundCap));
    painter.drawLine(QPointF(inset, inset + shift),
                     QPointF(CloseSize - inset, CloseSize - inset + shift));
    painter.drawLine(QPointF(CloseSize - inset, inset + shift),
                     QPointF(inset, CloseSize - inset + shift));
    return image;
}

QImage dropDownArrow(ButtonState state)
{
    QImage image = blank(16, 16);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    if (state == ButtonState::Pressed) {
        painter.setPen(Qt::NoPen);
        painter.setBrush(QColor(0, 0, 0, 40));
        painter.drawRoundedRect(QRectF(0.5, 0.5, 15, 15), 3, 3);
    }
    const QColor colour = state == ButtonState::Normal  ? QColor(0x4a, 0x4d, 0x52)
                          : state == ButtonState::Hover ? Accent
                                                        : QColor(0x1f, 0x5f, 0xa6);
    QPainterPath arrow;
    arrow.moveTo(4, 6.5);
    arrow.lineTo(12, 6.5);
    arrow.lineTo(8, 10.5);
    arrow.closeSubpath();
    painter.setPen(Qt::NoPen);
    painter.setBrush(colour);
    painter.drawPath(arrow);
    return image;
}

// The product mark at a given size: a blue tile with a light lens ring and an orbiting dot.
QImage appIcon(int size)
{
    QImage image = blank(size, size);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    const double s = size;
    const double margin = size <= 16 ? 0.5 : s * 0.04;
    const QRectF tile(margin, margin, s - 2 * margin, s - 2 * margin);
    const double radius = s * 0.22;

    QLinearGradient fill(0, 0, s, s);
    fill.setColorAt(0, QColor(0x5c, 0xb4, 0xf5));
    fill.setColorAt(1, QColor(0x1b, 0x55, 0xa8));
    painter.setPen(QPen(QColor(0x12, 0x3c, 0x7a), size <= 16 ? 1.0 : s / 40.0));
    painter.setBrush(fill);
    painter.drawRoundedRect(tile, radius, radius);

    if (size > 16) {
        // A soft sheen on the upper half of the larger tile.
        QLinearGradient sheen(0, 0, 0, s * 0.55);
        sheen.setColorAt(0, QColor(255, 255, 255, 70));
        sheen.setColorAt(1, QColor(255, 255, 255, 0));
        painter.setPen(Qt::NoPen);
        painter.setBrush(sheen);
        painter.drawRoundedRect(tile.adjusted(s / 24, s / 24, -s / 24, -s * 0.45), radius * 0.8,
                                radius * 0.8);
    }

    const QPointF centre(s * 0.47, s * 0.53);
    const double ring = s * (size <= 16 ? 0.25 : 0.24);
    painter.setBrush(Qt::NoBrush);
    painter.setPen(QPen(QColor(255, 255, 255, 245), size <= 16 ? 1.6 : s * 0.085));
    painter.drawEllipse(centre, ring, ring);
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(255, 255, 255, 235));
    const double pupil = s * 0.08;
    painter.drawEllipse(centre, pupil, pupil);
    painter.setBrush(QColor(0xff, 0xd2, 0x6a));
    const double dot = s * (size <= 16 ? 0.11 : 0.085);
    painter.drawEllipse(QPointF(s * 0.76, s * 0.25), dot, dot);
    return image;
}

// A corner mask: set (black) pixels are inside the window, with a 4-pixel rounding.
QImage cornerMask(bool top, bool left)
{
    constexpr int size = 8;
    constexpr double radius = 4.0;
    QImage mask(size, size, QImage::Format_Mono);
    mask.setColor(0, qRgb(255, 255, 255));
    mask.setColor(1, qRgb(0, 0, 0));
    for (int y = 0; y < size; ++y) {
        for (int x = 0; x < size; ++x) {
            // Distance from the rounding's centre, measured at the pixel centre.
            const double dx = radius - (x + 0.5);
            const double dy = radius - (y + 0.5);
            const bool outside = dx > 0 && dy > 0 && dx * dx + dy * dy > radius * radius;
            const int px = left ? x : size - 1 - x;
            const int py = top ? y : size - 1 - y;
            mask.setPixel(px, py, outside ? 0 : 1);
        }
    }
    return mask;
}

bool save(const QImage &image, const QString &folder, const char *name)
{
    const QString path = folder + QLatin1Char('/') + QLatin1String(name);
    QDir().mkpath(QFileInfo(path).absolutePath());
    const bool ok = image.save(path);
    std::fprintf(stderr, "%s %s (%dx%d)\n", ok ? "wrote" : "FAILED", qPrintable(path),
                 image.width(), image.height());
    return ok;
}

} // namespace

int main(int argc, char **argv)
{
    // Drawing needs no display; the offscreen platform keeps the tool usable over ssh and in CI.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: bitmapgen <bitmaps folder>\n");
        return 2;
    }
    const QString folder = QString::fromLocal8Bit(argv[1]);
    bool ok = true;
    ok &= save(appIcon(16), folder, "common/PXO_AppIcon_Md.png");
    ok &= save(appIcon(48), folder, "common/PXO_AppIcon_Large.png");
    ok &= save(bottomCorner(true), folder, "common/E_DialogFrameLL_NoGrip.png");
    ok &= save(bottomCorner(false), folder, "common/E_DialogFrameLR_NoGrip.png");
    ok &= save(bottomTile(), folder, "common/E_DialogFrameBottom_NoGrip.png");
    ok &= save(sideEdge(true), folder, "common/E_DialogFrameLeft.png");
    ok &= save(sideEdge(false), folder, "common/E_DialogFrameRight.png");
    ok &= save(dropDownArrow(ButtonState::Normal), folder, "common/E_DrpDwnArrow_N.png");
    ok &= save(dropDownArrow(ButtonState::Hover), folder, "common/E_DrpDwnArrow_R.png");
    ok &= save(dropDownArrow(ButtonState::Pressed), folder, "common/E_DrpDwnArrow_DN.png");
    ok &= save(captionTile(), folder, "common/E_DialogFrameTop.png");
    ok &= save(captionCorner(true), folder, "common/E_DialogFrameUL.png");
    ok &= save(captionCorner(false), folder, "common/E_DialogFrameUR.png");
    ok &= save(closeButton(ButtonState::Normal), folder, "widgets/E_WinClose_N.png");
    ok &= save(closeButton(ButtonState::Hover), folder, "widgets/E_WinClose_R.png");
    ok &= save(closeButton(ButtonState::Pressed), folder, "widgets/E_WinClose_DN.png");
    ok &= save(cornerMask(true, true), folder, "common/E_WinFrameUL_Mask.bmp");
    ok &= save(cornerMask(true, false), folder, "common/E_WinFrameUR_Mask.bmp");
    ok &= save(cornerMask(false, true), folder, "common/E_WinFrameLL_Mask.bmp");
    ok &= save(cornerMask(false, false), folder, "common/E_WinFrameLR_Mask.bmp");
    return ok ? 0 : 1;
}
