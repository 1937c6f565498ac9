import QtQuick
import QtQuick.Controls

ApplicationWindow {
    id: window
    title: "Orvanta"
    width: 1280
    height: 800
    visible: true
    color: "#0b3d5c"
    font.family: "Roboto"

    Column {
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
            color: "white"
            font.pixelSize: 32
            font.bold: true
        }
        Label {
            anchors.horizontalCenter: parent.horizontalCenter
            text: "No map open"
            color: "#cfe3ef"
            font.pixelSize: 16
        }
    }
}
