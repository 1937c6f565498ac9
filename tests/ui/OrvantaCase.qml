import QtQuick
import QtTest

// A test case over the program's own main window, made for the file and
// gone at its end. Helpers wait for what they need (generous deadlines, no
// fixed sleeps) and act with the mouse and the keys.
TestCase {
    id: testCase
    when: windowShown
    property QtObject win: null
    readonly property int deadline: 30000

    function initTestCase() {
        const component = Qt.createComponent(Qt.resolvedUrl("../../src/ui/main.qml"))
        verify(component.status === Component.Ready, component.errorString())
        win = component.createObject(null)
        verify(win !== null)
        win.requestActivate()
        tryVerify(() => win.active, deadline, "the window becomes active")
    }
    function cleanupTestCase() {
        win.destroy()
        tryVerify(() => win === null, deadline)
        probe.restore()
    }

    function root() {
        let item = win.contentItem
        while (item.parent)
            item = item.parent
        return item
    }
    // The visible item of that name, or null.
    function find(name, item) {
        if (item === undefined)
            item = root()
        if (!item || !item.visible)
            return null
        if (item.objectName === name)
            return item
        for (let i = 0; i < item.children.length; ++i) {
            const found = find(name, item.children[i])
            if (found)
                return found
        }
        return null
    }
    function waitFor(name) {
        tryVerify(() => find(name) !== null, deadline, name + " is shown")
        return find(name)
    }
    function waitGone(name) {
        tryVerify(() => find(name) === null, deadline, name + " goes away")
    }
    // A popup lays itself out over its first frames: click once two more
    // frames have been drawn.
    function click(name) {
        const item = waitFor(name)
        for (let frame = 0; frame < 2; ++frame) {
            win.update()
            waitForRendering(win.contentItem, deadline)
        }
        mouseClick(item)
    }
    function typeInto(name, text) {
        click(name)
        keyClick(Qt.Key_A, Qt.ControlModifier)
        keyClick(Qt.Key_Backspace)
        for (let i = 0; i < text.length; ++i)
            keyClick(text[i])
    }
    function menuTitles() {
        return find("shell").presenters.menuTitles()
    }
}
