// The .ovtf container: fields, sections, records, lists and whole files, and
// what a reader does with newer, older and damaged files.
#include "overlays/serializable.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <cstring>

#include "app/base/graphicscolor.h"
#include "support/testsupport.h"

using IOStream = CSerializable::IOStream;
using Section = CSerializable::Section;

namespace {

// A stored object in three generations: V1 knows {a, b}, V2 adds c, V3 adds d.
struct Probe : CSerializable {
    int generation = 2;
    int32_t a = -1;
    std::string b = "default-b";
    double c = -1;
    uint32_t d = 0xDDDD;

    bool Serialize(IOStream& s) override {
        Section section(s);
        if (!section.ok()) return false;
        s.declare(a);
        s.declare(b);
        if (generation >= 2) s.declare(c);
        if (generation >= 3) s.declare(d);
        return section.Close() && s.ok();
    }
    uint32_t GetTypeId() const override { return 0x70B3; }
};

struct ProbeV3 : Probe {
    ProbeV3() { generation = 3; }
};

const CSerializableType<Probe> probeType(0x70B3, "probe");

// A file holding a list of probes of one generation.
struct ProbeFile : CSerializable {
    CSerializableDeclareStatic<Probe>::List probes;
    bool Serialize(IOStream& s) override {
        Section section(s);
        return section.ok() && CSerializableDeclareStatic<Probe>(probes).Serialize(s) &&
               section.Close();
    }
};

std::unique_ptr<Probe> makeProbe(int generation, int32_t a) {
    auto p = std::make_unique<Probe>();
    p->generation = generation;
    p->a = a;
    p->b = "probe " + std::to_string(a);
    p->c = a * 0.5;
    p->d = uint32_t(a) * 3;
    return p;
}

IOStream readerOf(const IOStream& written, const std::string& dir = {}) {
    return IOStream::ForReading(written.bytes(), dir);
}

// The bytes of a section holding `content`, with a chosen length field.
std::string rawSection(const std::string& content, uint32_t length) {
    std::string s(1, char(0xBE));
    s.append(reinterpret_cast<const char*>(&length), 4);
    return s + content;
}

std::string le32(uint32_t v) {
    return std::string(reinterpret_cast<const char*>(&v), 4);
}

}  // namespace

TEST(SerializableFields, EveryKindRoundTrips) {
    IOStream w = IOStream::ForWriting("/data/orvanta");
    bool flag = true;
    int16_t i16 = -12345;
    uint64_t u64 = 0x1122334455667788ull;
    float f = 1.25f;
    std::string text = "Fjäll \0 hut";
    char block[6] = "abcde";
    GraphicsColor color(255, 128, 0, 51);
    std::string inside = "/data/orvanta/photos/a.jpg";
    std::string outside = "/elsewhere/b.jpg";
    {
        Section s(w);
        w.declare(flag);
        w.declare(i16);
        w.declare(u64);
        w.declare(f);
        w.declare(text);
        w.declare_vblock(block, 5);
        w.declarecolor(color);
        w.declarefilename(inside);
        w.declarefilename(outside);
    }
    // The path inside the file's folder is stored relative to it.
    EXPECT_NE(w.bytes().find("photos/a.jpg"), std::string::npos);
    EXPECT_EQ(w.bytes().find("/data/orvanta/photos"), std::string::npos);

    IOStream r = readerOf(w, "/moved/there");
    bool flag2 = false;
    int16_t i16b = 0;
    uint64_t u64b = 0;
    float f2 = 0;
    std::string text2, inside2, outside2;
    char block2[8] = {};
    int stored = 0;
    GraphicsColor color2;
    {
        Section s(r);
        ASSERT_TRUE(s.ok());
        EXPECT_TRUE(r.declare(flag2));
        r.declare(i16b);
        r.declare(u64b);
        r.declare(f2);
        r.declare(text2);
        EXPECT_TRUE(r.declare_vblock(block2, 8, &stored));
        r.declarecolor(color2);
        r.declarefilename(inside2);
        r.declarefilename(outside2);
        EXPECT_TRUE(s.Close());
    }
    EXPECT_TRUE(r.ok());
    EXPECT_FALSE(r.skipped_data);
    EXPECT_TRUE(flag2);
    EXPECT_EQ(i16b, -12345);
    EXPECT_EQ(u64b, u64);
    EXPECT_EQ(f2, 1.25f);
    EXPECT_EQ(text2, text);
    EXPECT_EQ(stored, 5);
    EXPECT_STREQ(block2, "abcde");
    EXPECT_EQ(color2, color);
    EXPECT_EQ(inside2, "/moved/there/photos/a.jpg");
    EXPECT_EQ(outside2, outside);
}

