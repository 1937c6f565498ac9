// A mark's stored form and its data operations.
#include "overlays/overlaymark.h"

#include <gtest/gtest.h>

#include "maps/geometry.h"

using IOStream = CSerializable::IOStream;

namespace {

void fillSample(COverlayMark& m) {
    m.name = "Anchorage";
    m.lat = 56.123456789;
    m.lon = -5.987654321;
    m.link = "https://example.org/anchorage";
    m.comment = "sand, 6 m";
    m.is_goto = true;
    m.locked = true;
    m.icon = "Anchor";
    m.color = GraphicsColor(200, 100, 50, 255);
    m.inner_radius = 30;
    m.alarm_radius = 1000;
    m.category = "Sailing:Scotland";
    m.object_id = 0x1234;
    m.created = 1700000000;
    m.modified = 1700000500;
}

TEST(OverlayMark, StoredFormKeepsEveryField) {
    COverlayMark original;
    fillSample(original);
    IOStream out = IOStream::ForWriting();
    ASSERT_TRUE(original.Serialize(out));
    IOStream in = IOStream::ForReading(out.bytes());
    COverlayMark read;
    ASSERT_TRUE(read.Serialize(in));
    EXPECT_FALSE(in.skipped_data);
    EXPECT_EQ(in.position(), int64_t(out.bytes().size()));
    EXPECT_EQ(read.name, original.name);
    EXPECT_EQ(read.lat, original.lat);
    EXPECT_EQ(read.lon, original.lon);
    EXPECT_EQ(read.link, original.link);
    EXPECT_EQ(read.comment, original.comment);
    EXPECT_TRUE(read.is_goto);
    EXPECT_TRUE(read.locked);
    EXPECT_EQ(read.icon, "Anchor");
    EXPECT_EQ(read.color.ToHash(), original.color.ToHash());
    EXPECT_EQ(read.inner_radius, 30);
    EXPECT_EQ(read.alarm_radius, 1000);
    EXPECT_EQ(read.category, original.category);
    EXPECT_EQ(read.object_id, 0x1234u);
    EXPECT_EQ(read.created, original.created);
    EXPECT_EQ(read.modified, original.modified);
    EXPECT_EQ(read.GetTypeId(), 20u);
}

TEST(OverlayMark, ATruncatedSectionKeepsTheDefaultsOfTheMissingFields) {
    COverlayMark original;
    fillSample(original);
    IOStream out = IOStream::ForWriting();
    {
        // What an older writer stored: everything up to the icon.
        CSerializable::Section section(out);
        double created = original.created;
        out.declare(original.name);
        out.declare(original.lat);
        out.declare(original.lon);
        out.declare(created);
        out.declare(original.link);
        out.declare(original.comment);
        out.declare(original.is_goto);
        out.declare(original.locked);
        out.declare(original.icon);
    }
    IOStream in = IOStream::ForReading(out.bytes());
    COverlayMark read;
    ASSERT_TRUE(read.Serialize(in));
    EXPECT_EQ(read.icon, "Anchor");
    EXPECT_EQ(read.alarm_radius, 0);
    EXPECT_EQ(read.object_id, 0u);
    EXPECT_EQ(read.created, original.created);  // the earlier creation time wins
    EXPECT_TRUE(read.category.empty());
}

TEST(OverlayMark, ClearDataLeavesNoPositionRadiiOrTexts) {
    COverlayMark m;
    fillSample(m);
    CBounds bounds;
    ASSERT_TRUE(m.getLonLatBounds(bounds));
    EXPECT_NEAR(bounds.left, m.lon - 0.001, 1e-12);
    EXPECT_NEAR(bounds.top, m.lat + 0.001, 1e-12);
    m.ClearData();
    EXPECT_FALSE(m.HasPosition());
    EXPECT_EQ(m.lat, 999);
    EXPECT_EQ(m.alarm_radius, 0);
    EXPECT_EQ(m.inner_radius, 0);
    EXPECT_TRUE(m.name.empty() && m.comment.empty() && m.link.empty() && m.category.empty());
    CBounds none;
    EXPECT_FALSE(m.getLonLatBounds(none));
    EXPECT_TRUE(none.isEmpty());
}

TEST(OverlayMark, SameDataMeansTheSamePlaceAndTexts) {
    COverlayMark a, b;
    fillSample(a);
    fillSample(b);
    EXPECT_TRUE(a.sameData(b));
    b.lat += 1.6e-5;
    EXPECT_TRUE(a.sameData(b));
    b.lat += 0.2e-5;
    EXPECT_FALSE(a.sameData(b));
    b.lat = a.lat;
    b.name = "ANCHORAGE";  // names compare without case
    EXPECT_TRUE(a.sameData(b));
    b.comment = "rock";
    EXPECT_FALSE(a.sameData(b));
}

}  // namespace
