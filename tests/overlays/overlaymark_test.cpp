// A mark's stored form and its data operations.
#include "overlays/overlaymark.h"

#include <gtest/gtest.h>

#include <tuple>

using IOStream = CSerializable::IOStream;

namespace {

void fillSample(COverlayMark& m) {
    m.name = "Anchorage";
    m.lat = 56.123456789;
    m.lon = -5.987654321;
    m.link = "https://example.org/anchorage";
    m.comment = "sand, 6 m";
    m.is_goto = m.locked = true;
    m.icon = "Anchor";
    m.color = GraphicsColor(200, 100, 50, 255);
    m.inner_radius = 30;
    m.alarm_radius = 1000;
    m.category = "Sailing:Scotland";
    m.object_id = 0x1234;
    m.created = 1700000000;
    m.modified = 1700000500;
}

}  // namespace

TEST(OverlayMark, StoredFormKeepsEveryFieldAndOlderFormsKeepDefaults) {
    COverlayMark original;
    fillSample(original);
    IOStream out = IOStream::ForWriting();
    ASSERT_TRUE(original.Serialize(out));
    IOStream in = IOStream::ForReading(out.bytes());
    COverlayMark read;
    ASSERT_TRUE(read.Serialize(in));
    EXPECT_FALSE(in.skipped_data);
    EXPECT_TRUE(in.atEnd());
    EXPECT_EQ(
        std::tie(read.name, read.lat, read.lon, read.link, read.comment, read.icon, read.category,
                 read.inner_radius, read.alarm_radius),
        std::tie(original.name, original.lat, original.lon, original.link, original.comment,
                 original.icon, original.category, original.inner_radius, original.alarm_radius));
    EXPECT_TRUE(read.is_goto && read.locked);
    EXPECT_EQ(read.color, original.color);
    EXPECT_EQ(read.object_id, 0x1234u);
    EXPECT_EQ(read.created, original.created);
    EXPECT_EQ(read.modified, original.modified);

    // What an older writer stored: everything up to the icon.
    IOStream older = IOStream::ForWriting();
    {
        CSerializable::Section section(older);
        double created = original.created;
        older.declare(original.name);
        older.declare(original.lat);
        older.declare(original.lon);
        older.declare(created);
        older.declare(original.link);
        older.declare(original.comment);
        older.declare(original.is_goto);
        older.declare(original.locked);
        older.declare(original.icon);
    }
    IOStream olderIn = IOStream::ForReading(older.bytes());
    COverlayMark fromOlder;
    ASSERT_TRUE(fromOlder.Serialize(olderIn));
    EXPECT_EQ(fromOlder.icon, "Anchor");
    EXPECT_EQ(fromOlder.alarm_radius, 0);
    EXPECT_EQ(fromOlder.object_id, 0u);
    EXPECT_EQ(fromOlder.created, original.created);  // the earlier creation time wins
}

TEST(OverlayMark, ClearDataAndSameData) {
    COverlayMark a, b;
    fillSample(a);
    fillSample(b);
    b.name = "ANCHORAGE";  // names compare without case
    b.lat += 1.6e-5;
    EXPECT_TRUE(a.sameData(b));
    b.lat += 0.2e-5;
    EXPECT_FALSE(a.sameData(b));

    CBounds bounds;
    ASSERT_TRUE(a.getLonLatBounds(bounds));
    EXPECT_NEAR(bounds.top, a.lat + 0.001, 1e-12);
    a.ClearData();
    EXPECT_FALSE(a.HasPosition());
    EXPECT_EQ(a.alarm_radius + a.inner_radius, 0);
    EXPECT_TRUE(a.name.empty() && a.comment.empty() && a.link.empty() && a.category.empty());
    CBounds none;
    EXPECT_FALSE(a.getLonLatBounds(none));
}