TEST(SerializableFields, SectionLengthCountsItsHeaderAndIsPatched) {
    IOStream w = IOStream::ForWriting();
    {
        Section outer(w);
        uint32_t v = 7;
        w.declare(v);
        Section inner(w);
        w.declare(v);
    }
    const std::string& b = w.bytes();
    ASSERT_EQ(b.size(), 5u + 4 + 5 + 4);
    EXPECT_EQ(uint8_t(b[0]), 0xBE);
    uint32_t outer = 0, inner = 0;
    std::memcpy(&outer, b.data() + 1, 4);
    std::memcpy(&inner, b.data() + 10, 4);
    EXPECT_EQ(outer, 18u);
    EXPECT_EQ(inner, 9u);
}

TEST(SerializableFields, MagicAndVblockCapacity) {
    IOStream w = IOStream::ForWriting();
    char big[10] = "123456789";
    w.declaremagic(0xCAFE);
    w.declare_vblock(big, 9);
    uint32_t after = 42;
    w.declare(after);

    IOStream r = readerOf(w);
    EXPECT_FALSE(r.declaremagic(0xBEEF));  // a mismatch is no damage
    EXPECT_TRUE(r.ok());
    char small[4] = {};
    int stored = 0;
    EXPECT_TRUE(r.declare_vblock(small, 3, &stored));
    EXPECT_EQ(stored, 9);
    EXPECT_EQ(std::string(small), "123");
    EXPECT_TRUE(r.skipped_data);
    uint32_t after2 = 0;
    r.declare(after2);
    EXPECT_EQ(after2, 42u);
}

TEST(SerializableFields, ArrayElementsGrowByAppendingFields) {
    // 24-byte elements read into 32-byte ones: the last 8 bytes stay as they were.
    struct Old {
        double x, y, z;
    };
    struct New {
        double x, y, z;
        uint64_t extra;
    };
    Old old[3] = {{1, 2, 3}, {4, 5, 6}, {7, 8, 9}};
    IOStream w = IOStream::ForWriting();
    w.declare_array(old, sizeof(Old), 3);

    New grown[3];
    for (New& n : grown) n.extra = 0xABCDEF;
    IOStream r = readerOf(w);
    ASSERT_TRUE(r.declare_array(grown, sizeof(New), 3));
    EXPECT_EQ(grown[2].x, 7);
    EXPECT_EQ(grown[1].z, 6);
    for (const New& n : grown) EXPECT_EQ(n.extra, 0xABCDEFu);
    EXPECT_FALSE(r.skipped_data);

    // And back: 32-byte elements read into 24-byte ones skip each tail.
    IOStream w2 = IOStream::ForWriting();
    w2.declare_array(grown, sizeof(New), 3);
    Old shrunk[3] = {};
    IOStream r2 = readerOf(w2);
    ASSERT_TRUE(r2.declare_array(shrunk, sizeof(Old), 3));
    EXPECT_EQ(shrunk[2].z, 9);
    EXPECT_TRUE(r2.skipped_data);
}

TEST(SerializableCompatibility, NewerFileWithOneMoreFieldLoads) {
    ProbeFile newer;
    for (int i = 1; i <= 3; ++i) newer.probes.push_back(makeProbe(3, i));
    IOStream w = IOStream::ForWriting();
    ASSERT_TRUE(newer.Serialize(w));

    ProbeFile current;
    IOStream r = readerOf(w);
    ASSERT_TRUE(current.Serialize(r));
    ASSERT_EQ(current.probes.size(), 3u);
    EXPECT_EQ(current.probes[2]->a, 3);
    EXPECT_EQ(current.probes[2]->c, 1.5);
    EXPECT_EQ(current.probes[2]->d, 0xDDDDu);  // not known to this reader
    EXPECT_TRUE(r.skipped_data);
}

