#pragma once

#include "platform/desktop/desktopwindow.h"

#include <QList>
#include <QString>

#include <memory>
#include <optional>

class DesktopConnectionPrivate;

// The window search and activation of the product's programs, over a connection of its own to
// the X server in $DISPLAY (so it works before the program has a window or a QApplication).
//
// Top-level windows are the window manager's _NET_CLIENT_LIST, or the mapped children of the
// root window when no window manager runs. Without an X server (another platform, or no
// $DISPLAY) the connection is invalid: the search finds nothing and activation does nothing.
class DesktopConnection
{
public:
    // Connects to $DISPLAY.
    DesktopConnection();
    // Connects to the given display (":3"); an empty name means $DISPLAY.
    explicit DesktopConnection(const QString &display);
    ~DesktopConnection();
    DesktopConnection(const DesktopConnection &) = delete;
    DesktopConnection &operator=(const DesktopConnection &) = delete;

    bool isValid() const;

    // The name of the running EWMH window manager; empty when none runs.
    QString windowManagerName() const;

    // In the window manager's order (oldest mapped first), else bottom to top.
    QList<DesktopWindow> topLevelWindows() const;
    std::optional<DesktopWindow> window(quint32 id) const;

    // The pop-up that should come to the front with the window: its newest mapped transient
    // window (following pop-ups of pop-ups), or the window itself when it has none.
    quint32 lastActivePopup(quint32 window) const;
    bool isIconic(quint32 window) const;

    // Brings a window to the front, in the order the product relies on: its last active pop-up
    // is looked up first; then the window is made the active one, raised, restored when
    // minimised, and finally the pop-up is raised above it.
    void activate(quint32 window);

    // The steps of activate(), for callers that need them one by one.
    void setForeground(quint32 window);
    void bringToTop(quint32 window);
    void restore(quint32 window);

    // The window manager's active window (_NET_ACTIVE_WINDOW), else the input focus.
    quint32 activeWindow() const;
    // Top-level windows from bottom to top.
    QList<quint32> stackingOrder() const;

    // Waits until the X server has processed every request sent so far.
    void sync();

private:
    std::unique_ptr<DesktopConnectionPrivate> const d;
};
