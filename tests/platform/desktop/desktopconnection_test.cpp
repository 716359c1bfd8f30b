#include "platform/desktop/desktopconnection.h"
#include "tests/support/testenvironment.h"

#include <QByteArray>

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>

#include <unistd.h>
#include <xcb/xcb.h>

// These tests run on the X server of the test command (Xvfb, no window manager); with a window
// manager the end-to-end tests cover the same operations.

namespace {

// Creates windows on the display the way a program would, on a connection of its own.
class WindowMaker
{
public:
    WindowMaker()
    {
        m_c = xcb_connect(nullptr, nullptr);
        if (xcb_connection_has_error(m_c))
            return;
        m_root = xcb_setup_roots_iterator(xcb_get_setup(m_c)).data->root;
    }
    ~WindowMaker()
    {
        for (const xcb_window_t w : m_windows)
            xcb_destroy_window(m_c, w);
        xcb_disconnect(m_c);
    }

    bool ok() const { return m_root != 0; }

    struct Spec
    {
        QByteArray netName; // _NET_WM_NAME, UTF-8
        QByteArray wmName;  // WM_NAME, Latin-1
        QByteArray wmClass; // "instance\0Class\0"
        xcb_window_t transientFor = 0;
        bool map = true;
        bool overrideRedirect = false;
    };

    xcb_window_t make(const Spec &spec)
    {
        const xcb_window_t w = xcb_generate_id(m_c);
        const uint32_t values[] = {spec.overrideRedirect ? 1u : 0u};
        xcb_create_window(m_c, XCB_COPY_FROM_PARENT, w, m_root, 10, 10, 200, 100, 0,
                          XCB_WINDOW_CLASS_INPUT_OUTPUT, XCB_COPY_FROM_PARENT,
                          XCB_CW_OVERRIDE_REDIRECT, values);
        if (!spec.netName.isNull())
            setProperty(w, atom("_NET_WM_NAME"), atom("UTF8_STRING"), 8, spec.netName);
        if (!spec.wmName.isNull())
            setProperty(w, XCB_ATOM_WM_NAME, XCB_ATOM_STRING, 8, spec.wmName);
        if (!spec.wmClass.isNull())
            setProperty(w, XCB_ATOM_WM_CLASS, XCB_ATOM_STRING, 8, spec.wmClass);
        if (spec.transientFor)
            setTransientFor(w, spec.transientFor);
        const uint32_t pid = ::getpid();
        setProperty(w, atom("_NET_WM_PID"), XCB_ATOM_CARDINAL, 32,
                    QByteArray(reinterpret_cast<const char *>(&pid), 4));
        if (spec.map)
            xcb_map_window(m_c, w);
        m_windows.push_back(w);
        sync();
        return w;
    }

    void setTransientFor(xcb_window_t w, xcb_window_t owner)
    {
        setProperty(w, XCB_ATOM_WM_TRANSIENT_FOR, XCB_ATOM_WINDOW, 32,
                    QByteArray(reinterpret_cast<const char *>(&owner), 4));
        sync();
    }

    void setIconicState(xcb_window_t w)
    {
        const uint32_t state[2] = {3, 0};
        setProperty(w, atom("WM_STATE"), atom("WM_STATE"), 32,
                    QByteArray(reinterpret_cast<const char *>(state), 8));
        sync();
    }

    void raise(xcb_window_t w)
    {
        const uint32_t above = XCB_STACK_MODE_ABOVE;
        xcb_configure_window(m_c, w, XCB_CONFIG_WINDOW_STACK_MODE, &above);
        sync();
    }

    xcb_atom_t atom(const char *name)
    {
        auto *reply =
            xcb_intern_atom_reply(m_c, xcb_intern_atom(m_c, 0, std::strlen(name), name), nullptr);
        const xcb_atom_t a = reply ? reply->atom : 0;
        std::free(reply);
        return a;
    }

    void sync() { std::free(xcb_get_input_focus_reply(m_c, xcb_get_input_focus(m_c), nullptr)); }

private:
    void setProperty(xcb_window_t w, xcb_atom_t name, xcb_atom_t type, uint8_t format,
                     const QByteArray &data)
    {
        xcb_change_property(m_c, XCB_PROP_MODE_REPLACE, w, name, type, format,
                            data.size() / (format / 8), data.constData());
    }

    xcb_connection_t *m_c = nullptr;
    xcb_window_t m_root = 0;
    std::vector<xcb_window_t> m_windows;
};

std::optional<DesktopWindow> find(const QList<DesktopWindow> &windows, quint32 id)
{
    for (const DesktopWindow &w : windows) {
        if (w.id == id)
            return w;
    }
    return std::nullopt;
}

class DesktopConnectionTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        if (qEnvironmentVariableIsEmpty("DISPLAY") || !maker.ok())
            GTEST_SKIP() << "needs an X server";
        if (!desktop.windowManagerName().isEmpty())
            GTEST_SKIP() << "expects a display without a window manager";
    }

    WindowMaker maker;
    DesktopConnection desktop;
};

} // namespace

