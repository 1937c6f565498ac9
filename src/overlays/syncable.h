// The stored base of marks, routes and tracks: identity across devices,
// names, category, visibility, lock, and the state the cloud sync needs.
//
// Times (modified, created) are heartbeat seconds since 1970 UTC
// (CHeartbeat::Timestamp). A deleted object stays as an invisible tombstone
// until it has been synchronised or is 14 days old, so that other devices
// learn of the deletion.
#pragma once

#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "app/base/heartbeat.h"
#include "overlays/overlayobject.h"
#include "overlays/serializable.h"

class CBounds;
class CSimpleGrid;

class CSyncable : public CSerializable {
public:
    static constexpr double kTombstoneSeconds = 1209600;  // 14 days

    CSyncable();

    virtual bool SyncObject(IOStream& stream, double since) {
        (void)since;
        return Serialize(stream);
    }
    virtual bool getLonLatBounds(CBounds&) const { return false; }
    virtual std::string getSubText(const CSimpleGrid&) const { return {}; }
    virtual void WriteGPX(FILE* file) const;
    // This object alone as a GPX document; true when no write failed.
    bool WriteGPXFile(const std::string& path) const;

    uint64_t GetObjectID();        // assigns one on first use
    std::string GetObjectIDstr();  // "ovid:%llX"
    void SetObjectID(uint64_t id) { object_id = id; }
    // The hexadecimal after "ovid:" anywhere in text; 0 when absent.
    static uint64_t ParseObjectID(const std::string& text);
    // Epoch milliseconds mixed with random bits and the installation's value.
    static uint64_t GenerateUniqueID();

    void SetModifiedNow();
    void setVisible(bool v);
    void setLocked(bool v);
    void setDoNotSync(bool v);
    void setCategory(const std::string& path);
    // A category renamed or moved: oldPrefix becomes newPrefix.
    void changeCategoryPath(const std::string& newPrefix, const std::string& oldPrefix);

    void DeleteSyncItem();
    void UndeleteSyncItem();
    bool NeedsSyncToCloud(double since) const { return !do_not_sync && modified > since; }
    // A tombstone that has nothing left to tell the cloud, or is too old.
    bool IsPurgeable(double since, double now) const;
    bool matches_search(const std::string& text) const;
    bool sameSyncableData(const CSyncable& other) const;

    // One section: object_id u64, do_not_sync u8, modified f64, deleted u8,
    // created f64, visible u8, locked u8. True only when all seven transferred.
    bool SerializeSyncable(IOStream& stream);
    // The sync section where it is optional: written when `write`, read when
    // the next field is a section (files of waypoints carry none).
    bool SerializeSyncableIfPresent(IOStream& stream, bool write = true);

    double modified;
    double created;
    std::string name;
    std::string comment;
    std::string category;  // components separated by ':'
    bool visible = true;
    bool locked = false;
    bool do_not_sync = false;
    uint64_t object_id = 0;  // 0: not yet assigned
    bool deleted = false;
};

// Routes a dispatch to the mark, route or track behind a syncable. Each of
// those types registers how with a static CSyncableDispatcher.
void DispatchSyncable(CSyncable* object, COverlayObject::update_action action);

class CSyncableDispatcher {
public:
    using Function = void (*)(CSyncable*, COverlayObject::update_action);
    CSyncableDispatcher(uint32_t typeId, Function function);

private:
    friend void DispatchSyncable(CSyncable*, COverlayObject::update_action);
    uint32_t m_typeId;
    Function m_function;
    CSyncableDispatcher* m_next;
};

// Drops the tombstones that no longer need to stay (see IsPurgeable).
template <class T>
void PurgeSyncableList(std::vector<std::unique_ptr<T>>& list, double since) {
    const double now = CHeartbeat::Timestamp();
    std::erase_if(list, [&](const std::unique_ptr<T>& o) { return o->IsPurgeable(since, now); });
}

struct SyncCounts {
    int sent = 0;
    int deletions_sent = 0;
};

// Sync record list: uint32 count, then per object uint64 object_id and its
// SyncObject. Writes the objects changed after `since`; while written, an
// object's modified time reads as syncTime - 0.1 s.
bool WriteSyncList(CSerializable::IOStream& stream, const std::vector<CSyncable*>& objects,
                   double since, double syncTime, SyncCounts* counts = nullptr);

template <class T>
bool WriteSyncList(CSerializable::IOStream& stream, std::vector<std::unique_ptr<T>>& list,
                   double since, double syncTime, SyncCounts* counts = nullptr) {
    std::vector<CSyncable*> objects;
    objects.reserve(list.size());
    for (auto& o : list) objects.push_back(o.get());
    return WriteSyncList(stream, objects, since, syncTime, counts);
}

// Reads the count of a sync record list; refused above 1,000,000 or above
// what the bytes left can hold.
bool ReadSyncCount(CSerializable::IOStream& stream, uint32_t& count);

// Merges received records into list: a known identity is read over the
// local object (into a throw-away copy when the local one is not synced), an
// unknown one is appended. Then the tombstones are purged as of syncTime.
template <class T>
bool ReadSyncT(CSerializable::IOStream& stream, std::vector<std::unique_ptr<T>>& list,
               double syncTime) {
    uint32_t count = 0;
    if (!ReadSyncCount(stream, count)) return false;
    std::unordered_map<uint64_t, T*> byId;
    for (auto& o : list)
        if (o->object_id != 0) byId.emplace(o->object_id, o.get());
    bool ok = true;
    for (uint32_t i = 0; i < count && ok; ++i) {
        uint64_t id = 0;
        if (!stream.declare(id) || id == 0) {
            ok = false;
            break;
        }
        auto found = byId.find(id);
        if (found != byId.end() && found->second->do_not_sync) {
            T ignored;
            ok = ignored.SyncObject(stream, syncTime);
        } else if (found != byId.end()) {
            ok = found->second->SyncObject(stream, syncTime);
            // The record's identity is the object's, whatever its body says,
            // so that no two objects of the list share one.
            found->second->SetObjectID(id);
            if (ok) DispatchSyncable(found->second, COverlayObject::kChanged);
        } else {
            auto fresh = std::make_unique<T>();
            ok = fresh->SyncObject(stream, syncTime);
            fresh->SetObjectID(id);
            if (ok) {
                byId.emplace(id, fresh.get());
                list.push_back(std::move(fresh));
                DispatchSyncable(list.back().get(), COverlayObject::kChanged);
            }
        }
        ok = ok && stream.ok();
    }
    PurgeSyncableList(list, syncTime);
    return ok;
}
