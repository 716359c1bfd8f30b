// The bare program's scene: a filled background and one line of text.
import QtQuick

Rectangle {
    color: "#1d2230"

    Text {
        anchors.centerIn: parent
        text: "Welcome"
        color: "#f0f2f5"
        font.pixelSize: 32
    }
}
