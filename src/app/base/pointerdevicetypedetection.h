// Watches press and touch-begin events to learn what the user points with,
// so the front end can size its targets for a finger, a pen or a mouse.
#pragma once

#include <QInputDevice>
#include <QObject>

struct PointerFlags {
    bool touchScreen = false;
    bool pen = false;
    bool touchPad = false;
};

class PointerDeviceTypeDetection : public QObject {
public:
    using Sink = void (*)(const PointerFlags&);

    explicit PointerDeviceTypeDetection(QObject* parent = nullptr) : QObject(parent) {}

    // Where the flags go (the application model); nothing happens without one.
    static void setSink(Sink sink);
    // The flags after a begin event from a device of this type; other types
    // leave them unchanged.
    static PointerFlags update(PointerFlags flags, QInputDevice::DeviceType type);
    static const PointerFlags& current();

    bool eventFilter(QObject* watched, QEvent* event) override;  // never consumes
};