TEST(SerializableCompatibility, OlderFileWithOneFieldLessKeepsTheDefault) {
    ProbeFile older;
    for (int i = 1; i <= 2; ++i) older.probes.push_back(makeProbe(1, i));
    IOStream w = IOStream::ForWriting();
    ASSERT_TRUE(older.Serialize(w));

    ProbeFile current;
    IOStream r = readerOf(w);
    ASSERT_TRUE(current.Serialize(r));
    ASSERT_EQ(current.probes.size(), 2u);
    EXPECT_EQ(current.probes[1]->a, 2);
    EXPECT_EQ(current.probes[1]->b, "probe 2");
    EXPECT_EQ(current.probes[1]->c, -1);  // default
    EXPECT_FALSE(r.skipped_data);
}

TEST(SerializableCompatibility, DamagedSectionKeepsWhatCameBeforeIt) {
    ProbeFile file;
    for (int i = 1; i <= 4; ++i) file.probes.push_back(makeProbe(2, i));
    IOStream w = IOStream::ForWriting();
    ASSERT_TRUE(file.Serialize(w));
    std::string bytes = w.bytes();
    // Outer section (5) + count (4) + two probes: break the third probe's tag.
    const size_t probeSize = (bytes.size() - 9) / 4;
    bytes[9 + 2 * probeSize] = 0x00;

    ProbeFile again;
    IOStream r = IOStream::ForReading(bytes);
    EXPECT_FALSE(again.Serialize(r));
    EXPECT_FALSE(r.ok());
    ASSERT_EQ(again.probes.size(), 2u);
    EXPECT_EQ(again.probes[1]->b, "probe 2");
    uint32_t later = 0;
    EXPECT_FALSE(r.declare(later));  // every later read fails
}

TEST(SerializableRefusals, SectionLengthsThatCannotBeTrue) {
    struct Case {
        const char* what;
        std::string bytes;
    };
    const std::string content = le32(1);
    const Case cases[] = {
        {"zero", rawSection(content, 0)},
        {"below the header", rawSection(content, 4)},
        {"past the data", rawSection(content, 10)},
        {"above a gigabyte", rawSection(content, 1000000001)},
        {"wrong tag", std::string(1, 'X') + le32(9) + content},
        {"inner past outer", rawSection(rawSection(content, 30), 14)},
    };
    for (const Case& c : cases) {
        IOStream r = IOStream::ForReading(c.bytes);
        Section outer(r);
        if (outer.ok()) Section inner(r);
        EXPECT_FALSE(r.ok()) << c.what;
    }
    // The smallest honest section: just its header.
    IOStream r = IOStream::ForReading(rawSection("", 5));
    Section empty(r);
    EXPECT_TRUE(empty.ok());
    uint32_t v = 99;
    EXPECT_TRUE(r.declare(v));
    EXPECT_EQ(v, 99u);
}

TEST(SerializableRefusals, NegativeSizesAndOversizedTexts) {
    char buffer[16];
    IOStream vblock = IOStream::ForReading(le32(uint32_t(-4)) + "abcd");
    EXPECT_FALSE(vblock.declare_vblock(buffer, 16));
    EXPECT_FALSE(vblock.ok());

    IOStream array = IOStream::ForReading(le32(uint32_t(-8)) + std::string(16, 'x'));
    EXPECT_FALSE(array.declare_array(buffer, 8, 2));
    EXPECT_FALSE(array.ok());

    IOStream arrayTooLong = IOStream::ForReading(le32(8) + std::string(8, 'x'));
    EXPECT_FALSE(arrayTooLong.declare_array(buffer, 8, 2));  // 16 bytes claimed, 8 left

    std::string text;
    IOStream tooLong = IOStream::ForReading(le32(1000001) + std::string(1000001, 'x'));
    EXPECT_FALSE(tooLong.declare(text));
    IOStream pastEnd = IOStream::ForReading(le32(50) + "short");
    EXPECT_FALSE(pastEnd.declare(text));
    IOStream negative = IOStream::ForReading(le32(uint32_t(-1)));
    EXPECT_FALSE(negative.declare(text));
    EXPECT_TRUE(text.empty());

    // A field cut by the section end is damage, not a default.
    IOStream cut = IOStream::ForReading(rawSection("ab", 7));
    Section s(cut);
    uint32_t v = 0;
    EXPECT_FALSE(cut.declare(v));
}

