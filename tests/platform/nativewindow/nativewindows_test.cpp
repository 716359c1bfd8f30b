#include "platform/nativewindow/nativewindows.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QWindow>

#include <gtest/gtest.h>

#include <vector>

namespace {

struct Seen
{
    quint32 message;
    quintptr wParam;
    qintptr lParam;
};

std::vector<Seen> g_classSeen;
std::vector<Seen> g_hookSeen;
WindowProcedure g_previous = nullptr;

qintptr classProcedure(NativeHandle, quint32 message, quintptr wParam, qintptr lParam)
{
    g_classSeen.push_back({message, wParam, lParam});
    return 100 + message;
}

qintptr hookProcedure(NativeHandle window, quint32 message, quintptr wParam, qintptr lParam)
{
    g_hookSeen.push_back({message, wParam, lParam});
    if (message == 0x9999)
        return 7;
    return NativeWindows::callWindowProcedure(g_previous, window, message, wParam, lParam);
}

template<typename Predicate>
bool waitFor(Predicate predicate)
{
    QDeadlineTimer deadline(5000);
    while (!predicate()) {
        if (deadline.hasExpired())
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    }
    return true;
}

bool waitExposed(QWindow *window)
{
    return waitFor([window] { return window->isExposed(); });
}

const QString kClass = QStringLiteral("com.tessaly.test.window");

void registerTestClass()
{
    NativeWindows::registerWindowClass(
        kClass, [](const NativeWindowCreateInfo &info) { return new QWindow(info.parent); },
        &classProcedure);
}

class NativeWindowsTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        registerTestClass();
        g_classSeen.clear();
        g_hookSeen.clear();
        m_top = std::make_unique<QWindow>();
        m_top->setGeometry(50, 60, 400, 300);
        m_topHandle = NativeWindows::handleForWindow(m_top.get());
    }

    std::unique_ptr<QWindow> m_top;
    NativeHandle m_topHandle = 0;
};

} // namespace

TEST(NativeWindowMessages, SameNameSameIdentifier)
{
    const quint32 a = NativeWindows::registerWindowMessage(QStringLiteral("com.tessaly.test.a"));
    const quint32 b = NativeWindows::registerWindowMessage(QStringLiteral("com.tessaly.test.b"));
    EXPECT_GE(a, quint32(NativeMessage::FirstRegistered));
    EXPECT_NE(a, b);
    EXPECT_EQ(NativeWindows::registerWindowMessage(QStringLiteral("com.tessaly.test.a")), a);
    EXPECT_EQ(NativeWindows::registerWindowMessage(QStringLiteral("COM.Tessaly.Test.A")), a);
    EXPECT_EQ(NativeWindows::registerWindowMessage(QString()), 0u);
}

TEST_F(NativeWindowsTest, ClassesAreRegisteredOnce)
{
    EXPECT_TRUE(NativeWindows::isWindowClassRegistered(kClass));
    EXPECT_FALSE(NativeWindows::registerWindowClass(
        kClass, [](const NativeWindowCreateInfo &) { return new QWindow; }, nullptr));
    EXPECT_FALSE(NativeWindows::isWindowClassRegistered(QStringLiteral("com.tessaly.none")));
    EXPECT_EQ(NativeWindows::createWindow(QStringLiteral("com.tessaly.none"), QString(),
                                          m_topHandle, 0, 0, 10, 10, nullptr),
              0u);
}

TEST_F(NativeWindowsTest, CreatesAChildWithTitleGeometryAndCreationParameter)
{
    const quint32 param[3] = {1, 0, 0};
    const NativeHandle child = NativeWindows::createWindow(kClass, QStringLiteral("Stage"),
                                                           m_topHandle, 10, 20, 120, 80, param);
    ASSERT_NE(child, 0u);
    EXPECT_TRUE(NativeWindows::isWindow(child));
    EXPECT_EQ(NativeWindows::className(child), kClass);
    EXPECT_EQ(NativeWindows::window(child)->parent(), m_top.get());
    EXPECT_EQ(NativeWindows::parent(child), m_topHandle);
    EXPECT_EQ(NativeWindows::window(child)->geometry(), QRect(10, 20, 120, 80));
    EXPECT_EQ(NativeWindows::windowTitle(child, 1024), QStringLiteral("Stage"));
    EXPECT_EQ(NativeWindows::windowTitle(child, 3), QStringLiteral("Sta"));
    ASSERT_EQ(g_classSeen.size(), 1u);
    EXPECT_EQ(g_classSeen[0].message, quint32(NativeMessage::Create));
    EXPECT_EQ(g_classSeen[0].lParam, reinterpret_cast<qintptr>(param));
    EXPECT_TRUE(NativeWindows::destroyWindow(child));
}

TEST_F(NativeWindowsTest, AnInvalidParentFailsTheCreation)
{
    EXPECT_EQ(NativeWindows::createWindow(kClass, QString(), 0x7777770, 0, 0, 1, 1, nullptr), 0u);
}

