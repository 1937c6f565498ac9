import QtQuick
import QtTest

// Message boxes of one, two and three buttons, modal in the window and
// answered by a click, by Return (the first button) or Escape (the last).
OrvantaCase {
    name: "MessageBoxes"

    function test_answer_data() {
        return [
            {tag: "click on No", buttons: 2, key: 0, click: 1, expected: 1},
            {tag: "click on Discard", buttons: 3, key: 0, click: 1, expected: 1},
            {tag: "click on OK", buttons: 1, key: 0, click: 0, expected: 0},
            {tag: "Return takes the first", buttons: 3, key: Qt.Key_Return, expected: 0},
            {tag: "Escape takes the last", buttons: 3, key: Qt.Key_Escape, expected: 2},
            {tag: "Escape on OK", buttons: 1, key: Qt.Key_Escape, expected: 0},
        ]
    }
    function test_answer(row) {
        probe.ask(row.buttons)
        waitFor("messageBoxButton" + (row.buttons - 1))
        compare(find("messageBoxButton" + row.buttons), null)
        if (row.key)
            keyClick(row.key)
        else
            click("messageBoxButton" + row.click)
        tryCompare(probe, "answer", row.expected, deadline)
        waitGone("messageBoxText")
    }

    function test_boxKeepsTheClicksFromThePageBelow() {
        const before = find("pageLabel").text
        probe.ask(1)
        waitFor("messageBoxButton0")
        mouseClick(find("nextPage"))
        compare(find("pageLabel").text, before, "modal: the page did not turn")
        keyClick(Qt.Key_Return)
        tryCompare(probe, "answer", 0, deadline)
    }
}
