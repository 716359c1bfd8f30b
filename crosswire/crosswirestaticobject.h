#pragma once

#include "components/scriptruntime/kernova/liveobject.h"

namespace KnObjects {

class CrosswireContext;

// The static members of the script class Crosswire ("Crosswire.isRunning(t)",
// "Crosswire.appSpecifier"): the own application, the connector's look-ups and launching, the
// messaging thread's status and ping, diagnostics. They work on the process's messaging context
// (CrosswireContext::current()); without one, look-ups give empty answers and sending fails.
// "Crosswire.onReceive" is not a member: it is the script function an application installs, a
// plain property of the class.
class CrosswireStaticObject : public Kernova::LiveObject
{
public:
    enum Id {
        kLog = 21,
        kAppSpecifier = 22,
        kAppName = 23,
        kAppVersion = 24,
        kAppLocale = 25,
        kAppInfo = 26,
        kAppInstance = 27,
        kAppStatus = 28,
        kDiagnostics = 29,
        kVersion = 30,
        kPump = 103,
        kLaunch = 201,
        kIsRunning = 202,
        kGetSpecifier = 204,
        kGetTargets = 205,
        kGetDisplayName = 206,
        kBringToFront = 207,
        kLoadAppScript = 208,
        kPing = 209,
        kGetStatus = 210,
        kGetAppPath = 213,
        kGetPreferredApp = 217,
        kGetInfo = 218,
        kPendingResponses = 219,
        kSupportsSRTK = 224,
        kGetOMVDictionaryType = 227,
        kIsInstalled = 228,
        kUpdateConnectorCache = 229,
        kSRVersion = 231,
        kGetGroupForSpecifier = 232,
        kGetSpecifierForGroup = 233
    };
    static constexpr const char *kLibraryVersion = "2.0";
    static constexpr const char *kRuntimeVersion = "4.1.23";
    // How long ping and getStatus wait for the other application's thread.
    static constexpr int kPingMilliseconds = 2000;

    CrosswireStaticObject();

    int initialize() override;
    int get(int id, Kernova::Variant &value) override;
    int put(int id, const Kernova::Variant &value) override;
    int call(int id, const Kernova::Array &arguments, Kernova::Variant &result) override;

private:
    int callWithContext(CrosswireContext &context, int id, const Kernova::Array &arguments,
                        Kernova::Variant &result);
};

} // namespace KnObjects
