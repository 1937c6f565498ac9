#include "overlays/syncable.h"

#include <QRandomGenerator>
#include <QSysInfo>
#include <cinttypes>
#include <cstring>

#include "app/base/directories.h"
#include "app/base/stringutils.h"
#include "app/base/timeutils.h"

namespace {

constexpr char kIdPrefix[] = "ovid:";

CSyncableDispatcher* g_firstDispatcher = nullptr;

uint32_t fnv1a(const QByteArray& bytes, uint32_t hash = 2166136261u) {
    for (char c : bytes) {
        hash ^= uint8_t(c);
        hash *= 16777619u;
    }
    return hash;
}

// Stable for one installation: the machine and the data folder it uses.
uint32_t installationValue() {
    static const uint32_t value = [] {
        uint32_t h = fnv1a(QSysInfo::machineUniqueId());
        h = fnv1a(QByteArray::fromStdString(getAppDirectory()), h);
        return h;
    }();
    return value;
}

}  // namespace

CSyncable::CSyncable() : modified(CHeartbeat::Timestamp()), created(modified) {}

void CSyncable::WriteGPX(FILE* file) const {
    std::fputs("<!-- Don't know how to write object -->\n", file);
}

uint64_t CSyncable::GenerateUniqueID() {
    for (;;) {
        const uint64_t millis = uint64_t(GetTimeNow() * 1000.0);
        const uint64_t random =
            (uint64_t(QRandomGenerator::global()->generate()) << 16) & 0x0000FFFFFFFF0000ull;
        const uint64_t id = millis ^ random ^ (uint64_t(installationValue()) << 32);
        if (id != 0) return id;
    }
}

uint64_t CSyncable::GetObjectID() {
    if (object_id == 0) object_id = GenerateUniqueID();
    return object_id;
}

std::string CSyncable::GetObjectIDstr() {
    char text[32];
    std::snprintf(text, sizeof text, "ovid:%" PRIX64, GetObjectID());
    return text;
}

uint64_t CSyncable::ParseObjectID(const std::string& text) {
    const size_t at = text.find(kIdPrefix);
    if (at == std::string::npos) return 0;
    uint64_t id = 0;
    for (size_t i = at + std::strlen(kIdPrefix); i < text.size(); ++i) {
        const char c = text[i];
        int digit;
        if (c >= '0' && c <= '9')
            digit = c - '0';
        else if (c >= 'a' && c <= 'f')
            digit = c - 'a' + 10;
        else if (c >= 'A' && c <= 'F')
            digit = c - 'A' + 10;
        else
            break;
        id = (id << 4) | uint64_t(digit);
    }
    return id;
}

void CSyncable::SetModifiedNow() {
    modified = CHeartbeat::Timestamp();
}

void CSyncable::setVisible(bool v) {
    if (!deleted) visible = v;
}

void CSyncable::setLocked(bool v) {
    if (deleted || locked == v) return;
    locked = v;
    SetModifiedNow();
}

void CSyncable::setDoNotSync(bool v) {
    if (deleted || do_not_sync == v) return;
    do_not_sync = v;
    SetModifiedNow();
}

void CSyncable::setCategory(const std::string& path) {
    category = path;
    SetModifiedNow();
}

void CSyncable::changeCategoryPath(const std::string& newPrefix, const std::string& oldPrefix) {
    if (category.compare(0, oldPrefix.size(), oldPrefix) == 0) {
        std::string rest = category.substr(oldPrefix.size());
        if (newPrefix.empty()) {
            // The old prefix goes together with the separator after it.
            category = rest.size() <= 1 ? std::string() : rest.substr(rest[0] == ':' ? 1 : 0);
        } else {
            category = newPrefix + rest;
        }
    } else {
        category = newPrefix;
    }
    SetModifiedNow();
}

void CSyncable::DeleteSyncItem() {
    // Never uploaded, so no other device needs to hear of its deletion.
    if (object_id == 0) do_not_sync = true;
    deleted = true;
    visible = false;
    SetModifiedNow();
}

void CSyncable::UndeleteSyncItem() {
    deleted = false;
    visible = true;
    SetModifiedNow();
}

bool CSyncable::IsPurgeable(double since, double now) const {
    if (!deleted) return false;
    return !(NeedsSyncToCloud(since) && modified > now - kTombstoneSeconds);
}

bool CSyncable::matches_search(const std::string& text) const {
    return findNocase(name, text) >= 0 || findNocase(comment, text) >= 0;
}

bool CSyncable::sameSyncableData(const CSyncable& other) const {
    return deleted == other.deleted && _tcsicmp(name.c_str(), other.name.c_str()) == 0 &&
           _tcsicmp(comment.c_str(), other.comment.c_str()) == 0 &&
           _tcsicmp(category.c_str(), other.category.c_str()) == 0;
}

bool CSyncable::SerializeSyncable(IOStream& stream) {
    Section section(stream);
    if (!section.ok()) return false;
    const int64_t start = stream.position();
    stream.declare(object_id);
    stream.declare(do_not_sync);
    stream.declare(modified);
    stream.declare(deleted);
    stream.declare(created);
    stream.declare(visible);
    stream.declare(locked);
    if (!stream.ok()) return false;
    const bool complete = stream.isWriting() || stream.position() - start == 28;
    if (stream.isReading()) {
        if (created > modified) created = modified;
        if (deleted) visible = false;
    }
    return section.Close() && complete;
}

// ---------------------------------------------------------------- dispatch

CSyncableDispatcher::CSyncableDispatcher(uint32_t typeId, Function function)
    : m_typeId(typeId), m_function(function), m_next(g_firstDispatcher) {
    g_firstDispatcher = this;
}

void DispatchSyncable(CSyncable* object, COverlayObject::update_action action) {
    if (!object) return;
    const uint32_t id = object->GetTypeId();
    for (CSyncableDispatcher* d = g_firstDispatcher; d; d = d->m_next) {
        if (d->m_typeId == id) {
            d->m_function(object, action);
            return;
        }
    }
}

// ---------------------------------------------------------------- sync records

bool WriteSyncList(CSerializable::IOStream& stream, const std::vector<CSyncable*>& objects,
                   double since, double syncTime, SyncCounts* counts) {
    if (!stream.isWriting()) return false;
    std::vector<CSyncable*> changed;
    for (CSyncable* o : objects)
        if (o->NeedsSyncToCloud(since)) changed.push_back(o);
    uint32_t count = uint32_t(changed.size());
    stream.declare(count);
    bool ok = true;
    for (CSyncable* o : changed) {
        uint64_t id = o->GetObjectID();
        stream.declare(id);
        const double modified = o->modified;
        // The other side files it as changed just before this sync.
        o->modified = syncTime - 0.1;
        ok = o->SyncObject(stream, since) && ok;
        o->modified = modified;
        if (counts) ++(o->deleted ? counts->deletions_sent : counts->sent);
    }
    return ok && stream.ok();
}

bool ReadSyncCount(CSerializable::IOStream& stream, uint32_t& count) {
    count = 0;
    if (!stream.isReading() || stream.remaining() < 4) return stream.refuse();
    if (!stream.declare(count)) return false;
    // Every record carries at least its 8-byte identity.
    if (count > 1000000 || int64_t(count) * 8 > stream.remaining()) return stream.refuse();
    return true;
}

bool CSyncable::SerializeSyncableIfPresent(IOStream& stream, bool write) {
    if (stream.isWriting()) return !write || SerializeSyncable(stream);
    if (stream.atEnd() || uint8_t(stream.bytes()[size_t(stream.position())]) != kSectionTag)
        return true;
    return SerializeSyncable(stream);
}
