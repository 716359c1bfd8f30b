#include "platform/desktop/desktopconnection.h"

#include <QByteArray>
#include <QFile>
#include <QLoggingCategory>

#include <algorithm>
#include <cstdlib>
#include <cstring>

#include <xcb/xcb.h>

Q_LOGGING_CATEGORY(lcDesktop, "tessaly.platform.desktop", QtWarningMsg)

namespace {

// Enough for any sensible title or class, and a bound on what another client can make us read.
constexpr uint32_t maxPropertyLongs = 4096;
constexpr uint32_t maxListedWindows = 65536;

constexpr uint32_t iconicState = 3; // ICCCM WM_STATE
// EWMH source indication "pager": the request comes from a program acting for the user (a
// second start of the launcher), so the window manager's focus-stealing prevention lets it
// through.
constexpr uint32_t sourcePager = 2;

struct FreeDeleter
{
    void operator()(void *p) const { std::free(p); }
};
template<typename T>
using Reply = std::unique_ptr<T, FreeDeleter>;

enum AtomIndex {
    NetClientList,
    NetClientListStacking,
    NetWmName,
    NetWmPid,
    NetWmState,
    NetWmStateHidden,
    NetActiveWindow,
    NetRestackWindow,
    NetSupported,
    NetSupportingWmCheck,
    Utf8String,
    WmState,
    AtomCount
};

constexpr const char *atomNames[AtomCount] = {
    "_NET_CLIENT_LIST", "_NET_CLIENT_LIST_STACKING", "_NET_WM_NAME",       "_NET_WM_PID",
    "_NET_WM_STATE",    "_NET_WM_STATE_HIDDEN",      "_NET_ACTIVE_WINDOW", "_NET_RESTACK_WINDOW",
    "_NET_SUPPORTED",   "_NET_SUPPORTING_WM_CHECK",  "UTF8_STRING",        "WM_STATE",
};

} // namespace

class DesktopConnectionPrivate
{
public:
    explicit DesktopConnectionPrivate(const QString &display);
    ~DesktopConnectionPrivate()
    {
        if (connection)
            xcb_disconnect(connection);
    }

    Reply<xcb_get_property_reply_t> property(xcb_window_t window, xcb_atom_t name,
                                             xcb_atom_t type) const;
    QList<quint32> windowList(xcb_window_t window, xcb_atom_t name) const;
    std::optional<quint32> cardinal(xcb_window_t window, xcb_atom_t name, xcb_atom_t type) const;
    QString text(xcb_window_t window, xcb_atom_t name) const;

    // The EWMH window manager's check window, 0 when none runs (or a dead one left its
    // properties behind).
    xcb_window_t windowManagerCheck() const;
    bool supports(AtomIndex atom) const;
    QList<quint32> topLevelIds() const;
    DesktopWindow describe(xcb_window_t id) const;
    bool isMapped(xcb_window_t id) const;
    void sendToRoot(xcb_window_t window, xcb_atom_t type, const uint32_t (&data)[5]);

    xcb_connection_t *connection = nullptr;
    xcb_window_t root = 0;
    xcb_atom_t atoms[AtomCount] = {};
};

DesktopConnectionPrivate::DesktopConnectionPrivate(const QString &display)
{
    const QByteArray name = display.isEmpty() ? qgetenv("DISPLAY") : QFile::encodeName(display);
    // Without a display name xcb_connect would still try its default; another platform has
    // no X server to find.
    if (name.isEmpty())
        return;
    int screenNumber = 0;
    xcb_connection_t *c = xcb_connect(name.constData(), &screenNumber);
    if (xcb_connection_has_error(c)) {
        qCDebug(lcDesktop) << "no X server at" << name;
        xcb_disconnect(c);
        return;
    }
    xcb_screen_iterator_t it = xcb_setup_roots_iterator(xcb_get_setup(c));
    for (int i = 0; i < screenNumber && it.rem; ++i)
        xcb_screen_next(&it);
    if (!it.rem) {
        xcb_disconnect(c);
        return;
    }
    connection = c;
    root = it.data->root;

    xcb_intern_atom_cookie_t cookies[AtomCount];
    for (int i = 0; i < AtomCount; ++i)
        cookies[i] = xcb_intern_atom(c, 0, std::strlen(atomNames[i]), atomNames[i]);
    for (int i = 0; i < AtomCount; ++i) {
        Reply<xcb_intern_atom_reply_t> reply(xcb_intern_atom_reply(c, cookies[i], nullptr));
        atoms[i] = reply ? reply->atom : xcb_atom_t(XCB_ATOM_NONE);
    }
}

