import QtQuick
import QtQuick.Controls
import QtQuick.Layouts

// Choosing a file to open, or a name to save under: folders first, then the
// files on offer; a folder opens on a click, a file is chosen. The path can
// also be typed. Return takes the path, Escape cancels.
Popup {
    id: chooser
    objectName: "fileChooser"
    property var presenters
    property int dialogId: 0
    property bool save: false
    property string folder
    property string extension
    property var entries: []
    property bool answered: true

    function show(id, saving, startFolder, hint) {
        if (!answered)
            answer("")
        dialogId = id
        save = saving
        extension = saving ? "" : hint
        answered = false
        openFolder(startFolder)
        pathField.text = saving ? startFolder + "/" + hint : ""
        open()
        pathField.forceActiveFocus()
    }
    function openFolder(path) {
        folder = path
        entries = presenters.folderEntries(path, extension)
        if (save) {
            const slash = pathField.text.lastIndexOf("/")
            const name = slash >= 0 ? pathField.text.substring(slash + 1) : pathField.text
            pathField.text = path + "/" + name
        }
    }
    function answer(path) {
        if (answered)
            return
        answered = true
        close()
        presenters.answerFileDialog(dialogId, path)
    }

    modal: true
    focus: true
    closePolicy: Popup.NoAutoClose
    parent: Overlay.overlay
    x: parent ? (parent.width - width) / 2 : 0
    y: parent ? (parent.height - height) / 2 : 0
    width: Math.min(560, parent ? parent.width - 24 : 560)
    height: Math.min(520, parent ? parent.height - 24 : 520)
    padding: 14
    background: Rectangle {
        radius: 10
        color: "#fbfcfd"
        border.color: "#b8c4cc"
    }

    contentItem: ColumnLayout {
        objectName: "fileChooserContent"
        spacing: 8
        Keys.onEscapePressed: chooser.answer("")
        Label {
            text: chooser.save ? "Save As" : "Open File"
            font.pixelSize: 18
            font.bold: true
            color: "#0b3d5c"
        }
        RowLayout {
            Layout.fillWidth: true
            Button {
                objectName: "folderUp"
                text: "\u2191"
                focusPolicy: Qt.NoFocus
                onClicked: chooser.openFolder(chooser.presenters.parentFolder(chooser.folder))
            }
            Label {
                Layout.fillWidth: true
                text: chooser.folder
                elide: Text.ElideLeft
                color: "#35566b"
            }
        }
        ListView {
            id: list
            objectName: "fileList"
            Layout.fillWidth: true
            Layout.fillHeight: true
            clip: true
            model: chooser.entries
            ScrollBar.vertical: ScrollBar {}
            delegate: ItemDelegate {
                objectName: "file_" + modelData.name
                width: ListView.view.width
                height: 40
                text: modelData.name
                // Drawn, not a character: few fonts have a folder glyph.
                icon.source: modelData.folder ? "qrc:/folder.svg" : "qrc:/file.svg"
                icon.color: "transparent"
                focusPolicy: Qt.NoFocus
                onClicked: {
                    if (modelData.folder)
                        chooser.openFolder(modelData.path)
                    else
                        pathField.text = modelData.path
                }
                onDoubleClicked: if (!modelData.folder) chooser.answer(modelData.path)
            }
        }
        TextField {
            id: pathField
            objectName: "filePath"
            Layout.fillWidth: true
            placeholderText: chooser.save ? "File name" : "Path of the file"
            selectByMouse: true
            onAccepted: if (text.length > 0) chooser.answer(text)
            Keys.onEscapePressed: chooser.answer("")
        }
        RowLayout {
            Layout.alignment: Qt.AlignRight
            spacing: 10
            Button {
                objectName: "fileCancel"
                text: "Cancel"
                onClicked: chooser.answer("")
            }
            Button {
                objectName: "fileOk"
                text: chooser.save ? "Save" : "Open"
                highlighted: true
                enabled: pathField.text.length > 0
                onClicked: chooser.answer(pathField.text)
            }
        }
    }
}
