// Joins the channel "tests.relay": "send" sends to the other members, and what arrives is told
// to the host as "channelReceived".
import QtQuick

Item {
    width: 50
    height: 50
    property var channel: ExternalInterface.channel("tests.relay")
    Connections {
        target: channel
        function onReceived(message, args) {
            ExternalInterface.call("channelReceived", message, JSON.stringify(args))
        }
    }
    Component.onCompleted: {
        ExternalInterface.addCallback("send", function(message, value) {
            return channel.send(message, value, [1, "two"])
        })
        ExternalInterface.addCallback("peers", function() { return channel.peerCount })
        ExternalInterface.addCallback("leave", function() { channel.leave(); return channel.joined })
    }
}
