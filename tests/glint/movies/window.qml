// A root that is not an item cannot play on a stage.
import QtQml

QtObject {
}
