// Part of PodPlayer.swf; "root" is that movie's root item (palette, channel).
import QtQuick
import Tessaly.Player

Rectangle {
    id: step
    signal activated()
    property bool forward: true
    property string accessibleName: ""
    width: 24; height: 24; radius: 12
    color: stepMouse.containsMouse ? "#38404b" : "transparent"
    border.color: activeFocus ? root.accent : "transparent"
    border.width: 2
    activeFocusOnTab: true
    Accessible.role: Accessible.Button
    Accessible.name: accessibleName
    Accessible.onPressAction: activated()
    Keys.onReturnPressed: activated()
    Keys.onEnterPressed: activated()
    Keys.onSpacePressed: activated()
    VectorGlyph {
        anchors.centerIn: parent
        width: 6; height: 10
        path: step.forward ? "M 1 1 L 5 5 L 1 9" : "M 5 1 L 1 5 L 5 9"
        ink: root.mutedText; strokeWidth: 1.6
    }
    MouseArea { id: stepMouse; anchors.fill: parent; hoverEnabled: true; onClicked: step.activated() }
}
