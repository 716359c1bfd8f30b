// A quick entry: glyph and label in a low pill.
// Part of WelcomeScreenContainer.swf; "root" is that movie's root item (palette, font sizes).
import QtQuick

FocusButton {
    id: entry
    property string text: ""
    property string glyph: ""
    width: entryRow.implicitWidth + 16
    height: 30
    radius: 8
    baseColor: "#1f242b"
    hoverColor: "#2a3039"
    border.color: root.lineColor
    border.width: 1
    accessibleName: text
    opacity: enabled ? 1 : 0.45
    Behavior on opacity { NumberAnimation { duration: 160 } }
    Row {
        id: entryRow
        anchors.centerIn: parent
        // A 16-pixel glyph in a 20-pixel slot: two pixels of air on either side.
        leftPadding: 2
        spacing: 9
        Glyph {
            kind: entry.glyph; ink: root.mutedText
            width: 16; height: 16
            anchors.verticalCenter: parent.verticalCenter
        }
        Text {
            anchors.verticalCenter: parent.verticalCenter
            text: entry.text
            color: root.textColor
            font.pixelSize: root.smallFont
        }
    }
}
