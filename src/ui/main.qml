import QtQuick
import QtQuick.Controls
import Orvanta

ApplicationWindow {
    id: window
    title: "Orvanta"
    width: 1280
    height: 800
    visible: true
    color: "#e8ecef"
    font.family: "Roboto"

    // The pages of display items; the map is an item on the first page.
    DisplayPages {
        id: pages
        objectName: "pages"
        anchors.fill: parent
        focus: true
    }
    // The map of the page on show, if it has one.
    readonly property var map: pages.mapWindow

    Column {
        visible: window.map !== null && !window.map.hasMap
        anchors.centerIn: parent
        spacing: 12
        Image {
            anchors.horizontalCenter: parent.horizontalCenter
            source: "qrc:/appicon.png"
            width: 96
            height: 96
        }
        Label {
            anchors.horizontalCenter: parent.horizontalCenter
            text: "Orvanta"
            color: "#0b3d5c"
            font.pixelSize: 32
            font.bold: true
        }
        Label {
            anchors.horizontalCenter: parent.horizontalCenter
            text: "No map open"
            color: "#35566b"
            font.pixelSize: 16
        }
    }

    component MapButton: RoundButton {
        width: 48
        height: 48
        font.pixelSize: 22
        font.bold: true
        focusPolicy: Qt.NoFocus
        palette.button: checked ? "#0b3d5c" : "#f4f6f8"
        palette.buttonText: checked ? "white" : "#0b3d5c"
        opacity: 0.92
    }

    Column {
        visible: window.map !== null
        anchors.right: parent.right
        anchors.verticalCenter: parent.verticalCenter
        anchors.rightMargin: 16
        spacing: 10
        MapButton {
            objectName: "lockToPosition"
            text: "\u25ce"
            checkable: false
            checked: window.map !== null && window.map.gpsLockedOn
            onClicked: window.map.lockOnToGPS()
        }
    }

    Rectangle {
        visible: window.map !== null && window.map.hasMap && window.map.mapTitle.length > 0
        anchors.top: parent.top
        anchors.horizontalCenter: parent.horizontalCenter
        anchors.topMargin: 10
        width: titleLabel.implicitWidth + 24
        height: titleLabel.implicitHeight + 10
        radius: 6
        color: "#d0ffffff"
        Label {
            id: titleLabel
            anchors.centerIn: parent
            text: window.map ? window.map.mapTitle : ""
            color: "#0b3d5c"
            font.pixelSize: 15
            font.bold: true
        }
    }

    // The scale bar: a bar of the length the units chose, its label above.
    Item {
        objectName: "scaleBar"
        readonly property int length: window.map ? window.map.scaleBarLength : 0
        readonly property color ink: window.map ? window.map.scaleBarColor : "black"
        visible: length > 0
        anchors.left: parent.left
        anchors.bottom: parent.bottom
        anchors.leftMargin: 16
        anchors.bottomMargin: 16
        width: Math.max(length, scaleLabel.implicitWidth) + 12
        height: 40
        Rectangle {
            anchors.fill: parent
            radius: 4
            color: "#c0ffffff"
        }
        Label {
            id: scaleLabel
            x: 6
            y: 4
            text: window.map ? window.map.scaleBarLabel : ""
            color: parent.ink
            font.pixelSize: 13
        }
        Rectangle {
            x: 6
            y: 28
            width: parent.length
            height: 3
            color: parent.ink
        }
        Rectangle {
            x: 6
            y: 22
            width: 2
            height: 9
            color: parent.ink
        }
        Rectangle {
            x: 6 + parent.length - 2
            y: 22
            width: 2
            height: 9
            color: parent.ink
        }
    }

    Rectangle {
        objectName: "cursorPosition"
        visible: window.map !== null && window.map.cursorPosition.length > 0
        anchors.right: parent.right
        anchors.bottom: parent.bottom
        anchors.rightMargin: 16
        anchors.bottomMargin: 16
        width: cursorLabel.implicitWidth + 16
        height: cursorLabel.implicitHeight + 10
        radius: 4
        color: "#c0ffffff"
        Label {
            id: cursorLabel
            anchors.centerIn: parent
            text: window.map ? window.map.cursorPosition : ""
            color: "#0b3d5c"
            font.pixelSize: 13
        }
    }

    PageBar {
        pages: pages
        anchors.horizontalCenter: parent.horizontalCenter
        anchors.bottom: parent.bottom
        anchors.bottomMargin: 12
    }

    MapButton { objectName: "menuButton"; x: 16; y: 16; text: "\u2630"; onClicked: shell.showMainMenu() }
    MapButton { objectName: "overlaysButton"; x: 16; y: 74; text: "\u2691"; onClicked: shell.showOverlaysMenu() }
    Shell { id: shell; pages: pages }
}
