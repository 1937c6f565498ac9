// Colours and their "#AARRGGBB" text form.
#include "app/base/graphicscolor.h"

#include <gtest/gtest.h>

TEST(GraphicsColor, HashIsAlphaFirstUpperCase) {
    EXPECT_EQ(GraphicsColor(0x12, 0xab, 0x00, 0x80).ToHash(), "#8012AB00");
    EXPECT_EQ(GraphicsColor().ToHash(), "#FF000000");  // opaque black
}

TEST(GraphicsColor, SetHashAcceptsLongAndShortForms) {
    GraphicsColor c;
    EXPECT_TRUE(c.SetHash("#8012ab00"));
    EXPECT_EQ(c, GraphicsColor(0x12, 0xab, 0x00, 0x80));
    EXPECT_TRUE(c.SetHash("#12AB00"));  // no alpha: opaque
    EXPECT_EQ(c, GraphicsColor(0x12, 0xab, 0x00, 0xff));
    EXPECT_TRUE(c.SetHash("#F80"));
    EXPECT_EQ(c, GraphicsColor(0xff, 0x88, 0x00));
    EXPECT_TRUE(c.SetHash("#8F80"));
    EXPECT_EQ(c, GraphicsColor(0xff, 0x88, 0x00, 0x88));
}

TEST(GraphicsColor, SetHashRefusesOtherTextAndKeepsTheColour) {
    GraphicsColor c(1, 2, 3);
    for (const char* bad :
         {"", "#", "#12", "123456", "#12345", "#1234567", "#GG0000", "#123456789"})
        EXPECT_FALSE(c.SetHash(bad)) << bad;
    EXPECT_EQ(c, GraphicsColor(1, 2, 3));
}
