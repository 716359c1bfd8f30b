#include "source/ptlaunchercustomwindowwidget.h"
#include "source/welcomeglintcontainer.h"
#include "source/welcomewidget.h"
#include "tests/source/chrometestsupport.h"

#include <QScreen>

#include <gtest/gtest.h>

using MainWindowTest = ChromeTest;

TEST(CentredPosition, SignedIntegerArithmetic)
{
    struct Row
    {
        QRect workArea;
        QSize size;
        QPoint expected;
    };
    const Row rows[] = {
        // (0 + 1024 - 1) / 2 - (860 - 1) / 2 = 511 - 429
        {QRect(0, 0, 1024, 768), QSize(860, 540), QPoint(82, 114)},
        {QRect(0, 0, 1920, 1050), QSize(860, 540), QPoint(530, 255)},
        {QRect(0, 30, 1280, 994), QSize(861, 541), QPoint(209, 256)},
        // Larger than the work area: negative.
        {QRect(0, 0, 640, 480), QSize(860, 541), QPoint(-110, -31)},
        // A work area left of the primary one: -1281 / 2 truncates to -640, not -641.
        {QRect(-1280, 0, 1280, 1024), QSize(100, 100), QPoint(-689, 462)},
        {QRect(0, 0, 1, 1), QSize(1, 1), QPoint(0, 0)},
    };
    for (const Row &row : rows) {
        EXPECT_EQ(PtLauncherCustomWindowWidget::centredPosition(row.workArea, row.size),
                  row.expected)
            << row.workArea.x() << "," << row.workArea.width() << " " << row.size.width();
    }
}

TEST_F(MainWindowTest, IsAFramelessWindowWithIconAndTitle)
{
    PtLauncherCustomWindowWidget window(2, false, nullptr, "pxo_3_launcher_window", false, 0);
    EXPECT_EQ(window.objectName(), QStringLiteral("pxo_3_launcher_window"));
    EXPECT_TRUE(window.windowFlags().testFlag(Qt::FramelessWindowHint));
    EXPECT_FALSE(window.isModal());
    EXPECT_FALSE(window.customWindowFlag());
    EXPECT_EQ(window.startupApplication(), 2);
    EXPECT_EQ(window.windowTitle(), QStringLiteral("Welcome - Tessaly Pixtrel Orvana 11"));
    const QImage icon = window.windowIcon().pixmap(16, 16).toImage();
    EXPECT_EQ(icon.convertToFormat(QImage::Format_ARGB32).pixel(8, 8),
              chrome(AppIconMedium).pixel(8, 8));
    ASSERT_NE(window.welcomeWidget(), nullptr);
    EXPECT_EQ(window.welcomeWidget()->parentWidget(), &window);
}

TEST_F(MainWindowTest, ResizeCentresOnlyWhenAsked)
{
    PtLauncherCustomWindowWidget window(0, false, nullptr, "w", false, 0);
    // The Welcome content sets the flag once its movie has told it its size; the size itself
    // follows the movie, so the test follows the window's size.
    window.m_centreOnResize = true;
    window.show();
    ASSERT_TRUE(waitFor([&] { return window.isVisible(); }));
    // The movie shows itself once it has told its size; after that nothing resizes the window.
    auto *welcome = qobject_cast<WelcomeWidget *>(window.welcomeWidget());
    ASSERT_NE(welcome, nullptr);
    ASSERT_TRUE(waitFor([&] { return welcome->containerPlayer()->isVisible(); }, 10000));
    const QRect workArea = window.screen()->availableGeometry();
    window.resize(900, 600);
    ASSERT_TRUE(waitFor([&] {
        return window.pos() ==
               PtLauncherCustomWindowWidget::centredPosition(workArea, window.size());
    })) << window.pos().x()
        << "," << window.pos().y();

    window.m_centreOnResize = false;
    window.move(10, 20);
    ASSERT_TRUE(waitFor([&] { return window.pos() == QPoint(10, 20); }));
    const QSize before = window.size();
    window.resize(before.width() + 20, before.height() + 20);
    waitFor([&] { return window.size() != before; });
    EXPECT_EQ(window.pos(), QPoint(10, 20));
}
