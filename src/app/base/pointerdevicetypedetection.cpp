#include "app/base/pointerdevicetypedetection.h"

#include <QPointerEvent>

namespace {
PointerDeviceTypeDetection::Sink g_sink = nullptr;
PointerFlags g_flags;
}  // namespace

void PointerDeviceTypeDetection::setSink(Sink sink) { g_sink = sink; }

const PointerFlags& PointerDeviceTypeDetection::current() { return g_flags; }

PointerFlags PointerDeviceTypeDetection::update(PointerFlags flags, QInputDevice::DeviceType type) {
    switch (type) {
    case QInputDevice::DeviceType::Mouse:
    case QInputDevice::DeviceType::Puck:
        return {false, false, false};
    case QInputDevice::DeviceType::TouchScreen:
        return {true, false, false};
    case QInputDevice::DeviceType::TouchPad:
        return {false, false, true};
    case QInputDevice::DeviceType::Stylus:
    case QInputDevice::DeviceType::Airbrush:
        return {false, true, false};
    default:
        return flags;
    }
}

bool PointerDeviceTypeDetection::eventFilter(QObject* watched, QEvent* event) {
    const QEvent::Type t = event->type();
    if (g_sink && (t == QEvent::MouseButtonPress || t == QEvent::TouchBegin ||
                   t == QEvent::TabletPress)) {
        const auto* pointerEvent = static_cast<QPointerEvent*>(event);
        if (const QInputDevice* device = pointerEvent->device()) {
            g_flags = update(g_flags, device->type());
            g_sink(g_flags);
        }
    }
    return QObject::eventFilter(watched, event);
}
