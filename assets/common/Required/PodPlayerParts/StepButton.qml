// Part of PodPlayer.swf; "root" is that movie's root item (palette, channel).
import QtQuick
import QtQuick.Shapes

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
    Shape {
        anchors.centerIn: parent
        width: 6; height: 10
        ShapePath {
            strokeColor: root.mutedText; strokeWidth: 1.6; fillColor: "transparent"
            capStyle: ShapePath.RoundCap; joinStyle: ShapePath.RoundJoin
            startX: step.forward ? 1 : 5; startY: 1
            PathLine { x: step.forward ? 5 : 1; y: 5 }
            PathLine { x: step.forward ? 1 : 5; y: 9 }
        }
    }
    MouseArea { id: stepMouse; anchors.fill: parent; hoverEnabled: true; onClicked: step.activated() }
}
