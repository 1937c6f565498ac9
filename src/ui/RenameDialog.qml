import QtQuick
import QtQuick.Controls
import QtQuick.Layouts

// A new name for a track: OK takes the text (an empty one is ignored),
// Cancel or Escape keeps the old name.
Popup {
    id: dialog
    objectName: "renameDialog"
    property var presenters
    property int renameId: 0
    property bool answered: false
    modal: true
    anchors.centerIn: parent
    width: Math.min(parent ? parent.width - 40 : 420, 420)
    padding: 16

    function show(id, current) {
        renameId = id
        answered = false
        nameField.text = current
        open()
        nameField.selectAll()
        nameField.forceActiveFocus()
    }
    function answer(ok) {
        answered = true
        presenters.answerRename(renameId, nameField.text, ok)
        close()
    }
    onClosed: if (!answered) presenters.answerRename(renameId, "", false)

    contentItem: ColumnLayout {
        spacing: 10
        Keys.onEscapePressed: dialog.answer(false)
        Label { text: "Rename"; font.bold: true; font.pixelSize: 18 }
        TextField {
            id: nameField
            objectName: "renameField"
            Layout.fillWidth: true
            onAccepted: dialog.answer(true)
        }
        RowLayout {
            Layout.alignment: Qt.AlignRight
            Button { text: "Cancel"; onClicked: dialog.answer(false) }
            Button { objectName: "renameOk"; text: "OK"; highlighted: true; onClicked: dialog.answer(true) }
        }
    }
}
