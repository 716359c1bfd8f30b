#include "platform/nativewindow/nativewindows.h"

#include "platform/nativewindow/nativewindowregistry_p.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWindow>

using NativeWindowInternal::Registry;
using NativeWindowInternal::WindowRecord;

namespace {

WindowRecord *recordOf(NativeHandle handle)
{
    Registry *registry = Registry::instance();
    return registry ? registry->record(handle) : nullptr;
}

} // namespace

bool NativeWindows::registerWindowClass(const QString &className, NativeWindowFactory factory,
                                        WindowProcedure procedure)
{
    Registry *registry = Registry::instance();
    if (!registry || className.isEmpty() || !factory || registry->classes.contains(className))
        return false;
    registry->classes.insert(className, {std::move(factory), procedure});
    return true;
}

bool NativeWindows::isWindowClassRegistered(const QString &className)
{
    Registry *registry = Registry::instance();
    return registry && registry->classes.contains(className);
}

NativeHandle NativeWindows::createWindow(const QString &className, const QString &title,
                                         NativeHandle parent, int x, int y, int width, int height,
                                         const void *param)
{
    Registry *registry = Registry::instance();
    if (!registry)
        return 0;
    const auto cls = registry->classes.constFind(className);
    if (cls == registry->classes.cend()) {
        qCWarning(lcNativeWindow) << "no window class" << className;
        return 0;
    }
    QWindow *parentWindow = nullptr;
    if (parent) {
        WindowRecord *parentRecord = registry->record(parent);
        if (!parentRecord)
            return 0;
        parentWindow = parentRecord->window;
    }
    NativeWindowCreateInfo info;
    info.handle = registry->nextHandle + 4;
    info.parent = parentWindow;
    info.title = title;
    info.geometry = QRect(x, y, width, height);
    info.param = param;
    // Copied: the factory may register classes itself.
    const NativeWindowFactory factory = cls->factory;
    const WindowProcedure procedure = cls->procedure ? cls->procedure : &defaultWindowProcedure;
    QWindow *window = factory(info);
    if (!window)
        return 0;
    if (window->parent() != parentWindow)
        window->setParent(parentWindow);
    window->setTitle(title);
    window->setGeometry(info.geometry);
    const NativeHandle handle = registry->addWindow(window, true, className, procedure);
    Q_ASSERT(handle == info.handle);
    registry->record(handle)->parent = parent;
    sendMessage(handle, NativeMessage::Create, 0, reinterpret_cast<qintptr>(param));
    return handle;
}

bool NativeWindows::destroyWindow(NativeHandle handle)
{
    Registry *registry = Registry::instance();
    WindowRecord *rec = registry ? registry->record(handle) : nullptr;
    if (!rec)
        return false;
    if (!rec->owned) {
        qCWarning(lcNativeWindow) << "a window the layer did not create is not destroyed by it";
        return false;
    }
    sendMessage(handle, NativeMessage::Destroy, 0, 0);
    // The procedure may have destroyed it already.
    rec = registry->record(handle);
    if (!rec)
        return true;
    QPointer<QWindow> window = rec->window;
    registry->forget(handle);
    delete window.data();
    return true;
}

NativeHandle NativeWindows::handleForWindow(QWindow *window)
{
    Registry *registry = Registry::instance();
    if (!registry || !window)
        return 0;
    if (const NativeHandle known = registry->handleOf(window))
        return known;
    const NativeHandle handle =
        registry->addWindow(window, false, QString(), &defaultWindowProcedure);
    if (QWindow *parentWindow = window->parent())
        registry->record(handle)->parent = registry->handleOf(parentWindow);
    return handle;
}

QWindow *NativeWindows::window(NativeHandle handle)
{
    WindowRecord *rec = recordOf(handle);
    return rec ? rec->window.data() : nullptr;
}

bool NativeWindows::isWindow(NativeHandle handle)
{
    return recordOf(handle) != nullptr;
}

QString NativeWindows::className(NativeHandle handle)
{
    WindowRecord *rec = recordOf(handle);
    return rec ? rec->className : QString();
}

quint32 NativeWindows::registerWindowMessage(const QString &name)
{
    Registry *registry = Registry::instance();
    if (!registry || name.isEmpty())
        return 0;
    const QString key = name.toCaseFolded();
    const auto it = registry->messages.constFind(key);
    if (it != registry->messages.cend())
        return *it;
    const quint32 id = registry->nextMessage++;
    registry->messages.insert(key, id);
    return id;
}

WindowProcedure NativeWindows::windowProcedure(NativeHandle handle)
{
    WindowRecord *rec = recordOf(handle);
    return rec ? rec->procedure : nullptr;
}

WindowProcedure NativeWindows::setWindowProcedure(NativeHandle handle, WindowProcedure procedure)
{
    WindowRecord *rec = recordOf(handle);
    if (!rec || !procedure)
        return nullptr;
    const WindowProcedure previous = rec->procedure;
    rec->procedure = procedure;
    return previous;
}

qintptr NativeWindows::callWindowProcedure(WindowProcedure procedure, NativeHandle handle,
                                           quint32 message, quintptr wParam, qintptr lParam)
{
    if (!procedure)
        return defaultWindowProcedure(handle, message, wParam, lParam);
    return procedure(handle, message, wParam, lParam);
}

qintptr NativeWindows::defaultWindowProcedure(NativeHandle, quint32, quintptr, qintptr)
{
    return 0;
}

