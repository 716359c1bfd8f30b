#include "source/launcherstatebutton.h"
#include "tests/source/chrometestsupport.h"

#include <QPainter>

#include <gtest/gtest.h>

using StateButtonTest = ChromeTest;

namespace {

int clicks(LauncherStateButton &button, int &counter)
{
    QObject::connect(&button, qOverload<>(&PtLabel::signalClicked), &button,
                     [&counter] { ++counter; });
    return counter;
}

} // namespace

TEST_F(StateButtonTest, TakesTheNormalImageSize)
{
    LauncherStateButton button(nullptr, WinCloseNormal, WinClosePressed, WinCloseHover);
    EXPECT_EQ(button.size(), chrome(WinCloseNormal).size());
    EXPECT_EQ(button.state(), LauncherStateButton::Normal);
    EXPECT_TRUE(button.hoverEnabled());
    EXPECT_TRUE(button.hasMouseTracking());
    button.setText(QStringLiteral("Close"));
    EXPECT_EQ(button.width(), chrome(WinCloseNormal).width() +
                                  button.fontMetrics().horizontalAdvance(QStringLiteral("Close")) +
                                  5);
    button.setText(QString());
    EXPECT_EQ(button.width(), chrome(WinCloseNormal).width());
}

TEST_F(StateButtonTest, StatesFollowTheMouse)
{
    struct Step
    {
        const char *what;
        QEvent::Type type;
        QPoint pos;
        Qt::MouseButton button;
        Qt::MouseButtons buttons;
        int expected;
    };
    const QPoint inside(4, 4);
    const QPoint outside(100, 4);
    const Step steps[] = {
        {"hover on entry", QEvent::MouseMove, inside, Qt::NoButton, {}, LauncherStateButton::Hover},
        {"press", QEvent::MouseButtonPress, inside, Qt::LeftButton, Qt::LeftButton,
         LauncherStateButton::Pressed},
        {"drag inside stays pressed", QEvent::MouseMove, inside, Qt::NoButton, Qt::LeftButton,
         LauncherStateButton::Pressed},
        {"drag outside", QEvent::MouseMove, outside, Qt::NoButton, Qt::LeftButton,
         LauncherStateButton::Normal},
        {"drag back inside is a press", QEvent::MouseMove, inside, Qt::NoButton, Qt::LeftButton,
         LauncherStateButton::Pressed},
        {"release keeps the state",
         QEvent::MouseButtonRelease,
         inside,
         Qt::LeftButton,
         {},
         LauncherStateButton::Pressed},
        {"moving off resets",
         QEvent::MouseMove,
         outside,
         Qt::NoButton,
         {},
         LauncherStateButton::Normal},
        {"right press does nothing", QEvent::MouseButtonPress, inside, Qt::RightButton,
         Qt::RightButton, LauncherStateButton::Normal},
    };
    LauncherStateButton button(nullptr, WinCloseNormal, WinClosePressed, WinCloseHover);
    for (const Step &step : steps) {
        sendMouse(&button, step.type, step.pos, step.button, step.buttons);
        EXPECT_EQ(button.state(), step.expected) << step.what;
    }
    button.setHover();
    EXPECT_EQ(button.state(), LauncherStateButton::Hover);
    QEvent leave(QEvent::Leave);
    QCoreApplication::sendEvent(&button, &leave);
    EXPECT_EQ(button.state(), LauncherStateButton::Normal);
}

TEST_F(StateButtonTest, WithoutHoverImageNeverHovers)
{
    LauncherStateButton button(nullptr, WinCloseNormal, WinClosePressed, -1);
    EXPECT_FALSE(button.hoverEnabled());
    sendMouse(&button, QEvent::MouseMove, QPoint(4, 4), Qt::NoButton, {});
    EXPECT_EQ(button.state(), LauncherStateButton::Normal);
    sendMouse(&button, QEvent::MouseButtonPress, QPoint(4, 4), Qt::LeftButton, Qt::LeftButton);
    EXPECT_EQ(button.state(), LauncherStateButton::Pressed);
    // setHover() forces the state regardless; it is the mouse that never hovers.
    LauncherStateButton idle(nullptr, WinCloseNormal, WinClosePressed, -1);
    QEvent leave(QEvent::Leave);
    QCoreApplication::sendEvent(&idle, &leave);
    sendMouse(&idle, QEvent::MouseMove, QPoint(2, 2), Qt::NoButton, {});
    EXPECT_EQ(idle.state(), LauncherStateButton::Normal);
}

TEST_F(StateButtonTest, SetImagesReturnsToNormal)
{
    LauncherStateButton button(nullptr, WinCloseNormal, WinClosePressed, WinCloseHover);
    button.setHover();
    ASSERT_EQ(button.state(), LauncherStateButton::Hover);
    button.setImages(AppIconLarge, WinClosePressed, -1);
    EXPECT_EQ(button.state(), LauncherStateButton::Normal);
    EXPECT_EQ(button.size(), chrome(AppIconLarge).size());
    // The hover image set before stays enabled: only a hover index >= 0 changes it.
    EXPECT_TRUE(button.hoverEnabled());
}

TEST_F(StateButtonTest, LeftReleaseInsideEmitsOnlyClicked)
{
    LauncherStateButton button(nullptr, WinCloseNormal, WinClosePressed, WinCloseHover);
    int clicked = 0;
    clicks(button, clicked);
    int others = 0;
    QObject::connect(&button, qOverload<int>(&PtLabel::signalClicked), &button,
                     [&others] { ++others; });
    QObject::connect(&button, &PtLabel::signalMouseRelease, &button, [&others] { ++others; });
    sendMouse(&button, QEvent::MouseButtonRelease, QPoint(3, 3), Qt::LeftButton, {});
    sendMouse(&button, QEvent::MouseButtonRelease, QPoint(300, 3), Qt::LeftButton, {});
    sendMouse(&button, QEvent::MouseButtonRelease, QPoint(3, 3), Qt::RightButton, {});
    EXPECT_EQ(clicked, 1);
    EXPECT_EQ(others, 0);
}

TEST_F(StateButtonTest, PaintsTheImageOfItsState)
{
    LauncherStateButton button(nullptr, WinCloseNormal, WinClosePressed, WinCloseHover);
    const QPoint centre(button.width() / 2, button.height() / 2);
    const auto rendered = [&] {
        return button.grab().toImage().pixelColor(centre.x() - 3, centre.y());
    };
    const auto expected = [&](int index) {
        QImage backdrop(button.size(), QImage::Format_ARGB32);
        backdrop.fill(button.palette().color(QPalette::Window));
        QPainter painter(&backdrop);
        painter.drawImage(0, 0, chrome(index));
        painter.end();
        return backdrop.pixelColor(centre.x() - 3, centre.y());
    };
    EXPECT_EQ(rendered(), expected(WinCloseNormal));
    button.setHover();
    EXPECT_EQ(rendered(), expected(WinCloseHover));
    sendMouse(&button, QEvent::MouseButtonPress, centre, Qt::LeftButton, Qt::LeftButton);
    EXPECT_EQ(rendered(), expected(WinClosePressed));
}
