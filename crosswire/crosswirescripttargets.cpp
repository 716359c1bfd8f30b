#include "crosswire/crosswirescripttargets.h"

#include "crosswire/crosswireconnector.h"
#include "crosswire/crosswirecontext.h"
#include "crosswire/specifier.h"

#include <QVersionNumber>

#include <mutex>

namespace KnObjects {

using Crosswire::Specifier;

namespace {

std::mutex bringToFrontMutex;
CrosswireScriptTargets::BringToFront &bringToFrontFunction()
{
    static CrosswireScriptTargets::BringToFront function;
    return function;
}

QVersionNumber versionOf(const QByteArray &text)
{
    return QVersionNumber::fromString(QString::fromLatin1(text)).normalized();
}

bool isYes(const QByteArray &value)
{
    const QByteArray text = value.trimmed().toLower();
    return text == "1" || text == "true" || text == "yes" || text == "on";
}

QList<CWConnectorAppInfo> installedRecords(CrosswireContext &context)
{
    CrosswireConnector *connector = CrosswireScriptTargets::connector(context);
    return connector ? connector->installed().records() : QList<CWConnectorAppInfo>();
}

// The highest version among `records` (the first of equal ones).
QByteArray highest(const QList<CWConnectorAppInfo> &records)
{
    QByteArray best;
    QVersionNumber bestVersion;
    for (const CWConnectorAppInfo &record : records) {
        const QVersionNumber version = versionOf(Specifier(record.specifier()).version());
        if (best.isEmpty() || QVersionNumber::compare(version, bestVersion) > 0) {
            best = record.specifier();
            bestVersion = version;
        }
    }
    return best;
}

} // namespace

CrosswireConnector *CrosswireScriptTargets::connector(CrosswireContext &context)
{
    return dynamic_cast<CrosswireConnector *>(&context.hooks());
}

QByteArray CrosswireScriptTargets::normalize(CrosswireContext &context, const QByteArray &text)
{
    return context.hooks().normalizeSpecifier(text);
}

std::optional<CWConnectorAppInfo> CrosswireScriptTargets::record(CrosswireContext &context,
                                                                 const QByteArray &target)
{
    CrosswireConnector *connector = CrosswireScriptTargets::connector(context);
    if (!connector || target.isEmpty())
        return std::nullopt;
    const QByteArray normalized = normalize(context, target);
    if (auto found = connector->installed().find(normalized))
        return found;
    return connector->running().find(normalized);
}

bool CrosswireScriptTargets::versionMatches(const QByteArray &version, const QByteArray &wanted)
{
    if (wanted.isEmpty())
        return true;
    const QVersionNumber have = versionOf(version);
    const QVersionNumber want = versionOf(wanted);
    if (want.isNull())
        return false;
    if (!wanted.contains('.'))
        return !have.isNull() && have.majorVersion() == want.majorVersion();
    return have == want;
}

QByteArray CrosswireScriptTargets::specifierFor(CrosswireContext &context,
                                                const QByteArray &application,
                                                const QByteArray &version, const QByteArray &locale)
{
    if (application.isEmpty())
        return {};
    const QByteArray app = Specifier(application).application();
    QList<CWConnectorAppInfo> matches;
    for (const CWConnectorAppInfo &record : installedRecords(context)) {
        const Specifier parts(record.specifier());
        if (parts.application() == app && versionMatches(parts.version(), version))
            matches.append(record);
    }
    if (!locale.isEmpty()) {
        QList<CWConnectorAppInfo> inLocale;
        for (const CWConnectorAppInfo &record : matches) {
            if (Specifier(record.specifier()).locale() == locale.toLower())
                inLocale.append(record);
        }
        // A record without the wanted locale still serves when it is the only version there.
        if (!inLocale.isEmpty())
            matches = inLocale;
    }
    return highest(matches);
}

QByteArrayList CrosswireScriptTargets::targets(CrosswireContext &context, const QByteArray &version,
                                               const QByteArray &locale)
{
    QByteArrayList list;
    for (const CWConnectorAppInfo &record : installedRecords(context)) {
        const Specifier parts(record.specifier());
        if (!versionMatches(parts.version(), version))
            continue;
        if (!locale.isEmpty() && parts.locale() != locale.toLower())
            continue;
        if (!list.contains(record.specifier()))
            list.append(record.specifier());
    }
    return list;
}

bool CrosswireScriptTargets::isInstalled(CrosswireContext &context, const QByteArray &target)
{
    CrosswireConnector *connector = CrosswireScriptTargets::connector(context);
    return connector && !target.isEmpty() && connector->isInstalled(normalize(context, target));
}

bool CrosswireScriptTargets::launch(CrosswireContext &context, const QByteArray &target,
                                    bool background)
{
    if (target.isEmpty())
        return false;
    return context.hooks().launchTarget(target, {}, background);
}

QByteArray CrosswireScriptTargets::field(CrosswireContext &context, const QByteArray &target,
                                         CWConnectorAppInfo::Field field)
{
    const auto found = record(context, target);
    return found ? found->value(field) : QByteArray();
}

bool CrosswireScriptTargets::flag(CrosswireContext &context, const QByteArray &target,
                                  CWConnectorAppInfo::Field field)
{
    return isYes(CrosswireScriptTargets::field(context, target, field));
}

QByteArray CrosswireScriptTargets::groupForSpecifier(CrosswireContext &context,
                                                     const QByteArray &senderSpec,
                                                     const QByteArray &groupVersion)
{
    const auto found = record(context, senderSpec);
    if (!found)
        return {};
    if (!versionMatches(Specifier(found->specifier()).version(), groupVersion))
        return {};
    return found->value(CWConnectorAppInfo::Group);
}

QByteArray CrosswireScriptTargets::specifierForGroup(CrosswireContext &context,
                                                     const QByteArray &bareTargetSpec,
                                                     const QByteArray &groupName,
                                                     const QByteArray &groupVersion)
{
    if (groupName.isEmpty())
        return {};
    const QByteArray app =
        bareTargetSpec.isEmpty() ? QByteArray() : Specifier(bareTargetSpec).application();
    QList<CWConnectorAppInfo> matches;
    for (const CWConnectorAppInfo &record : installedRecords(context)) {
        const Specifier parts(record.specifier());
        if (record.value(CWConnectorAppInfo::Group).compare(groupName, Qt::CaseInsensitive) != 0)
            continue;
        if (!app.isEmpty() && parts.application() != app)
            continue;
        if (!versionMatches(parts.version(), groupVersion))
            continue;
        matches.append(record);
    }
    return highest(matches);
}

QByteArray CrosswireScriptTargets::preferredApp(CrosswireContext &context, const QByteArray &sender,
                                                const QByteArray &target,
                                                const QByteArray &groupName)
{
    if (!target.isEmpty()) {
        if (isInstalled(context, target))
            return record(context, target)->specifier();
        if (context.isRunning(normalize(context, target)))
            return normalize(context, target);
    }
    if (groupName.isEmpty())
        return {};
    const QByteArray senderApp = Specifier(sender).application();
    QList<CWConnectorAppInfo> members;
    for (const CWConnectorAppInfo &record : installedRecords(context)) {
        if (record.value(CWConnectorAppInfo::Group).compare(groupName, Qt::CaseInsensitive) != 0)
            continue;
        if (!senderApp.isEmpty() && Specifier(record.specifier()).application() == senderApp)
            continue;
        if (context.isRunning(record.specifier()))
            return record.specifier();
        members.append(record);
    }
    return highest(members);
}

void CrosswireScriptTargets::setBringToFront(BringToFront function)
{
    std::lock_guard guard(bringToFrontMutex);
    bringToFrontFunction() = std::move(function);
}

bool CrosswireScriptTargets::bringToFront(CrosswireContext &context, const QByteArray &target)
{
    const auto found = record(context, target);
    if (!found)
        return false;
    BringToFront function;
    {
        std::lock_guard guard(bringToFrontMutex);
        function = bringToFrontFunction();
    }
    return function && function(*found);
}

} // namespace KnObjects
