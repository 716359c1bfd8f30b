#include "tests/e2e/e2edisplay.h"

#include "tests/e2e/e2ewait.h"

#include <QFile>

#include <algorithm>

#include <csignal>
#include <cstdlib>
#include <cstring>

#include <xcb/xcb.h>

using namespace std::chrono_literals;

namespace {

constexpr auto startTimeout = 20s;

} // namespace

E2eDisplay::E2eDisplay()
    : m_desktop(std::make_unique<DesktopConnection>(QStringLiteral(":none")))
{
}

E2eDisplay::~E2eDisplay()
{
    m_desktop.reset();
    if (m_connection) {
        for (const quint32 window : m_windows)
            xcb_destroy_window(m_connection, window);
        xcb_disconnect(m_connection);
    }
    m_windowManager.kill(SIGTERM);
    m_windowManager.waitForExit(3s);
    m_server.kill(SIGTERM);
    m_server.waitForExit(3s);
    // E2eProcess kills whatever did not end.
}

bool E2eDisplay::start(bool withWindowManager, const QProcessEnvironment &environment,
                       QString *error)
{
    // -displayfd: the server picks a free display itself and writes its number once it accepts
    // connections, so parallel test runs never race for a number and nothing sleeps. -noreset:
    // the server would otherwise reset whenever its last client leaves, refusing the next one.
    if (!m_server.start(QStringLiteral("Xvfb"),
                        {QStringLiteral("-displayfd"), QStringLiteral("1"),
                         QStringLiteral("-screen"), QStringLiteral("0"),
                         QStringLiteral("1280x1024x24"), QStringLiteral("-nolisten"),
                         QStringLiteral("tcp"), QStringLiteral("-noreset")},
                        environment)) {
        *error = QStringLiteral("Xvfb did not start: ") + m_server.errorString();
        return false;
    }
    if (!m_server.waitForOutput(QStringLiteral("\n"), startTimeout)) {
        *error = QStringLiteral("Xvfb did not report a display: ") + m_server.describe();
        return false;
    }
    m_name = QLatin1Char(':') + QString::fromLatin1(m_server.standardOutput().trimmed());

    m_connection = xcb_connect(QFile::encodeName(m_name).constData(), nullptr);
    if (xcb_connection_has_error(m_connection)) {
        *error = QStringLiteral("cannot connect to ") + m_name;
        return false;
    }
    m_root = xcb_setup_roots_iterator(xcb_get_setup(m_connection)).data->root;
    m_desktop = std::make_unique<DesktopConnection>(m_name);
    if (!m_desktop->isValid()) {
        *error = QStringLiteral("the desktop connection to ") + m_name + QStringLiteral(" failed");
        return false;
    }
    if (!withWindowManager)
        return true;

    QProcessEnvironment wmEnvironment = environment;
    wmEnvironment.insert(QStringLiteral("DISPLAY"), m_name);
    if (!m_windowManager.start(QStringLiteral("openbox"), {QStringLiteral("--sm-disable")},
                               wmEnvironment)) {
        *error = QStringLiteral("openbox did not start: ") + m_windowManager.errorString();
        return false;
    }
    if (!waitUntil([this] { return !m_desktop->windowManagerName().isEmpty(); }, startTimeout)) {
        *error = QStringLiteral("no window manager came up: ") + m_windowManager.describe();
        return false;
    }
    if (!waitUntilManaging()) {
        *error =
            QStringLiteral("the window manager takes on no windows: ") + m_windowManager.describe();
        return false;
    }
    return true;
}

bool E2eDisplay::waitUntilManaging()
{
    // openbox names itself before its event loop runs, and a window mapped in that gap can stay
    // unmanaged until some other event wakes the manager. A probe window it takes on shows that
    // the loop runs; a property change on the root, which it watches, wakes it meanwhile. The
    // probe is gone from its client list again before any test makes a window.
    const quint32 probe =
        createWindow(QStringLiteral("e2e window manager probe"), 0, QRect(0, 0, 1, 1));
    const auto listed = [this, probe] {
        return !windows([probe](const DesktopWindow &window) {
                    return window.id == probe;
                }).isEmpty();
    };
    uint32_t nudge = 0;
    const bool managed = waitUntil(
        [&] {
            if (listed())
                return true;
            ++nudge;
            xcb_change_property(m_connection, XCB_PROP_MODE_REPLACE, m_root,
                                atom("_TESSALY_E2E_NUDGE"), XCB_ATOM_CARDINAL, 32, 1, &nudge);
            xcb_flush(m_connection);
            return false;
        },
        startTimeout);
    destroyWindow(probe);
    return managed && waitUntil([&] { return !listed(); }, startTimeout);
}

E2eDisplay::WindowMatch E2eDisplay::titleContains(const QString &text, qint64 pid)
{
    return [text, pid](const DesktopWindow &window) {
        return window.title.contains(text) && (pid == 0 || window.pid == pid);
    };
}

QList<DesktopWindow> E2eDisplay::windows(const WindowMatch &match) const
{
    QList<DesktopWindow> found;
    const QList<DesktopWindow> all = m_desktop->topLevelWindows();
    for (const DesktopWindow &window : all) {
        if (match(window))
            found.append(window);
    }
    return found;
}

std::optional<DesktopWindow> E2eDisplay::waitForWindow(const WindowMatch &match,
                                                       std::chrono::milliseconds timeout)
{
    std::optional<DesktopWindow> found;
    waitUntil(
        [&] {
            const QList<DesktopWindow> matching = windows(match);
            if (!matching.isEmpty())
                found = matching.first();
            return found.has_value();
        },
        timeout);
    return found;
}

