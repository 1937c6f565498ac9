// Colours and their "#AARRGGBB" text form.
#include "app/base/graphicscolor.h"

#include <gtest/gtest.h>

TEST(GraphicsColor, HashFormsBothWays) {
    EXPECT_EQ(GraphicsColor(0x12, 0xab, 0x00, 0x80).ToHash(), "#8012AB00");  // alpha first
    const std::pair<const char*, GraphicsColor> read[] = {
        {"#8012ab00", {0x12, 0xab, 0x00, 0x80}},
        {"#12AB00", {0x12, 0xab, 0x00}},
        {"#F80", {0xff, 0x88, 0x00}},
        {"#8F80", {0xff, 0x88, 0x00, 0x88}},
    };
    for (const auto& [text, expected] : read) {
        GraphicsColor colour(1, 2, 3);
        EXPECT_TRUE(colour.SetHash(text)) << text;
        EXPECT_EQ(colour, expected) << text;
    }
    // Refused: the colour is kept.
    for (const char* text : {"", "#12", "123456", "#12345", "#GG0000", "#123456789"}) {
        GraphicsColor colour(1, 2, 3);
        EXPECT_FALSE(colour.SetHash(text)) << text;
        EXPECT_EQ(colour, GraphicsColor(1, 2, 3)) << text;
    }
}
