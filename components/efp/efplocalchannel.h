#pragma once

#include <QJSValue>
#include <QObject>
#include <QPointer>
#include <QVariantList>

class EFPStagePlayer;

// A named channel between the movies of one process: every stage that joins a name gets its
// own channel object, and what one member sends arrives at every other member, in the order
// sent, after the sender's code has returned (never inside the send call).
//
//   var pods = ExternalInterface.channel("welcome.pods")
//   pods.received.connect(function(message, args) { ... })
//   pods.send("podChanged", "tips.xml", 3)
//
// Values travel as plain data: booleans, numbers, strings, arrays and objects of those.
class EFPLocalChannel : public QObject
{
    Q_OBJECT
    Q_PROPERTY(QString name READ name CONSTANT)
    Q_PROPERTY(bool joined READ joined NOTIFY joinedChanged)
    Q_PROPERTY(int peerCount READ peerCount NOTIFY peersChanged)
public:
    EFPLocalChannel(const QString &name, EFPStagePlayer *player);
    ~EFPLocalChannel() override;

    QString name() const { return m_name; }
    bool joined() const { return m_joined; }
    // Other members of the same name.
    int peerCount() const;

    // Sends a message with up to nine values; false when this member has left.
    Q_INVOKABLE bool send(const QString &message, const QJSValue &a1 = QJSValue(),
                          const QJSValue &a2 = QJSValue(), const QJSValue &a3 = QJSValue(),
                          const QJSValue &a4 = QJSValue(), const QJSValue &a5 = QJSValue(),
                          const QJSValue &a6 = QJSValue(), const QJSValue &a7 = QJSValue(),
                          const QJSValue &a8 = QJSValue(), const QJSValue &a9 = QJSValue());
    Q_INVOKABLE void leave();
    Q_INVOKABLE void join();

signals:
    void received(const QString &message, const QVariantList &arguments);
    void joinedChanged();
    void peersChanged();

private:
    void announce();

    QString m_name;
    EFPStagePlayer *m_player;
    bool m_joined = false;
};
