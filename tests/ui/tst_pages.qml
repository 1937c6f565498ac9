import QtQuick
import QtTest

// Pages slide between the two page items: the page buttons, Ctrl+arrow keys
// and a swipe turn them; the old item slides out and is let go.
OrvantaCase {
    name: "Pages"

    function pageName() {
        return win.pages.pageName
    }
    // Turns the page by `act`: the other item takes over, both are on show
    // while it slides, then the old one is hidden and lets its page go.
    function turn(act, expectedName) {
        const before = win.pages
        act()
        verify(win.pages !== before, "the items swap roles")
        verify(before.visible && win.pages.visible, "both slide")
        if (expectedName !== undefined)
            compare(pageName(), expectedName)
        tryVerify(() => !before.visible && win.pages.x === 0, deadline, "the slide ends")
        compare(before.pageName, "", "the page that went away is let go")
    }

    function test_buttonsAndKeysTurnPages() {
        compare(win.pages.pageIndex, 0)
        verify(win.pages.pageCount > 2)
        const first = pageName()
        turn(() => click("nextPage"))
        const second = pageName()
        verify(second !== first)
        verify(find("pageLabel").text.startsWith("2/"), find("pageLabel").text)

        turn(() => click("previousPage"), first)

        win.pages.forceActiveFocus()
        turn(() => keyClick(Qt.Key_Right, Qt.ControlModifier), second)
        verify(win.pages.activeFocus, "the keys go on to the new page")
        turn(() => keyClick(Qt.Key_Left, Qt.AltModifier), first)
    }

    function test_swipeTurnsToTheNextPage() {
        // From the second page, whose items take no drags.
        win.pages.forceActiveFocus()
        turn(() => keyClick(Qt.Key_Right, Qt.ControlModifier))
        const index = win.pages.pageIndex
        const page = win.pages
        mouseDrag(page, page.width * 0.75, page.height / 2, -page.width / 2, 0)
        tryVerify(() => win.pages !== page, deadline, "the swipe turned the page")
        compare(win.pages.pageIndex, index + 1)
    }

    // On the map the shell's buttons stand at the top left; on a page of
    // values they join the page bar, clear of the items' titles.
    function test_shellButtonsLeaveThePagesValuesClear() {
        while (win.pages.pageIndex > 0)
            turn(() => click("previousPage"))
        verify(win.map !== null, "the first page shows the map")
        const names = ["menuButton", "overlaysButton", "searchButton"]
        const at = name => find(name).mapToItem(null, 0, 0)
        for (const name of names)
            compare(at(name).x, 16, name)
        turn(() => click("nextPage"))
        verify(win.map === null, "the second page has no map")
        const bar = find("nextPage").mapToItem(null, 0, 0)
        for (const name of names) {
            const button = find(name)
            verify(Math.abs(at(name).y + button.height / 2 - (bar.y + 20)) < 1, name + " level with the bar")
            verify(at(name).x + button.width <= find("previousPage").mapToItem(null, 0, 0).x, name + " left of the bar")
        }
        turn(() => click("previousPage"))
        compare(at("menuButton").y, 16)
    }
}
