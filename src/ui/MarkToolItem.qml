import QtQuick
import QtQuick.Controls

// The selected mark's tool, beside the mark on the map: its label (name,
// distance and bearing), a menu button, and a handle that drags the mark
// (a padlock instead when the mark is locked).
Item {
    id: tool
    objectName: "markTool"
    property var map: null
    visible: map !== null && map.toolShown
    x: map ? map.toolPoint.x + 26 : 0
    y: map ? map.toolPoint.y - height / 2 : 0
    width: row.implicitWidth + 12
    height: Math.max(44, row.implicitHeight + 10)
    z: 20

    Rectangle {
        anchors.fill: parent
        radius: 8
        color: "#f2ffffff"
        border.color: "#0b3d5c"
        border.width: 1
    }
    Row {
        id: row
        anchors.centerIn: parent
        spacing: 6
        Label {
            objectName: "markToolLabel"
            anchors.verticalCenter: parent.verticalCenter
            text: tool.map ? tool.map.toolLabel : ""
            color: "#0b3d5c"
            font.pixelSize: 14
            leftPadding: 4
        }
        ToolButton {
            objectName: "markToolMenu"
            anchors.verticalCenter: parent.verticalCenter
            text: "\u22ee"
            font.pixelSize: 20
            focusPolicy: Qt.NoFocus
            onClicked: tool.map.toolMenu()
        }
        Rectangle {
            objectName: "markToolHandle"
            anchors.verticalCenter: parent.verticalCenter
            width: 34
            height: 34
            radius: 17
            color: tool.map && tool.map.toolLocked ? "#c8d0d6" : "#0b3d5c"
            Label {
                anchors.centerIn: parent
                text: tool.map && tool.map.toolLocked ? "\ud83d\udd12" : "\u2725"
                color: "white"
                font.pixelSize: 18
            }
            MouseArea {
                anchors.fill: parent
                enabled: tool.map !== null && !tool.map.toolLocked
                cursorShape: Qt.SizeAllCursor
                property point last
                onPressed: mouse => last = mapToItem(null, mouse.x, mouse.y)
                onPositionChanged: mouse => {
                    const p = mapToItem(null, mouse.x, mouse.y)
                    tool.map.toolDrag(p.x - last.x, p.y - last.y)
                    last = p
                }
            }
        }
    }
}