TEST(SerializableRefusals, ListCountsCannotBuildObjectsOutOfNothing) {
    // A count of millions in a tiny section is refused before anything is built.
    for (uint32_t count : {5000000u, 20000000u, 9u}) {
        IOStream r = IOStream::ForReading(rawSection(le32(count) + "12345678", 17));
        Section s(r);
        CSerializableDeclareStatic<Probe>::List list;
        list.push_back(makeProbe(2, 1));  // replaced by what the file holds
        EXPECT_FALSE(CSerializableDeclareStatic<Probe>(list).Serialize(r)) << count;
        EXPECT_TRUE(list.empty());
        EXPECT_FALSE(r.ok());
    }
    // A list whose section has ended is simply empty.
    IOStream r = IOStream::ForReading(rawSection("", 5));
    Section s(r);
    CSerializableDeclareStatic<Probe>::List list;
    list.push_back(makeProbe(2, 1));
    EXPECT_TRUE(CSerializableDeclareStatic<Probe>(list).Serialize(r));
    EXPECT_TRUE(list.empty());
}

TEST(SerializableRecords, PolymorphicRecordsByTypeId) {
    struct Unknown : CSerializable {
        bool Serialize(IOStream& s) override {
            Section section(s);
            std::string t = "from a newer program";
            return s.declare(t);
        }
        uint32_t GetTypeId() const override { return 0x5EC0; }
    };
    IOStream w = IOStream::ForWriting();
    auto first = makeProbe(2, 11);
    Unknown unknown;
    auto last = makeProbe(2, 12);
    ASSERT_TRUE(CSerializable::WritePolymorphic(w, first.get()));
    ASSERT_TRUE(CSerializable::WritePolymorphic(w, &unknown));
    ASSERT_TRUE(CSerializable::WritePolymorphic(w, last.get()));

    IOStream r = readerOf(w);
    auto a = CSerializable::ReadPolymorphic(r);
    ASSERT_TRUE(a);
    EXPECT_TRUE(a->IsType(0x70B3));
    EXPECT_EQ(static_cast<Probe*>(a.get())->a, 11);
    EXPECT_FALSE(r.skipped_data);
    EXPECT_FALSE(CSerializable::ReadPolymorphic(r));  // unknown id: skipped
    EXPECT_TRUE(r.skipped_data);
    auto c = CSerializable::ReadPolymorphic(r);
    ASSERT_TRUE(c);
    EXPECT_EQ(static_cast<Probe*>(c.get())->b, "probe 12");
    EXPECT_TRUE(r.atEnd());

    // A body that claims more bytes than are left is refused.
    std::string bytes = w.bytes().substr(0, 8) + "xy";
    IOStream bad = IOStream::ForReading(bytes);
    EXPECT_FALSE(CSerializable::ReadPolymorphic(bad));
    EXPECT_FALSE(bad.ok());

    // A body can't read past its record, even if its section says so.
    const std::string body = rawSection(le32(5), 40);
    IOStream bounded = IOStream::ForReading(le32(0x70B3) + le32(uint32_t(body.size())) + body +
                                            std::string(40, '\0'));
    EXPECT_FALSE(CSerializable::ReadPolymorphic(bounded));
    EXPECT_FALSE(bounded.ok());
}

TEST(SerializableRegistry, CreatesByIdFirstRegisteredWins) {
    auto p = CSerializable::Type::CreateId(0x70B3);
    ASSERT_TRUE(p);
    EXPECT_TRUE(p->IsType(0x70B3));
    EXPECT_FALSE(CSerializable::Type::CreateId(0x12345678));
    EXPECT_STREQ(CSerializable::Type::Find(0x70B3)->name(), "probe");
    {
        // A later registration sits at the head of the list.
        const CSerializableType<ProbeV3> shadow(0x70B3, "probe v3");
        EXPECT_STREQ(CSerializable::Type::Find(0x70B3)->name(), "probe v3");
    }
    EXPECT_STREQ(CSerializable::Type::Find(0x70B3)->name(), "probe");
}

