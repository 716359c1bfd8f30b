#include "source/launchermessaging.h"

#include "source/deferredscripthandler.h"
#include "source/launchercomponent.h"
#include "source/launcherlog.h"

#include "components/scriptruntime/kernova/initterm.h"
#include "components/scriptruntime/kernova/string.h"
#include "components/scriptruntime/kernova/variant.h"
#include "components/scriptruntime/scriptara/engine.h"
#include "components/scriptruntime/scriptara/initterm.h"
#include "crosswire/crosswireconnector.h"
#include "crosswire/crosswirecontext.h"
#include "crosswire/crosswireendpoint.h"
#include "crosswire/crosswireidentity.h"
#include "crosswire/crosswirescripting.h"
#include "crosswire/message.h"
#include "crosswire/scriptarahandler.h"
#include "platform/desktop/desktopconnection.h"

#include <chrono>
#include <memory>
#include <stdexcept>

using KnObjects::CrosswireConnector;
using KnObjects::CrosswireContext;

const char *const LauncherMessaging::kLauncherSpecifier = "pxolauncher-11.0";
const char *const LauncherMessaging::kOrganizerSpecifier = "pxoorganizer-11.0";
const char *const LauncherMessaging::kEditorSpecifier = "pxoeditor-11.0";
const char *const LauncherMessaging::kMotivaSpecifier = "motivaorvana-11.0";
const char *const LauncherMessaging::kLaunchParameters = "-noparams";

namespace {

struct State
{
    bool runtimeUp = false;
    KnScript::Engine *engine = nullptr;
    std::unique_ptr<CrosswireContext> context;
    CrosswireConnector *connector = nullptr; // owned by the context
    std::shared_ptr<Crosswire::LauncherComponent> component;
};

State &state()
{
    static State instance;
    return instance;
}

CrosswireContext &contextForSend()
{
    CrosswireContext *context = state().context.get();
    if (!context || !context->isInitialized() || !context->mainEndpoint())
        throw std::runtime_error("the launcher's messaging endpoint is not open");
    return *context;
}

void sendScript(const char *target, const QString &script)
{
    CrosswireContext &context = contextForSend();
    KnObjects::Crosswire::Message message;
    message.target = target;
    message.sender = context.ownSpecifier();
    message.body = script.toUtf8();
    // The library answers a refused send with an Error message to our own endpoint, which no
    // one here reads; the caller must learn it, or the launcher would stay hidden waiting for a
    // sub-application that is never coming.
    if (!context.send(message, true, false, LauncherMessaging::kLaunchParameters))
        throw std::runtime_error("the message to " + std::string(target) +
                                 " could not be sent, nor its target launched");
}

bool isRunning(const char *target)
{
    CrosswireContext *context = LauncherMessaging::context();
    return context && context->isRunning(target);
}

QString statusOf(const char *target)
{
    CrosswireContext *context = LauncherMessaging::context();
    if (!context)
        return {};
    return QString::fromUtf8(context->ping(target, "STATUS"));
}

bool isInstalled(const char *target)
{
    CrosswireConnector *connector = LauncherMessaging::connector();
    return connector && !connector->resolve(target).isEmpty();
}

// 3. The engine, for the life of the process. False (with a warning) when there is none.
bool makeScriptEngine()
{
    State &s = state();
    s.engine = KnScript::Engine::createEngine(KnScript::Engine::kScriptEngineType);
    if (!s.engine) {
        qCWarning(lcLauncher) << "no script engine: received messages are not handled";
        return false;
    }
    return true;
}

// 5. A received body is run as script; its value is the result. 6. What received scripts call.
void installReceiving()
{
    State &s = state();
    if (!s.engine->evaluate(
            Kernova::String("Crosswire.onReceive = function(bt) { return eval (bt.body);}")))
        qCWarning(lcLauncher) << "cannot install the receiving script:"
                              << s.engine->getLastError().message.toQString();
    s.component = Crosswire::LauncherComponent::create();
    if (!Crosswire::LauncherComponent::install(*s.engine, s.component))
        qCWarning(lcLauncher) << "cannot install the launcher component";
}

} // namespace

bool LauncherMessaging::initialize()
{
    State &s = state();
    if (s.context)
        return s.context->isInitialized();

    // 1. The runtime.
    Kernova::InitTerm::init();
    KnScript::InitTerm::init();
    s.runtimeUp = true;

    // 2. The process's messaging identity, with the connector that knows and launches the
    // family's applications.
    auto connector = std::make_unique<CrosswireConnector>();
    connector->loadInstalled();
    s.connector = connector.get();
    s.context = std::make_unique<CrosswireContext>(
        CrosswireContext::Identity{KnObjects::CrosswireIdentity::userId(),
                                   KnObjects::CrosswireIdentity::digestKey()},
        std::move(connector));
    const bool opened = s.context->init(kLauncherSpecifier);
    if (!opened)
        qCWarning(lcLauncher) << "cannot open the messaging endpoint" << kLauncherSpecifier << ":"
                              << s.context->status();

    // Without an endpoint no script can arrive, and the engine is made at once for whatever
    // runs scripts in this process; with one, the first received script makes it (steps 3 to
    // 6), so start-up does not wait for an engine nothing before that script uses.
    if (!opened) {
        if (makeScriptEngine()) {
            KnObjects::CrosswireScripting::install(*s.engine); // the handler would have done it
            installReceiving();
        }
        return opened;
    }
    s.context->addHandler(std::make_shared<DeferredScriptHandler>(
        []() -> std::shared_ptr<KnObjects::Crosswire::MsgHandler> {
            if (!makeScriptEngine())
                return nullptr;
            // 4. Every message for the launcher goes to Crosswire.onReceive on that engine.
            auto handler = std::make_shared<KnObjects::ScriptaraHandler>(state().engine);
            installReceiving();
            return handler;
        }));
    return opened;
}

