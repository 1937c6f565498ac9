import QtQuick
import QtQuick.Controls
import QtQuick.Layouts

// The settings dialog of a serial, TCP or UDP connection. Shows the fields
// the presenter hands over and answers with the edited fields: code 0 for
// OK, 1 for Cancel. Return is OK and Escape is Cancel.
Popup {
    id: dialog
    objectName: "connectionDialog"
    property var presenters
    property int dialogId: 0
    property var fields: ({})
    readonly property string kind: fields.kind || ""
    property bool answered: true

    function show(id, dialogFields) {
        if (!answered)
            answer(1)
        dialogId = id
        fields = dialogFields
        answered = false
        hostField.text = fields.ip_addr || ""
        portField.text = fields.port !== undefined ? String(fields.port) : ""
        instantBox.checked = !!fields.instant_acquisition
        portBox.currentIndex = fields.port_sel !== undefined ? fields.port_sel : -1
        baudBox.currentIndex = fields.baud_sel !== undefined ? fields.baud_sel : -1
        open()
        if (kind === "tcp")
            hostField.forceActiveFocus()
        else if (kind === "udp")
            portField.forceActiveFocus()
        else
            portBox.forceActiveFocus()
    }
    function edited() {
        let out = Object.assign({}, fields)
        if (kind === "tcp") {
            out.ip_addr = hostField.text
            out.port = parseInt(portField.text)
            out.instant_acquisition = instantBox.checked
        } else if (kind === "udp") {
            out.port = parseInt(portField.text)
        } else if (kind === "serial") {
            out.port_sel = portBox.currentIndex
            out.baud_sel = baudBox.currentIndex
        }
        return out
    }
    function valid() {
        if (kind === "tcp")
            return hostField.text.trim().length > 0 && portField.acceptableInput
        if (kind === "udp")
            return portField.acceptableInput
        if (kind === "serial")
            return portBox.currentIndex >= 0 && baudBox.currentIndex >= 0
        return false
    }
    function answer(code) {
        if (answered)
            return
        answered = true
        const out = edited()
        close()
        presenters.answerDialog(dialogId, out, code)
    }
    function accept() {
        if (valid())
            answer(0)
    }

    modal: true
    focus: true
    closePolicy: Popup.NoAutoClose
    parent: Overlay.overlay
    x: parent ? (parent.width - width) / 2 : 0
    y: parent ? Math.max(12, (parent.height - height) / 3) : 0
    width: Math.min(420, parent ? parent.width - 24 : 420)
    padding: 18
    background: Rectangle {
        radius: 10
        color: "#fbfcfd"
        border.color: "#b8c4cc"
    }

    contentItem: ColumnLayout {
        objectName: "connectionDialogContent"
        spacing: 12
        Keys.onReturnPressed: dialog.accept()
        Keys.onEnterPressed: dialog.accept()
        Keys.onEscapePressed: dialog.answer(1)

        Label {
            text: dialog.fields.title || ""
            font.pixelSize: 18
            font.bold: true
            color: "#0b3d5c"
            Layout.fillWidth: true
        }
        GridLayout {
            columns: 2
            columnSpacing: 12
            rowSpacing: 10
            Layout.fillWidth: true

            Label {
                visible: dialog.kind === "tcp"
                text: "Host: "
            }
            TextField {
                id: hostField
                objectName: "tcpHost"
                visible: dialog.kind === "tcp"
                Layout.fillWidth: true
                inputMethodHints: Qt.ImhNoAutoUppercase | Qt.ImhUrlCharactersOnly
                selectByMouse: true
                KeyNavigation.tab: portField
                onAccepted: dialog.accept()
            }
            Label {
                visible: dialog.kind === "tcp" || dialog.kind === "udp"
                text: "Current network: "
            }
            Label {
                visible: dialog.kind === "tcp" || dialog.kind === "udp"
                text: dialog.fields.network_name || "any"
                Layout.fillWidth: true
            }
            Label {
                visible: dialog.kind === "tcp" || dialog.kind === "udp"
                text: "Port: "
            }
            TextField {
                id: portField
                objectName: "portField"
                visible: dialog.kind === "tcp" || dialog.kind === "udp"
                Layout.fillWidth: true
                inputMethodHints: Qt.ImhDigitsOnly
                validator: IntValidator {
                    bottom: dialog.kind === "udp" ? 0 : 1
                    top: 65535
                }
                selectByMouse: true
                KeyNavigation.tab: dialog.kind === "tcp" ? instantBox : okButton
                onAccepted: dialog.accept()
            }
            CheckBox {
                id: instantBox
                objectName: "instantAcquisition"
                visible: dialog.kind === "tcp"
                text: "Fetch AIS targets on connecting"
                Layout.columnSpan: 2
            }
            Label {
                visible: dialog.kind === "serial"
                text: "Port: "
            }
            ComboBox {
                id: portBox
                objectName: "serialPort"
                visible: dialog.kind === "serial"
                model: dialog.fields.ports || []
                Layout.fillWidth: true
            }
            Label {
                visible: dialog.kind === "serial"
                text: "Baud rate: "
            }
            ComboBox {
                id: baudBox
                objectName: "serialBaud"
                visible: dialog.kind === "serial"
                model: dialog.fields.bauds || []
                Layout.fillWidth: true
            }
        }
        RowLayout {
            Layout.alignment: Qt.AlignRight
            spacing: 10
            Button {
                objectName: "dialogCancel"
                text: "Cancel"
                onClicked: dialog.answer(1)
            }
            Button {
                id: okButton
                objectName: "dialogOk"
                text: "OK"
                highlighted: true
                enabled: dialog.valid()
                onClicked: dialog.accept()
            }
        }
    }
}