Reply<xcb_get_property_reply_t>
DesktopConnectionPrivate::property(xcb_window_t window, xcb_atom_t name, xcb_atom_t type) const
{
    const auto cookie = xcb_get_property(connection, 0, window, name, type, 0, maxPropertyLongs);
    Reply<xcb_get_property_reply_t> reply(xcb_get_property_reply(connection, cookie, nullptr));
    if (reply && reply->type == XCB_ATOM_NONE)
        reply.reset();
    return reply;
}

QList<quint32> DesktopConnectionPrivate::windowList(xcb_window_t window, xcb_atom_t name) const
{
    QList<quint32> ids;
    const auto reply = property(window, name, XCB_ATOM_WINDOW);
    if (!reply || reply->format != 32)
        return ids;
    const int count = xcb_get_property_value_length(reply.get()) / 4;
    const auto *values = static_cast<const uint32_t *>(xcb_get_property_value(reply.get()));
    ids.reserve(count);
    for (int i = 0; i < count; ++i)
        ids.append(values[i]);
    return ids;
}

std::optional<quint32> DesktopConnectionPrivate::cardinal(xcb_window_t window, xcb_atom_t name,
                                                          xcb_atom_t type) const
{
    const auto reply = property(window, name, type);
    if (!reply || reply->format != 32 || xcb_get_property_value_length(reply.get()) < 4)
        return std::nullopt;
    return *static_cast<const uint32_t *>(xcb_get_property_value(reply.get()));
}

QString DesktopConnectionPrivate::text(xcb_window_t window, xcb_atom_t name) const
{
    const auto reply = property(window, name, XCB_GET_PROPERTY_TYPE_ANY);
    if (!reply || reply->format != 8)
        return {};
    const char *data = static_cast<const char *>(xcb_get_property_value(reply.get()));
    const int length = xcb_get_property_value_length(reply.get());
    // STRING is Latin-1 by definition; COMPOUND_TEXT is read as Latin-1 too, which is right
    // for its ASCII part, the part window titles of our programs use.
    if (reply->type == atoms[Utf8String])
        return QString::fromUtf8(data, length);
    return QString::fromLatin1(data, length);
}

xcb_window_t DesktopConnectionPrivate::windowManagerCheck() const
{
    const auto check = cardinal(root, atoms[NetSupportingWmCheck], XCB_ATOM_WINDOW);
    if (!check || *check == 0)
        return 0;
    const auto self = cardinal(*check, atoms[NetSupportingWmCheck], XCB_ATOM_WINDOW);
    return self && *self == *check ? *check : 0;
}

bool DesktopConnectionPrivate::supports(AtomIndex atom) const
{
    if (!windowManagerCheck())
        return false;
    const auto reply = property(root, atoms[NetSupported], XCB_ATOM_ATOM);
    if (!reply || reply->format != 32)
        return false;
    const int count = xcb_get_property_value_length(reply.get()) / 4;
    const auto *values = static_cast<const xcb_atom_t *>(xcb_get_property_value(reply.get()));
    return std::find(values, values + count, atoms[atom]) != values + count;
}

bool DesktopConnectionPrivate::isMapped(xcb_window_t id) const
{
    const auto cookie = xcb_get_window_attributes(connection, id);
    Reply<xcb_get_window_attributes_reply_t> attributes(
        xcb_get_window_attributes_reply(connection, cookie, nullptr));
    return attributes && attributes->map_state == XCB_MAP_STATE_VIEWABLE &&
           !attributes->override_redirect;
}

