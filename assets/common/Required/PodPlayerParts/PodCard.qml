// Part of PodPlayer.swf; "root" is that movie's root item (palette, channel).
import QtQuick
import Tessaly.Player

Rectangle {
    id: card
    property var pod: null
    property bool shown: false
    anchors.fill: parent
    radius: 10
    color: "#23282f"
    opacity: shown ? 1 : 0
    visible: opacity > 0
    Behavior on opacity { NumberAnimation { duration: 450; easing.type: Easing.InOutQuad } }
    readonly property color podAccent: pod && pod.accent !== "" ? pod.accent : root.accent

    // The pod's own movie, or a quiet accent band when it has none.
    Item {
        id: art
        x: 0; y: 0; width: parent.width; height: 128
        clip: true
        Rectangle {
            width: parent.width; height: parent.height + 12
            radius: 10
            visible: !movieLoader.item
            gradient: Gradient {
                orientation: Gradient.Horizontal
                GradientStop { position: 0; color: Qt.darker(card.podAccent, 1.6) }
                GradientStop { position: 1; color: Qt.darker(card.podAccent, 2.6) }
            }
        }
        // Without a movie: the product's lens mark, large and quiet, over the band.
        Item {
            anchors.centerIn: parent
            width: 72; height: 72
            visible: !movieLoader.item
            opacity: 0.5
            VectorGlyph {
                anchors.fill: parent
                path: "M 66 36 A 30 30 0 1 1 6 36 A 30 30 0 1 1 66 36 Z"
                ink: "white"; strokeWidth: 3
            }
            VectorGlyph {
                anchors.fill: parent
                path: "M 36 14 L 43 36 L 36 58 L 29 36 Z"
                ink: "transparent"; fill: "white"
            }
        }
        Loader {
            id: movieLoader
            anchors.fill: parent
            source: card.pod ? card.pod.movie : ""
            asynchronous: false
        }
    }

    // Rounds the top corners of the pod's movie to the card's shape.
    Repeater {
        model: 2
        VectorGlyph {
            required property int index
            x: index === 0 ? 0 : card.width - 10
            width: 10; height: 10
            ink: "transparent"; fill: "#1a1e23"
            path: index === 0 ? "M 0 0 L 10 0 A 10 10 0 0 0 0 10 Z" : "M 10 0 L 0 0 A 10 10 0 0 1 10 10 Z"
        }
    }

    Text {
        id: title
        objectName: "podTitle"
        x: 18; y: art.height + 16
        width: card.width - 36
        text: card.pod ? card.pod.title : ""
        color: root.textColor
        font.pixelSize: 15
        font.weight: Font.DemiBold
        wrapMode: Text.WordWrap
        maximumLineCount: 2
        elide: Text.ElideRight
    }
    Text {
        id: body
        objectName: "podText"
        x: 18; y: title.y + title.height + 8
        width: card.width - 36
        text: card.pod ? card.pod.text : ""
        color: root.mutedText
        font.pixelSize: 12
        wrapMode: Text.WordWrap
        maximumLineCount: title.lineCount > 1 ? 3 : 4
        elide: Text.ElideRight
        lineHeight: 1.15
    }
    Text {
        id: link
        objectName: "podLink"
        x: 18; anchors.bottom: parent.bottom; anchors.bottomMargin: 18
        visible: card.pod !== null && card.pod.linkText !== "" && card.pod.action !== ""
        text: card.pod ? card.pod.linkText + "  ›" : ""
        color: linkMouse.containsMouse || activeFocus ? "#7dbbff" : root.accent
        font.pixelSize: 12
        font.weight: Font.DemiBold
        font.underline: activeFocus
        activeFocusOnTab: visible && card.shown
        Accessible.role: Accessible.Link
        Accessible.name: card.pod ? card.pod.linkText : ""
        function activate() { root.channel.send("event", "action", card.pod.action) }
        Accessible.onPressAction: activate()
        Keys.onReturnPressed: activate()
        Keys.onEnterPressed: activate()
        Keys.onSpacePressed: activate()
        MouseArea {
            id: linkMouse
            anchors.fill: parent
            anchors.margins: -4
            hoverEnabled: true
            cursorShape: Qt.PointingHandCursor
            enabled: card.shown
            onClicked: link.activate()
        }
    }
}
