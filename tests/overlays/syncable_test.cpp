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
        s.declare(depth);
        return SerializeSyncable(s) && section.Close();
    }
    uint32_t GetTypeId() const override { return kTestTypeId; }
};

std::vector<Item*> g_dispatched;
const CSyncableDispatcher itemDispatcher(kTestTypeId,
                                         [](CSyncable* o, COverlayObject::update_action a) {
                                             if (a == COverlayObject::kChanged)
                                                 g_dispatched.push_back(static_cast<Item*>(o));
                                         });

std::unique_ptr<Item> item(const std::string& name, uint64_t id) {
    auto o = std::make_unique<Item>();
    o->name = name;
    o->object_id = id;
    return o;
}

std::vector<std::string> names(const std::vector<std::unique_ptr<Item>>& list) {
    std::vector<std::string> out;
    for (auto& o : list) out.push_back(o->name);
    return out;
}

}  // namespace

TEST(SyncableIdentity, ParsedFromTextAndGeneratedUnique) {
    const struct {
        const char* text;
        uint64_t id;
    } cases[] = {{"see ovid:1A2b here", 0x1A2B}, {"ovid:ffffffffffffffff", ~0ull}, {"1A2B", 0}};
    for (const auto& c : cases) EXPECT_EQ(CSyncable::ParseObjectID(c.text), c.id) << c.text;
    Item o;
    const std::string text = o.GetObjectIDstr();  // assigns one
    EXPECT_NE(o.object_id, 0u);
    EXPECT_EQ(CSyncable::ParseObjectID(text), o.object_id);
    o.SetObjectID(0xABC);
    EXPECT_EQ(o.GetObjectIDstr(), "ovid:ABC");
    std::set<uint64_t> ids;
    for (int i = 0; i < 1000; ++i) ids.insert(CSyncable::GenerateUniqueID());
    EXPECT_EQ(ids.size(), 1000u);
}

TEST(SyncableEditing, CategoryRenames) {
    const struct {
        const char *category, *newPrefix, *oldPrefix, *result;
    } cases[] = {
        {"Walks:Lakes:North", "Hikes", "Walks:Lakes", "Hikes:North"},
        {"Walks:Lakes:North", "", "Walks:Lakes", "North"},
        {"Walks:Lakes:", "", "Walks:Lakes", ""},
        {"Rivers", "Hikes", "Walks", "Hikes"},
    };
    for (const auto& c : cases) {
        Item o;
        o.category = c.category;
        o.modified = 0;
        o.changeCategoryPath(c.newPrefix, c.oldPrefix);
        EXPECT_EQ(o.category, c.result) << c.category << " -> " << c.newPrefix;
        EXPECT_GT(o.modified, 0);
    }
}

TEST(SyncableEditing, FlagsDeletionSearchAndSameData) {
    Item o;
    o.modified = 100;
    o.setVisible(false);
    o.setLocked(false);
    EXPECT_EQ(o.modified, 100);  // visibility is local, and no change is no change
    o.setLocked(true);
    EXPECT_GT(o.modified, 100);

    // A never-uploaded object is deleted quietly; an uploaded one is a tombstone to send.
    Item local, uploaded;
    uploaded.object_id = 77;
    local.DeleteSyncItem();
    uploaded.DeleteSyncItem();
    EXPECT_TRUE(local.deleted && !local.visible && local.do_not_sync);
    EXPECT_FALSE(local.NeedsSyncToCloud(0));
    EXPECT_TRUE(uploaded.deleted && !uploaded.do_not_sync);
    EXPECT_TRUE(uploaded.NeedsSyncToCloud(uploaded.modified - 1));
    uploaded.setVisible(true);
    uploaded.setLocked(true);
    EXPECT_FALSE(uploaded.visible || uploaded.locked);  // a tombstone can't be edited
    uploaded.UndeleteSyncItem();
    EXPECT_TRUE(uploaded.visible && !uploaded.deleted);

    Item a, b;
    a.name = "Old Mill";
    a.comment = "Lunch stop";
    b.name = "old mill";
    b.comment = "LUNCH STOP";
    EXPECT_TRUE(a.matches_search("mill") && a.matches_search("LUNCH"));
    EXPECT_FALSE(a.matches_search("harbour"));
    EXPECT_TRUE(a.sameSyncableData(b));
    b.category = "Food";
    EXPECT_FALSE(a.sameSyncableData(b));
}

