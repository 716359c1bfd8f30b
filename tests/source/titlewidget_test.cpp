#include "source/chromedrawing.h"
#include "source/launcherstatebutton.h"
#include "source/titlewidget.h"
#include "tests/source/chrometestsupport.h"

#include <QDialog>
#include <QPainter>

#include <gtest/gtest.h>

using TitleWidgetTest = ChromeTest;

TEST_F(TitleWidgetTest, BuildsTheCaptionBar)
{
    QDialog window;
    TitleWidget title(QStringLiteral("Caption"), nullptr, &window, "dialog.title.widget", 0);
    EXPECT_EQ(title.objectName(), QStringLiteral("dialog.title.widget"));
    EXPECT_EQ(title.height(), chrome(DialogFrameUpperLeft).height());
    EXPECT_EQ(title.maximumHeight(), chrome(DialogFrameUpperLeft).height());
    EXPECT_TRUE(title.hasMouseTracking());
    EXPECT_EQ(title.captionX(), 30);
    ASSERT_NE(title.closeButton(), nullptr);
    EXPECT_EQ(title.closeButton()->objectName(), QStringLiteral("mainwindow.closebutton"));
    EXPECT_EQ(title.closeButton()->toolTip(), QStringLiteral("Close"));

    TitleWidget bare(QStringLiteral("Caption"), nullptr, &window, "bare", -1, true);
    EXPECT_EQ(bare.closeButton(), nullptr);
    EXPECT_EQ(bare.captionX(), 9);
}

TEST_F(TitleWidgetTest, CloseButtonClosesTheParent)
{
    QDialog window;
    window.show();
    TitleWidget title(QStringLiteral("Caption"), nullptr, &window, "t", 0);
    ASSERT_TRUE(window.isVisible());
    sendMouse(title.closeButton(), QEvent::MouseButtonRelease, QPoint(5, 5), Qt::LeftButton, {});
    EXPECT_FALSE(window.isVisible());
}

TEST_F(TitleWidgetTest, LeftDragMovesTheWindowAndRightPressDoesNot)
{
    struct Row
    {
        const char *what;
        Qt::MouseButton button;
        Qt::MouseButtons buttons;
        QPoint expected;
    };
    const Row rows[] = {
        {"left drag", Qt::LeftButton, Qt::LeftButton, QPoint(120, 130)},
        {"left and right", Qt::LeftButton, Qt::LeftButton | Qt::RightButton, QPoint(120, 130)},
        {"middle drag", Qt::MiddleButton, Qt::MiddleButton, QPoint(120, 130)},
        {"right alone", Qt::RightButton, Qt::RightButton, QPoint(100, 100)},
    };
    for (const Row &row : rows) {
        QWidget window;
        window.move(100, 100);
        TitleWidget title(QStringLiteral("Caption"), nullptr, &window, "t", 0);
        title.resize(300, title.height());
        sendMouse(&title, QEvent::MouseButtonPress, QPoint(50, 10), row.button, row.buttons, {},
                  QPoint(150, 110));
        EXPECT_EQ(title.isDragging(), row.expected != QPoint(100, 100)) << row.what;
        sendMouse(&title, QEvent::MouseMove, QPoint(60, 20), Qt::NoButton, row.buttons, {},
                  QPoint(170, 140));
        EXPECT_EQ(window.pos(), row.expected) << row.what;
        sendMouse(&title, QEvent::MouseButtonRelease, QPoint(60, 20), row.button, {}, {},
                  QPoint(170, 140));
        EXPECT_FALSE(title.isDragging()) << row.what;
        sendMouse(&title, QEvent::MouseMove, QPoint(90, 20), Qt::NoButton, {}, {},
                  QPoint(400, 400));
        EXPECT_EQ(window.pos(), row.expected) << row.what << ": a move after the release";
    }
}

TEST_F(TitleWidgetTest, PaintsTilesCornersAndIcon)
{
    QWidget window;
    TitleWidget title(QStringLiteral("Caption"), nullptr, &window, "t", AppIconMedium, true);
    title.resize(240, title.height());
    const QImage shot = title.grab().toImage().convertToFormat(QImage::Format_ARGB32);
    const QImage tile = chrome(DialogFrameTop);
    const QImage upperLeft = chrome(DialogFrameUpperLeft);
    const QImage upperRight = chrome(DialogFrameUpperRight);
    for (int y = 0; y < title.height(); ++y) {
        EXPECT_EQ(shot.pixel(0, y), upperLeft.pixel(0, y)) << y;
        EXPECT_EQ(shot.pixel(239, y), upperRight.pixel(upperRight.width() - 1, y)) << y;
        EXPECT_EQ(shot.pixel(200, y), tile.pixel(200 % tile.width(), y)) << y;
    }
    // The icon's centre is opaque, so it shows unblended at (9, 5) + its centre.
    const QImage icon = chrome(AppIconMedium);
    EXPECT_EQ(shot.pixel(9 + 8, 5 + 8), icon.pixel(8, 8));

    title.setActive(false);
    const QImage inactive = title.grab().toImage().convertToFormat(QImage::Format_ARGB32);
    // Expected: the grey, faded icon over the caption background at the same spot.
    QImage expected(1, 1, QImage::Format_ARGB32);
    expected.setPixel(0, 0, tile.pixel((9 + 8) % tile.width(), 5 + 8));
    QPainter painter(&expected);
    painter.drawImage(QPoint(-8, -8), makeDisabledImage(icon));
    painter.end();
    EXPECT_EQ(inactive.pixel(9 + 8, 5 + 8), expected.pixel(0, 0));
    EXPECT_NE(inactive.pixel(9 + 8, 5 + 8), icon.pixel(8, 8));
}
