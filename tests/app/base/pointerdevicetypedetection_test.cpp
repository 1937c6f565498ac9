// What the user points with, from the device of each press or touch.
#include <gtest/gtest.h>

#include <QMouseEvent>
#include <QPointingDevice>

#include "app/base/pointerdevicetypedetection.h"

namespace {

TEST(PointerDeviceTypeDetection, FilterReportsPressesAndNeverConsumes) {
    static PointerFlags seen;
    static int calls;
    seen = {};
    calls = 0;
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
