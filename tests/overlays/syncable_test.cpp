// Identity, categories, tombstones and the sync records of stored objects (marks),
// a mark's stored form, and ovtool's dump of a file holding them.
#include "overlays/syncable.h"

#include <gtest/gtest.h>

#include <QJsonDocument>
#include <QJsonObject>
#include <cstring>
#include <set>
#include <tuple>

#include "overlays/overlaymark.h"
#include "support/testsupport.h"

using IOStream = CSerializable::IOStream;
using Section = CSerializable::Section;

namespace {

using Marks = std::vector<std::unique_ptr<COverlayMark>>;

// The objects announced as changed.
struct Changed : Listener<COverlayObject> {
    void OnUpdate(COverlayObject& o) override {
        if (o.last_action == COverlayObject::kChanged) objects.push_back(&o);
    }
    std::vector<COverlayObject*> objects;
};

Marks marks(std::initializer_list<std::pair<const char*, uint64_t>> namesAndIds) {
    Marks list;
    for (const auto& [name, id] : namesAndIds) {
        list.push_back(std::make_unique<COverlayMark>());
        list.back()->name = name;
        list.back()->object_id = id;
    }
    return list;
}

std::vector<std::string> names(const Marks& list) {
    std::vector<std::string> out;
    for (auto& o : list) out.push_back(o->name);
    return out;
}

}  // namespace

TEST(Syncable, IdentityCategoriesAndEditingRules) {
    EXPECT_EQ(CSyncable::ParseObjectID("see ovid:1A2b here"), 0x1A2Bu);
    EXPECT_EQ(CSyncable::ParseObjectID("1A2B"), 0u);
    COverlayMark o;
    EXPECT_EQ(CSyncable::ParseObjectID(o.GetObjectIDstr()), o.object_id);  // assigned on use
    std::set<uint64_t> ids;
    for (int i = 0; i < 1000; ++i) ids.insert(CSyncable::GenerateUniqueID());
    EXPECT_EQ(ids.size(), 1000u);

    const char* renames[][4] = {{"Walks:Lakes:North", "Hikes", "Walks:Lakes", "Hikes:North"},
                                {"Walks:Lakes:North", "", "Walks:Lakes", "North"},
                                {"Walks:Lakes:", "", "Walks:Lakes", ""},
                                {"Rivers", "Hikes", "Walks", "Hikes"}};
    for (const auto& r : renames) {
        o.category = r[0];
        o.changeCategoryPath(r[1], r[2]);
        EXPECT_EQ(o.category, r[3]) << r[0] << " -> " << r[1];
    }

    // A never-uploaded object is deleted quietly; an uploaded one is a
    // tombstone to send, which can't be edited until undeleted.
    COverlayMark local, uploaded;
    uploaded.object_id = 77;
    local.DeleteSyncItem();
    uploaded.DeleteSyncItem();
    EXPECT_FALSE(local.NeedsSyncToCloud(0));
    EXPECT_TRUE(uploaded.NeedsSyncToCloud(uploaded.modified - 1));
    uploaded.setVisible(true);
    uploaded.setLocked(true);
    EXPECT_FALSE(uploaded.visible || uploaded.locked);
    uploaded.UndeleteSyncItem();
    uploaded.modified = 100;
    uploaded.setVisible(false);  // visibility is local, not a change
    EXPECT_EQ(uploaded.modified, 100);
    uploaded.setLocked(true);
    EXPECT_GT(uploaded.modified, 100);
}

TEST(Syncable, TombstonesArePurgedAfterFourteenDaysOrWhenNotSynced) {
    const double now = CHeartbeat::Timestamp(), day = 86400;
    Marks list = marks({{"alive and old", 1},
                        {"deleted 13 days ago", 2},
                        {"deleted 15 days ago", 3},
                        {"deleted, never synced", 4}});
    const double ages[] = {400 * day, 13 * day, 15 * day, 60};
    for (size_t i = 0; i < list.size(); ++i) {
        list[i]->deleted = i > 0;
        list[i]->do_not_sync = i == 3;
        list[i]->modified = now - ages[i];
    }
    PurgeSyncableList(list, 0);  // before a save
    EXPECT_EQ(names(list), (std::vector<std::string>{"alive and old", "deleted 13 days ago"}));
    PurgeSyncableList(list, now);  // after a sync the tombstone has been told
    EXPECT_EQ(names(list), (std::vector<std::string>{"alive and old"}));
}

TEST(Syncable, SyncSectionReadRules) {
    COverlayMark o;
    o.deleted = o.visible = true;
    o.modified = 1000.5;
    o.created = 2000.25;  // later than modified
    IOStream w = IOStream::ForWriting();
    ASSERT_TRUE(o.SerializeSyncable(w));
    ASSERT_EQ(w.bytes().size(), 5u + 28);
    COverlayMark back;
    IOStream r = IOStream::ForReading(w.bytes());
    ASSERT_TRUE(back.SerializeSyncable(r));
    // Never created later than modified; a tombstone is not shown.
    EXPECT_EQ(std::pair(back.created, back.visible), std::pair(1000.5, false));

    // A section missing the last field reads, but does not count as complete.
    std::string shorter = w.bytes().substr(0, 32);
    shorter[1] = 32;
    IOStream r2 = IOStream::ForReading(shorter);
    EXPECT_TRUE(!back.SerializeSyncable(r2) && r2.ok());
}

