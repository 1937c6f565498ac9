// A mark's stored form and its data operations.
#include "overlays/overlaymark.h"

#include <gtest/gtest.h>

#include <tuple>

TEST(OverlayMark, StoredFormKeepsEveryField) {
    COverlayMark a, b;
    a.name = "Anchorage";
    a.lat = 56.123456789;
    a.lon = -5.987654321;
    a.link = "https://example.org/anchorage";
    a.comment = "sand, 6 m";
    a.is_goto = a.locked = true;
    a.icon = "Anchor";
    a.color = GraphicsColor(200, 100, 50, 255);
    a.inner_radius = 30;
    a.alarm_radius = 1000;
    a.category = "Sailing:Scotland";
    a.object_id = 0x1234;
    a.created = 1700000000;
    a.modified = 1700000500;
    CSerializable::IOStream out = CSerializable::IOStream::ForWriting();
    ASSERT_TRUE(a.Serialize(out));
    CSerializable::IOStream in = CSerializable::IOStream::ForReading(out.bytes());
    ASSERT_TRUE(b.Serialize(in));
    EXPECT_TRUE(in.atEnd() && !in.skipped_data);
    const auto fields = [](const COverlayMark& m) {
        return std::tie(m.name, m.lat, m.lon, m.link, m.comment, m.is_goto, m.locked, m.icon,
                        m.color, m.inner_radius, m.alarm_radius, m.category, m.object_id,
                        m.created, m.modified);
    };
    EXPECT_TRUE(fields(a) == fields(b));

    // Names compare without case; places agree within 1.7e-5 degrees.
    b.name = "ANCHORAGE";
    b.lat += 1.6e-5;
    EXPECT_TRUE(a.sameData(b));
    b.lat += 0.2e-5;
    EXPECT_FALSE(a.sameData(b));
    a.ClearData();
    EXPECT_FALSE(a.HasPosition());
    EXPECT_EQ(a.alarm_radius + a.inner_radius, 0);
    EXPECT_TRUE(a.name.empty() && a.comment.empty() && a.link.empty() && a.category.empty());
    CBounds none;
    EXPECT_FALSE(a.getLonLatBounds(none));
}