std::optional<DesktopWindow> E2eDisplay::waitForWindow(const QString &text, qint64 pid,
                                                       std::chrono::milliseconds timeout)
{
    return waitForWindow(titleContains(text, pid), timeout);
}

quint32 E2eDisplay::createWindow(const QString &title, quint32 transientFor, const QRect &geometry)
{
    if (!m_connection)
        return 0;
    const xcb_window_t window = xcb_generate_id(m_connection);
    const uint32_t values[] = {0x00506070}; // background pixel
    xcb_create_window(m_connection, XCB_COPY_FROM_PARENT, window, m_root, geometry.x(),
                      geometry.y(), geometry.width(), geometry.height(), 0,
                      XCB_WINDOW_CLASS_INPUT_OUTPUT, XCB_COPY_FROM_PARENT, XCB_CW_BACK_PIXEL,
                      values);
    const QByteArray utf8 = title.toUtf8();
    xcb_change_property(m_connection, XCB_PROP_MODE_REPLACE, window, atom("_NET_WM_NAME"),
                        atom("UTF8_STRING"), 8, utf8.size(), utf8.constData());
    const QByteArray latin1 = title.toLatin1();
    xcb_change_property(m_connection, XCB_PROP_MODE_REPLACE, window, XCB_ATOM_WM_NAME,
                        XCB_ATOM_STRING, 8, latin1.size(), latin1.constData());
    static const char wmClass[] = "e2e\0E2eTest";
    xcb_change_property(m_connection, XCB_PROP_MODE_REPLACE, window, XCB_ATOM_WM_CLASS,
                        XCB_ATOM_STRING, 8, sizeof wmClass, wmClass);
    if (transientFor) {
        const uint32_t owner = transientFor;
        xcb_change_property(m_connection, XCB_PROP_MODE_REPLACE, window, XCB_ATOM_WM_TRANSIENT_FOR,
                            XCB_ATOM_WINDOW, 32, 1, &owner);
    }
    xcb_map_window(m_connection, window);
    m_windows.push_back(window);
    sync();
    return window;
}

void E2eDisplay::destroyWindow(quint32 window)
{
    if (!m_connection)
        return;
    xcb_destroy_window(m_connection, window);
    std::erase(m_windows, window);
    sync();
}

void E2eDisplay::setWindowClass(quint32 window, const QByteArray &wmClass)
{
    if (!m_connection)
        return;
    xcb_change_property(m_connection, XCB_PROP_MODE_REPLACE, window, XCB_ATOM_WM_CLASS,
                        XCB_ATOM_STRING, 8, wmClass.size(), wmClass.constData());
    sync();
}

void E2eDisplay::iconify(quint32 window)
{
    constexpr uint32_t iconicState = 3;
    sendToRoot(window, atom("WM_CHANGE_STATE"), {iconicState, 0, 0, 0, 0});
}

void E2eDisplay::close(quint32 window)
{
    if (!m_connection)
        return;
    xcb_client_message_event_t event;
    std::memset(&event, 0, sizeof event);
    event.response_type = XCB_CLIENT_MESSAGE;
    event.format = 32;
    event.window = window;
    event.type = atom("WM_PROTOCOLS");
    event.data.data32[0] = atom("WM_DELETE_WINDOW");
    event.data.data32[1] = XCB_CURRENT_TIME;
    xcb_send_event(m_connection, 0, window, XCB_EVENT_MASK_NO_EVENT,
                   reinterpret_cast<const char *>(&event));
    sync();
}

QList<quint32> E2eDisplay::stackingOrder() const
{
    return m_desktop->stackingOrder();
}

int E2eDisplay::stackingIndex(quint32 window) const
{
    return int(stackingOrder().indexOf(window));
}

bool E2eDisplay::screenshot(const QString &path)
{
    E2eProcess import(QStringLiteral("import"));
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    if (!import.start(QStringLiteral("import"),
                      {QStringLiteral("-display"), m_name, QStringLiteral("-window"),
                       QStringLiteral("root"), path},
                      environment))
        return false;
    return import.waitForExit(20s) && import.exitCode() == 0 && QFile::exists(path);
}

bool E2eDisplay::waitUntil(const std::function<bool()> &condition,
                           std::chrono::milliseconds timeout)
{
    return E2eWait::until(condition, timeout);
}

quint32 E2eDisplay::atom(const char *name)
{
    if (!m_connection)
        return 0;
    auto *reply = xcb_intern_atom_reply(
        m_connection, xcb_intern_atom(m_connection, 0, std::strlen(name), name), nullptr);
    const quint32 value = reply ? reply->atom : 0;
    std::free(reply);
    return value;
}

void E2eDisplay::sendToRoot(quint32 window, quint32 type, const uint32_t (&data)[5])
{
    if (!m_connection)
        return;
    xcb_client_message_event_t event;
    std::memset(&event, 0, sizeof event);
    event.response_type = XCB_CLIENT_MESSAGE;
    event.format = 32;
    event.window = window;
    event.type = type;
    std::copy(std::begin(data), std::end(data), event.data.data32);
    xcb_send_event(m_connection, 0, m_root,
                   XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT | XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY,
                   reinterpret_cast<const char *>(&event));
    sync();
}

void E2eDisplay::sync()
{
    if (m_connection) {
        std::free(
            xcb_get_input_focus_reply(m_connection, xcb_get_input_focus(m_connection), nullptr));
    }
}
