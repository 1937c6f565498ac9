import QtQuick
import QtQuick.Controls
import QtQuick.Layouts

// The properties of a mark: name, comment, link, icon, colour, category and
// the alarm radii. OK applies them (a problem keeps the dialog open with its
// reason); Cancel leaves the mark as it was.
Popup {
    id: dialog
    objectName: "markEditDialog"
    property var presenters
    property int editId: 0
    property var fields: ({})
    property string problem: ""
    property string icon: ""
    property string colour: "#dc2828"
    readonly property var colours: ["#dc2828", "#f08c00", "#f2d600", "#2a9d3a", "#1e88e5",
        "#0b3d5c", "#8e44ad", "#e84393", "#6d4c41", "#000000", "#ffffff"]
    modal: true
    anchors.centerIn: parent
    width: Math.min(parent ? parent.width - 40 : 520, 520)
    padding: 16

    function show(id, f) {
        editId = id
        fields = f
        problem = ""
        nameField.text = f.name
        commentField.text = f.comment
        linkField.text = f.link
        categoryField.text = f.category
        innerField.text = String(f.innerRadius)
        alarmField.text = String(f.alarmRadius)
        lockedBox.checked = !!f.locked
        icon = f.icon
        colour = f.colour
        open()
        nameField.forceActiveFocus()
    }
    function answer(ok) {
        const out = {
            "name": nameField.text, "comment": commentField.text, "link": linkField.text,
            "category": categoryField.text, "icon": dialog.icon, "colour": dialog.colour,
            "innerRadius": Number(innerField.text), "alarmRadius": Number(alarmField.text),
            "locked": lockedBox.checked
        }
        problem = presenters.answerEdit(editId, out, ok)
        if (problem.length === 0)
            close()
    }
    onClosed: if (problem.length === 0) presenters.answerEdit(editId, {}, false)

    contentItem: ColumnLayout {
        spacing: 8
        Keys.onEscapePressed: dialog.answer(false)
        Label { text: dialog.fields.isTemplate ? "New Marks" : "Mark"; font.bold: true; font.pixelSize: 18 }
        GridLayout {
            columns: 2
            columnSpacing: 10
            Layout.fillWidth: true
            Label { text: "Name" }
            TextField { id: nameField; objectName: "markName"; Layout.fillWidth: true; onAccepted: dialog.answer(true) }
            Label { text: "Comment" }
            TextField { id: commentField; objectName: "markComment"; Layout.fillWidth: true }
            Label { text: "Link" }
            TextField { id: linkField; objectName: "markLink"; Layout.fillWidth: true; placeholderText: "https://" }
            Label { text: "Category" }
            TextField { id: categoryField; objectName: "markCategory"; Layout.fillWidth: true; placeholderText: "Marks" }
            Label { text: "Alarm radius (m)" }
            TextField { id: alarmField; objectName: "markAlarmRadius"; Layout.fillWidth: true; inputMethodHints: Qt.ImhFormattedNumbersOnly }
            Label { text: "Anchor swing (m)" }
            TextField { id: innerField; objectName: "markInnerRadius"; Layout.fillWidth: true; inputMethodHints: Qt.ImhFormattedNumbersOnly }
        }
        CheckBox { id: lockedBox; objectName: "markLocked"; text: "Locked" }
        Label { text: "Icon" }
        GridView {
            id: icons
            objectName: "markIcons"
            Layout.fillWidth: true
            Layout.preferredHeight: 2 * cellHeight + 4
            cellWidth: 44
            cellHeight: 44
            clip: true
            model: dialog.presenters ? dialog.presenters.iconNames : []
            delegate: Rectangle {
                required property string modelData
                width: 40
                height: 40
                radius: 6
                color: modelData === dialog.icon ? "#cfe3f0" : "transparent"
                border.color: modelData === dialog.icon ? "#0b3d5c" : "transparent"
                Image {
                    anchors.centerIn: parent
                    width: 30
                    height: 30
                    sourceSize: Qt.size(30, 30)
                    source: dialog.presenters ? dialog.presenters.iconUrl(modelData, dialog.colour) : ""
                    visible: source != ""
                }
                Label {
                    anchors.centerIn: parent
                    visible: !parent.children[0].visible
                    text: modelData
                    font.pixelSize: 10
                }
                MouseArea { anchors.fill: parent; onClicked: dialog.icon = modelData }
            }
        }
        Label { text: "Colour" }
        Flow {
            Layout.fillWidth: true
            spacing: 6
            Repeater {
                model: dialog.colours
                Rectangle {
                    required property string modelData
                    width: 28
                    height: 28
                    radius: 14
                    color: modelData
                    border.width: dialog.colour.toLowerCase() === modelData ? 3 : 1
                    border.color: dialog.colour.toLowerCase() === modelData ? "#0b3d5c" : "#80808080"
                    MouseArea { anchors.fill: parent; onClicked: dialog.colour = modelData }
                }
            }
        }
        Label {
            objectName: "markProblem"
            visible: dialog.problem.length > 0
            text: dialog.problem
            color: "#b00020"
            wrapMode: Text.Wrap
            Layout.fillWidth: true
        }
        RowLayout {
            Layout.alignment: Qt.AlignRight
            Button { objectName: "markCancel"; text: "Cancel"; onClicked: dialog.answer(false) }
            Button { objectName: "markOk"; text: "OK"; highlighted: true; onClicked: dialog.answer(true) }
        }
    }
}
