// An arbitrary .ovtf file, read the way the overlay files are read (file
// header, magic section, an object list, polymorphic records) with every kind
// of field, and described by the dump. Reads must end, and never trust a
// length or count beyond the bytes there are.
#include <cstdint>
#include <string>

#include "app/base/graphicscolor.h"
#include "overlays/ovtfdump.h"
#include "overlays/serializable.h"
#include "overlays/syncable.h"

namespace {

using IOStream = CSerializable::IOStream;
using Section = CSerializable::Section;

struct FuzzItem : CSyncable {
    GraphicsColor color;
    std::string picture;
    char note[16] = {};
    int32_t count = 0;
    struct Point {
        double lat, lon, time;
        float altitude, speed;
    } points[64];

    bool Serialize(IOStream& s) override {
        Section section(s);
        if (!section.ok()) return false;
        s.declare(name);
        s.declarecolor(color);
        s.declarefilename(picture);
        s.declare_vblock(note, sizeof note);
        s.declare(count);
        if (count < 0 || count > 64) return false;
        s.declare_array(points, sizeof(Point), count);
        if (!SerializeSyncable(s)) return false;
        return section.Close();
    }
    uint32_t GetTypeId() const override { return 0xF022; }
};

const CSerializableType<FuzzItem> fuzzItemType(0xF022, "fuzz item");

struct FuzzFile : CSerializable {
    CSerializableDeclareStatic<FuzzItem>::List items;
    bool Serialize(IOStream& s) override {
        Section section(s);
        if (!CSerializableDeclareStatic<FuzzItem>(items).Serialize(s)) return false;
        while (s.ok() && !s.atEnd()) CSerializable::ReadPolymorphic(s);
        return section.Close();
    }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    DescribeOvtf(bytes);

    IOStream stream = IOStream::ForReading(bytes, "/fuzz");
    if (!stream.declareheader()) return 0;
    {
        Section magic(stream);
        if (!magic.ok() || !stream.declaremagic(0xCA2EAF82)) return 0;
    }
    FuzzFile file;
    file.Serialize(stream);
    // A list can't hold more objects than there were bytes for them.
    if (file.items.size() > size) __builtin_trap();
    return 0;
}