TEST(SerializableFiles, WholeFileWithMagic) {
    testsupport::TempDir dir;
    const std::string path = dir.file("sub/folder/marks.ovtf").toStdString();
    ProbeFile file;
    file.probes.push_back(makeProbe(2, 5));
    ASSERT_TRUE(file.WriteFile(path, 0xCA2EAF82));  // creates the folders

    const QByteArray bytes = testsupport::readFile(QString::fromStdString(path));
    ASSERT_GE(bytes.size(), 13);
    EXPECT_EQ(bytes.left(4), QByteArray("\x49\xF2\xAC\x73", 4));
    EXPECT_EQ(bytes.mid(4, 5), QByteArray("\xBE\x09\x00\x00\x00", 5));
    EXPECT_EQ(bytes.mid(9, 4), QByteArray("\x82\xAF\x2E\xCA", 4));

    ProbeFile again;
    bool skipped = true;
    ASSERT_TRUE(again.ReadFile(path, 0xCA2EAF82, &skipped));
    EXPECT_FALSE(skipped);
    ASSERT_EQ(again.probes.size(), 1u);
    EXPECT_EQ(again.probes[0]->b, "probe 5");

    EXPECT_FALSE(again.ReadFile(path, 0xDA2EAF93));  // the routes magic
    EXPECT_FALSE(again.ReadFile(dir.file("missing.ovtf").toStdString(), 0xCA2EAF82));
    testsupport::writeFile(dir.file("bad.ovtf"), "\x49\xF2\xAC\x74 rest of it");
    EXPECT_FALSE(again.ReadFile(dir.file("bad.ovtf").toStdString(), 0));
}

TEST(SerializableFiles, CrashBetweenWriteAndRenameKeepsThePreviousFile) {
    testsupport::TempDir dir;
    const std::string path = dir.file("routes.ovtf").toStdString();
    ProbeFile first;
    first.probes.push_back(makeProbe(2, 1));
    ASSERT_TRUE(first.WriteFile(path, 0xDA2EAF93));

    // A save that died after writing half of its ".tmp" left this behind.
    ProbeFile second;
    for (int i = 0; i < 50; ++i) second.probes.push_back(makeProbe(2, 100 + i));
    IOStream w = IOStream::ForWriting();
    second.Serialize(w);
    testsupport::writeFile(QString::fromStdString(path + ".tmp"),
                           QByteArray::fromStdString(w.bytes().substr(0, w.bytes().size() / 2)));

    ProbeFile loaded;
    ASSERT_TRUE(loaded.ReadFile(path, 0xDA2EAF93));
    ASSERT_EQ(loaded.probes.size(), 1u);
    EXPECT_EQ(loaded.probes[0]->a, 1);

    // A save that can't create its ".tmp" fails and leaves the file alone.
    QFile::remove(QString::fromStdString(path + ".tmp"));
    QDir().mkpath(QString::fromStdString(path + ".tmp"));
    EXPECT_FALSE(second.WriteFile(path, 0xDA2EAF93));
    ASSERT_TRUE(loaded.ReadFile(path, 0xDA2EAF93));
    EXPECT_EQ(loaded.probes.size(), 1u);

    // A manager's changed flag survives the failed save, so it is tried again.
    bool changed = true;
    EXPECT_FALSE(second.WriteFileIfChanged(path, 0xDA2EAF93, changed));
    EXPECT_TRUE(changed);

    // The next good save replaces it whole.
    QDir().rmdir(QString::fromStdString(path + ".tmp"));
    EXPECT_TRUE(second.WriteFileIfChanged(path, 0xDA2EAF93, changed));
    EXPECT_FALSE(changed);
    ASSERT_TRUE(loaded.ReadFile(path, 0xDA2EAF93));
    EXPECT_EQ(loaded.probes.size(), 50u);
    // Nothing changed: nothing written.
    QFile::remove(QString::fromStdString(path));
    EXPECT_TRUE(second.WriteFileIfChanged(path, 0xDA2EAF93, changed));
    EXPECT_FALSE(QFile::exists(QString::fromStdString(path)));
}
