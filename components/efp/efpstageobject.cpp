#include "components/efp/efpstageobject.h"

#include "components/efp/efplibrary.h"
#include "components/efp/efpstageplayer.h"

#include <QQmlEngine>
#include <QQuickView>

#include <climits>

EFPStageObject::EFPStageObject(EFPStagePlayer *player)
    : QObject(player)
    , m_player(player)
{
}

void EFPStageObject::requestActivate()
{
    m_player->sendRequest(EFPLibrary::messages().requestActivate);
}

void EFPStageObject::requestMaximize()
{
    m_player->sendRequest(EFPLibrary::messages().requestMaximize);
}

void EFPStageObject::requestMinimize()
{
    m_player->sendRequest(EFPLibrary::messages().requestMinimize);
}

void EFPStageObject::requestRestore()
{
    m_player->sendRequest(EFPLibrary::messages().requestRestore);
}

void EFPStageObject::orderToBack()
{
    m_player->sendRequest(EFPLibrary::messages().requestOrderToBack);
}

void EFPStageObject::orderToFront()
{
    m_player->sendRequest(EFPLibrary::messages().requestOrderToFront);
}

void EFPStageObject::orderBehind()
{
    m_player->sendRequest(EFPLibrary::messages().requestOrderBehind);
}

void EFPStageObject::orderInFrontOf()
{
    m_player->sendRequest(EFPLibrary::messages().requestOrderInFrontOf);
}

void EFPStageObject::notifyUser()
{
    m_player->sendRequest(EFPLibrary::messages().requestNotifyUser);
}

QJSValue EFPStageObject::stageToScreen(int x, int y)
{
    EFPPointRecord point{x, y};
    m_player->sendRequest(EFPLibrary::messages().requestStageToScreen, 0,
                          reinterpret_cast<qintptr>(&point));
    QJSValue result = m_player->view()->engine()->newObject();
    result.setProperty(QStringLiteral("x"), point.x);
    result.setProperty(QStringLiteral("y"), point.y);
    return result;
}

QJSValue EFPStageObject::queryProperty(int id)
{
    // Values the host leaves alone keep a marker, so an unanswered query is told apart.
    EFPPropertyRecord record{id, {INT_MIN, INT_MIN, INT_MIN, INT_MIN}, nullptr};
    m_player->sendRequest(EFPLibrary::messages().getProperty, 0,
                          reinterpret_cast<qintptr>(&record));
    if (record.text) {
        const QString text = QString::fromUtf16(record.text, qsizetype(sysStringLen(record.text)));
        sysFreeString(record.text);
        return QJSValue(text);
    }
    if (record.values[0] == INT_MIN)
        return QJSValue();
    QJSValue values = m_player->view()->engine()->newArray(4);
    for (int i = 0; i < 4; ++i)
        values.setProperty(quint32(i), record.values[i] == INT_MIN ? 0 : record.values[i]);
    return values;
}

void EFPStageObject::requestSize(int width, int height)
{
    m_player->requestSize(width, height);
}
