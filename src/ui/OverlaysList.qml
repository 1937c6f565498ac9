import QtQuick
import QtQuick.Controls
import QtQuick.Layouts

// Every mark, then the routes and tracks: marks sorted by name, distance or
// time, each with a check box that shows or hides it; a tap shows it on the
// map, its menu goes to it (follows a route), edits, exports or deletes it.
// "Select" picks several to export together; "Export All" writes everything.
Popup {
    id: list
    objectName: "overlaysList"
    property var presenters
    property string sortKey: "name"
    property var rows: []
    // While picking, each row has a second box; Export writes the picked ones.
    property bool picking: false
    property var picked: []
    modal: true
    anchors.centerIn: parent
    width: Math.min(parent ? parent.width - 40 : 480, 480)
    height: Math.min(parent ? parent.height - 60 : 600, 600)
    padding: 12

    function refresh() {
        rows = presenters ? presenters.overlays(sortKey) : []
    }
    function togglePick(ovid) {
        picked = picked.includes(ovid) ? picked.filter(id => id !== ovid) : picked.concat([ovid])
    }
    onOpened: { picking = false; picked = []; refresh() }
    onSortKeyChanged: refresh()
    Connections {
        target: list.presenters
        function onOverlaysChanged() {
            if (list.visible)
                list.refresh()
        }
    }

    contentItem: ColumnLayout {
        spacing: 8
        RowLayout {
            Layout.fillWidth: true
            Label { text: "Overlays"; font.bold: true; font.pixelSize: 18; Layout.fillWidth: true }
            Button { objectName: "overlaysNewMark"; text: "New Mark"; onClicked: { list.presenters.newMark(); list.close() } }
            Button {
                objectName: "overlaysPick"
                text: list.picking ? "Cancel" : "Select"
                onClicked: { list.picking = !list.picking; list.picked = [] }
            }
            Button {
                objectName: "overlaysExportAll"
                text: list.picking ? "Export " + list.picked.length : "Export All"
                enabled: !list.picking || list.picked.length > 0
                onClicked: {
                    if (list.picking)
                        list.presenters.exportGpxSelection(list.rows.map(r => r.ovid).filter(id => list.picked.includes(id)))
                    else
                        list.presenters.exportGpx("")
                }
            }
            ToolButton { text: "\u2715"; onClicked: list.close() }
        }
        RowLayout {
            Label { text: "Sort by" }
            Repeater {
                model: [["name", "Name"], ["distance", "Distance"], ["time", "Time"]]
                RadioButton {
                    required property var modelData
                    objectName: "sort_" + modelData[0]
                    text: modelData[1]
                    checked: list.sortKey === modelData[0]
                    onClicked: list.sortKey = modelData[0]
                }
            }
        }
        Label {
            visible: list.rows.length === 0
            text: "No marks yet. Tap New Mark, or use the map's right-button menu."
            wrapMode: Text.Wrap
            Layout.fillWidth: true
        }
        ListView {
            id: view
            objectName: "overlaysListView"
            Layout.fillWidth: true
            Layout.fillHeight: true
            clip: true
            model: list.rows
            delegate: ItemDelegate {
                required property var modelData
                required property int index
                objectName: "overlayRow_" + index
                width: view.width
                onClicked: {
                    if (list.picking) {
                        list.togglePick(modelData.ovid)
                    } else {
                        list.presenters.showOnMap(modelData.ovid)
                        list.close()
                    }
                }
                contentItem: RowLayout {
                    CheckBox {
                        objectName: "picked"
                        visible: list.picking
                        checked: list.picked.includes(modelData.ovid)
                        onClicked: list.togglePick(modelData.ovid)
                    }
                    CheckBox {
                        objectName: "shown"
                        checked: modelData.shown
                        onClicked: list.presenters.setShown(modelData.ovid, checked)
                    }
                    Image {
                        source: modelData.icon
                        visible: modelData.icon !== ""
                        sourceSize: Qt.size(24, 24)
                        Layout.preferredWidth: 24
                        Layout.preferredHeight: 24
                    }
                    ColumnLayout {
                        Layout.fillWidth: true
                        spacing: 0
                        Label {
                            text: modelData.name + (modelData.navigating ? "  \u27a4" : "") + (modelData.alarm ? "  \u23f0" : "")
                            font.bold: modelData.navigating
                            elide: Text.ElideRight
                            Layout.fillWidth: true
                        }
                        Label { text: modelData.subtext; font.pixelSize: 12; opacity: 0.7 }
                    }
                    ToolButton {
                        objectName: "rowMenu"
                        text: "\u22ee"
                        onClicked: rowMenu.popup()
                        Menu {
                            id: rowMenu
                            MenuItem {
                                visible: modelData.kind === "mark"
                                height: visible ? implicitHeight : 0
                                text: modelData.navigating ? "Cancel Navigation" : "Go To"
                                onTriggered: modelData.navigating ? list.presenters.cancelNavigation() : list.presenters.goTo(modelData.ovid)
                            }
                            MenuItem {
                                visible: modelData.kind === "route"
                                height: visible ? implicitHeight : 0
                                text: modelData.navigating ? "Stop Following" : "Follow"
                                onTriggered: modelData.navigating ? list.presenters.cancelNavigation() : list.presenters.goTo(modelData.ovid)
                            }
                            MenuItem {
                                visible: modelData.kind !== "track"
                                height: visible ? implicitHeight : 0
                                text: "Edit"
                                onTriggered: { list.presenters.edit(modelData.ovid); if (modelData.kind === "route") list.close() }
                            }
                            MenuItem {
                                visible: modelData.kind !== "mark"
                                height: visible ? implicitHeight : 0
                                text: "Profile"
                                onTriggered: { list.presenters.showProfile(modelData.ovid); list.close() }
                            }
                            MenuItem { text: "Export"; onTriggered: list.presenters.exportGpx(modelData.ovid) }
                            MenuItem { text: "Delete"; onTriggered: list.presenters.remove(modelData.ovid) }
                        }
                    }
                }
            }
        }
    }
}
