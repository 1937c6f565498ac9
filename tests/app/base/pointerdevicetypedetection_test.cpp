// What the user points with, from the device of each press or touch.
#include <gtest/gtest.h>

#include <QMouseEvent>
#include <QPointingDevice>

#include "app/base/pointerdevicetypedetection.h"

namespace {

using Type = QInputDevice::DeviceType;

TEST(PointerDeviceTypeDetection, FlagsByDeviceType) {
    const PointerFlags pen{false, true, false};
    auto check = [](PointerFlags before, Type type, bool touch, bool stylus, bool pad) {
        const PointerFlags f = PointerDeviceTypeDetection::update(before, type);
        EXPECT_EQ(f.touchScreen, touch);
        EXPECT_EQ(f.pen, stylus);
        EXPECT_EQ(f.touchPad, pad);
    };
    check(pen, Type::Mouse, false, false, false);
    check(pen, Type::Puck, false, false, false);
    check(pen, Type::TouchScreen, true, false, false);
    check(pen, Type::TouchPad, false, false, true);
    check({}, Type::Stylus, false, true, false);
    check({}, Type::Airbrush, false, true, false);
    check(pen, Type::Keyboard, false, true, false);  // other types change nothing
}

TEST(PointerDeviceTypeDetection, FilterReportsPressesAndNeverConsumes) {
    static PointerFlags seen;
    static int calls = 0;
    PointerDeviceTypeDetection::setSink([](const PointerFlags& f) {
        seen = f;
        ++calls;
    });
    PointerDeviceTypeDetection filter;
    QObject target;
    QMouseEvent press(QEvent::MouseButtonPress, QPointF(1, 1), QPointF(1, 1), Qt::LeftButton,
                      Qt::LeftButton, Qt::NoModifier, QPointingDevice::primaryPointingDevice());
    EXPECT_FALSE(filter.eventFilter(&target, &press));
    EXPECT_EQ(calls, 1);
    EXPECT_FALSE(seen.touchScreen);
    QMouseEvent move(QEvent::MouseMove, QPointF(2, 2), QPointF(2, 2), Qt::NoButton, Qt::LeftButton,
                     Qt::NoModifier, QPointingDevice::primaryPointingDevice());
    EXPECT_FALSE(filter.eventFilter(&target, &move));
    EXPECT_EQ(calls, 1);  // only begin events count
    PointerDeviceTypeDetection::setSink(nullptr);
}

}  // namespace
