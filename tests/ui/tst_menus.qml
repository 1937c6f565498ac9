import QtQuick
import QtTest

// The main and overlays menus opened by their buttons, walked by mouse and
// keys; entries that change settings, lock the screen and quit.
OrvantaCase {
    name: "Menus"

    function cleanup() {
        keyClick(Qt.Key_Escape)
        keyClick(Qt.Key_Escape)
        waitGone("actionSheetContent")
    }

    // Each wanted entry is there, after the one before it.
    function inOrder(titles, wanted) {
        let last = -1
        for (const entry of wanted) {
            const at = titles.indexOf(entry)
            verify(at > last, entry + " in its place in " + titles)
            last = at
        }
    }

    function test_mainMenuEntriesInOrder() {
        click("menuButton")
        waitFor("menuEntry_Settings")
        inOrder(menuTitles(), ["Settings", "Edit Layout", "Lock Screen", "Help", "Quit App"])
        click("menuEntry_Settings")
        waitFor("menuEntry_Units")
        inOrder(menuTitles(), ["Map Options", "GPS Setup", "Display Options",
                               "Altitude Options", "Units", "About"])
    }

    function test_overlaysMenuEntriesInOrder() {
        click("overlaysButton")
        waitFor("menuEntry_Search")
        inOrder(menuTitles(), ["List Overlays", "Add New Mark", "Add New Route",
                               "Record Track", "Search", "Import"])
        click("menuEntry_List Overlays")
        waitGone("actionSheetContent")
        verify(waitFor("overlaysListView"))
        mouseClick(win.contentItem, 4, 4)  // outside the list
        waitGone("overlaysListView")
    }

    function test_keysWalkDownAndBack() {
        click("menuButton")
        waitFor("menuEntry_Settings")
        keyClick(Qt.Key_Return)  // the first entry: Settings
        waitFor("menuEntry_Units")
        keyClick(Qt.Key_Escape)  // back
        waitFor("menuEntry_Settings")
        keyClick(Qt.Key_Escape)  // closed
        waitGone("actionSheetContent")
    }

    function test_unitsChosenByMouse() {
        probe.setDistanceFamily("Statute")
        click("menuButton")
        for (const entry of ["menuEntry_Settings", "menuEntry_Units", "menuEntry_Metric"])
            click(entry)
        tryVerify(() => probe.distanceFamily() === "Metric", deadline)
        waitGone("actionSheetContent")
    }

    function test_lockScreenHoldsTouchesUntilUnlockHeld() {
        click("menuButton")
        click("menuEntry_Lock Screen")
        click("unlock")
        verify(find("shell").locked, "a short press does not unlock")
        const unlock = find("unlock")
        mousePress(unlock)
        tryVerify(() => !find("shell").locked, deadline)
        mouseRelease(unlock)
    }

    function test_quitAsksFirst() {
        click("menuButton")
        click("menuEntry_Quit App")
        compare(waitFor("messageBoxTitle").text, "Please confirm")
        compare(find("messageBoxText").text, "Are you sure you want to exit the app?")
        keyClick(Qt.Key_Escape)
        waitGone("messageBoxText")
        compare(probe.quitRequests, 0, "No keeps the program running")

        click("menuButton")
        click("menuEntry_Quit App")
        click("messageBoxButton0")
        tryCompare(probe, "quitRequests", 1, deadline)
    }
}
