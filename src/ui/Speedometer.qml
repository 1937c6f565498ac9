import QtQuick

// A speedometer: a 270-degree scale from minValue to maxValue with major
// ticks every majorStepSize and minor ones every stepSize, a needle at the
// value and the title below. `model` is a CSpeedometer.
Item {
    id: meter
    property QtObject model: null
    state: "default"
    states: [State { name: "default" }]

    readonly property real size: Math.min(width, height)
    readonly property real lo: model ? model.minValue : 0
    readonly property real hi: model && model.maxValue > lo ? model.maxValue : lo + 1
    function angleOf(v) {
        const f = Math.max(0, Math.min(1, (v - lo) / (hi - lo)))
        return -135 + 270 * f
    }

    Rectangle {
        anchors.centerIn: parent
        width: meter.size * 0.96
        height: width
        radius: width / 2
        color: "#0b3d5c"
        border.color: "#e8ecef"
        border.width: 2
    }

    Canvas {
        id: scale
        anchors.centerIn: parent
        width: meter.size
        height: meter.size
        property real major: meter.model ? meter.model.majorStepSize : 1
        property real minor: meter.model ? meter.model.stepSize : 0.5
        property real scaleTop: meter.hi
        onMajorChanged: requestPaint()
        onMinorChanged: requestPaint()
        onScaleTopChanged: requestPaint()
        onWidthChanged: requestPaint()
        onPaint: {
            const ctx = getContext("2d")
            const r = width / 2
            ctx.reset()
            ctx.translate(r, r)
            ctx.strokeStyle = "#e8ecef"
            ctx.fillStyle = "#e8ecef"
            ctx.textAlign = "center"
            ctx.textBaseline = "middle"
            ctx.font = Math.round(r * 0.13) + "px sans-serif"
            if (!(minor > 0) || (scaleTop - meter.lo) / minor > 400) return
            for (let v = meter.lo; v <= scaleTop + minor * 0.01; v += minor) {
                const isMajor = Math.abs(v / major - Math.round(v / major)) < 1e-3
                const t = meter.angleOf(v) * Math.PI / 180
                const inner = isMajor ? r * 0.74 : r * 0.82
                ctx.lineWidth = isMajor ? 2 : 1
                ctx.beginPath()
                ctx.moveTo(Math.sin(t) * inner, -Math.cos(t) * inner)
                ctx.lineTo(Math.sin(t) * r * 0.9, -Math.cos(t) * r * 0.9)
                ctx.stroke()
                if (isMajor)
                    ctx.fillText(String(Math.round(v * 100) / 100), Math.sin(t) * r * 0.6,
                                 -Math.cos(t) * r * 0.6)
            }
        }
    }

    Rectangle {
        id: needle
        width: meter.size * 0.025
        height: meter.size * 0.42
        radius: width / 2
        color: "#f0b429"
        x: meter.width / 2 - width / 2
        y: meter.height / 2 - height
        transform: Rotation {
            origin.x: needle.width / 2
            origin.y: needle.height
            angle: meter.angleOf(meter.model ? meter.model.value : 0)
        }
    }
    Rectangle {
        anchors.centerIn: parent
        width: meter.size * 0.08
        height: width
        radius: width / 2
        color: "#f0b429"
    }
    Text {
        anchors.horizontalCenter: parent.horizontalCenter
        y: parent.height / 2 + meter.size * 0.14
        text: meter.model ? meter.model.value.toFixed(1) : ""
        color: "white"
        font.pixelSize: meter.size * 0.12
        font.bold: true
    }
    Text {
        anchors.horizontalCenter: parent.horizontalCenter
        y: parent.height / 2 + meter.size * 0.3
        text: meter.model ? meter.model.title : ""
        color: "#c0d0dc"
        font.pixelSize: meter.size * 0.06
    }
}
