import QtQuick
import QtQuick.Controls
import QtQuick.Layouts

// A transfer in progress: its title, a bar, how many items of how many, and
// Cancel (also Escape). It goes by itself when the transfer has finished.
Popup {
    id: dialog
    objectName: "progressDialog"
    property var presenters
    property int progressId: 0
    property var progress: ({})

    function update(id, state) {
        progressId = id
        progress = state
        if (state.finished)
            close()
        else if (!opened)
            open()
    }

    modal: true
    focus: true
    closePolicy: Popup.NoAutoClose
    parent: Overlay.overlay
    x: parent ? (parent.width - width) / 2 : 0
    y: parent ? (parent.height - height) / 2 : 0
    width: Math.min(400, parent ? parent.width - 24 : 400)
    padding: 18
    background: Rectangle {
        radius: 10
        color: "#fbfcfd"
        border.color: "#b8c4cc"
    }

    contentItem: ColumnLayout {
        objectName: "progressDialogContent"
        spacing: 12
        Keys.onEscapePressed: dialog.presenters.cancelProgress(dialog.progressId)
        Label {
            text: dialog.progress.title || "Downloading"
            font.pixelSize: 17
            font.bold: true
            color: "#0b3d5c"
            Layout.fillWidth: true
            elide: Text.ElideRight
        }
        ProgressBar {
            objectName: "progressBar"
            Layout.fillWidth: true
            from: 0
            to: 1
            value: dialog.progress.fraction || 0
        }
        Label {
            objectName: "progressText"
            Layout.fillWidth: true
            text: {
                const p = dialog.progress
                if (p.cancelled)
                    return "Cancelling\u2026"
                let t = (p.done || 0) + " of " + (p.total || 0)
                if (p.failed > 0)
                    t += ", " + p.failed + " failed"
                return t
            }
            color: "#35566b"
        }
        Button {
            objectName: "progressCancel"
            Layout.alignment: Qt.AlignRight
            text: "Cancel"
            enabled: !dialog.progress.cancelled
            onClicked: dialog.presenters.cancelProgress(dialog.progressId)
        }
    }
}