TEST_F(NativeWindowsTest, SubclassingKeepsThePreviousProcedureToCallOn)
{
    const NativeHandle child =
        NativeWindows::createWindow(kClass, QString(), m_topHandle, 0, 0, 10, 10, nullptr);
    g_classSeen.clear();
    g_previous = NativeWindows::setWindowProcedure(child, &hookProcedure);
    EXPECT_EQ(g_previous, &classProcedure);
    EXPECT_EQ(NativeWindows::windowProcedure(child), &hookProcedure);

    EXPECT_EQ(NativeWindows::sendMessage(child, 0x9999, 1, 2), 7);
    EXPECT_TRUE(g_classSeen.empty());
    EXPECT_EQ(NativeWindows::sendMessage(child, 0x1234, 3, 4), 100 + 0x1234);
    ASSERT_EQ(g_classSeen.size(), 1u);
    EXPECT_EQ(g_classSeen[0].wParam, 3u);
    EXPECT_EQ(g_classSeen[0].lParam, 4);
    EXPECT_EQ(g_hookSeen.size(), 2u);
    NativeWindows::destroyWindow(child);
}

TEST_F(NativeWindowsTest, PropertiesAreNamedPerWindow)
{
    const NativeHandle a =
        NativeWindows::createWindow(kClass, QString(), m_topHandle, 0, 0, 10, 10, nullptr);
    const NativeHandle b =
        NativeWindows::createWindow(kClass, QString(), m_topHandle, 0, 0, 10, 10, nullptr);
    int value = 5;
    EXPECT_TRUE(NativeWindows::setProperty(a, QStringLiteral("EFPPlayerInstance"), &value));
    EXPECT_EQ(NativeWindows::property(a, QStringLiteral("EFPPlayerInstance")), &value);
    EXPECT_EQ(NativeWindows::property(b, QStringLiteral("EFPPlayerInstance")), nullptr);
    EXPECT_EQ(NativeWindows::property(a, QStringLiteral("Other")), nullptr);
    EXPECT_EQ(NativeWindows::removeProperty(a, QStringLiteral("EFPPlayerInstance")), &value);
    EXPECT_EQ(NativeWindows::property(a, QStringLiteral("EFPPlayerInstance")), nullptr);
    EXPECT_FALSE(NativeWindows::setProperty(0x5555550, QStringLiteral("x"), &value));
    NativeWindows::destroyWindow(a);
    NativeWindows::destroyWindow(b);
}

TEST_F(NativeWindowsTest, DestroyedHandlesAreInvalidAndNotReused)
{
    const NativeHandle child =
        NativeWindows::createWindow(kClass, QString(), m_topHandle, 0, 0, 10, 10, nullptr);
    g_classSeen.clear();
    QPointer<QWindow> window = NativeWindows::window(child);
    EXPECT_TRUE(NativeWindows::destroyWindow(child));
    ASSERT_EQ(g_classSeen.size(), 1u);
    EXPECT_EQ(g_classSeen[0].message, quint32(NativeMessage::Destroy));
    EXPECT_TRUE(window.isNull());
    EXPECT_FALSE(NativeWindows::isWindow(child));
    EXPECT_EQ(NativeWindows::sendMessage(child, 0x1234, 0, 0), 0);
    EXPECT_FALSE(NativeWindows::destroyWindow(child));
    const NativeHandle next =
        NativeWindows::createWindow(kClass, QString(), m_topHandle, 0, 0, 10, 10, nullptr);
    EXPECT_NE(next, child);
    NativeWindows::destroyWindow(next);
}

// Guards against a dangling record when the parent deletes its child windows with itself.
TEST_F(NativeWindowsTest, AChildDeletedWithItsParentIsForgotten)
{
    const NativeHandle child =
        NativeWindows::createWindow(kClass, QString(), m_topHandle, 0, 0, 10, 10, nullptr);
    g_classSeen.clear();
    m_top.reset();
    EXPECT_FALSE(NativeWindows::isWindow(m_topHandle));
    EXPECT_FALSE(NativeWindows::isWindow(child));
    ASSERT_EQ(g_classSeen.size(), 1u);
    EXPECT_EQ(g_classSeen[0].message, quint32(NativeMessage::Destroy));
}

