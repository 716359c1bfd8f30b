#pragma once

#include <QJSValue>
#include <QObject>

class EFPLocalChannel;
class EFPStagePlayer;

// The movie's "ExternalInterface": synchronous calls of host functions and functions the host
// may call.
//
//   var reply = ExternalInterface.call("WelcomeScreen_RequestOrganizer", 1, "two")
//   ExternalInterface.addCallback("SetHiddenByAlert", function() { ... })
//   var channel = ExternalInterface.channel("welcome.pods")   // see EFPLocalChannel
//
// call() sends up to nine arguments and returns the host's reply as a value (true/false, a
// number, a string, or undefined when the host gave none).
class EFPExternalInterface : public QObject
{
    Q_OBJECT
    Q_PROPERTY(bool available READ available CONSTANT)
public:
    explicit EFPExternalInterface(EFPStagePlayer *player);

    bool available() const { return true; }

    Q_INVOKABLE QJSValue call(const QString &name, const QJSValue &a1 = QJSValue(),
                              const QJSValue &a2 = QJSValue(), const QJSValue &a3 = QJSValue(),
                              const QJSValue &a4 = QJSValue(), const QJSValue &a5 = QJSValue(),
                              const QJSValue &a6 = QJSValue(), const QJSValue &a7 = QJSValue(),
                              const QJSValue &a8 = QJSValue(), const QJSValue &a9 = QJSValue());
    // Registers (or replaces) the function the host calls by name; false unless it is callable.
    Q_INVOKABLE bool addCallback(const QString &name, const QJSValue &function);
    // Joins the named channel between the movies of this process (the same object each time).
    Q_INVOKABLE QObject *channel(const QString &name);

private:
    EFPStagePlayer *m_player;
};
