// Identity, categories, tombstones and the sync records of stored objects.
#include "overlays/syncable.h"

#include <gtest/gtest.h>

#include <cstring>
#include <set>

using IOStream = CSerializable::IOStream;
using Section = CSerializable::Section;

namespace {

constexpr uint32_t kTestTypeId = 0x5E11;
constexpr double kDay = 86400;

struct Item : CSyncable {
    int32_t depth = 0;
    bool Serialize(IOStream& s) override {
        Section section(s);
        s.declare(name);
        s.declare(comment);
        s.declare(depth);
        return SerializeSyncable(s) && section.Close();
    }
    uint32_t GetTypeId() const override { return kTestTypeId; }
};

std::vector<std::pair<Item*, int>> g_dispatched;
const CSyncableDispatcher itemDispatcher(kTestTypeId,
                                         [](CSyncable* o, COverlayObject::update_action a) {
                                             g_dispatched.emplace_back(static_cast<Item*>(o), a);
                                         });

std::unique_ptr<Item> item(const std::string& name, uint64_t id = 0) {
    auto o = std::make_unique<Item>();
    o->name = name;
    o->object_id = id;
    return o;
}

}  // namespace

TEST(SyncableIdentity, TextFormAndParsing) {
    EXPECT_EQ(CSyncable::ParseObjectID("see ovid:1A2b here"), 0x1A2Bu);
    EXPECT_EQ(CSyncable::ParseObjectID("ovid:ffffffffffffffff"), 0xFFFFFFFFFFFFFFFFull);
    EXPECT_EQ(CSyncable::ParseObjectID("1A2B"), 0u);
    EXPECT_EQ(CSyncable::ParseObjectID(""), 0u);

    Item o;
    EXPECT_EQ(o.object_id, 0u);
    const std::string text = o.GetObjectIDstr();  // assigns one
    EXPECT_NE(o.object_id, 0u);
    EXPECT_EQ(text.rfind("ovid:", 0), 0u);
    EXPECT_EQ(CSyncable::ParseObjectID(text), o.object_id);
    EXPECT_EQ(o.GetObjectID(), o.object_id);  // kept once assigned
    o.SetObjectID(0xABC);
    EXPECT_EQ(o.GetObjectIDstr(), "ovid:ABC");
}

TEST(SyncableIdentity, GeneratedIdsDifferAndCarryTheClock) {
    std::set<uint64_t> ids;
    for (int i = 0; i < 1000; ++i) ids.insert(CSyncable::GenerateUniqueID());
    EXPECT_EQ(ids.size(), 1000u);
    // The installation value sits in bits 32-63 and is the same for every id.
    const uint64_t a = CSyncable::GenerateUniqueID();
    const uint64_t b = CSyncable::GenerateUniqueID();
    EXPECT_EQ(a >> 48, b >> 48);
}

TEST(SyncableEditing, CategoryRenames) {
    Item o;
    o.category = "Walks:Lakes:North";
    o.changeCategoryPath("Hikes", "Walks:Lakes");
    EXPECT_EQ(o.category, "Hikes:North");

    o.category = "Walks:Lakes:North";
    o.changeCategoryPath("", "Walks:Lakes");
    EXPECT_EQ(o.category, "North");

    o.category = "Walks:Lakes:";
    o.changeCategoryPath("", "Walks:Lakes");
    EXPECT_EQ(o.category, "");

    o.category = "Rivers";
    o.modified = 0;
    o.changeCategoryPath("Hikes", "Walks");
    EXPECT_EQ(o.category, "Hikes");
    EXPECT_GT(o.modified, 0);
}