TEST(SyncRecords, MergeKnownUnknownLocalOnlyAndDeleted) {
    const double syncTime = CHeartbeat::Timestamp();
    Marks remote = marks({{"changed remotely", 11},
                          {"new remotely", 12},
                          {"local wins", 13},
                          {"stale", 14},
                          {"gone", 15}});
    remote[3]->modified = syncTime - 100;
    remote[4]->DeleteSyncItem();
    IOStream w = IOStream::ForWriting();
    SyncCounts counts;
    ASSERT_TRUE(WriteSyncList(w, remote, syncTime - 50, syncTime, &counts));
    // "stale" was not changed since the last sync.
    EXPECT_EQ(std::pair(counts.sent, counts.deletions_sent), std::pair(3, 1));
    for (auto& o : remote) EXPECT_NE(o->modified, syncTime - 0.1);  // restored

    Marks local = marks({{"before", 11}, {"mine", 13}, {"gone", 15}});
    local[1]->do_not_sync = true;
    Changed changed;
    IOStream r = IOStream::ForReading(w.bytes());
    ASSERT_TRUE(ReadSyncT(r, local, syncTime));
    // The received tombstone is applied, then purged: it has been synced.
    EXPECT_EQ(names(local), (std::vector<std::string>{"changed remotely", "mine", "new remotely"}));
    EXPECT_EQ(std::pair(local[0]->modified, local[2]->object_id), std::pair(syncTime - 0.1, 12ul));
    ASSERT_EQ(changed.objects.size(), 3u);  // the tombstone too, before it went
    EXPECT_TRUE(changed.objects[0] == local[0].get() && changed.objects[1] == local[2].get());

    // The record's identity wins over the one its body carries.
    std::string relabelled = w.bytes();
    relabelled[4] = 21;
    Marks fresh;
    IOStream rr = IOStream::ForReading(relabelled);
    ASSERT_TRUE(ReadSyncT(rr, fresh, syncTime));
    EXPECT_EQ(fresh[0]->object_id, 21u);

    // Identity 0, and counts larger than the bytes could hold, are refused.
    const std::pair<size_t, uint32_t> damage[] = {{4, 0}, {0, 5}, {0, 999999}, {0, 1000001}};
    for (const auto& [at, value] : damage) {
        std::string bytes = w.bytes();
        std::memcpy(bytes.data() + at, &value, 4);
        IOStream bad = IOStream::ForReading(bytes);
        Marks none;
        EXPECT_FALSE(ReadSyncT(bad, none, syncTime)) << at << " " << value;
    }
}

TEST(OverlayMark, StoredFormKeepsEveryField) {
    COverlayMark a, b;
    const auto fields = [](COverlayMark& m) {
        return std::tie(m.name, m.lat, m.lon, m.link, m.comment, m.is_goto, m.locked, m.icon,
                        m.color, m.inner_radius, m.alarm_radius, m.category, m.object_id, m.created,
                        m.modified);
    };
    fields(a) = std::tuple("Anchorage", 56.123456789, -5.987654321, "https://example.org/a",
                           "sand, 6 m", true, true, "Anchor", GraphicsColor(200, 100, 50, 255), 30,
                           1000, "Sailing:Scotland", 0x1234, 1700000000, 1700000500);
    IOStream out = IOStream::ForWriting();
    ASSERT_TRUE(a.Serialize(out));
    IOStream in = IOStream::ForReading(out.bytes());
    ASSERT_TRUE(b.Serialize(in));
    EXPECT_TRUE(in.atEnd() && !in.skipped_data);
    EXPECT_TRUE(fields(a) == fields(b));

    // Names compare without case; places agree within 1.7e-5 degrees.
    b.name = "ANCHORAGE";
    b.lat += 1.6e-5;
    EXPECT_TRUE(a.sameData(b));
    b.lat += 0.2e-5;
    EXPECT_FALSE(a.sameData(b));
    a.ClearData();
    EXPECT_FALSE(a.HasPosition() || a.alarm_radius || a.inner_radius);
    EXPECT_TRUE(a.name.empty() && a.comment.empty() && a.link.empty() && a.category.empty());
}

TEST(OvtfCommand, DumpDescribesSectionsRecordsAndSyncFields) {
    struct File : CSerializable {
        bool Serialize(IOStream& s) override {
            Section section(s);
            Marks list = marks({{"Harbour entrance", 0x1A2B}});
            list[0]->locked = true;
            return CSerializableDeclareStatic<COverlayMark>(list).Serialize(s) &&
                   WritePolymorphic(s, marks({{"in a record", 1}})[0].get()) && section.Close();
        }
    } file;
    testsupport::TempDir dir;
    ASSERT_TRUE(file.WriteFile(dir.file("marks.ovtf").toStdString(), 0xCA2EAF82));
    const auto result = testsupport::runOvtool({"ovtf", "dump", dir.file("marks.ovtf")});
    ASSERT_EQ(result.exitCode, 0) << result.err.constData();
    EXPECT_EQ(QJsonDocument::fromJson(result.out).object()["file"].toString(), "marks.ovtf");
    for (const char* expected :
         {"\"Harbour entrance\"", "\"ovid:1A2B\"", "\"locked\": true", "\"in a record\""})
        EXPECT_TRUE(result.out.contains(expected)) << expected << "\n" << result.out.constData();
    testsupport::writeFile(dir.file("other.bin"), "not a container at all");
    EXPECT_EQ(testsupport::runOvtool({"ovtf", "dump", dir.file("other.bin")}).exitCode, 1);
}
