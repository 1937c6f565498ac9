// Colours and their "#AARRGGBB" text form.
#include "app/base/graphicscolor.h"

#include <gtest/gtest.h>

TEST(GraphicsColor, HashFormsBothWays) {
    EXPECT_EQ(GraphicsColor(0x12, 0xab, 0x00, 0x80).ToHash(), "#8012AB00");  // alpha first
    const struct {
        const char* text;
        GraphicsColor read;  // (1, 2, 3): refused, the colour kept
    } cases[] = {
        {"#8012ab00", {0x12, 0xab, 0x00, 0x80}},
        {"#12AB00", {0x12, 0xab, 0x00}},
        {"#F80", {0xff, 0x88, 0x00}},
        {"#8F80", {0xff, 0x88, 0x00, 0x88}},
        {"", {1, 2, 3}},
        {"#12", {1, 2, 3}},
        {"123456", {1, 2, 3}},
        {"#12345", {1, 2, 3}},
        {"#GG0000", {1, 2, 3}},
        {"#123456789", {1, 2, 3}},
    };
    for (const auto& c : cases) {
        GraphicsColor colour(1, 2, 3);
        EXPECT_EQ(colour.SetHash(c.text), !(c.read == GraphicsColor(1, 2, 3))) << c.text;
        EXPECT_EQ(colour, c.read) << c.text;
    }
}
