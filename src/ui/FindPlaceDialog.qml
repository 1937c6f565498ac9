import QtQuick
import QtQuick.Controls
import QtQuick.Layouts
import Orvanta

// The find-place dialog: results follow every key typed, grouped under
// their category (and Marks, Routes, Tracks, Coordinates); choosing one
// moves the map there and closes the dialog. Escape closes it.
Popup {
    id: dialog
    objectName: "findPlaceDialog"

    function show(databasePath) {
        finder.open(databasePath)
        open()
        field.forceActiveFocus()
        field.selectAll()
    }

    FindPlaceModel {
        id: finder
        objectName: "findPlaceModel"
    }

    modal: true
    focus: true
    parent: Overlay.overlay
    x: parent ? (parent.width - width) / 2 : 0
    y: parent ? Math.max(12, parent.height * 0.08) : 0
    width: Math.min(460, parent ? parent.width - 24 : 460)
    height: Math.min(560, parent ? parent.height - 24 : 560)
    padding: 16
    background: Rectangle {
        radius: 10
        color: "#fbfcfd"
        border.color: "#b8c4cc"
    }

    contentItem: ColumnLayout {
        spacing: 10
        Keys.onEscapePressed: dialog.close()
        Label {
            text: "Find Place"
            font.pixelSize: 17
            font.bold: true
            color: "#0b3d5c"
        }
        TextField {
            id: field
            objectName: "findPlaceField"
            Layout.fillWidth: true
            placeholderText: "Place, mark, route, track or position"
            font.pixelSize: 16
            onTextChanged: finder.searchText = text
            Keys.onEscapePressed: dialog.close()
            Keys.onDownPressed: list.forceActiveFocus()
            onAccepted: {
                const rows = finder.rows
                for (let i = 0; i < rows.length; ++i)
                    if (!rows[i].header && finder.choose(rows[i].group, rows[i].index)) {
                        dialog.close()
                        return
                    }
            }
        }
        Label {
            objectName: "findPlaceHint"
            Layout.fillWidth: true
            visible: finder.hint.length > 0
            text: finder.hint
            wrapMode: Text.WordWrap
            color: "#6a7f8c"
        }
        ListView {
            id: list
            objectName: "findPlaceResults"
            Layout.fillWidth: true
            Layout.fillHeight: true
            clip: true
            model: finder.rows
            keyNavigationEnabled: true
            ScrollBar.vertical: ScrollBar {}
            delegate: ItemDelegate {
                required property var modelData
                width: ListView.view.width
                height: modelData.header ? 30 : 36
                enabled: !modelData.header
                leftPadding: modelData.header ? 6 : 24
                contentItem: Label {
                    text: modelData.text
                    font.pixelSize: modelData.header ? 13 : 15
                    font.bold: modelData.header
                    color: modelData.header ? "#35566b" : "#12222c"
                    elide: Text.ElideRight
                    verticalAlignment: Text.AlignVCenter
                }
                background: Rectangle {
                    color: modelData.header ? "#e8eef2" : (parent.hovered ? "#dde8ef" : "transparent")
                }
                onClicked: {
                    if (finder.choose(modelData.group, modelData.index))
                        dialog.close()
                }
            }
        }
    }
}
