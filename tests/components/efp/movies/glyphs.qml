// Vector glyphs on black: a red stroke, a green fill drawn from a smaller box, and path data with
// a fault after its first line.
import QtQuick
import Tessaly.Player

Rectangle {
    width: 100; height: 40
    color: "black"
    VectorGlyph {
        objectName: "stroke"
        width: 40; height: 40
        path: "M 0 20 L 40 20"
        ink: "#ff0000"; strokeWidth: 4
    }
    VectorGlyph {
        objectName: "filled"
        x: 50; width: 20; height: 20
        viewSize: Qt.size(10, 10)
        path: "M 0 0 L 10 0 L 10 10 L 0 10 Z"
        ink: "transparent"; fill: "#00ff00"
    }
    VectorGlyph {
        objectName: "broken"
        x: 80; width: 20; height: 40
        path: "M 10 0 L 10 40 L oops"
        ink: "#0000ff"; strokeWidth: 4
    }
}
