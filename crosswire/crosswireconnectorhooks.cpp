#include "crosswire/crosswireconnectorhooks.h"

#include "crosswire/specifier.h"

namespace KnObjects {

CrosswireConnectorHooks::~CrosswireConnectorHooks() = default;

QByteArray CrosswireConnectorHooks::normalizeSpecifier(const QByteArray &text)
{
    // Every send asks, and a thread nearly always sends to the target it sent to last; the
    // answer depends on the text alone.
    struct LastAnswer
    {
        QByteArray text;
        QByteArray normalized;
    };
    thread_local LastAnswer last;
    if (last.text.isNull() || last.text != text)
        last = {text, Crosswire::Specifier(text).text()};
    return last.normalized;
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
