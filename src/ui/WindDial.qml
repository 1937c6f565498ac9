import QtQuick

// A wind dial: the boat points up (apparent wind) or the course axis points
// up (true wind). `model` (CWindDial) gives the wind angle, the range of
// recent directions, the boat's heading against the axis and the mast.
Item {
    id: dial
    property QtObject model: null
    state: "default"
    states: [State { name: "default" }]

    readonly property real windAngle: model ? (model.trueWind ? model.value - model.axis : model.value) : 0
    readonly property real size: Math.min(width, height)

    Rectangle {
        anchors.centerIn: parent
        width: dial.size * 0.96
        height: width
        radius: width / 2
        color: "#0b3d5c"
        border.color: "#e8ecef"
        border.width: 2
    }

    Canvas {
        id: face
        anchors.centerIn: parent
        width: dial.size
        height: dial.size
        property real rangeMin: dial.model ? dial.model.range_min : 0
        property real rangeMax: dial.model ? dial.model.range_max : 0
        property real boat: dial.model ? dial.model.boat : 0
        property real mast: dial.model ? dial.model.mast : 0
        property real wind: dial.windAngle
        onRangeMinChanged: requestPaint()
        onRangeMaxChanged: requestPaint()
        onBoatChanged: requestPaint()
        onMastChanged: requestPaint()
        onWindChanged: requestPaint()
        onWidthChanged: requestPaint()
        onPaint: {
            const ctx = getContext("2d")
            const r = width / 2
            ctx.reset()
            ctx.translate(r, r)
            // Ticks every 10 degrees, longer every 30.
            ctx.strokeStyle = "#e8ecef"
            for (let a = 0; a < 360; a += 10) {
                const t = a * Math.PI / 180
                const inner = a % 30 === 0 ? r * 0.78 : r * 0.85
                ctx.lineWidth = a % 30 === 0 ? 2 : 1
                ctx.beginPath()
                ctx.moveTo(Math.sin(t) * inner, -Math.cos(t) * inner)
                ctx.lineTo(Math.sin(t) * r * 0.92, -Math.cos(t) * r * 0.92)
                ctx.stroke()
            }
            // Port red and starboard green sectors of close-hauled sailing.
            ctx.lineWidth = r * 0.06
            ctx.strokeStyle = "#2e9e4f"
            ctx.beginPath()
            ctx.arc(0, 0, r * 0.72, (20 - 90) * Math.PI / 180, (60 - 90) * Math.PI / 180)
            ctx.stroke()
            ctx.strokeStyle = "#c8332b"
            ctx.beginPath()
            ctx.arc(0, 0, r * 0.72, (-60 - 90) * Math.PI / 180, (-20 - 90) * Math.PI / 180)
            ctx.stroke()
            if (dial.model && dial.model.trueWind && rangeMax !== rangeMin) {
                // The recent range of the wind's direction.
                let lo = rangeMin, hi = rangeMax
                if (hi < lo) hi += 360
                ctx.strokeStyle = "#f0b429"
                ctx.lineWidth = r * 0.05
                ctx.beginPath()
                ctx.arc(0, 0, r * 0.64, (lo - 90) * Math.PI / 180, (hi - 90) * Math.PI / 180)
                ctx.stroke()
            }
            // The boat's outline: up for apparent wind, at its heading for true wind.
            ctx.save()
            if (dial.model && dial.model.trueWind) ctx.rotate(boat * Math.PI / 180)
            ctx.fillStyle = "#5b7a8f"
            ctx.beginPath()
            ctx.moveTo(0, -r * 0.4)
            ctx.quadraticCurveTo(r * 0.16, -r * 0.05, r * 0.1, r * 0.32)
            ctx.lineTo(-r * 0.1, r * 0.32)
            ctx.quadraticCurveTo(-r * 0.16, -r * 0.05, 0, -r * 0.4)
            ctx.fill()
            if (dial.model && !dial.model.trueWind && mast !== 0) {
                ctx.save()
                ctx.translate(0, -r * 0.08)
                ctx.rotate(mast * Math.PI / 180)
                ctx.strokeStyle = "#e8ecef"
                ctx.lineWidth = 3
                ctx.beginPath()
                ctx.moveTo(0, -r * 0.06)
                ctx.lineTo(0, r * 0.06)
                ctx.stroke()
                ctx.restore()
            }
            ctx.restore()
            // The wind's pointer, from where it blows.
            ctx.rotate(wind * Math.PI / 180)
            ctx.fillStyle = "#f0b429"
            ctx.beginPath()
            ctx.moveTo(0, -r * 0.9)
            ctx.lineTo(r * 0.07, -r * 0.55)
            ctx.lineTo(-r * 0.07, -r * 0.55)
            ctx.closePath()
            ctx.fill()
        }
    }

    Text {
        anchors.horizontalCenter: parent.horizontalCenter
        y: parent.height / 2 + dial.size * 0.12
        text: dial.model ? dial.model.speed : ""
        color: "white"
        font.pixelSize: dial.size * 0.12
        font.bold: true
    }
    Text {
        anchors.horizontalCenter: parent.horizontalCenter
        y: parent.height / 2 - dial.size * 0.3
        text: dial.model ? dial.model.title : ""
        color: "#c0d0dc"
        font.pixelSize: dial.size * 0.06
    }
}
