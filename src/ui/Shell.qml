import QtQuick
import QtQuick.Controls
import Orvanta

// The shell's presenters: action-sheet menus, connection dialogs, the file
// chooser, transfer progress, the race timer and axis dialogs and the
// screen lock. Creating it installs them
// for the program's own code; `pages` is the page item whose layout "Edit
// Layout" arranges.
Item {
    id: shell
    objectName: "shell"
    anchors.fill: parent
    property var pages: null
    readonly property alias presenters: presenters
    readonly property bool locked: lock.visible

    function showMainMenu() {
        presenters.showMainMenu()
    }
    function showOverlaysMenu() {
        presenters.showOverlaysMenu()
    }

    ShellPresenters {
        id: presenters
        objectName: "presenters"
        pages: shell.pages
        onMenuRequested: (menuId, title, message, entries, depth) =>
                         sheet.showLevel(menuId, title, message, entries, depth)
        onMenuClosed: sheet.closeByPresenter()
        onDialogRequested: (dialogId, fields) => connection.show(dialogId, fields)
        onFileDialogRequested: (dialogId, save, folder, hint) =>
                               chooser.show(dialogId, save, folder, hint)
        onScreenLockRequested: lock.visible = true
        onProgressChanged: (progressId, state) => progress.update(progressId, state)
    }

    ActionSheet {
        id: sheet
        presenters: presenters
    }
    ConnectionDialog {
        id: connection
        presenters: presenters
    }
    FileChooser {
        id: chooser
        presenters: presenters
    }
    ProgressDialog {
        id: progress
        presenters: presenters
    }
    // The race start's timer and axis dialogs.
    RaceDialogs {
        id: race
        objectName: "raceDialogs"
        onTimerDialogRequested: timerDialog.show()
        onAxisDialogRequested: axisDialog.show()
    }
    TimerDialog {
        id: timerDialog
        race: race
    }
    AxisDialog {
        id: axisDialog
        race: race
    }

    // The screen lock: swallows every touch until the unlock button has
    // been held for a second.
    Rectangle {
        id: lock
        objectName: "screenLock"
        visible: false
        anchors.fill: parent
        z: 1000
        color: "#30000000"
        MouseArea {
            anchors.fill: parent
            acceptedButtons: Qt.AllButtons
            onWheel: wheel => wheel.accepted = true
        }
        Button {
            objectName: "unlock"
            anchors.horizontalCenter: parent.horizontalCenter
            anchors.bottom: parent.bottom
            anchors.bottomMargin: 80
            text: "Hold to unlock"
            font.pixelSize: 16
            onPressAndHold: lock.visible = false
        }
    }
}