QList<quint32> DesktopConnectionPrivate::topLevelIds() const
{
    if (windowManagerCheck())
        return windowList(root, atoms[NetClientList]).mid(0, maxListedWindows);

    // No window manager: the mapped children of the root. Unmapped ones are helper windows
    // (Qt keeps several), and override-redirect ones are menus and tool tips, not windows of
    // the user.
    QList<quint32> ids;
    const auto cookie = xcb_query_tree(connection, root);
    Reply<xcb_query_tree_reply_t> tree(xcb_query_tree_reply(connection, cookie, nullptr));
    if (!tree)
        return ids;
    const int count = std::min<int>(xcb_query_tree_children_length(tree.get()), maxListedWindows);
    const xcb_window_t *children = xcb_query_tree_children(tree.get());
    QList<xcb_get_window_attributes_cookie_t> cookies;
    cookies.reserve(count);
    for (int i = 0; i < count; ++i)
        cookies.append(xcb_get_window_attributes(connection, children[i]));
    for (int i = 0; i < count; ++i) {
        Reply<xcb_get_window_attributes_reply_t> attributes(
            xcb_get_window_attributes_reply(connection, cookies.at(i), nullptr));
        if (attributes && attributes->map_state == XCB_MAP_STATE_VIEWABLE &&
            !attributes->override_redirect)
            ids.append(children[i]);
    }
    return ids;
}

DesktopWindow DesktopConnectionPrivate::describe(xcb_window_t id) const
{
    DesktopWindow window;
    window.id = id;
    window.title = text(id, atoms[NetWmName]);
    if (window.title.isEmpty())
        window.title = text(id, XCB_ATOM_WM_NAME);

    if (const auto reply = property(id, XCB_ATOM_WM_CLASS, XCB_ATOM_STRING);
        reply && reply->format == 8) {
        const char *data = static_cast<const char *>(xcb_get_property_value(reply.get()));
        const QList<QByteArray> parts =
            QByteArray(data, xcb_get_property_value_length(reply.get())).split('\0');
        window.instanceName = parts.size() > 0 ? QString::fromLatin1(parts.at(0)) : QString();
        window.className = parts.size() > 1 ? QString::fromLatin1(parts.at(1)) : QString();
    }
    window.transientFor = cardinal(id, XCB_ATOM_WM_TRANSIENT_FOR, XCB_ATOM_WINDOW).value_or(0);
    window.pid = cardinal(id, atoms[NetWmPid], XCB_ATOM_CARDINAL).value_or(0);

    window.iconic = cardinal(id, atoms[WmState], atoms[WmState]) == iconicState;
    if (const auto state = property(id, atoms[NetWmState], XCB_ATOM_ATOM);
        !window.iconic && state && state->format == 32) {
        const int count = xcb_get_property_value_length(state.get()) / 4;
        const auto *values = static_cast<const xcb_atom_t *>(xcb_get_property_value(state.get()));
        window.iconic =
            std::find(values, values + count, atoms[NetWmStateHidden]) != values + count;
    }
    return window;
}

void DesktopConnectionPrivate::sendToRoot(xcb_window_t window, xcb_atom_t type,
                                          const uint32_t (&data)[5])
{
    xcb_client_message_event_t event;
    std::memset(&event, 0, sizeof event);
    event.response_type = XCB_CLIENT_MESSAGE;
    event.format = 32;
    event.window = window;
    event.type = type;
    std::copy(std::begin(data), std::end(data), event.data.data32);
    xcb_send_event(connection, 0, root,
                   XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT | XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY,
                   reinterpret_cast<const char *>(&event));
}

DesktopConnection::DesktopConnection()
    : DesktopConnection(QString())
{
}

DesktopConnection::DesktopConnection(const QString &display)
    : d(std::make_unique<DesktopConnectionPrivate>(display))
{
}

DesktopConnection::~DesktopConnection() = default;

bool DesktopConnection::isValid() const
{
    return d->connection != nullptr;
}

QString DesktopConnection::windowManagerName() const
{
    if (!isValid())
        return {};
    const xcb_window_t check = d->windowManagerCheck();
    return check ? d->text(check, d->atoms[NetWmName]) : QString();
}

QList<DesktopWindow> DesktopConnection::topLevelWindows() const
{
    QList<DesktopWindow> windows;
    if (!isValid())
        return windows;
    const QList<quint32> ids = d->topLevelIds();
    windows.reserve(ids.size());
    for (const quint32 id : ids)
        windows.append(d->describe(id));
    return windows;
}

