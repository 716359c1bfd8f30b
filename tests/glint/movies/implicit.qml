// Asks for its size through the implicit size only.
import QtQuick

Item {
    implicitWidth: 150
    implicitHeight: 90
}
