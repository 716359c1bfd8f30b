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
    CrosswireConnector *connector = CrosswireScriptTargets::connector(context);
    if (!connector || application.isEmpty())
        return {};
    return connector->getSpecifier(application, version, locale);
}

QByteArrayList CrosswireScriptTargets::targets(CrosswireContext &context, const QByteArray &version,
                                               const QByteArray &locale)
{
    CrosswireConnector *connector = CrosswireScriptTargets::connector(context);
    return connector ? connector->getTargets(version, locale) : QByteArrayList();
}

bool CrosswireScriptTargets::isInstalled(CrosswireContext &context, const QByteArray &target)
{
    CrosswireConnector *connector = CrosswireScriptTargets::connector(context);
    return connector && !target.isEmpty() && connector->isInstalled(target);
}

bool CrosswireScriptTargets::launch(CrosswireContext &context, const QByteArray &target,
                                    bool background)
{
    if (target.isEmpty())
        return false;
    if (CrosswireConnector *connector = CrosswireScriptTargets::connector(context))
        return connector->launch(target, {}, background);
    return context.hooks().launchTarget(target, {}, background);
}

QByteArray CrosswireScriptTargets::field(CrosswireContext &context, const QByteArray &target,
                                         CWConnectorAppInfo::Field field)
{
    CrosswireConnector *connector = CrosswireScriptTargets::connector(context);
    if (!connector || target.isEmpty())
        return {};
    switch (field) {
    case CWConnectorAppInfo::DisplayName:
        return connector->getDisplayName(target);
    case CWConnectorAppInfo::Path:
        return connector->getAppPath(target);
    default:
        return connector->getInfo(target, CWConnectorAppInfo::keyName(field));
    }
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
    CrosswireConnector *connector = CrosswireScriptTargets::connector(context);
    const auto found = record(context, senderSpec);
    if (!connector || !found)
        return {};
    if (!versionMatches(Specifier(found->specifier()).version(), groupVersion))
        return {};
    return connector->getGroupForSpecifier(senderSpec);
}

QByteArray CrosswireScriptTargets::specifierForGroup(CrosswireContext &context,
                                                     const QByteArray &bareTargetSpec,
                                                     const QByteArray &groupName,
                                                     const QByteArray &groupVersion)
{
    CrosswireConnector *connector = CrosswireScriptTargets::connector(context);
    if (!connector || groupName.isEmpty())
        return {};
    // Without an application or version to narrow it, the connector's choice for the group.
    if (bareTargetSpec.isEmpty() && groupVersion.isEmpty())
        return connector->getSpecifierForGroup(groupName);
    const QByteArray app =
        bareTargetSpec.isEmpty() ? QByteArray() : Specifier(bareTargetSpec).application();
    QList<CWConnectorAppInfo> matches;
    for (const CWConnectorAppInfo &member : installedRecords(context)) {
        const Specifier parts(member.specifier());
        if (member.value(CWConnectorAppInfo::Group).compare(groupName, Qt::CaseInsensitive) != 0)
            continue;
        if (!app.isEmpty() && parts.application() != app)
            continue;
        if (!versionMatches(parts.version(), groupVersion))
            continue;
        matches.append(member);
    }
    return highest(matches);
}

QByteArray CrosswireScriptTargets::preferredApp(CrosswireContext &context, const QByteArray &sender,
                                                const QByteArray &target,
                                                const QByteArray &groupName)
{
    Q_UNUSED(sender);
    CrosswireConnector *connector = CrosswireScriptTargets::connector(context);
    if (!connector)
        return {};
    if (!target.isEmpty()) {
        if (const auto found = connector->installed().find(normalize(context, target)))
            return found->specifier();
        if (context.isRunning(normalize(context, target)))
            return normalize(context, target);
    }
    return groupName.isEmpty() ? QByteArray() : connector->getPreferredApp(groupName);
}

void CrosswireScriptTargets::setBringToFront(BringToFront function)
{
    std::lock_guard guard(bringToFrontMutex);
    bringToFrontFunction() = std::move(function);
}

bool CrosswireScriptTargets::bringToFront(CrosswireContext &context, const QByteArray &target)
{
    BringToFront function;
    {
        std::lock_guard guard(bringToFrontMutex);
        function = bringToFrontFunction();
    }
    if (!function) {
        CrosswireConnector *connector = CrosswireScriptTargets::connector(context);
        return connector && !target.isEmpty() && connector->bringToFront(target);
    }
    const auto found = record(context, target);
    return found && function(*found);
}

} // namespace KnObjects