std::optional<DesktopWindow> DesktopConnection::window(quint32 id) const
{
    if (!isValid() || id == 0)
        return std::nullopt;
    const auto cookie = xcb_get_window_attributes(d->connection, id);
    Reply<xcb_get_window_attributes_reply_t> attributes(
        xcb_get_window_attributes_reply(d->connection, cookie, nullptr));
    if (!attributes)
        return std::nullopt;
    return d->describe(id);
}

quint32 DesktopConnection::lastActivePopup(quint32 window) const
{
    if (!isValid())
        return window;
    const QList<DesktopWindow> windows = topLevelWindows();
    const bool managed = d->windowManagerCheck() != 0;
    quint32 popup = window;
    // Follows pop-ups of pop-ups; the bound guards against a cycle of WM_TRANSIENT_FOR.
    for (int depth = 0; depth < 16; ++depth) {
        quint32 newest = 0;
        for (const DesktopWindow &candidate : windows) {
            // With a window manager the client list holds only windows their program mapped
            // (an iconified owner's pop-ups stay in it); without one, the window must be
            // viewable.
            if (candidate.transientFor == popup && candidate.id != popup &&
                (managed || d->isMapped(candidate.id)))
                newest = candidate.id;
        }
        if (!newest)
            break;
        popup = newest;
    }
    return popup;
}

bool DesktopConnection::isIconic(quint32 window) const
{
    return isValid() && d->describe(window).iconic;
}

void DesktopConnection::setForeground(quint32 window)
{
    if (!isValid())
        return;
    if (d->supports(NetActiveWindow)) {
        d->sendToRoot(window, d->atoms[NetActiveWindow],
                      {sourcePager, XCB_CURRENT_TIME, activeWindow(), 0, 0});
    } else if (d->isMapped(window)) {
        xcb_set_input_focus(d->connection, XCB_INPUT_FOCUS_POINTER_ROOT, window, XCB_CURRENT_TIME);
    }
    xcb_flush(d->connection);
}

void DesktopConnection::bringToTop(quint32 window)
{
    if (!isValid())
        return;
    if (d->supports(NetRestackWindow)) {
        d->sendToRoot(window, d->atoms[NetRestackWindow],
                      {sourcePager, XCB_NONE, XCB_STACK_MODE_ABOVE, 0, 0});
    } else {
        // Without a window manager this raises the window itself; a window manager that does
        // not know _NET_RESTACK_WINDOW receives it as a configure request.
        const uint32_t above = XCB_STACK_MODE_ABOVE;
        xcb_configure_window(d->connection, window, XCB_CONFIG_WINDOW_STACK_MODE, &above);
    }
    xcb_flush(d->connection);
}

void DesktopConnection::restore(quint32 window)
{
    if (!isValid())
        return;
    // ICCCM: mapping an iconic window asks the window manager to return it to the normal state.
    xcb_map_window(d->connection, window);
    xcb_flush(d->connection);
}

void DesktopConnection::activate(quint32 window)
{
    if (!isValid() || window == 0)
        return;
    const quint32 popup = lastActivePopup(window);
    setForeground(window);
    bringToTop(window);
    if (isIconic(window))
        restore(window);
    if (popup != window)
        bringToTop(popup);
    sync();
}

quint32 DesktopConnection::activeWindow() const
{
    if (!isValid())
        return 0;
    if (d->windowManagerCheck()) {
        if (const auto active = d->cardinal(d->root, d->atoms[NetActiveWindow], XCB_ATOM_WINDOW))
            return *active;
    }
    Reply<xcb_get_input_focus_reply_t> focus(
        xcb_get_input_focus_reply(d->connection, xcb_get_input_focus(d->connection), nullptr));
    return focus ? focus->focus : 0;
}

QList<quint32> DesktopConnection::stackingOrder() const
{
    if (!isValid())
        return {};
    if (d->windowManagerCheck())
        return d->windowList(d->root, d->atoms[NetClientListStacking]);
    return d->topLevelIds();
}

void DesktopConnection::sync()
{
    if (!isValid())
        return;
    Reply<xcb_get_input_focus_reply_t> reply(
        xcb_get_input_focus_reply(d->connection, xcb_get_input_focus(d->connection), nullptr));
}
