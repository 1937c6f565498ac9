import QtQuick
import QtQuick.Controls
import QtQuick.Layouts

// One message box, modal in the window: a title, a text and one to three
// buttons. Return answers with the first button, Escape with the last.
Popup {
    id: box
    required property int boxId
    required property string title
    required property string text
    required property var buttons
    signal answered(int boxId, int button)

    objectName: "messageBox"
    modal: true
    focus: true
    closePolicy: Popup.NoAutoClose
    anchors.centerIn: Overlay.overlay
    width: Math.min(parent ? parent.width - 40 : 480, Math.max(320, content.implicitWidth + 48))
    padding: 20

    property bool done: false
    function answer(button) {
        if (done)
            return
        done = true
        close()
        answered(boxId, button)
    }

    contentItem: FocusScope {
        id: scope
        focus: true
        implicitWidth: content.implicitWidth
        implicitHeight: content.implicitHeight
        Keys.onPressed: event => {
            if (event.key === Qt.Key_Return || event.key === Qt.Key_Enter) {
                box.answer(0)
                event.accepted = true
            } else if (event.key === Qt.Key_Escape) {
                box.answer(box.buttons.length - 1)
                event.accepted = true
            }
        }
        ColumnLayout {
            id: content
            anchors.fill: parent
            spacing: 14
            Label {
                objectName: "messageBoxTitle"
                text: box.title
                font.pixelSize: 18
                font.bold: true
                Layout.fillWidth: true
                wrapMode: Text.Wrap
            }
            Label {
                objectName: "messageBoxText"
                text: box.text
                font.pixelSize: 15
                Layout.fillWidth: true
                Layout.maximumWidth: 560
                wrapMode: Text.Wrap
            }
            RowLayout {
                Layout.alignment: Qt.AlignRight
                spacing: 10
                Repeater {
                    model: box.buttons
                    Button {
                        required property int index
                        required property string modelData
                        objectName: "messageBoxButton" + index
                        text: modelData
                        highlighted: index === 0
                        focusPolicy: Qt.NoFocus
                        onClicked: box.answer(index)
                    }
                }
            }
        }
    }

    Component.onCompleted: open()
    onOpened: scope.forceActiveFocus()
}
