#pragma once

#include "platform/desktop/desktopconnection.h"
#include "tests/e2e/e2eprocess.h"

#include <QRect>
#include <QString>

#include <chrono>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

struct xcb_connection_t;

// An X server of the test's own (Xvfb on a display it picks itself, 1280x1024x24, no TCP),
// optionally with a window manager (openbox), plus what a test does on it: finding windows,
// making windows of its own (pop-ups of another program's window, covers), minimising, closing
// and screenshots. Everything it started ends with it.
class E2eDisplay
{
public:
    E2eDisplay();
    ~E2eDisplay();
    E2eDisplay(const E2eDisplay &) = delete;
    E2eDisplay &operator=(const E2eDisplay &) = delete;

    // Starts the server (and the window manager); waits until both are ready. The environment
    // is the window manager's (its home and config folders).
    bool start(bool withWindowManager, const QProcessEnvironment &environment, QString *error);

    // ":N"
    QString name() const { return m_name; }
    DesktopConnection &desktop() { return *m_desktop; }

    using WindowMatch = std::function<bool(const DesktopWindow &)>;
    QList<DesktopWindow> windows(const WindowMatch &match) const;
    // The first top-level window that matches, waiting up to timeout for it to appear.
    std::optional<DesktopWindow> waitForWindow(const WindowMatch &match,
                                               std::chrono::milliseconds timeout);
    // A window whose title contains the text, of the given process when pid is not 0.
    std::optional<DesktopWindow> waitForWindow(const QString &titleContains, qint64 pid,
                                               std::chrono::milliseconds timeout);
    static WindowMatch titleContains(const QString &text, qint64 pid = 0);

    // A plain window of the test, mapped; with transientFor, a pop-up of that window.
    quint32 createWindow(const QString &title, quint32 transientFor = 0,
                         const QRect &geometry = QRect(100, 100, 400, 300));
    void destroyWindow(quint32 window);
    // Sets WM_CLASS ("instance\0Class\0").
    void setWindowClass(quint32 window, const QByteArray &wmClass);
    // Asks the window manager to minimise the window (ICCCM WM_CHANGE_STATE).
    void iconify(quint32 window);
    // Asks the window's program to close it (WM_DELETE_WINDOW), as the close button would.
    void close(quint32 window);

    // Top-level window ids from bottom to top, and where a window is in that order (-1: absent).
    QList<quint32> stackingOrder() const;
    int stackingIndex(quint32 window) const;

    // Writes a PNG of the whole screen (ImageMagick's import); false when that failed.
    bool screenshot(const QString &path);

    // Waits until the condition holds, up to timeout.
    static bool waitUntil(const std::function<bool()> &condition,
                          std::chrono::milliseconds timeout);

private:
    // Until the window manager takes on a window mapped now.
    bool waitUntilManaging();
    quint32 atom(const char *name);
    void sendToRoot(quint32 window, quint32 type, const uint32_t (&data)[5]);
    void sync();

    E2eProcess m_server{QStringLiteral("Xvfb")};
    E2eProcess m_windowManager{QStringLiteral("openbox")};
    QString m_name;
    xcb_connection_t *m_connection = nullptr;
    quint32 m_root = 0;
    std::unique_ptr<DesktopConnection> m_desktop;
    std::vector<quint32> m_windows;
};