TEST_F(NativeWindowsTest, MoveShowHideAndQueries)
{
    m_top->show();
    ASSERT_TRUE(waitExposed(m_top.get()));
    const NativeHandle child = NativeWindows::createWindow(kClass, QStringLiteral("t"), m_topHandle,
                                                           0, 0, 10, 10, nullptr);
    EXPECT_FALSE(NativeWindows::isWindowVisible(child));
    EXPECT_FALSE(NativeWindows::showWindow(child, true));
    EXPECT_TRUE(NativeWindows::isWindowVisible(child));
    EXPECT_TRUE(NativeWindows::moveWindow(child, 30, 40, 50, 60, true));
    EXPECT_EQ(NativeWindows::window(child)->geometry(), QRect(30, 40, 50, 60));
    EXPECT_TRUE(waitFor([&] {
        return NativeWindows::windowRect(child).topLeft() == m_top->mapToGlobal(QPoint(30, 40));
    }));
    EXPECT_EQ(NativeWindows::windowRect(child).size(), QSize(50, 60));
    EXPECT_TRUE(NativeWindows::showWindow(child, false));
    EXPECT_FALSE(NativeWindows::isWindowVisible(child));
    EXPECT_FALSE(NativeWindows::isActiveWindow(child));
    EXPECT_FALSE(NativeWindows::isTopmost(child));
    EXPECT_FALSE(NativeWindows::isMaximized(child));
    EXPECT_FALSE(NativeWindows::isMinimized(child));
    m_top->setFlag(Qt::WindowStaysOnTopHint, true);
    EXPECT_TRUE(NativeWindows::isTopmost(m_topHandle));
    NativeWindows::destroyWindow(child);
}

TEST_F(NativeWindowsTest, ReparentingParksAVisibleChildUntilItHasAParent)
{
    QWindow other;
    other.setGeometry(500, 100, 200, 200);
    const NativeHandle otherHandle = NativeWindows::handleForWindow(&other);
    m_top->show();
    other.show();
    const NativeHandle child =
        NativeWindows::createWindow(kClass, QString(), m_topHandle, 0, 0, 10, 10, nullptr);
    NativeWindows::showWindow(child, true);

    EXPECT_TRUE(NativeWindows::setParent(child, 0));
    EXPECT_EQ(NativeWindows::parent(child), 0u);
    EXPECT_EQ(NativeWindows::window(child)->parent(), nullptr);
    EXPECT_FALSE(NativeWindows::isWindowVisible(child));
    // A show request while parked is remembered, not carried out.
    EXPECT_TRUE(NativeWindows::showWindow(child, true));
    EXPECT_FALSE(NativeWindows::isWindowVisible(child));

    EXPECT_FALSE(NativeWindows::setParent(child, 0x3333330));
    EXPECT_EQ(NativeWindows::parent(child), 0u);
    EXPECT_TRUE(NativeWindows::setParent(child, otherHandle));
    EXPECT_EQ(NativeWindows::parent(child), otherHandle);
    EXPECT_EQ(NativeWindows::window(child)->parent(), &other);
    EXPECT_TRUE(NativeWindows::isWindowVisible(child));
    NativeWindows::destroyWindow(child);
}

TEST_F(NativeWindowsTest, InputArrivesAsPlatformMessages)
{
    m_top->show();
    ASSERT_TRUE(waitExposed(m_top.get()));
    const NativeHandle child =
        NativeWindows::createWindow(kClass, QString(), m_topHandle, 0, 0, 100, 100, nullptr);
    NativeWindows::showWindow(child, true);
    QWindow *window = NativeWindows::window(child);
    ASSERT_TRUE(waitExposed(window));
    g_classSeen.clear();
    QMouseEvent release(QEvent::MouseButtonRelease, QPointF(12, 34),
                        window->mapToGlobal(QPointF(12, 34)), Qt::LeftButton, Qt::NoButton,
                        Qt::ShiftModifier);
    QCoreApplication::sendEvent(window, &release);
    QKeyEvent keyUp(QEvent::KeyRelease, Qt::Key_A, Qt::NoModifier);
    QCoreApplication::sendEvent(window, &keyUp);
    bool sawButtonUp = false;
    bool sawKeyUp = false;
    for (const Seen &seen : g_classSeen) {
        if (seen.message == NativeMessage::LeftButtonUp) {
            sawButtonUp = true;
            EXPECT_EQ(pointX(seen.lParam), 12);
            EXPECT_EQ(pointY(seen.lParam), 34);
            EXPECT_EQ(seen.wParam, quintptr(Qt::ShiftModifier));
        }
        if (seen.message == NativeMessage::KeyUp && seen.wParam == quintptr(Qt::Key_A))
            sawKeyUp = true;
    }
    EXPECT_TRUE(sawButtonUp);
    EXPECT_TRUE(sawKeyUp);
    NativeWindows::destroyWindow(child);
}

TEST(NativeWindowPoints, PackingKeepsSignedCoordinates)
{
    const qintptr packed = packPoint(-5, 1200);
    EXPECT_EQ(pointX(packed), -5);
    EXPECT_EQ(pointY(packed), 1200);
}

TEST(NativeWindowMetrics, TrackingSizesAreOrdered)
{
    const QSize minimum = NativeWindows::minimumTrackingSize();
    const QSize maximum = NativeWindows::maximumTrackingSize();
    EXPECT_GT(minimum.width(), 0);
    EXPECT_GE(maximum.width(), minimum.width());
    EXPECT_GE(maximum.height(), minimum.height());
}
