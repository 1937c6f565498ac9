import QtQuick
import QtQuick.Controls
import Orvanta

ApplicationWindow {
    id: window
    title: "Orvanta"
    // Until the model places the window where it was, inside its screen.
    width: Math.min(1280, Screen.desktopAvailableWidth)
    height: Math.min(800, Screen.desktopAvailableHeight)
    visible: true
    color: app.darkTheme ? "#101a22" : "#e8ecef"
    font.family: "Roboto"
    palette.window: app.darkTheme ? "#1b2a35" : "#f4f6f8"
    palette.windowText: app.darkTheme ? "#e0e8ee" : "#0b3d5c"
    palette.base: app.darkTheme ? "#22323e" : "white"
    palette.text: app.darkTheme ? "#e0e8ee" : "#0b3d5c"
    palette.button: app.darkTheme ? "#2a3d4b" : "#f4f6f8"
    palette.buttonText: app.darkTheme ? "#e0e8ee" : "#0b3d5c"

    // The application model: pages, map operations, files, links, message boxes.
    AppModel {
        id: app
        objectName: "app"
    }
    Component.onCompleted: {
        app.attachCurrentPageToItem(pageA, pageB)
        app.placeWindow()
    }
    onClosing: app.saveWindowGeometry(Qt.rect(window.x, window.y, window.width, window.height))

    // The pages of display items; the map is an item on the first page. Two
    // page items take turns: the model shows the new page on the other one,
    // which slides in while the old one slides out.
    property Item pages: pageA
    Item {
        id: pageArea
        anchors.fill: parent
        clip: true
        DisplayPages {
            id: pageA
            objectName: "pageA"
            width: pageArea.width
            height: pageArea.height
            focus: true
        }
        DisplayPages {
            id: pageB
            objectName: "pageB"
            standby: true
            visible: false
            width: pageArea.width
            height: pageArea.height
        }
        ParallelAnimation {
            id: slide
            objectName: "pageSlide"
            property Item outgoing: null
            NumberAnimation { id: slideOut; property: "x"; duration: 250; easing.type: Easing.OutCubic }
            NumberAnimation { id: slideIn; property: "x"; to: 0; duration: 250; easing.type: Easing.OutCubic }
            // The page that went away keeps no live items, unless it came back.
            onStopped: {
                if (outgoing && outgoing !== window.pages) {
                    outgoing.visible = false
                    app.detachItem(outgoing)
                }
                outgoing = null
            }
        }
        Connections {
            target: app
            // next page: in from the right; previous page: in from the left
            function onTransition(oldItem, newItem, direction) {
                if (oldItem === newItem)
                    return
                window.pages = newItem
                if (slide.running)
                    slide.complete()
                newItem.x = direction * pageArea.width
                newItem.visible = true
                slide.outgoing = oldItem
                slideOut.target = oldItem
                slideOut.to = -direction * pageArea.width
                slideIn.target = newItem
                slide.start()
            }
        }
    }
    // The map of the page on show, if it has one.
    readonly property var map: window.pages.mapWindow

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

    // Under the menu buttons: the page's own map buttons take the right edge.
    Column {
        visible: window.map !== null
        x: 16
        y: 190
        spacing: 10
        MapButton {
            objectName: "lockToPosition"
            text: "\u25ce"
            checkable: false
            checked: window.map !== null && window.map.gpsLockedOn
            onClicked: window.map.lockOnToGPS()
            // A long press drops a mark where the boat is.
            onPressAndHold: app.dropMarkAtPosition()
        }
        MapButton {
            objectName: "addMark"
            text: "+⚑"
            font.pixelSize: 15
            onClicked: window.map.addMark()
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
        id: pageBar
        pages: window.pages
        anchors.horizontalCenter: parent.horizontalCenter
        anchors.bottom: parent.bottom
        anchors.bottomMargin: 12
    }

    // The status line, with a button that clears it.
    Rectangle {
        objectName: "statusLine"
        visible: app.statusText.length > 0
        anchors.left: parent.left
        anchors.right: parent.right
        anchors.bottom: parent.bottom
        anchors.margins: 64
        anchors.bottomMargin: 64
        height: statusLabel.implicitHeight + 14
        radius: 6
        color: app.darkTheme ? "#e01b2a35" : "#e0ffffff"
        Label {
            id: statusLabel
            objectName: "statusLabel"
            anchors.left: parent.left
            anchors.right: clearStatus.left
            anchors.verticalCenter: parent.verticalCenter
            anchors.leftMargin: 12
            text: app.statusText
            elide: Text.ElideRight
            font.pixelSize: 15
        }
        ToolButton {
            id: clearStatus
            objectName: "clearStatus"
            anchors.right: parent.right
            anchors.verticalCenter: parent.verticalCenter
            text: "\u2715"
            focusPolicy: Qt.NoFocus
            onClicked: app.clearStatusText()
        }
    }

    // In-app notifications, newest last, each dismissed by its button.
    // Below the map's title, clear of the buttons at either side.
    Column {
        objectName: "notifications"
        anchors.top: parent.top
        anchors.topMargin: 52
        anchors.horizontalCenter: parent.horizontalCenter
        z: 30
        width: Math.min(360, parent.width - 24)
        spacing: 6
        Repeater {
            model: app.notifications
            Rectangle {
                required property var modelData
                // Alarms stand out and pulse until acknowledged; no sound.
                // Collision, man-overboard and distress warnings are alarms too.
                readonly property bool alarm: modelData.title.endsWith("alarm")
                                              || modelData.title.startsWith("AIS collision alert")
                                              || modelData.title === "AIS Man Overboard"
                                              || modelData.title === "DSC Distress Call"
                objectName: alarm ? "alarmNotification" : "notification"
                width: parent.width
                height: noteColumn.implicitHeight + 16
                radius: 6
                color: alarm ? "#f0c62828" : (app.darkTheme ? "#f01b2a35" : "#f0ffffff")
                border.color: alarm ? "#ffeb3b" : "transparent"
                border.width: alarm ? 3 : 0
                SequentialAnimation on opacity {
                    running: alarm
                    loops: Animation.Infinite
                    NumberAnimation { to: 0.55; duration: 600 }
                    NumberAnimation { to: 1.0; duration: 600 }
                }
                Column {
                    id: noteColumn
                    anchors.left: parent.left
                    anchors.right: dismiss.left
                    anchors.verticalCenter: parent.verticalCenter
                    anchors.leftMargin: 10
                    Label {
                        text: modelData.title
                        font.bold: true
                        width: parent.width
                        wrapMode: Text.Wrap
                        color: parent.parent.alarm ? "white" : palette.windowText
                    }
                    Label {
                        text: modelData.text
                        width: parent.width
                        wrapMode: Text.Wrap
                        color: parent.parent.alarm ? "white" : palette.windowText
                    }
                }
                ToolButton {
                    id: dismiss
                    objectName: "dismissNotification"
                    anchors.right: parent.right
                    anchors.verticalCenter: parent.verticalCenter
                    text: parent.alarm ? "OK" : "\u2715"
                    focusPolicy: Qt.NoFocus
                    onClicked: app.dismissNotification(modelData.id)
                }
            }
        }
    }

    // The Done button of a tool waiting for completion (arranging pages...).
    Button {
        objectName: "doneButton"
        visible: app.showDoneButton
        // beside the menu button, clear of it
        x: 76
        y: 20
        text: "Done"
        highlighted: true
        focusPolicy: Qt.NoFocus
        onClicked: app.onDoneButton()
    }

    // Busy: the indicator and what it is about.
    Column {
        objectName: "busy"
        visible: app.appBusy
        anchors.centerIn: parent
        spacing: 8
        z: 50
        BusyIndicator {
            anchors.horizontalCenter: parent.horizontalCenter
            running: app.appBusy
        }
        Label {
            anchors.horizontalCenter: parent.horizontalCenter
            text: app.busyText
            visible: text.length > 0
        }
    }

    // The screen dimmer: darkens everything but the message boxes.
    Rectangle {
        objectName: "dimmer"
        anchors.fill: parent
        color: "black"
        opacity: Math.max(0, Math.min(0.9, app.screenDimmer))
        visible: opacity > 0
        z: 100
    }

    // Files dropped on the window open like files given on the command line.
    DropArea {
        anchors.fill: parent
        onDropped: drop => {
            if (drop.hasUrls) {
                app.importUrls(drop.urls)
                drop.acceptProposedAction()
            }
        }
    }

    // Message boxes: one popup per request, the newest on top.
    property var openBoxes: []
    Component {
        id: messageBoxComponent
        MessageBox {}
    }
    Connections {
        target: app
        function onMessageBoxRequested(id, title, text, buttons) {
            const box = messageBoxComponent.createObject(window.contentItem, {
                "boxId": id,
                "title": title,
                "text": text,
                "buttons": buttons
            })
            window.openBoxes = window.openBoxes.concat([box])
            box.answered.connect((boxId, button) => {
                window.openBoxes = window.openBoxes.filter(b => b !== box)
                app.answerMessageBox(boxId, button)
                box.destroy()
            })
        }
        function onFocusTopDialog() {
            if (window.openBoxes.length > 0)
                window.openBoxes[window.openBoxes.length - 1].contentItem.forceActiveFocus()
        }
    }

    // The menus and dialogs of the shell, opened when the model asks. On the
    // map their buttons stand at the top left; on a page of instruments they
    // join the page bar, where they cover no value (while arranging, the bar
    // is wide and they go back to the corner).
    readonly property bool shellButtonsInBar: window.map === null && !window.pages.arranging
    function shellButtonX(i) { return shellButtonsInBar ? pageBar.x - (3 - i) * 54 : 16 }
    function shellButtonY(i) { return shellButtonsInBar ? pageBar.y - 4 : 16 + i * 58 }
    MapButton { objectName: "menuButton"; x: shellButtonX(0); y: shellButtonY(0); text: "\u2630"; onClicked: app.onMenuButtonClicked(this) }
    MapButton { objectName: "overlaysButton"; x: shellButtonX(1); y: shellButtonY(1); text: "\u2691"; onClicked: app.onOverlaysButtonClicked(this) }
    MapButton { objectName: "searchButton"; x: shellButtonX(2); y: shellButtonY(2); icon.source: "qrc:/find_place.svg"; onClicked: app.onSearchButton() }
    Shell { id: shell; pages: window.pages }
    FindPlaceDialog { id: findPlace }
    Connections {
        target: app
        function onMenuRequested(which, anchor) {
            if (which === "main")
                shell.showMainMenu()
            else if (which === "overlays")
                shell.showOverlaysMenu()
            else if (which === "overlayList")
                overlaysList.open()
        }
        function onFindPlaceRequested(databasePath) {
            findPlace.show(databasePath)
        }
    }

    // Marks: the selected mark's tool on the map, its dialog, the list.
    MarkPresenters {
        id: markPresenters
        objectName: "markPresenters"
        onEditRequested: (editId, fields) => markEditor.show(editId, fields)
        onRenameRequested: (renameId, current) => renameDialog.show(renameId, current)
    }
    MarkToolItem { map: window.map; parent: window.map }
    MarkEditDialog { id: markEditor; presenters: markPresenters }
    RenameDialog { id: renameDialog; presenters: markPresenters }
    OverlaysList { id: overlaysList; presenters: markPresenters }
}
