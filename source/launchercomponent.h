#pragma once

#include "components/scriptruntime/kernova/livecomponent.h"

#include <QString>

#include <functional>
#include <memory>

namespace KnScript {
class Engine;
}

namespace Crosswire {

// The launcher's native script object: what the sub-applications' scripts call on the launcher.
// "notification" takes a status text ("editor:bringToFront" brings the launcher's main window
// to the front, anything else goes to the Welcome widget), "MBSUserEventNotify" takes a text
// and does nothing more, and "tester" answers "response('YAHOOO!');".
//
// Installed on the engine's global object as "launcher"; its methods are callable by their
// names alone too, as the sub-applications' scripts call them.
class LauncherComponent : public Kernova::LiveComponent
{
public:
    static constexpr int kTesterId = 0x74657374;       // 'test'
    static constexpr int kMbsUserEventId = 0x6B4D4253; // 'kMBS'
    static constexpr int kNotificationId = 0x72657370; // 'resp'
    static constexpr int kMethodFlags = 0x65;
    static constexpr const char *kObjectName = "launcher";
    static constexpr const char *kBringToFront = "editor:bringToFront";

    // On the runtime's heap, with its property table registered.
    static std::shared_ptr<LauncherComponent> create();
    // Installs the component on the global object of `engine`, with a global function for each
    // of its methods.
    static bool install(KnScript::Engine &engine, std::shared_ptr<LauncherComponent> component);

    // Receives the status texts that are not "editor:bringToFront". Unset, they go to the Welcome
    // widget recorded in LauncherContext, when there is one.
    using StatusHandler = std::function<void(const QString &)>;
    static void setStatusHandler(StatusHandler handler);

    // Brings the main window recorded in LauncherContext to the front; false when none is
    // recorded.
    static bool bringMainWindowToFront();

    int initialize() override;
    int call(int id, const Kernova::Array &arguments, Kernova::Variant &result) override;
    int flagsForID(int id) override;

private:
    LauncherComponent();
};

} // namespace Crosswire
