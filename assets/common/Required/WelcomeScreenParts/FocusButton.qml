// A focusable, clickable area: Enter or Space activates, the accent ring shows keyboard focus.
// Part of WelcomeScreenContainer.swf; "root" is that movie's root item (palette, font sizes).
import QtQuick

Rectangle {
    id: button
    signal activated()
    property string accessibleName: ""
    property color baseColor: "transparent"
    property color hoverColor: "#2f353e"
    property bool checkable: false
    property bool checked: false
    readonly property bool hovered: mouse.containsMouse
    activeFocusOnTab: true
    color: !enabled ? baseColor : (mouse.pressed ? Qt.darker(hoverColor, 1.15) : (hovered ? hoverColor : baseColor))
    Behavior on color { ColorAnimation { duration: 120 } }
    Accessible.role: checkable ? Accessible.RadioButton : Accessible.Button
    Accessible.name: accessibleName
    Accessible.checkable: checkable
    Accessible.checked: checked
    Accessible.onPressAction: if (enabled) activated()
    Keys.onReturnPressed: if (enabled) activated()
    Keys.onEnterPressed: if (enabled) activated()
    Keys.onSpacePressed: if (enabled) activated()
    Rectangle {
        anchors.fill: parent
        anchors.margins: -3
        radius: parent.radius + 3
        color: "transparent"
        border.color: root.accent
        border.width: 2
        visible: button.activeFocus
    }
    MouseArea {
        id: mouse
        anchors.fill: parent
        hoverEnabled: true
        enabled: button.enabled
        cursorShape: Qt.PointingHandCursor
        onClicked: { button.forceActiveFocus(); button.activated() }
    }
}
