#pragma once

#include "platform/nativewindow/nativewindowtypes.h"

#include <QHash>
#include <QLoggingCategory>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QWindow>

#include <unordered_map>

Q_DECLARE_LOGGING_CATEGORY(lcNativeWindow)

namespace NativeWindowInternal {

struct WindowClass
{
    NativeWindowFactory factory;
    WindowProcedure procedure = nullptr;
};

struct WindowRecord
{
    QPointer<QWindow> window;
    bool owned = false;
    QString className;
    WindowProcedure procedure = nullptr;
    QHash<QString, void *> properties;
    NativeHandle parent = 0;
    // A child that lost its parent is parked: kept hidden, and shown again once it has a new
    // parent if it was (or was asked to be) visible meanwhile.
    bool parked = false;
    bool parkedVisible = false;
    bool dropsRevoked = false;
};

// The process-wide state of the layer. Each module that links the layer finds the same instance
// through the application object, so the layout below must only change together with
// kLayoutVersion.
class Registry : public QObject
{
public:
    static constexpr int kLayoutVersion = 1;

    // The instance of this process; null (with a warning) when none can be made or another
    // module brought an incompatible one.
    static Registry *instance();

    WindowRecord *record(NativeHandle handle);
    NativeHandle handleOf(const QWindow *window) const;
    NativeHandle addWindow(QWindow *window, bool owned, const QString &className,
                           WindowProcedure procedure);
    // Forgets a window whose QWindow is gone or is about to go.
    void forget(NativeHandle handle);

    const int layoutVersion = kLayoutVersion;
    quint32 nextMessage = NativeMessage::FirstRegistered;
    QHash<QString, quint32> messages;
    QHash<QString, WindowClass> classes;
    std::unordered_map<NativeHandle, WindowRecord> windows;
    QHash<const QWindow *, NativeHandle> handles;
    NativeHandle nextHandle = 0x10000;

private:
    explicit Registry(QObject *parent);
};

// Turns Qt input events of a window made by the layer into the platform's messages, sent to the
// window's procedure before Qt delivers the event (which it still does).
class InputFilter : public QObject
{
public:
    InputFilter(NativeHandle handle, QObject *parent);
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    NativeHandle m_handle;
};

} // namespace NativeWindowInternal
