#pragma once

#include <QRect>
#include <QString>

#include <functional>

class QWindow;

// A native window handle: an opaque, non-zero number naming one window of this process. Handles
// are never reused while the process lives, so a stale handle is simply no longer valid.
using NativeHandle = quintptr;

// A window procedure: receives every message sent to a window and returns its result.
using WindowProcedure = qintptr (*)(NativeHandle window, quint32 message, quintptr wParam,
                                    qintptr lParam);

// The platform's own messages. Registered messages start at FirstRegistered.
namespace NativeMessage {
enum : quint32 {
    // Sent once after a window of a registered class exists; lParam is the creation parameter.
    Create = 0x0001,
    // Sent once before a window is destroyed; its properties and procedure still work.
    Destroy = 0x0002,
    // Sent for pointer movement over a window; lParam packs the global position (x low, y high).
    HitTest = 0x0084,
    // A key was released over a focused window; wParam is the Qt key code.
    KeyUp = 0x0101,
    // The left button was released; wParam holds the modifiers, lParam packs the local position.
    LeftButtonUp = 0x0202,
    // The pointer left a window.
    MouseLeave = 0x02A3,
    FirstRegistered = 0xC000,
};
} // namespace NativeMessage

// Packs a position into a message parameter as 16-bit signed x (low word) and y (high word).
inline qintptr packPoint(int x, int y)
{
    return qintptr((quint32(quint16(qint16(y))) << 16) | quint16(qint16(x)));
}
inline int pointX(qintptr packed)
{
    return qint16(quint16(packed & 0xFFFF));
}
inline int pointY(qintptr packed)
{
    return qint16(quint16((packed >> 16) & 0xFFFF));
}

// What a window class's factory is given to build the window.
struct NativeWindowCreateInfo
{
    NativeHandle handle = 0;
    QWindow *parent = nullptr;
    QString title;
    QRect geometry;
    const void *param = nullptr;
};

// Builds the QWindow of a new window of a class. The layer owns the returned window and deletes
// it when the handle is destroyed; returning null makes the creation fail.
using NativeWindowFactory = std::function<QWindow *(const NativeWindowCreateInfo &)>;
