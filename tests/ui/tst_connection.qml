import QtQuick
import QtTest

// Settings > GPS Setup > GPS Connection > TCP/IP: the dialog cancelled by
// Escape changes nothing; filled in and confirmed, the program connects to
// the server named.
OrvantaCase {
    name: "Connection"

    function openTcpDialog() {
        click("menuButton")
        for (const entry of ["menuEntry_Settings", "menuEntry_GPS Setup",
                             "menuEntry_GPS Connection", "menuEntry_TCP/IP"])
            click(entry)
        return waitFor("tcpHost")
    }

    function test_escapeCancels() {
        const host = probe.tcpHost()
        compare(openTcpDialog().text, host)
        typeInto("tcpHost", "127.0.0.2")
        keyClick(Qt.Key_Escape)
        waitGone("tcpHost")
        compare(probe.tcpHost(), host)
    }

    function test_filledInAndConnected() {
        const port = probe.listen()
        verify(port > 0)
        openTcpDialog()
        typeInto("tcpHost", "127.0.0.1")
        typeInto("portField", String(port))
        click("dialogOk")
        waitGone("tcpHost")
        tryVerify(() => probe.clients > 0, deadline, "the program connects")
        compare(probe.connectionName(), "TCP/IP")
        compare(probe.tcpHost(), "127.0.0.1")
        compare(probe.tcpPort(), port)
    }
}
