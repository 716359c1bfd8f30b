// Small vector glyphs drawn on a 20 × 20 grid, in the light text colour unless told otherwise.
// Part of WelcomeScreenContainer.swf; "root" is that movie's root item (palette, font sizes).
import QtQuick
import Tessaly.Player

VectorGlyph {
    id: glyphShape
    property string kind: ""
    width: 20; height: 20
    viewSize: Qt.size(20, 20)
    ink: root.textColor
    strokeWidth: 1.6
    path: ({
        "create": "M 3 4 L 17 4 L 17 16 L 3 16 Z M 3 12 L 8 8 L 12 12 L 14 10 L 17 13",
        "share": "M 14 4 A 2.5 2.5 0 1 1 14 4.01 M 6 10 A 2.5 2.5 0 1 1 6 10.01 M 14 16 A 2.5 2.5 0 1 1 14 16.01 M 8 9 L 12 6 M 8 11 L 12 14",
        "backup": "M 5 15 L 15 15 A 3.5 3.5 0 0 0 14 8 A 5 5 0 0 0 5 9 A 3 3 0 0 0 5 15 M 10 13 L 10 9 M 8 11 L 10 9 L 12 11",
        "quickfix": "M 4 16 L 13 7 M 12 4 L 12.8 6 L 15 6.5 L 12.8 7.2 L 12 9.5 L 11.2 7.2 L 9 6.5 L 11.2 6 Z M 16 11 L 16.4 12 L 17.5 12.3 L 16.4 12.7 L 16 14 L 15.6 12.7 L 14.5 12.3 L 15.6 12 Z",
        "blank": "M 5 3 L 12 3 L 16 7 L 16 17 L 5 17 Z M 12 3 L 12 7 L 16 7 M 10.5 10 L 10.5 15 M 8 12.5 L 13 12.5",
        "catalog": "M 3 4 L 8 4 L 8 9 L 3 9 Z M 12 4 L 17 4 L 17 9 L 12 9 Z M 3 12 L 8 12 L 8 17 L 3 17 Z M 12 12 L 17 12 L 17 17 L 12 17 Z",
        "tutorial": "M 10 3 A 7 7 0 1 1 9.99 3 M 8 7 L 14 10 L 8 13 Z",
        "maker": "M 10 3 A 7 7 0 1 1 9.99 3 M 3 10 L 17 10 M 10 3 C 6 6 6 14 10 17 M 10 3 C 14 6 14 14 10 17"
    })[glyphShape.kind] || ""
}
