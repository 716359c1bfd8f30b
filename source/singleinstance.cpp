#include "source/singleinstance.h"

#include "locale/zstring.h"
#include "platform/desktop/desktopconnection.h"
#include "platform/namedmutex/namedmutex.h"

#include <QLoggingCategory>

#include <chrono>
#include <optional>

Q_LOGGING_CATEGORY(lcInstance, "tessaly.launcher.instance", QtWarningMsg)

namespace {

// Never released nor closed: a launcher that obtained the instance mutex keeps it until its
// process ends, and the closing mutex likewise from the end of the event loop on.
std::optional<NamedMutex> &instanceMutex()
{
    static std::optional<NamedMutex> handle;
    return handle;
}

std::optional<NamedMutex> &closingMutex()
{
    static std::optional<NamedMutex> handle;
    return handle;
}

bool titleEndsWith(const DesktopWindow &window, const QString &name)
{
    return name.isEmpty() || window.title.endsWith(name, Qt::CaseSensitive);
}

bool classIs(const DesktopWindow &window, const QString &windowClass)
{
    return windowClass.isEmpty() || window.className == windowClass;
}

} // namespace

QString SingleInstance::searchTitle()
{
    return Locale::zstring("$$$/LauncherWindow/AppCaption=Welcome - Tessaly Pixtrel Orvana %1")
        .arg(QStringLiteral("11"));
}

QString SingleInstance::closingMutexName(const QString &windowCaption)
{
    return windowCaption + QStringLiteral("_Closing");
}

bool SingleInstance::instanceCheck(const QString &name, const QString &windowClass, bool activate)
{
    NamedMutex::Created created = NamedMutex::create(name);
    if (!created.ok()) {
        qCWarning(lcInstance) << "cannot create the instance mutex:" << created.message;
        instanceMutex().reset();
        return true;
    }
    // A handle from an earlier check is dropped here, but its ownership is not: ownership
    // belongs to this thread, and the mutex lives as long as its owner does.
    instanceMutex() = std::move(created.mutex);
    // Anything but a time-out means this process owns the mutex now, also when the previous
    // owner ended without releasing it.
    if (instanceMutex()->wait(std::chrono::milliseconds(0)) != NamedMutex::WaitResult::TimedOut)
        return false;

    if (activate) {
        DesktopConnection desktop;
        const QList<DesktopWindow> windows = desktop.topLevelWindows();
        for (const DesktopWindow &window : windows) {
            if (titleEndsWith(window, name) && classIs(window, windowClass)) {
                desktop.activate(window.id);
                break;
            }
        }
    }
    return true;
}

bool SingleInstance::launcherInstanceCheck(const QString &instanceName,
                                           const QString &windowCaption, bool activate)
{
    const bool running = instanceCheck(instanceName, windowCaption, activate);
    const QString title = searchTitle();
    if (running && activate) {
        DesktopConnection desktop;
        const QList<DesktopWindow> windows = desktop.topLevelWindows();
        for (const DesktopWindow &window : windows) {
            if (!window.title.isEmpty() && window.title.contains(title, Qt::CaseSensitive)) {
                qCDebug(lcInstance, "EnumWindowsProc: found window");
                desktop.activate(window.id);
                break;
            }
        }
    }
    return running;
}

bool SingleInstance::isClosing(const QString &windowCaption)
{
    qCDebug(lcInstance, "AlbumkeepClosing: start");
    NamedMutex::Created created = NamedMutex::create(closingMutexName(windowCaption));
    if (!created.ok()) {
        qCDebug(lcInstance, "AlbumkeepClosing: failed to create mutex - return true");
        qCWarning(lcInstance) << created.message;
        return true;
    }
    qCDebug(lcInstance, "AlbumkeepClosing: created mutex");
    NamedMutex &mutex = *created.mutex;
    const NamedMutex::WaitResult result = mutex.wait(std::chrono::milliseconds(0));
    if (result == NamedMutex::WaitResult::TimedOut) {
        qCDebug(lcInstance, "AlbumkeepClosing: previous app instance closing - return true");
        return true;
    }
    if (result != NamedMutex::WaitResult::Failed)
        mutex.release();
    return false;
}

void SingleInstance::markClosing(const QString &windowCaption)
{
    qCDebug(lcInstance, "AlbumkeepClosing: start");
    NamedMutex::Created created = NamedMutex::create(closingMutexName(windowCaption), true);
    if (created.ok())
        closingMutex() = std::move(created.mutex);
    if (created.ok())
        qCDebug(lcInstance, "AlbumkeepClosing: created and acquired mutex");
    else
        qCDebug(lcInstance, "AlbumkeepClosing: failed to create mutex ");
    qCDebug(lcInstance, "AlbumkeepClosing: previous app instance not closing - return false");
}