qintptr NativeWindows::sendMessage(NativeHandle handle, quint32 message, quintptr wParam,
                                   qintptr lParam)
{
    Registry *registry = Registry::instance();
    if (!registry)
        return 0;
    // Looked up without the live-window check: a Destroy message reaches the procedure of a
    // window whose QWindow is already being torn down.
    const auto it = registry->windows.find(handle);
    if (it == registry->windows.end())
        return 0;
    return callWindowProcedure(it->second.procedure, handle, message, wParam, lParam);
}

bool NativeWindows::setProperty(NativeHandle handle, const QString &name, void *value)
{
    WindowRecord *rec = recordOf(handle);
    if (!rec || name.isEmpty())
        return false;
    rec->properties.insert(name, value);
    return true;
}

void *NativeWindows::property(NativeHandle handle, const QString &name)
{
    Registry *registry = Registry::instance();
    if (!registry)
        return nullptr;
    const auto it = registry->windows.find(handle);
    return it == registry->windows.end() ? nullptr : it->second.properties.value(name, nullptr);
}

void *NativeWindows::removeProperty(NativeHandle handle, const QString &name)
{
    Registry *registry = Registry::instance();
    if (!registry)
        return nullptr;
    const auto it = registry->windows.find(handle);
    return it == registry->windows.end() ? nullptr : it->second.properties.take(name);
}

bool NativeWindows::moveWindow(NativeHandle handle, int x, int y, int width, int height,
                               bool repaint)
{
    WindowRecord *rec = recordOf(handle);
    if (!rec)
        return false;
    rec->window->setGeometry(x, y, qMax(width, 0), qMax(height, 0));
    if (repaint)
        rec->window->requestUpdate();
    return true;
}

bool NativeWindows::showWindow(NativeHandle handle, bool visible)
{
    WindowRecord *rec = recordOf(handle);
    if (!rec)
        return false;
    if (rec->parked) {
        const bool wasVisible = rec->parkedVisible;
        rec->parkedVisible = visible;
        return wasVisible;
    }
    const bool wasVisible = rec->window->isVisible();
    rec->window->setVisible(visible);
    return wasVisible;
}

bool NativeWindows::isWindowVisible(NativeHandle handle)
{
    WindowRecord *rec = recordOf(handle);
    return rec && rec->window->isVisible();
}

bool NativeWindows::setParent(NativeHandle handle, NativeHandle newParent)
{
    Registry *registry = Registry::instance();
    WindowRecord *rec = registry ? registry->record(handle) : nullptr;
    if (!rec || newParent == handle)
        return false;
    QWindow *parentWindow = nullptr;
    if (newParent) {
        WindowRecord *parentRecord = registry->record(newParent);
        if (!parentRecord)
            return false;
        parentWindow = parentRecord->window;
    }
    QWindow *window = rec->window;
    if (!parentWindow) {
        if (window->parent() && !rec->parked) {
            rec->parked = true;
            rec->parkedVisible = window->isVisible();
            window->setVisible(false);
        }
        window->setParent(nullptr);
        rec->parent = 0;
        return true;
    }
    window->setParent(parentWindow);
    rec->parent = newParent;
    if (rec->parked) {
        rec->parked = false;
        if (rec->parkedVisible)
            window->setVisible(true);
        rec->parkedVisible = false;
    }
    return true;
}

NativeHandle NativeWindows::parent(NativeHandle handle)
{
    WindowRecord *rec = recordOf(handle);
    return rec ? rec->parent : 0;
}

bool NativeWindows::isActiveWindow(NativeHandle handle)
{
    WindowRecord *rec = recordOf(handle);
    return rec && !rec->window->parent() && rec->window->isActive();
}

bool NativeWindows::isTopmost(NativeHandle handle)
{
    WindowRecord *rec = recordOf(handle);
    return rec && rec->window->flags().testFlag(Qt::WindowStaysOnTopHint);
}

bool NativeWindows::isMaximized(NativeHandle handle)
{
    WindowRecord *rec = recordOf(handle);
    return rec && rec->window->windowStates().testFlag(Qt::WindowMaximized);
}

bool NativeWindows::isMinimized(NativeHandle handle)
{
    WindowRecord *rec = recordOf(handle);
    return rec && rec->window->windowStates().testFlag(Qt::WindowMinimized);
}

QRect NativeWindows::windowRect(NativeHandle handle)
{
    WindowRecord *rec = recordOf(handle);
    if (!rec)
        return QRect();
    return QRect(rec->window->mapToGlobal(QPoint(0, 0)), rec->window->size());
}

QString NativeWindows::windowTitle(NativeHandle handle, int maxCharacters)
{
    WindowRecord *rec = recordOf(handle);
    return rec ? rec->window->title().left(qMax(maxCharacters, 0)) : QString();
}

QSize NativeWindows::maximumTrackingSize()
{
    // A window may span the whole virtual desktop, as a user can drag it that large.
    if (QScreen *screen = QGuiApplication::primaryScreen())
        return screen->virtualSize();
    return QSize(16777215, 16777215);
}

QSize NativeWindows::minimumTrackingSize()
{
    // Small enough to keep a title bar with its buttons usable under the usual window managers.
    return QSize(136, 39);
}

bool NativeWindows::revokeDragDrop(NativeHandle handle)
{
    WindowRecord *rec = recordOf(handle);
    if (!rec)
        return false;
    rec->dropsRevoked = true;
    return true;
}
