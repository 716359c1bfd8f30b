#include "source/launchercomponent.h"

#include "source/launchercontext.h"
#include "source/launcherlog.h"

#include "components/scriptruntime/kernova/array.h"
#include "components/scriptruntime/kernova/variant.h"
#include "components/scriptruntime/scriptara/engine.h"
#include "platform/desktop/desktopconnection.h"

#if __has_include("source/welcomewidget.h")
#include "source/welcomewidget.h"
#define TESSALY_HAVE_WELCOME_WIDGET 1
#endif

#include <QWidget>

namespace Crosswire {

namespace {

LauncherComponent::StatusHandler &statusHandler()
{
    static LauncherComponent::StatusHandler handler;
    return handler;
}

void deliverStatus(const QString &text)
{
    qCDebug(lcLauncher).noquote() << "sub-application status:" << text;
    if (statusHandler()) {
        statusHandler()(text);
        return;
    }
#ifdef TESSALY_HAVE_WELCOME_WIDGET
    if (WelcomeWidget *welcome = LauncherContext::welcomeWidget())
        welcome->handleSubAppStatus(text);
#endif
}

// Methods of the table carry 0x20 beside the method flags 0x45; the engine knows a method only
// by 0x45, so that is what it is told.
constexpr int kEngineMethodFlags = 0x45;
constexpr int kExtraMethodBit = 0x20;

} // namespace

LauncherComponent::LauncherComponent()
    : LiveComponent(Kernova::String(kObjectName), Kernova::String("LauncherComponent"))
{
}

std::shared_ptr<LauncherComponent> LauncherComponent::create()
{
    // LiveBase's operator new puts the object on the runtime's heap; the shared pointer deletes
    // it through the virtual destructor.
    std::shared_ptr<LauncherComponent> component(new LauncherComponent);
    component->initialize();
    return component;
}

int LauncherComponent::initialize()
{
    if (!properties().properties().empty())
        return 0;
    registerProperty(Kernova::String("tester"), kTesterId, kMethodFlags,
                     Kernova::String("temp:String"));
    registerProperty(Kernova::String("MBSUserEventNotify"), kMbsUserEventId, kMethodFlags,
                     Kernova::String(""));
    registerProperty(Kernova::String("notification"), kNotificationId, kMethodFlags,
                     Kernova::String("temp:String"));
    return 0;
}

bool LauncherComponent::install(KnScript::Engine &engine,
                                std::shared_ptr<LauncherComponent> component)
{
    if (!component)
        return false;
    const Kernova::String name = component->name();
    const QString objectName = name.toQString();
    QStringList names;
    for (const auto &property : component->properties().properties())
        names.append(property.name.toQString());
    if (!engine.installObject(name, std::move(component)))
        return false;
    // Received scripts call "notification('...')", not "launcher.notification('...')".
    QString script;
    for (const QString &method : names) {
        script +=
            QStringLiteral("this['%1'] = function () { return %2['%1'].apply(%2, arguments); };\n")
                .arg(method, objectName);
    }
    return engine.evaluate(Kernova::String(script));
}

void LauncherComponent::setStatusHandler(StatusHandler handler)
{
    statusHandler() = std::move(handler);
}

bool LauncherComponent::bringMainWindowToFront()
{
    QWidget *window = LauncherContext::mainWindow();
    if (!window)
        return false;
    window = window->window();
    // A window that was never shown has no native window yet, and this must not create one.
    if (!window->testAttribute(Qt::WA_WState_Created) || !window->isVisible())
        return true;
    if (window->isMinimized())
        window->showNormal();
    window->raise();
    window->activateWindow();
    // Qt's own activation may be taken for focus stealing; the desktop's request is the one a
    // window manager honours for a program the user asked for.
    DesktopConnection desktop;
    if (desktop.isValid()) {
        const auto id = quint32(window->winId());
        desktop.setForeground(id);
        desktop.bringToTop(id);
        desktop.sync();
    }
    return true;
}

int LauncherComponent::call(int id, const Kernova::Array &arguments, Kernova::Variant &result)
{
    const QString text = arguments.size() > 0 ? arguments.at(0).toString().toQString() : QString();
    switch (id) {
    case kNotificationId:
        if (text == QLatin1String(kBringToFront))
            bringMainWindowToFront();
        else
            deliverStatus(text);
        return 0;
    case kMbsUserEventId:
        return 0;
    case kTesterId:
        result = Kernova::Variant(Kernova::String("response('YAHOOO!');"));
        return 0;
    default:
        return LiveComponent::call(id, arguments, result);
    }
}

int LauncherComponent::flagsForID(int id)
{
    const int flags = LiveComponent::flagsForID(id);
    if ((flags & 0x7F) == (kEngineMethodFlags | kExtraMethodBit))
        return flags & ~kExtraMethodBit;
    return flags;
}

} // namespace Crosswire
