import QtQuick
import QtQuick.Controls

// One level of an action-sheet menu at a time: a title, an optional line
// of text, and the entries with their icon, check mark and submenu arrow.
// Mouse, touch and keys (arrows, Return, Escape or Backspace for back, a
// letter for the next entry starting with it).
Popup {
    id: sheet
    objectName: "actionSheet"
    property var presenters
    property int menuId: 0
    property int depth: 0
    property string title
    property string message
    property var entries: []
    // Set while the presenter closes the sheet, so that closing is not
    // taken for the user's dismissal.
    property bool closing: false

    function showLevel(id, menuTitle, text, levelEntries, level) {
        menuId = id
        title = menuTitle
        message = text
        entries = levelEntries
        depth = level
        if (!opened)
            open()
        entryList.currentIndex = firstEnabled()
        entryList.forceActiveFocus()
    }
    function closeByPresenter() {
        closing = true
        close()
        closing = false
    }
    function firstEnabled() {
        for (let i = 0; i < entries.length; ++i)
            if (entries[i].enabled)
                return i
        return -1
    }
    function choose(index) {
        if (index >= 0 && index < entries.length && entries[index].enabled)
            presenters.chooseMenuEntry(menuId, index)
    }
    // The next enabled entry after the current one whose title starts with
    // the letter, round the end; -1 when none does.
    function entryStartingWith(letter) {
        const wanted = letter.toLowerCase()
        for (let step = 1; step <= entries.length; ++step) {
            const i = (entryList.currentIndex + step + entries.length) % entries.length
            if (entries[i].enabled && entries[i].title.toLowerCase().startsWith(wanted))
                return i
        }
        return -1
    }
    function back() {
        if (depth > 0)
            presenters.menuBack(menuId)
        else
            presenters.dismissMenu(menuId)
    }

    modal: true
    focus: true
    closePolicy: Popup.CloseOnPressOutside
    parent: Overlay.overlay
    width: Math.min(360, parent ? parent.width - 24 : 360)
    height: Math.min(column.implicitHeight + topPadding + bottomPadding,
                     parent ? parent.height - 24 : 600)
    x: parent ? (parent.width - width) / 2 : 0
    y: parent ? (parent.height - height) / 2 : 0
    padding: 0
    onClosed: if (!closing) presenters.dismissMenu(menuId)

    background: Rectangle {
        radius: 10
        color: "#fbfcfd"
        border.color: "#b8c4cc"
    }

    Column {
        id: column
        objectName: "actionSheetContent"
        width: parent.width
        height: parent.height
        Item {
            id: header
            width: parent.width
            height: 48
            ToolButton {
                id: backButton
                objectName: "menuBack"
                visible: sheet.depth > 0
                anchors.left: parent.left
                anchors.verticalCenter: parent.verticalCenter
                width: 44
                height: 44
                text: "\u2039"
                font.pixelSize: 26
                focusPolicy: Qt.NoFocus
                onClicked: sheet.back()
            }
            Label {
                anchors.centerIn: parent
                width: parent.width - 2 * 48
                horizontalAlignment: Text.AlignHCenter
                elide: Text.ElideRight
                text: sheet.title
                font.pixelSize: 17
                font.bold: true
                color: "#0b3d5c"
            }
        }
        Label {
            visible: sheet.message.length > 0
            width: parent.width
            padding: 12
            topPadding: 0
            wrapMode: Text.WordWrap
            horizontalAlignment: Text.AlignHCenter
            text: sheet.message
            color: "#35566b"
            font.pixelSize: 15
        }
        Rectangle {
            width: parent.width
            height: 1
            color: "#d5dde2"
        }
        ListView {
            id: entryList
            objectName: "menuEntries"
            width: parent.width
            height: Math.min(contentHeight, sheet.parent ? sheet.parent.height - 120 : 480)
            clip: true
            model: sheet.entries
            keyNavigationEnabled: true
            boundsBehavior: Flickable.StopAtBounds
            Keys.onReturnPressed: sheet.choose(currentIndex)
            Keys.onEnterPressed: sheet.choose(currentIndex)
            Keys.onEscapePressed: sheet.back()
            Keys.onBackPressed: sheet.back()
            Keys.onPressed: event => {
                if (event.key === Qt.Key_Backspace || event.key === Qt.Key_Left && sheet.depth > 0) {
                    sheet.back()
                    event.accepted = true
                } else if (event.key === Qt.Key_Right && currentIndex >= 0
                           && sheet.entries[currentIndex].submenu) {
                    sheet.choose(currentIndex)
                    event.accepted = true
                } else if (event.text.length === 1 && event.text.trim().length === 1
                           && !(event.modifiers & (Qt.ControlModifier | Qt.AltModifier))) {
                    const found = sheet.entryStartingWith(event.text)
                    if (found >= 0)
                        currentIndex = found
                    event.accepted = true
                }
            }
            delegate: ItemDelegate {
                objectName: "menuEntry_" + modelData.title
                width: ListView.view.width
                height: 48
                enabled: modelData.enabled
                highlighted: ListView.isCurrentItem
                focusPolicy: Qt.NoFocus
                onClicked: sheet.choose(index)
                contentItem: Row {
                    spacing: 12
                    Item {
                        width: 28
                        height: 28
                        anchors.verticalCenter: parent.verticalCenter
                        Image {
                            anchors.fill: parent
                            source: modelData.icon
                            sourceSize: Qt.size(28, 28)
                            fillMode: Image.PreserveAspectFit
                            visible: modelData.icon.length > 0
                        }
                    }
                    Label {
                        anchors.verticalCenter: parent.verticalCenter
                        width: parent.width - 28 - 32 - 2 * parent.spacing
                        text: modelData.title
                        elide: Text.ElideRight
                        font.pixelSize: 16
                        color: modelData.enabled ? "#14232d" : "#9aa7b0"
                    }
                    Label {
                        anchors.verticalCenter: parent.verticalCenter
                        width: 32
                        horizontalAlignment: Text.AlignRight
                        text: modelData.submenu ? "\u203a" : (modelData.checked ? "\u2713" : "")
                        font.pixelSize: modelData.submenu ? 24 : 18
                        font.bold: true
                        color: "#0b6e99"
                    }
                }
            }
        }
    }
}
