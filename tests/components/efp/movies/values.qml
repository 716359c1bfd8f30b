// Sends movie values of every kind to the host and describes the host's replies.
import QtQuick

Item {
    width: 40
    height: 30
    // Logs from the event loop, outside any call of the library into the movie.
    Timer {
        interval: 20
        running: true
        onTriggered: console.log("timer tick")
    }
    Component.onCompleted: {
        ExternalInterface.call("loaded")
        console.log("values movie loaded")
        ExternalInterface.addCallback("sendValues", function() {
            ExternalInterface.call("values", true, 2.5, "a]]>b", null, [1, "x"], {k: false}, -3)
            return true
        })
        ExternalInterface.addCallback("describeReply", function() {
            var r = ExternalInterface.call("reply")
            return r === undefined ? "undefined" : r === null ? "null" : typeof r + ":" + r
        })
        ExternalInterface.addCallback("minimize", function() { Stage.requestMinimize() })
        ExternalInterface.addCallback("log", function(text) { console.log(text) })
    }
}
