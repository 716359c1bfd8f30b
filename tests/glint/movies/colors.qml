// Four quadrants of known colours, for screenshots.
import QtQuick

Item {
    width: 200
    height: 100
    Rectangle { x: 0; y: 0; width: parent.width / 2; height: parent.height / 2; color: "#ff0000" }
    Rectangle { x: parent.width / 2; y: 0; width: parent.width / 2; height: parent.height / 2; color: "#00ff00" }
    Rectangle { x: 0; y: parent.height / 2; width: parent.width / 2; height: parent.height / 2; color: "#0000ff" }
    Rectangle { x: parent.width / 2; y: parent.height / 2; width: parent.width / 2; height: parent.height / 2; color: "#ffff00" }
}