TEST(SyncableEditing, FlagsAndTheirModifiedTime) {
    Item o;
    o.modified = 100;
    o.setVisible(false);
    EXPECT_FALSE(o.visible);
    EXPECT_EQ(o.modified, 100);  // visibility is local, not a change
    o.setLocked(false);
    EXPECT_EQ(o.modified, 100);  // no change, no time
    o.setLocked(true);
    EXPECT_TRUE(o.locked);
    EXPECT_GT(o.modified, 100);

    // A never-uploaded object is deleted quietly; an uploaded one is a tombstone to send.
    Item local, uploaded;
    uploaded.object_id = 77;
    local.DeleteSyncItem();
    uploaded.DeleteSyncItem();
    EXPECT_TRUE(local.deleted && !local.visible && local.do_not_sync);
    EXPECT_TRUE(uploaded.deleted && !uploaded.do_not_sync);
    uploaded.setVisible(true);
    uploaded.setLocked(true);
    EXPECT_FALSE(uploaded.visible);
    EXPECT_FALSE(uploaded.locked);
    uploaded.UndeleteSyncItem();
    EXPECT_TRUE(uploaded.visible && !uploaded.deleted);

    EXPECT_TRUE(uploaded.NeedsSyncToCloud(uploaded.modified - 1));
    EXPECT_FALSE(uploaded.NeedsSyncToCloud(uploaded.modified));
    EXPECT_FALSE(local.NeedsSyncToCloud(0));
}

TEST(SyncableEditing, SearchAndSameData) {
    Item a, b;
    a.name = "Old Mill";
    a.comment = "Lunch stop";
    EXPECT_TRUE(a.matches_search("mill"));
    EXPECT_TRUE(a.matches_search("LUNCH"));
    EXPECT_FALSE(a.matches_search("harbour"));
    b.name = "old mill";
    b.comment = "LUNCH STOP";
    EXPECT_TRUE(a.sameSyncableData(b));
    b.category = "Food";
    EXPECT_FALSE(a.sameSyncableData(b));
    b.category.clear();
    b.deleted = true;
    EXPECT_FALSE(a.sameSyncableData(b));
}

TEST(SyncableTombstones, PurgedAfterFourteenDaysOrWhenNotSynced) {
    const double now = CHeartbeat::Timestamp();
    std::vector<std::unique_ptr<Item>> list;
    auto add = [&](const char* name, bool deleted, bool doNotSync, double age) {
        list.push_back(item(name, 1));
        list.back()->deleted = deleted;
        list.back()->do_not_sync = doNotSync;
        list.back()->modified = now - age;
    };
    add("alive and old", false, false, 400 * kDay);
    add("deleted 13 days ago", true, false, 13 * kDay);
    add("deleted 15 days ago", true, false, 15 * kDay);
    add("deleted, never synced", true, true, 60);
    PurgeSyncableList(list, 0);  // before a save
    std::vector<std::string> left;
    for (auto& o : list) left.push_back(o->name);
    EXPECT_EQ(left, (std::vector<std::string>{"alive and old", "deleted 13 days ago"}));

    // After a sync the tombstone has been told and goes.
    PurgeSyncableList(list, now);
    EXPECT_EQ(list.size(), 1u);
}

TEST(SyncableSection, LayoutAndReadRules) {
    Item o;
    o.object_id = 0x0102030405060708ull;
    o.do_not_sync = true;
    o.modified = 1000.5;
    o.deleted = true;
    o.created = 2000.25;  // later than modified
    o.visible = true;
    o.locked = true;
    IOStream w = IOStream::ForWriting();
    ASSERT_TRUE(o.SerializeSyncable(w));
    const std::string& b = w.bytes();
    ASSERT_EQ(b.size(), 5u + 28);
    const char* c = b.data() + 5;
    uint64_t id;
    double modified, created;
    std::memcpy(&id, c + 0, 8);
    std::memcpy(&modified, c + 9, 8);
    std::memcpy(&created, c + 18, 8);
    EXPECT_EQ(id, o.object_id);
    EXPECT_EQ(c[8], 1);
    EXPECT_EQ(modified, 1000.5);
    EXPECT_EQ(c[17], 1);
    EXPECT_EQ(created, 2000.25);
    EXPECT_EQ(c[26], 1);
    EXPECT_EQ(c[27], 1);

    Item back;
    IOStream r = IOStream::ForReading(b);
    ASSERT_TRUE(back.SerializeSyncable(r));
    EXPECT_EQ(back.object_id, o.object_id);
    EXPECT_EQ(back.created, 1000.5);  // never later than modified
    EXPECT_FALSE(back.visible);       // a tombstone is not shown
    EXPECT_TRUE(back.locked);

    // A section missing the last field reads, but does not count as complete.
    std::string shorter = b.substr(0, b.size() - 1);
    const uint32_t length = uint32_t(shorter.size());
    std::memcpy(shorter.data() + 1, &length, 4);
    Item partial;
    IOStream r2 = IOStream::ForReading(shorter);
    EXPECT_FALSE(partial.SerializeSyncable(r2));
    EXPECT_TRUE(r2.ok());
}

