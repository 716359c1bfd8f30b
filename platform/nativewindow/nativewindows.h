#pragma once

#include "platform/nativewindow/nativewindowtypes.h"

#include <QRect>
#include <QSize>
#include <QString>

class QWindow;

// The small native-window layer the movie player's contract is written against: window handles
// backed by QWindow, window classes registered by name, registered window messages, a replaceable
// window procedure per window, named window properties and synchronous messages.
//
// Everything runs on the GUI thread. The state lives once per process even when this layer is
// linked into more than one module (the launcher and the player library each carry a copy), so a
// window created in one module can be sent messages from the other.
class NativeWindows
{
public:
    // Registers a window class. Returns false when the name is taken (the first one stays).
    static bool registerWindowClass(const QString &className, NativeWindowFactory factory,
                                    WindowProcedure procedure);
    static bool isWindowClassRegistered(const QString &className);

    // Creates a window of a registered class as a child of parent (0: a top-level window) at the
    // given position and size; param is handed to the factory and to the Create message. Returns
    // 0 when the class is unknown, the parent is not a valid window or the factory fails.
    static NativeHandle createWindow(const QString &className, const QString &title,
                                     NativeHandle parent, int x, int y, int width, int height,
                                     const void *param);
    // Sends Destroy, then deletes the window and forgets the handle. False for an invalid handle.
    static bool destroyWindow(NativeHandle window);

    // The handle of a window the layer did not create (a widget's top-level window, say), made
    // on first use and forgotten when the window is destroyed. The layer never deletes it.
    static NativeHandle handleForWindow(QWindow *window);
    static QWindow *window(NativeHandle handle);
    static bool isWindow(NativeHandle handle);
    static QString className(NativeHandle handle);

    // The same name always gives the same identifier in this process (names compare without
    // regard to case); 0 for an empty name.
    static quint32 registerWindowMessage(const QString &name);

    static WindowProcedure windowProcedure(NativeHandle window);
    // Installs a new procedure and returns the one it replaces (null for an invalid handle), so the
    // new one can pass messages on with callWindowProcedure.
    static WindowProcedure setWindowProcedure(NativeHandle window, WindowProcedure procedure);
    static qintptr callWindowProcedure(WindowProcedure procedure, NativeHandle window,
                                       quint32 message, quintptr wParam, qintptr lParam);
    // What a window does with a message nobody handled: nothing, result 0.
    static qintptr defaultWindowProcedure(NativeHandle window, quint32 message, quintptr wParam,
                                          qintptr lParam);
    // Calls the window's procedure at once and returns its result; 0 for an invalid handle.
    static qintptr sendMessage(NativeHandle window, quint32 message, quintptr wParam,
                               qintptr lParam);

    // Named properties: one pointer per name and window. setProperty fails for invalid handles.
    static bool setProperty(NativeHandle window, const QString &name, void *value);
    static void *property(NativeHandle window, const QString &name);
    static void *removeProperty(NativeHandle window, const QString &name);

    // Position relative to the parent window (the screen for a top-level window).
    static bool moveWindow(NativeHandle window, int x, int y, int width, int height, bool repaint);
    // Shows or hides; returns whether the window was visible before.
    static bool showWindow(NativeHandle window, bool visible);
    static bool isWindowVisible(NativeHandle window);
    // Moves the window into newParent (0: no parent). A child that loses its parent is kept
    // hidden until it gets a new one, so it never shows up as a stray top-level window. Returns
    // false, changing nothing, when either handle is not valid.
    static bool setParent(NativeHandle window, NativeHandle newParent);
    static NativeHandle parent(NativeHandle window);

    // Whether the window is the active top-level window (a child window never is).
    static bool isActiveWindow(NativeHandle window);
    static bool isTopmost(NativeHandle window);
    static bool isMaximized(NativeHandle window);
    static bool isMinimized(NativeHandle window);
    // The window's rectangle in screen coordinates (right and bottom exclusive).
    static QRect windowRect(NativeHandle window);
    // The title, cut to maxCharacters.
    static QString windowTitle(NativeHandle window, int maxCharacters);

    // The largest and smallest size a user can give a decorated top-level window.
    static QSize maximumTrackingSize();
    static QSize minimumTrackingSize();

    // Makes the window refuse drag-and-drop.
    static bool revokeDragDrop(NativeHandle window);
};