TEST(DesktopConnectionWithoutX, FindsNothingAndFailsNothing)
{
    TestEnvironment env;
    for (const char *display : {"", ":9931", "/nonexistent/socket:0"}) {
        SCOPED_TRACE(display);
        if (*display)
            env.set("DISPLAY", QString::fromLatin1(display));
        else
            env.unset("DISPLAY");
        DesktopConnection desktop;
        EXPECT_FALSE(desktop.isValid());
        EXPECT_TRUE(desktop.topLevelWindows().isEmpty());
        EXPECT_TRUE(desktop.windowManagerName().isEmpty());
        EXPECT_EQ(desktop.lastActivePopup(42), 42u);
        EXPECT_FALSE(desktop.isIconic(42));
        EXPECT_FALSE(desktop.window(42).has_value());
        desktop.activate(42);
        desktop.sync();
        EXPECT_EQ(desktop.activeWindow(), 0u);
    }
}

TEST_F(DesktopConnectionTest, ListsMappedTopLevelWindowsWithTitleAndClass)
{
    const xcb_window_t both = maker.make({QByteArray("Willkommen – Pixtrel"), QByteArray("latin"),
                                          QByteArray("pxo\0PixtrelOrvana\0", 18)});
    const xcb_window_t legacy = maker.make({{}, QByteArray("caf\xe9 only WM_NAME"), {}});
    const xcb_window_t hidden = maker.make({QByteArray("hidden"), {}, {}, 0, false});
    const xcb_window_t menu = maker.make({QByteArray("menu"), {}, {}, 0, true, true});

    const QList<DesktopWindow> windows = desktop.topLevelWindows();
    const auto first = find(windows, both);
    ASSERT_TRUE(first);
    EXPECT_EQ(first->title, QStringLiteral("Willkommen – Pixtrel")) << "_NET_WM_NAME wins";
    EXPECT_EQ(first->instanceName, QStringLiteral("pxo"));
    EXPECT_EQ(first->className, QStringLiteral("PixtrelOrvana"));
    EXPECT_EQ(first->pid, ::getpid());
    EXPECT_EQ(first->transientFor, 0u);

    const auto second = find(windows, legacy);
    ASSERT_TRUE(second);
    EXPECT_EQ(second->title, QStringLiteral("café only WM_NAME")) << "WM_NAME is Latin-1";
    EXPECT_TRUE(second->className.isEmpty());

    EXPECT_FALSE(find(windows, hidden)) << "unmapped windows are no windows of the user";
    EXPECT_FALSE(find(windows, menu)) << "override-redirect windows are menus and tool tips";
    EXPECT_EQ(desktop.window(hidden)->title, QStringLiteral("hidden"));
}

TEST_F(DesktopConnectionTest, LastActivePopupIsTheNewestMappedTransientFollowingChains)
{
    const xcb_window_t owner = maker.make({QByteArray("owner"), {}, {}});
    EXPECT_EQ(desktop.lastActivePopup(owner), owner) << "no pop-up: the window itself";

    const xcb_window_t older = maker.make({QByteArray("older"), {}, {}, owner});
    const xcb_window_t newer = maker.make({QByteArray("newer"), {}, {}, owner});
    maker.make({QByteArray("closed"), {}, {}, owner, false});
    EXPECT_EQ(desktop.lastActivePopup(owner), newer);
    EXPECT_EQ(desktop.window(older)->transientFor, owner);

    const xcb_window_t nested = maker.make({QByteArray("nested"), {}, {}, newer});
    EXPECT_EQ(desktop.lastActivePopup(owner), nested) << "a pop-up of the pop-up";
}

// Regression: WM_TRANSIENT_FOR cycles must not hang the search.
TEST_F(DesktopConnectionTest, TransientCycleEnds)
{
    const xcb_window_t a = maker.make({QByteArray("a"), {}, {}});
    const xcb_window_t b = maker.make({QByteArray("b"), {}, {}, a});
    const xcb_window_t c = maker.make({QByteArray("c"), {}, {}, b});
    maker.setTransientFor(a, c);
    const quint32 popup = desktop.lastActivePopup(a);
    EXPECT_TRUE(popup == a || popup == b || popup == c);
}

TEST_F(DesktopConnectionTest, ActivateRaisesTheWindowAndThenItsPopup)
{
    const xcb_window_t target = maker.make({QByteArray("target"), {}, {}});
    const xcb_window_t popup = maker.make({QByteArray("target's pop-up"), {}, {}, target});
    const xcb_window_t cover = maker.make({QByteArray("cover"), {}, {}});
    maker.raise(cover);
    QList<quint32> order = desktop.stackingOrder();
    ASSERT_GT(order.indexOf(cover), order.indexOf(target));

    desktop.activate(target);
    order = desktop.stackingOrder();
    EXPECT_GT(order.indexOf(target), order.indexOf(cover));
    EXPECT_GT(order.indexOf(popup), order.indexOf(target)) << "the pop-up stays above its owner";
    EXPECT_EQ(desktop.activeWindow(), target);
}

TEST_F(DesktopConnectionTest, IconicStateIsRead)
{
    const xcb_window_t w = maker.make({QByteArray("icon"), {}, {}});
    EXPECT_FALSE(desktop.isIconic(w));
    maker.setIconicState(w);
    EXPECT_TRUE(desktop.isIconic(w));
}
