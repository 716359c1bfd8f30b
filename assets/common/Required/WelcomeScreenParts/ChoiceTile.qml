// One of the two large choices. While its application launches it shows the launching text,
// a progress bar and the live status from the application.
// Part of WelcomeScreenContainer.swf; "root" is that movie's root item (palette, font sizes).
import QtQuick
import Tessaly.Player

FocusButton {
    id: tile
    property string title: ""
    property string description: ""
    property string buttonText: ""
    property string launchingText: ""
    property string statusText: ""
    property bool isLaunching: false
    property bool dimmed: false
    property string glyph: ""
    height: 232
    radius: 14
    baseColor: root.surface
    hoverColor: root.surfaceRaised
    border.color: isLaunching || activeFocus ? root.accent : (hovered ? "#46505d" : root.lineColor)
    border.width: 1
    accessibleName: title + ". " + description
    opacity: dimmed ? 0.4 : 1
    Behavior on opacity { NumberAnimation { duration: 200 } }
    transform: Translate { y: (tile.hovered || tile.activeFocus) && !tile.isLaunching && !tile.dimmed ? -3 : 0
        Behavior on y { NumberAnimation { duration: 140; easing.type: Easing.OutCubic } } }

    // The large glyph: a grid of photos for the Organizer, a brush over a frame for the Editor.
    Rectangle {
        x: 22; y: 20; width: 56; height: 56; radius: 14
        gradient: Gradient {
            GradientStop { position: 0; color: tile.glyph === "organizer" ? "#2f6fd0" : "#7a4fd6" }
            GradientStop { position: 1; color: tile.glyph === "organizer" ? "#1f4f9e" : "#5433a8" }
        }
        VectorGlyph {
            anchors.centerIn: parent
            width: 32; height: 32
            ink: "white"; strokeWidth: 2
            path: tile.glyph === "organizer"
                  ? "M 3 5 L 14 5 L 14 14 L 3 14 Z M 18 5 L 29 5 L 29 14 L 18 14 Z M 3 18 L 14 18 L 14 27 L 3 27 Z M 18 18 L 29 18 L 29 27 L 18 27 Z M 5 12 L 8 9 L 12 12 M 22 24 A 2 2 0 1 1 21.99 24"
                  : "M 3 8 L 21 8 L 21 28 L 3 28 Z M 3 23 L 9 17 L 14 22 L 17 19 L 21 23 M 14 18 L 27 5 A 2 2 0 0 1 30 8 L 17 21 L 13 22 Z"
        }
    }

    Text {
        x: 22; y: 88
        width: tile.width - 44
        text: tile.title
        color: root.textColor
        font.pixelSize: root.bigFont
        font.weight: Font.DemiBold
        elide: Text.ElideRight
    }
    Text {
        x: 22; y: 122
        width: tile.width - 44
        visible: !tile.isLaunching
        text: tile.description
        color: root.mutedText
        font.pixelSize: root.smallFont + 1
        wrapMode: Text.WordWrap
        maximumLineCount: 3
        elide: Text.ElideRight
        lineHeight: 1.15
    }

    // Primary button.
    Rectangle {
        x: 22; y: tile.height - 58
        width: Math.max(110, buttonLabel.implicitWidth + 36); height: 36; radius: 8
        visible: !tile.isLaunching
        color: tile.hovered || tile.activeFocus ? root.accent : root.accentDeep
        Behavior on color { ColorAnimation { duration: 120 } }
        Text {
            id: buttonLabel
            anchors.centerIn: parent
            text: tile.buttonText
            color: "white"
            font.pixelSize: root.smallFont + 1
            font.weight: Font.DemiBold
            font.letterSpacing: 0.8
        }
    }

    // Launching state, its content made the first time the application launches: nothing of
    // it shows at rest.
    onIsLaunchingChanged: if (isLaunching) launchingContent.active = true
    Item {
        objectName: "launchingPanel"
        x: 22; y: 124
        width: tile.width - 44
        height: launchingContent.height
        visible: tile.isLaunching
        Loader {
            id: launchingContent
            width: parent.width
            active: false
            sourceComponent: Component {
                Column {
                    width: launchingContent.width
                    spacing: 10
                    Text {
                        objectName: "launchingText"
                        width: parent.width
                        text: tile.launchingText
                        color: root.textColor
                        font.pixelSize: root.smallFont + 1
                        wrapMode: Text.WordWrap
                        maximumLineCount: 2
                        elide: Text.ElideRight
                    }
                    // An indeterminate bar: a short accent segment gliding across a dim track.
                    Rectangle {
                        width: parent.width; height: 4; radius: 2
                        color: "#323a45"
                        clip: true
                        Rectangle {
                            id: runner
                            width: parent.width * 0.3; height: parent.height; radius: 2
                            color: root.accent
                            NumberAnimation on x {
                                running: tile.isLaunching
                                from: -runner.width; to: runner.parent.width
                                duration: 1300; loops: Animation.Infinite
                                easing.type: Easing.InOutQuad
                            }
                        }
                    }
                    Text {
                        objectName: "statusText"
                        width: parent.width
                        text: tile.statusText
                        color: root.mutedText
                        font.pixelSize: root.smallFont
                        elide: Text.ElideRight
                    }
                }
            }
        }
    }
}