TEST(SyncableTombstones, PurgedAfterFourteenDaysOrWhenNotSynced) {
    const double now = CHeartbeat::Timestamp();
    const struct {
        const char* name;
        bool deleted, doNotSync;
        double age;
    } cases[] = {{"alive and old", false, false, 400 * kDay},
                 {"deleted 13 days ago", true, false, 13 * kDay},
                 {"deleted 15 days ago", true, false, 15 * kDay},
                 {"deleted, never synced", true, true, 60}};
    std::vector<std::unique_ptr<Item>> list;
    for (const auto& c : cases) {
        list.push_back(item(c.name, 1));
        list.back()->deleted = c.deleted;
        list.back()->do_not_sync = c.doNotSync;
        list.back()->modified = now - c.age;
    }
    PurgeSyncableList(list, 0);  // before a save
    EXPECT_EQ(names(list), (std::vector<std::string>{"alive and old", "deleted 13 days ago"}));
    PurgeSyncableList(list, now);  // after a sync the tombstone has been told
    EXPECT_EQ(names(list), (std::vector<std::string>{"alive and old"}));
}

TEST(SyncableSection, LayoutAndReadRules) {
    Item o;
    o.object_id = 0x0102030405060708ull;
    o.do_not_sync = o.deleted = o.visible = o.locked = true;
    o.modified = 1000.5;
    o.created = 2000.25;  // later than modified
    IOStream w = IOStream::ForWriting();
    ASSERT_TRUE(o.SerializeSyncable(w));
    const std::string& b = w.bytes();
    ASSERT_EQ(b.size(), 5u + 28);
    uint64_t id;
    double modified, created;
    std::memcpy(&id, b.data() + 5, 8);
    std::memcpy(&modified, b.data() + 5 + 9, 8);
    std::memcpy(&created, b.data() + 5 + 18, 8);
    EXPECT_EQ(id, o.object_id);
    EXPECT_EQ(modified, 1000.5);
    EXPECT_EQ(created, 2000.25);
    for (int flag : {8, 17, 26, 27}) EXPECT_EQ(b[size_t(5 + flag)], 1) << "offset " << flag;

    Item back;
    IOStream r = IOStream::ForReading(b);
    ASSERT_TRUE(back.SerializeSyncable(r));
    EXPECT_EQ(back.object_id, o.object_id);
    EXPECT_EQ(back.created, 1000.5);  // never later than modified
    EXPECT_FALSE(back.visible);       // a tombstone is not shown

    // A section missing the last field reads, but does not count as complete.
    std::string shorter = b.substr(0, b.size() - 1);
    shorter[1] = char(shorter.size());
    IOStream r2 = IOStream::ForReading(shorter);
    EXPECT_FALSE(back.SerializeSyncable(r2));
    EXPECT_TRUE(r2.ok());
}

TEST(SyncRecords, MergeKnownUnknownAndLocalOnly) {
    const double syncTime = CHeartbeat::Timestamp();
    std::vector<std::unique_ptr<Item>> remote;
    const std::pair<const char*, uint64_t> sent[] = {
        {"changed remotely", 11}, {"new remotely", 12}, {"local wins", 13}, {"stale", 14}};
    for (const auto& [name, id] : sent) remote.push_back(item(name, id));
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
    EXPECT_EQ(names(local), (std::vector<std::string>{"changed remotely", "mine", "new remotely"}));
    EXPECT_EQ(local[0]->modified, syncTime - 0.1);
    EXPECT_EQ(local[2]->object_id, 12u);
    EXPECT_EQ(local[2]->depth, 42);
    EXPECT_EQ(g_dispatched, (std::vector<Item*>{local[0].get(), local[2].get()}));
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
    const auto le32 = [](uint32_t v) { return std::string(reinterpret_cast<char*>(&v), 4); };
    const struct {
        const char* what;
        size_t at;
        std::string bytes;
    } cases[] = {{"identity 0", 4, std::string(8, '\0')},
                 {"count 2", 0, le32(2)},
                 {"count 999,999", 0, le32(999999)},
                 {"count above 1,000,000", 0, le32(1000001)}};
    for (const auto& c : cases) {
        std::string bytes = w.bytes();
        bytes.replace(c.at, c.bytes.size(), c.bytes);
        IOStream bad = IOStream::ForReading(bytes);
        EXPECT_FALSE(ReadSyncT(bad, local, syncTime)) << c.what;
        EXPECT_TRUE(local.empty()) << c.what;
    }
}
