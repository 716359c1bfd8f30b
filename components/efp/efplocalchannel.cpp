#include "components/efp/efplocalchannel.h"

#include "components/efp/efplibrary.h"
#include "components/efp/efpstageplayer.h"

#include <QList>

namespace {

QList<EFPLocalChannel *> &members()
{
    static QList<EFPLocalChannel *> list;
    return list;
}

constexpr int kMaxArguments = 9;

} // namespace

EFPLocalChannel::EFPLocalChannel(const QString &name, EFPStagePlayer *player)
    : QObject(player)
    , m_name(name)
    , m_player(player)
{
    join();
}

EFPLocalChannel::~EFPLocalChannel()
{
    if (m_joined) {
        members().removeAll(this);
        m_joined = false;
        announce();
    }
}

int EFPLocalChannel::peerCount() const
{
    int count = 0;
    for (const EFPLocalChannel *member : members()) {
        if (member != this && member->m_name == m_name)
            ++count;
    }
    return count;
}

bool EFPLocalChannel::send(const QString &message, const QJSValue &a1, const QJSValue &a2,
                           const QJSValue &a3, const QJSValue &a4, const QJSValue &a5,
                           const QJSValue &a6, const QJSValue &a7, const QJSValue &a8,
                           const QJSValue &a9)
{
    if (!m_joined)
        return false;
    const QJSValue values[kMaxArguments] = {a1, a2, a3, a4, a5, a6, a7, a8, a9};
    int count = kMaxArguments;
    while (count > 0 && values[count - 1].isUndefined())
        --count;
    QVariantList arguments;
    for (int i = 0; i < count; ++i)
        arguments.append(values[i].toVariant());
    for (EFPLocalChannel *member : members()) {
        if (member == this || member->m_name != m_name)
            continue;
        QPointer<EFPLocalChannel> peer(member);
        // Queued: the receiving movie runs from the event loop, not inside the sender's code.
        QMetaObject::invokeMethod(
            member,
            [peer, message, arguments] {
                if (!peer || !peer->m_joined)
                    return;
                EFPCurrentPlayerScope scope(peer->m_player);
                emit peer->received(message, arguments);
            },
            Qt::QueuedConnection);
    }
    return true;
}

void EFPLocalChannel::leave()
{
    if (!m_joined)
        return;
    members().removeAll(this);
    m_joined = false;
    emit joinedChanged();
    announce();
}

void EFPLocalChannel::join()
{
    if (m_joined)
        return;
    members().append(this);
    m_joined = true;
    emit joinedChanged();
    announce();
}

void EFPLocalChannel::announce()
{
    for (EFPLocalChannel *member : members()) {
        if (member != this && member->m_name == m_name)
            emit member->peersChanged();
    }
    emit peersChanged();
}
