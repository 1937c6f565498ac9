import QtQuick
import QtQuick.Controls

// The page controls: previous and next page, the page's name, and editing
// (add, duplicate, delete and move pages; the item menu on a right click or
// a long press while editing).
Row {
    id: bar
    property var pages
    spacing: 6

    component BarButton: RoundButton {
        height: 40
        font.pixelSize: 15
        focusPolicy: Qt.NoFocus
        palette.button: checked ? "#0b3d5c" : "#f4f6f8"
        palette.buttonText: checked ? "white" : "#0b3d5c"
        opacity: 0.92
    }

    BarButton {
        objectName: "previousPage"
        text: "\u25c0"
        width: 40
        onClicked: bar.pages.previousPage()
    }
    Rectangle {
        width: pageLabel.implicitWidth + 20
        height: 40
        radius: 6
        color: "#d0ffffff"
        Label {
            id: pageLabel
            objectName: "pageLabel"
            anchors.centerIn: parent
            text: (bar.pages.pageIndex + 1) + "/" + bar.pages.pageCount + "  " + bar.pages.pageName
            color: "#0b3d5c"
            font.pixelSize: 14
        }
    }
    BarButton {
        objectName: "nextPage"
        text: "\u25b6"
        width: 40
        onClicked: bar.pages.nextPage()
    }
    BarButton {
        objectName: "editLayout"
        text: bar.pages.arranging ? "Done" : "Edit Layout"
        checkable: true
        checked: bar.pages.arranging
        onClicked: bar.pages.arranging = !bar.pages.arranging
    }
    BarButton {
        visible: bar.pages.arranging
        text: "Add Item"
        onClicked: kinds.openFor(true)
    }
    BarButton {
        visible: bar.pages.arranging
        text: "Add Page"
        onClicked: bar.pages.addPage()
    }
    BarButton {
        visible: bar.pages.arranging
        text: "Duplicate"
        onClicked: bar.pages.duplicatePage()
    }
    BarButton {
        visible: bar.pages.arranging
        text: "Delete Page"
        onClicked: bar.pages.removePage()
    }
    BarButton {
        visible: bar.pages.arranging
        text: "Move \u25c0"
        onClicked: bar.pages.movePage(-1)
    }
    BarButton {
        visible: bar.pages.arranging
        text: "Move \u25b6"
        onClicked: bar.pages.movePage(1)
    }

    Connections {
        target: bar.pages
        function onEditMenuRequested(x, y) {
            itemMenu.x = Math.min(x, bar.pages.width - itemMenu.width)
            itemMenu.y = Math.min(y, bar.pages.height - itemMenu.implicitHeight)
            itemMenu.open()
        }
    }

    // The edit menu of the pressed item.
    Popup {
        id: itemMenu
        objectName: "itemMenu"
        parent: bar.pages
        width: 220
        modal: true
        Column {
            width: parent.width
            spacing: 2
            component Entry: ItemDelegate {
                width: parent.width
                height: 34
            }
            Entry {
                text: "Add Item"
                onClicked: { itemMenu.close(); kinds.openFor(true) }
            }
            Entry {
                visible: bar.pages.hasSelection
                text: "Change Data"
                onClicked: { itemMenu.close(); kinds.openFor(false) }
            }
            Entry {
                visible: bar.pages.hasSelection
                text: bar.pages.selectionLocked ? "Unlock" : "Lock"
                onClicked: { itemMenu.close(); bar.pages.toggleLock() }
            }
            Row {
                visible: bar.pages.hasSelection
                spacing: 2
                Label { text: "Layer:"; anchors.verticalCenter: parent.verticalCenter }
                Repeater {
                    model: 9
                    delegate: ToolButton {
                        width: 19
                        text: index + 1
                        checkable: true
                        checked: itemMenu.opened && bar.pages.selectedLayer() === index + 1
                        onClicked: { itemMenu.close(); bar.pages.setLayer(index + 1) }
                    }
                }
            }
            Entry {
                visible: bar.pages.hasSelection
                text: "Remove item"
                onClicked: { itemMenu.close(); bar.pages.removeSelected() }
            }
            Repeater {
                model: itemMenu.opened ? bar.pages.itemMenu() : []
                delegate: Entry {
                    text: modelData
                    onClicked: { itemMenu.close(); bar.pages.itemMenuChosen(modelData) }
                }
            }
        }
    }

    // The kind menu: every item kind, by group.
    Popup {
        id: kinds
        objectName: "kindMenu"
        property bool adding: true
        function openFor(add) {
            adding = add
            list.model = bar.pages.kindMenu()
            open()
        }
        parent: bar.pages
        x: (bar.pages.width - width) / 2
        y: 20
        width: 320
        height: bar.pages.height - 80
        modal: true
        ListView {
            id: list
            anchors.fill: parent
            clip: true
            section.property: "group"
            section.delegate: Label {
                text: section
                font.bold: true
                color: "#0b3d5c"
                padding: 4
            }
            delegate: ItemDelegate {
                width: ListView.view.width
                text: modelData.name
                highlighted: modelData.checked
                onClicked: {
                    kinds.close()
                    if (kinds.adding)
                        bar.pages.addItem(modelData.id)
                    else
                        bar.pages.changeItem(modelData.id)
                }
            }
        }
    }
}
