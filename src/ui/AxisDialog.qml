import QtQuick
import QtQuick.Controls
import QtQuick.Layouts

// The course axis: typed, or taken from the heading, the average true
// wind, the course over ground or the active go-to, where they exist now.
Popup {
    id: dialog
    objectName: "axisDialog"
    property var race
    property var fields: ({})
    modal: true
    focus: true
    anchors.centerIn: Overlay.overlay
    padding: 16

    function show() {
        fields = race.axisFields()
        typedField.text = Math.round(fields.axis)
        typedChoice.checked = true
        open()
        typedField.forceActiveFocus()
    }
    function chosen() {
        for (const c of [headingChoice, windChoice, courseChoice, gotoChoice])
            if (c.checked)
                return c.source
        return 0
    }
    function accept() {
        if (race.applyAxis(chosen(), parseFloat(typedField.text)))
            close()
    }

    ButtonGroup { id: choices }
    ColumnLayout {
        spacing: 8
        // Keys from the fields rise to here: a popup itself takes none.
        Keys.onReturnPressed: dialog.accept()
        Keys.onEscapePressed: dialog.close()
        Label {
            text: "Set Axis"
            font.pixelSize: 20
            font.bold: true
        }
        RowLayout {
            RadioButton {
                id: typedChoice
                objectName: "typed"
                ButtonGroup.group: choices
                text: dialog.fields.magnetic ? "Bearing (°M)" : "Bearing (°T)"
            }
            TextField {
                id: typedField
                objectName: "typedAxis"
                validator: DoubleValidator { bottom: 0; top: 360 }
                Layout.preferredWidth: 80
                onTextEdited: typedChoice.checked = true
            }
        }
        RadioButton {
            id: headingChoice
            objectName: "heading"
            property int source: 1
            ButtonGroup.group: choices
            visible: !!dialog.fields.hasHeading
            text: "Heading " + Math.round(dialog.fields.heading || 0) + "°"
        }
        RadioButton {
            id: windChoice
            objectName: "averageWind"
            property int source: 2
            ButtonGroup.group: choices
            enabled: !!dialog.fields.hasAverageWind
            text: "Average true wind " + Math.round(dialog.fields.averageWind || 0) + "°"
        }
        RadioButton {
            id: courseChoice
            objectName: "course"
            property int source: 3
            ButtonGroup.group: choices
            enabled: !!dialog.fields.hasCourse
            text: "Course over ground " + Math.round(dialog.fields.course || 0) + "°"
        }
        RadioButton {
            id: gotoChoice
            objectName: "goto"
            property int source: 4
            ButtonGroup.group: choices
            enabled: !!dialog.fields.hasGoto
            text: "Go-to leg " + Math.round(dialog.fields.goto || 0) + "°"
        }
        RowLayout {
            Layout.alignment: Qt.AlignRight
            Button {
                text: "Cancel"
                onClicked: dialog.close()
            }
            Button {
                objectName: "okButton"
                text: "OK"
                highlighted: true
                onClicked: dialog.accept()
            }
        }
    }
}
