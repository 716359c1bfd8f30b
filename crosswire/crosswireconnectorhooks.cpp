#include "crosswire/crosswireconnectorhooks.h"

#include "crosswire/specifier.h"

namespace KnObjects {

CrosswireConnectorHooks::~CrosswireConnectorHooks() = default;

QByteArray CrosswireConnectorHooks::normalizeSpecifier(const QByteArray &text)
{
    return Crosswire::Specifier(text).text();
}

bool CrosswireConnectorHooks::launchTarget(const QByteArray &, const QByteArray &, bool)
{
    return false;
}

bool CrosswireConnectorHooks::knowsRunningProcess(const QByteArray &)
{
    return false;
}

void CrosswireConnectorHooks::refreshCache(bool) {}

QByteArray CrosswireConnectorHooks::diagnostics()
{
    return "/targets;1;Targets;;\n/targets/connector;0;Connector;(none);\n";
}

} // namespace KnObjects