TEST(SyncRecords, MergeKnownUnknownAndLocalOnly) {
    const double syncTime = CHeartbeat::Timestamp();
    std::vector<std::unique_ptr<Item>> remote;
    remote.push_back(item("changed remotely", 11));
    remote.push_back(item("new remotely", 12));
    remote.push_back(item("local wins", 13));
    remote.push_back(item("stale", 14));
    remote[3]->modified = syncTime - 100;
    remote[1]->depth = 42;
    IOStream w = IOStream::ForWriting();
    SyncCounts counts;
    ASSERT_TRUE(WriteSyncList(w, remote, syncTime - 50, syncTime, &counts));
    EXPECT_EQ(counts.sent, 3);  // "stale" was not changed since the last sync
    for (auto& o : remote) EXPECT_NE(o->modified, syncTime - 0.1);  // restored

    std::vector<std::unique_ptr<Item>> local;
    local.push_back(item("before", 11));
    local.push_back(item("mine", 13));
    local[1]->do_not_sync = true;
    g_dispatched.clear();
    IOStream r = IOStream::ForReading(w.bytes());
    ASSERT_TRUE(ReadSyncT(r, local, syncTime));
    ASSERT_EQ(local.size(), 3u);
    EXPECT_EQ(local[0]->name, "changed remotely");
    EXPECT_EQ(local[0]->modified, syncTime - 0.1);
    EXPECT_EQ(local[1]->name, "mine");
    EXPECT_EQ(local[2]->name, "new remotely");
    EXPECT_EQ(local[2]->object_id, 12u);
    EXPECT_EQ(local[2]->depth, 42);
    ASSERT_EQ(g_dispatched.size(), 2u);
    EXPECT_EQ(g_dispatched[1].first, local[2].get());
    EXPECT_EQ(g_dispatched[1].second, COverlayObject::kChanged);
}

TEST(SyncRecords, DeletionsTravelAndDamageIsRefused) {
    const double syncTime = CHeartbeat::Timestamp();
    std::vector<std::unique_ptr<Item>> remote;
    remote.push_back(item("gone", 21));
    remote[0]->DeleteSyncItem();
    IOStream w = IOStream::ForWriting();
    SyncCounts counts;
    ASSERT_TRUE(WriteSyncList(w, remote, 0, syncTime, &counts));
    EXPECT_EQ(counts.deletions_sent, 1);

    // The received tombstone is applied, then purged: it has been synced.
    std::vector<std::unique_ptr<Item>> local;
    local.push_back(item("gone", 21));
    IOStream r = IOStream::ForReading(w.bytes());
    ASSERT_TRUE(ReadSyncT(r, local, syncTime));
    EXPECT_TRUE(local.empty());

    // Identity 0, and counts larger than the bytes could hold, are refused.
    std::string zeroId = w.bytes();
    std::memset(zeroId.data() + 4, 0, 8);
    IOStream r2 = IOStream::ForReading(zeroId);
    EXPECT_FALSE(ReadSyncT(r2, local, syncTime));
    for (uint32_t count : {2u, 999999u, 1000001u}) {
        std::string bytes = w.bytes();
        std::memcpy(bytes.data(), &count, 4);
        IOStream r3 = IOStream::ForReading(bytes);
        EXPECT_FALSE(ReadSyncT(r3, local, syncTime)) << count;
        EXPECT_TRUE(local.empty());
    }
}
