// Arbitrary bytes read as a marks file: file header, magic section, then a
// section holding the list of marks and the default-mark template, each
// through COverlayMark's own reader. What was read must write and read back
// the same.
#include <cstdint>
#include <string>

#include "overlays/overlaymark.h"

namespace {

using IOStream = CSerializable::IOStream;
constexpr uint32_t kMarksMagic = 0xCA2EAF82;

struct MarksFile : CSerializable {
    CSerializableDeclareStatic<COverlayMark>::List marks;
    COverlayMark default_mark;
    bool Serialize(IOStream& s) override {
        Section section(s);
        return CSerializableDeclareStatic<COverlayMark>(marks).Serialize(s) &&
               default_mark.Serialize(s) && section.Close();
    }
};

std::string written(MarksFile& file) {
    IOStream out = IOStream::ForWriting("/fuzz");
    out.declareheader();
    {
        CSerializable::Section magic(out);
        out.declaremagic(kMarksMagic);
    }
    if (!file.Serialize(out)) __builtin_trap();
    return out.bytes();
}

bool read(const std::string& bytes, MarksFile& file) {
    IOStream in = IOStream::ForReading(bytes, "/fuzz");
    if (!in.declareheader()) return false;
    {
        CSerializable::Section magic(in);
        if (!magic.ok() || !in.declaremagic(kMarksMagic)) return false;
    }
    return file.Serialize(in);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    MarksFile file;
    if (!read(std::string(reinterpret_cast<const char*>(data), size), file)) return 0;
    // Every mark takes bytes of its own.
    if (file.marks.size() > size) __builtin_trap();
    MarksFile again;
    if (!read(written(file), again) || again.marks.size() != file.marks.size()) __builtin_trap();
    for (size_t i = 0; i < file.marks.size(); ++i)
        if (again.marks[i]->name != file.marks[i]->name) __builtin_trap();
    return 0;
}
