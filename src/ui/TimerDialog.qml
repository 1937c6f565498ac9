import QtQuick
import QtQuick.Controls
import QtQuick.Layouts

// The start settings: the countdown's length, a start at a time of day,
// the page to show at the start and a new track shortly before it. Start
// and Clear act at once; OK keeps the period, page and track choices.
Popup {
    id: dialog
    objectName: "timerDialog"
    property var race
    property var fields: ({})
    modal: true
    focus: true
    anchors.centerIn: Overlay.overlay
    padding: 16

    function show() {
        fields = race.timerFields()
        periodBox.value = fields.period
        trackBox.checked = !!fields.newTrack
        pageBox.model = ["None"].concat(fields.pages)
        pageBox.currentIndex = fields.afterStartPage + 1
        open()
        periodBox.forceActiveFocus()
    }
    function accept() {
        race.applyTimer(periodBox.value, trackBox.checked, pageBox.currentIndex - 1)
        close()
    }

    ColumnLayout {
        spacing: 10
        // Keys from the fields rise to here: a popup itself takes none.
        Keys.onReturnPressed: dialog.accept()
        Keys.onEscapePressed: dialog.close()
        Label {
            text: "Start Timer"
            font.pixelSize: 20
            font.bold: true
        }
        Label {
            objectName: "startText"
            text: dialog.fields.start ? "Start at " + dialog.fields.start : "No start set"
        }
        RowLayout {
            Label { text: "Countdown (minutes)" }
            SpinBox {
                id: periodBox
                objectName: "period"
                from: 1
                to: 60
            }
        }
        RowLayout {
            Button {
                objectName: "startButton"
                text: "Start"
                onClicked: {
                    race.startCountdown(periodBox.value)
                    dialog.accept()
                }
            }
            Button {
                objectName: "clearButton"
                text: "Clear Start"
                onClicked: {
                    race.clearStart()
                    dialog.fields = race.timerFields()
                }
            }
        }
        RowLayout {
            Label { text: "Start at" }
            TextField {
                id: timeField
                objectName: "timeOfDay"
                placeholderText: "hh:mm:ss"
                inputMask: "99:99:99"
                text: "00:00:00"
                Layout.preferredWidth: 110
            }
            Button {
                objectName: "startAtButton"
                text: "Set"
                onClicked: {
                    const p = timeField.text.split(":").map(s => parseInt(s))
                    race.startAt(p[0] || 0, p[1] || 0, p[2] || 0)
                    dialog.accept()
                }
            }
        }
        RowLayout {
            Label { text: "Page at the start" }
            ComboBox {
                id: pageBox
                objectName: "afterStartPage"
                Layout.preferredWidth: 260
            }
        }
        CheckBox {
            id: trackBox
            objectName: "newTrack"
            text: "New track 2 minutes before the start"
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
