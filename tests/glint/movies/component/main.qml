// The main document of a component folder.
import QtQuick

Rectangle {
    width: 111
    height: 77
    color: "white"
    Component.onCompleted: ExternalInterface.addCallback("whoAmI", function() { return "component" })
}
