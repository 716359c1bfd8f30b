#include "platform/nativewindow/nativewindowregistry_p.h"

#include "platform/nativewindow/nativewindows.h"

#include <QCoreApplication>
#include <QKeyEvent>
#include <QLoggingCategory>
#include <QMouseEvent>
#include <QThread>

Q_LOGGING_CATEGORY(lcNativeWindow, "tessaly.platform.nativewindow", QtWarningMsg)

namespace NativeWindowInternal {

namespace {

constexpr char kAnchorProperty[] = "_tessaly_nativewindow_registry";

} // namespace

Registry::Registry(QObject *parent)
    : QObject(parent)
{
}

Registry *Registry::instance()
{
    QCoreApplication *app = QCoreApplication::instance();
    if (!app) {
        // Without an application there are no windows; messages and classes still work.
        static Registry detached(nullptr);
        return &detached;
    }
    if (QThread::currentThread() != app->thread()) {
        qCWarning(lcNativeWindow)
            << "native windows are used from a thread other than the GUI thread";
        return nullptr;
    }
    const QVariant anchored = app->property(kAnchorProperty);
    if (anchored.isValid()) {
        auto *registry = reinterpret_cast<Registry *>(anchored.value<quintptr>());
        if (registry->layoutVersion != kLayoutVersion) {
            qCWarning(lcNativeWindow) << "incompatible native window layer in this process";
            return nullptr;
        }
        return registry;
    }
    // Owned by the application, so it goes with it; the anchor makes every module find it.
    auto *registry = new Registry(app);
    app->setProperty(kAnchorProperty, QVariant::fromValue(reinterpret_cast<quintptr>(registry)));
    return registry;
}

WindowRecord *Registry::record(NativeHandle handle)
{
    const auto it = windows.find(handle);
    if (it == windows.end() || !it->second.window)
        return nullptr;
    return &it->second;
}

NativeHandle Registry::handleOf(const QWindow *window) const
{
    return handles.value(window, 0);
}

NativeHandle Registry::addWindow(QWindow *window, bool owned, const QString &className,
                                 WindowProcedure procedure)
{
    // Even numbers from a high start, never reused: a stale handle cannot name a new window.
    nextHandle += 4;
    const NativeHandle handle = nextHandle;
    WindowRecord &rec = windows[handle];
    rec.window = window;
    rec.owned = owned;
    rec.className = className;
    rec.procedure = procedure;
    handles.insert(window, handle);
    QObject::connect(window, &QObject::destroyed, this, [this, handle, window] {
        // The window went away without destroyWindow (its parent took it along).
        if (windows.count(handle)) {
            if (windows[handle].owned)
                NativeWindows::sendMessage(handle, NativeMessage::Destroy, 0, 0);
            handles.remove(window);
            windows.erase(handle);
        }
    });
    if (owned)
        window->installEventFilter(new InputFilter(handle, window));
    return handle;
}

void Registry::forget(NativeHandle handle)
{
    const auto it = windows.find(handle);
    if (it == windows.end())
        return;
    if (it->second.window) {
        QObject::disconnect(it->second.window, &QObject::destroyed, this, nullptr);
        handles.remove(it->second.window.data());
    } else {
        for (auto h = handles.begin(); h != handles.end();) {
            if (h.value() == handle)
                h = handles.erase(h);
            else
                ++h;
        }
    }
    windows.erase(it);
}

InputFilter::InputFilter(NativeHandle handle, QObject *parent)
    : QObject(parent)
    , m_handle(handle)
{
}

bool InputFilter::eventFilter(QObject *watched, QEvent *event)
{
    switch (event->type()) {
    case QEvent::MouseMove: {
        const auto *mouse = static_cast<QMouseEvent *>(event);
        const QPoint global = mouse->globalPosition().toPoint();
        NativeWindows::sendMessage(m_handle, NativeMessage::HitTest, 0,
                                   packPoint(global.x(), global.y()));
        break;
    }
    case QEvent::MouseButtonRelease: {
        const auto *mouse = static_cast<QMouseEvent *>(event);
        if (mouse->button() == Qt::LeftButton) {
            const QPoint local = mouse->position().toPoint();
            NativeWindows::sendMessage(m_handle, NativeMessage::LeftButtonUp,
                                       quintptr(mouse->modifiers().toInt()),
                                       packPoint(local.x(), local.y()));
        }
        break;
    }
    case QEvent::KeyRelease:
        NativeWindows::sendMessage(m_handle, NativeMessage::KeyUp,
                                   quintptr(static_cast<QKeyEvent *>(event)->key()), 0);
        break;
    case QEvent::Leave:
        NativeWindows::sendMessage(m_handle, NativeMessage::MouseLeave, 0, 0);
        break;
    case QEvent::DragEnter:
    case QEvent::DragMove:
    case QEvent::Drop: {
        Registry *registry = Registry::instance();
        WindowRecord *rec = registry ? registry->record(m_handle) : nullptr;
        if (rec && rec->dropsRevoked) {
            event->ignore();
            return true;
        }
        break;
    }
    default:
        break;
    }
    return QObject::eventFilter(watched, event);
}

} // namespace NativeWindowInternal