void LauncherMessaging::terminate()
{
    State &s = state();
    try {
        if (s.context) {
            s.context->terminate();
            s.context.reset();
            s.connector = nullptr;
        }
        if (s.engine) {
            s.component.reset();
            KnScript::Engine::destroyCurrent();
            s.engine = nullptr;
        }
        if (s.runtimeUp) {
            KnScript::InitTerm::exit();
            Kernova::InitTerm::exit();
            s.runtimeUp = false;
        }
    } catch (...) {
        qCWarning(lcLauncher) << "messaging termination ended early";
    }
}

bool LauncherMessaging::isInitialized()
{
    const CrosswireContext *context = state().context.get();
    return context && context->isInitialized();
}

void LauncherMessaging::sendToOrganizer(const QString &script)
{
    sendScript(kOrganizerSpecifier, script);
}

void LauncherMessaging::sendToEditor(const QString &script)
{
    sendScript(kEditorSpecifier, script);
}

bool LauncherMessaging::isOrganizerRunning()
{
    return isRunning(kOrganizerSpecifier);
}

bool LauncherMessaging::isEditorRunning()
{
    return isRunning(kEditorSpecifier);
}

QString LauncherMessaging::organizerStatus()
{
    return statusOf(kOrganizerSpecifier);
}

QString LauncherMessaging::editorStatus()
{
    return statusOf(kEditorSpecifier);
}

bool LauncherMessaging::isEditorInstalled()
{
    return isInstalled(kEditorSpecifier);
}

bool LauncherMessaging::isMotivaInstalled()
{
    return isInstalled(kMotivaSpecifier);
}

void LauncherMessaging::bringOrganizerToFront()
{
    CrosswireConnector *connector = LauncherMessaging::connector();
    if (!connector)
        return;
    const auto record = connector->installed().find(kOrganizerSpecifier);
    const auto running = connector->running().find(kOrganizerSpecifier);
    const QString windowClass =
        record ? QString::fromUtf8(record->value(KnObjects::CWConnectorAppInfo::WindowClassName))
               : QString();
    const qint64 pid = running ? running->processId() : 0;
    if (windowClass.isEmpty() && pid <= 0)
        return;
    DesktopConnection desktop;
    if (!desktop.isValid())
        return;
    // The registered window class names the Organizer's window; without one, the window of the
    // process we launched will do.
    const QList<DesktopWindow> windows = desktop.topLevelWindows();
    for (auto it = windows.crbegin(); it != windows.crend(); ++it) {
        const bool matches = windowClass.isEmpty()
                                 ? it->pid == pid
                                 : it->className.compare(windowClass, Qt::CaseInsensitive) == 0;
        if (matches) {
            desktop.activate(it->id);
            desktop.sync();
            return;
        }
    }
}

bool LauncherMessaging::flushOutgoing()
{
    flushOutgoing(kFlushMaxWaits, kFlushWaitMs);
    return true;
}

int LauncherMessaging::flushOutgoing(int maxWaits, int waitMs)
{
    CrosswireContext *context = LauncherMessaging::context();
    KnObjects::CrosswireEndpoint *endpoint = context ? context->mainEndpoint() : nullptr;
    if (!endpoint)
        return 0;
    context->sendQueued(*endpoint);
    // Woken by every change of the queues instead of sleeping the whole round; the rounds
    // together bound the time.
    const auto deadline =
        std::chrono::steady_clock::now() + std::chrono::milliseconds(qint64(maxWaits) * waitMs);
    int waits = 0;
    while (!endpoint->outgoing().isEmpty() && std::chrono::steady_clock::now() < deadline) {
        const uint64_t seen = context->queueGeneration();
        if (endpoint->outgoing().isEmpty())
            break;
        context->waitForChange(seen, waitMs);
        ++waits;
        if (!context->thread())
            context->sendQueued(*endpoint);
    }
    return waits;
}

void LauncherMessaging::pump()
{
    if (CrosswireContext *context = LauncherMessaging::context())
        context->pump(CrosswireContext::kProcessIncoming | CrosswireContext::kSendOutgoing);
}

CrosswireContext *LauncherMessaging::context()
{
    CrosswireContext *context = state().context.get();
    return context && context->isInitialized() ? context : nullptr;
}

CrosswireConnector *LauncherMessaging::connector()
{
    return state().context ? state().connector : nullptr;
}
