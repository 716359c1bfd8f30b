#include "crosswire/crosswirestaticobject.h"

#include "components/scriptruntime/kernova/array.h"
#include "components/scriptruntime/kernova/livepropertymanager.h"
#include "components/scriptruntime/scriptara/engine.h"
#include "crosswire/crosswireconnector.h"
#include "crosswire/crosswirecontext.h"
#include "crosswire/crosswireendpoint.h"
#include "crosswire/crosswireliveobject.h"
#include "crosswire/crosswirescripttargets.h"
#include "crosswire/crosswirethread.h"
#include "crosswire/genericmsghandler.h"
#include "crosswire/scriptvalues.h"
#include "crosswire/specifier.h"
#include "crosswire/startupscripts.h"

#include <QLoggingCategory>

#include <cmath>

Q_DECLARE_LOGGING_CATEGORY(lcCrosswire)

namespace KnObjects {

using Crosswire::Specifier;
using Kernova::Variant;

namespace {

constexpr int kReadOnlyProperty = 0x41;
constexpr int kReadWriteProperty = 0x42;
constexpr int kMethod = 0x45;
constexpr int kHidden = 0x80;

struct Member
{
    const char *name;
    int id;
    int flags;
    const char *signature;
};

// In table order.
constexpr Member kMembers[] = {
    {"__log__", CrosswireStaticObject::kLog, kReadWriteProperty | kHidden, "boolean"},
    {"appSpecifier", CrosswireStaticObject::kAppSpecifier, kReadWriteProperty, "string"},
    {"appName", CrosswireStaticObject::kAppName, kReadOnlyProperty, "string"},
    {"appVersion", CrosswireStaticObject::kAppVersion, kReadOnlyProperty, "string"},
    {"appLocale", CrosswireStaticObject::kAppLocale, kReadOnlyProperty, "string"},
    {"appInfo", CrosswireStaticObject::kAppInfo, kReadOnlyProperty, "string"},
    {"appInstance", CrosswireStaticObject::kAppInstance, kReadOnlyProperty, "string"},
    {"appStatus", CrosswireStaticObject::kAppStatus, kReadOnlyProperty, "string"},
    {"launch", CrosswireStaticObject::kLaunch, kMethod,
     "undefined,target:string,background:string"},
    {"isRunning", CrosswireStaticObject::kIsRunning, kMethod, "boolean,target:string"},
    {"pump", CrosswireStaticObject::kPump, kMethod, "boolean"},
    {"loadAppScript", CrosswireStaticObject::kLoadAppScript, kMethod, "boolean,target:string"},
    {"getSpecifier", CrosswireStaticObject::kGetSpecifier, kMethod,
     "string,app:string,version:number,locale:string"},
    {"getTargets", CrosswireStaticObject::kGetTargets, kMethod,
     "Collection,version:number,locale:string"},
    {"getDisplayName", CrosswireStaticObject::kGetDisplayName, kMethod, "string,target:string"},
    {"bringToFront", CrosswireStaticObject::kBringToFront, kMethod, "undefined,target:string"},
    {"getStatus", CrosswireStaticObject::kGetStatus, kMethod, "string,target:string"},
    {"ping", CrosswireStaticObject::kPing, kMethod, "string,target:string,key:string"},
    {"__version__", CrosswireStaticObject::kVersion, kReadOnlyProperty | kHidden, "string"},
    {"getAppPath", CrosswireStaticObject::kGetAppPath, kMethod | kHidden,
     "string,target:string,caller:string"},
    {"getPreferredApp", CrosswireStaticObject::kGetPreferredApp, kMethod | kHidden,
     "string,sender:string,target:string,groupname:string"},
    {"pendingResponses", CrosswireStaticObject::kPendingResponses, kReadOnlyProperty | kHidden,
     "number"},
    {"supportsSRTK", CrosswireStaticObject::kSupportsSRTK, kMethod | kHidden,
     "boolean,target:string"},
    {"getOMVDictionaryType", CrosswireStaticObject::kGetOMVDictionaryType, kMethod | kHidden,
     "boolean,target:string"},
    {"__diagnostics__", CrosswireStaticObject::kDiagnostics, kReadOnlyProperty | kHidden, "string"},
    {"getInfo", CrosswireStaticObject::kGetInfo, kMethod | kHidden,
     "string,target:string,whichinfo:string"},
    {"isInstalled", CrosswireStaticObject::kIsInstalled, kMethod, "boolean,target:string"},
    {"updateConnectorCache", CrosswireStaticObject::kUpdateConnectorCache, kMethod,
     "boolean,scanRunningApps:bool"},
    {"__srversion__", CrosswireStaticObject::kSRVersion, kReadOnlyProperty | kHidden, "string"},
    {"getGroupForSpecifier", CrosswireStaticObject::kGetGroupForSpecifier, kMethod | kHidden,
     "string,senderSpec:string,groupVersion:string"},
    {"getSpecifierForGroup", CrosswireStaticObject::kGetSpecifierForGroup, kMethod | kHidden,
     "string,bareTargetSpec:string,groupName:string,groupVersion:string"},
};

Variant text(const QByteArray &bytes)
{
    return Variant(Kernova::String(QString::fromUtf8(bytes)));
}

// A version argument: a number (11, 11.5) or a text; none for 0, NaN and undefined.
QByteArray versionArgument(KnScript::Engine *engine, const Kernova::Array &arguments,
                           qsizetype index)
{
    if (!ScriptValues::hasArgument(arguments, index))
        return {};
    const Variant &value = arguments.at(index);
    if (value.type() == Variant::Type::Number) {
        const double number = value.toNumber();
        if (std::isnan(number) || number <= 0)
            return {};
        return QByteArray::number(number, 'g', 12);
    }
    return ScriptValues::utf8(engine, value).trimmed();
}

// A yes/no argument given as text ("background") or as a boolean.
bool yesArgument(KnScript::Engine *engine, const Kernova::Array &arguments, qsizetype index)
{
    if (!ScriptValues::hasArgument(arguments, index))
        return false;
    const Variant &value = arguments.at(index);
    if (value.type() != Variant::Type::String)
        return value.toBool();
    const QByteArray word = ScriptValues::utf8(engine, value).trimmed().toLower();
    return !word.isEmpty() && word != "false" && word != "0" && word != "no" && word != "off";
}

size_t pendingResponses(CrosswireContext &context)
{
    size_t count = 0;
    for (CrosswireEndpoint *endpoint : context.endpoints())
        count += endpoint->pendingResponses();
    return count;
}

} // namespace

CrosswireStaticObject::CrosswireStaticObject()
    : Kernova::LiveObject(Kernova::String("Crosswire"))
{
}

int CrosswireStaticObject::initialize()
{
    for (const Member &member : kMembers)
        registerProperty(Kernova::String(member.name), member.id, member.flags,
                         Kernova::String(member.signature));
    return 0;
}

int CrosswireStaticObject::get(int id, Variant &value)
{
    CrosswireContext *context = CrosswireContext::current();
    const QByteArray own = context ? context->ownSpecifier() : QByteArray();
    const Specifier parts(own);
    switch (id) {
    case kLog:
        value = Variant(context && context->isLogging());
        return 0;
    case kAppSpecifier:
        value = text(own);
        return 0;
    case kAppName:
        value = text(parts.application());
        return 0;
    case kAppVersion:
        value = text(parts.version());
        return 0;
    case kAppLocale:
        value = text(parts.locale());
        return 0;
    case kAppInstance:
        value = text(parts.instance());
        return 0;
    case kAppInfo:
        value = text(context ? context->diagnostics("context") : QByteArray());
        return 0;
    case kAppStatus:
        value = text(context ? context->status() : QByteArray("UNDEFINED"));
        return 0;
    case kVersion:
        value = Variant(kLibraryVersion);
        return 0;
    case kSRVersion:
        value = Variant(kRuntimeVersion);
        return 0;
    case kPendingResponses:
        value = Variant(double(context ? pendingResponses(*context) : 0));
        return 0;
    case kDiagnostics:
        value = text(context ? context->diagnostics() : QByteArray());
        return 0;
    default:
        return LiveObject::get(id, value);
    }
}

int CrosswireStaticObject::put(int id, const Variant &value)
{
    CrosswireContext *context = CrosswireContext::current();
    switch (id) {
    case kLog:
        if (context)
            context->setLogging(value.toBool());
        return 0;
    case kAppSpecifier: {
        // The own endpoint is named after the specifier: it can be chosen only before the
        // endpoint opens.
        const QByteArray wanted = ScriptValues::utf8(KnScript::Engine::getCurrent(), value);
        if (!context)
            return setError(CrosswireLiveObject::kNoContext,
                            Kernova::String("messaging is not initialised"));
        if (context->isInitialized()) {
            if (Specifier(wanted).text() == context->ownSpecifier())
                return 0;
            return setError(CrosswireLiveObject::kReadOnly,
                            Kernova::String("appSpecifier is fixed once the endpoint is open"));
        }
        if (!context->init(wanted))
            return setError(CrosswireLiveObject::kBadValue,
                            Kernova::String(QStringLiteral("cannot open the endpoint ") +
                                            QString::fromUtf8(wanted)));
        return 0;
    }
    default:
        return LiveObject::put(id, value);
    }
}

int CrosswireStaticObject::call(int id, const Kernova::Array &arguments, Variant &result)
{
    CrosswireContext *context = CrosswireContext::current();
    if (!context) {
        // Without messaging nothing runs, nothing is installed and nothing can be sent.
        switch (id) {
        case kIsRunning:
        case kPump:
        case kIsInstalled:
        case kSupportsSRTK:
        case kGetOMVDictionaryType:
        case kUpdateConnectorCache:
            result = Variant(false);
            return 0;
        case kLoadAppScript:
            break;
        case kGetTargets:
            result = Variant(Kernova::Array());
            return 0;
        case kLaunch:
        case kBringToFront:
            result = Variant();
            return 0;
        default:
            if (properties().find(id)) {
                result = Variant(Kernova::String());
                return 0;
            }
            return LiveObject::call(id, arguments, result);
        }
    }
    if (id == kLoadAppScript) {
        KnScript::Engine *engine = KnScript::Engine::getCurrent();
        if (!engine)
            return setError(CrosswireLiveObject::kNoContext, Kernova::String("no script engine"));
        QString error;
        const bool loaded =
            StartupScripts::load(*engine, ScriptValues::argument(engine, arguments, 0), &error);
        if (!loaded)
            qCInfo(lcCrosswire).noquote() << error;
        result = Variant(loaded);
        return 0;
    }
    return callWithContext(*context, id, arguments, result);
}

int CrosswireStaticObject::callWithContext(CrosswireContext &context, int id,
                                           const Kernova::Array &arguments, Variant &result)
{
    KnScript::Engine *engine = KnScript::Engine::getCurrent();
    auto arg = [&](qsizetype index) {
        return ScriptValues::argument(engine, arguments, index).toUtf8();
    };
    using Targets = CrosswireScriptTargets;
    switch (id) {
    case kLaunch:
        if (!Targets::launch(context, arg(0), yesArgument(engine, arguments, 1)))
            qCInfo(lcCrosswire) << "Crosswire.launch: cannot launch" << arg(0);
        result = Variant();
        return 0;
    case kIsRunning:
        result =
            Variant(!arg(0).isEmpty() && context.isRunning(Targets::normalize(context, arg(0))));
        return 0;
    case kPump:
        result = Variant(context.pump());
        return 0;
    case kGetSpecifier:
        result = text(
            Targets::specifierFor(context, arg(0), versionArgument(engine, arguments, 1), arg(2)));
        return 0;
    case kGetTargets: {
        Kernova::Array list;
        for (const QByteArray &target :
             Targets::targets(context, versionArgument(engine, arguments, 0), arg(1)))
            list.append(text(target));
        result = Variant(list);
        return 0;
    }
    case kGetDisplayName:
        result = text(Targets::field(context, arg(0), CWConnectorAppInfo::DisplayName));
        return 0;
    case kBringToFront:
        if (!Targets::bringToFront(context, arg(0)))
            qCInfo(lcCrosswire) << "Crosswire.bringToFront: no window raised for" << arg(0);
        result = Variant();
        return 0;
    case kGetStatus: {
        const QByteArray target = arg(0);
        QByteArray status;
        const bool own = target.isEmpty() || Specifier(target).text() == context.ownSpecifier();
        if (own)
            status = context.thread() ? context.thread()->value("STATUS") : QByteArray();
        else if (CrosswireConnector *connector = Targets::connector(context))
            status = connector->getStatus(target);
        else
            status = context.ping(Targets::normalize(context, target), "STATUS", kPingMilliseconds);
        // No answer: a running target that does not say, or one that does not run at all.
        if (status.isEmpty()) {
            if (context.isRunning(Targets::normalize(context, target)))
                status = "UNDEFINED";
            else
                status = Targets::isInstalled(context, target) ? "ISNOTRUNNING" : "ISNOTINSTALLED";
        }
        result = text(status);
        return 0;
    }
    case kPing:
        result = text(context.ping(Targets::normalize(context, arg(0)), arg(1), kPingMilliseconds));
        return 0;
    case kGetAppPath:
        result = text(Targets::field(context, arg(0), CWConnectorAppInfo::Path));
        return 0;
    case kGetPreferredApp:
        result = text(Targets::preferredApp(context, arg(0), arg(1), arg(2)));
        return 0;
    case kSupportsSRTK:
        result = Variant(Targets::flag(context, arg(0), CWConnectorAppInfo::SupportsSRTK));
        return 0;
    case kGetOMVDictionaryType:
        result = Variant(Targets::flag(context, arg(0), CWConnectorAppInfo::OMVDictionary));
        return 0;
    case kGetInfo: {
        const QByteArray target = arg(0);
        const QByteArray sections = arg(1);
        if (target.isEmpty() || Specifier(target).text() == context.ownSpecifier())
            result = text(context.diagnostics(sections));
        else
            result = text(context.ping(Targets::normalize(context, target), "INFO",
                                       kPingMilliseconds, sections));
        return 0;
    }
    case kIsInstalled:
        result = Variant(Targets::isInstalled(context, arg(0)));
        return 0;
    case kUpdateConnectorCache:
        context.hooks().refreshCache(yesArgument(engine, arguments, 0));
        GenericMsgHandler::dropExpired(context);
        result = Variant(true);
        return 0;
    case kGetGroupForSpecifier:
        result = text(Targets::groupForSpecifier(context, arg(0), arg(1)));
        return 0;
    case kGetSpecifierForGroup:
        result = text(Targets::specifierForGroup(context, arg(0), arg(1), arg(2)));
        return 0;
    default:
        return LiveObject::call(id, arguments, result);
    }
}

} // namespace KnObjects
