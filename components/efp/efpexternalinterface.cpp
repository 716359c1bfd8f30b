#include "components/efp/efpexternalinterface.h"

#include "components/efp/efplocalchannel.h"
#include "components/efp/efpstageplayer.h"

EFPExternalInterface::EFPExternalInterface(EFPStagePlayer *player)
    : QObject(player)
    , m_player(player)
{
}

QJSValue EFPExternalInterface::call(const QString &name, const QJSValue &a1, const QJSValue &a2,
                                    const QJSValue &a3, const QJSValue &a4, const QJSValue &a5,
                                    const QJSValue &a6, const QJSValue &a7, const QJSValue &a8,
                                    const QJSValue &a9)
{
    QJSValueList arguments{a1, a2, a3, a4, a5, a6, a7, a8, a9};
    // Arguments the movie did not pass arrive as undefined; trailing ones are not sent.
    while (!arguments.isEmpty() && arguments.constLast().isUndefined())
        arguments.removeLast();
    return m_player->callHost(name, arguments);
}

bool EFPExternalInterface::addCallback(const QString &name, const QJSValue &function)
{
    return m_player->addCallback(name, function);
}

QObject *EFPExternalInterface::channel(const QString &name)
{
    return m_player->channel(name);
}
