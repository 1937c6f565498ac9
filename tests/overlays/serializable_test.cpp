// The .ovtf container: fields, sections, lists and whole files, and
// what a reader does with newer, older, damaged and half-saved files.
#include "overlays/serializable.h"

#include <gtest/gtest.h>

#include <QDir>

#include "support/dieatrename.h"
#include "support/testsupport.h"

using IOStream = CSerializable::IOStream;
using Section = CSerializable::Section;

namespace {

using namespace std::string_literals;

// A stored object in three generations: 1 holds a name, 2 adds c, 3 adds d.
struct Probe : CSerializable {
    int generation = 2;
    std::string name;
    double c = -1;
    uint32_t d = 0;
    bool Serialize(IOStream& s) override {
        Section section(s);
        if (!section.ok() || !s.declare(name)) return false;
        if (generation >= 2) s.declare(c);
        if (generation >= 3) s.declare(d);
        return section.Close() && s.ok();
    }
};

// Probes named "probe <first>" onwards, c half their number.
struct ProbeFile : CSerializable {
    explicit ProbeFile(int generation = 2, int count = 0, int first = 1) {
        for (int n = first; n < first + count; ++n) {
            probes.push_back(std::make_unique<Probe>());
            probes.back()->generation = generation;
            probes.back()->name = "probe " + std::to_string(n);
            probes.back()->c = n * 0.5;
        }
    }
    bool Serialize(IOStream& s) override {
        Section section(s);
        return CSerializableDeclareStatic<Probe>(probes).Serialize(s) && section.Close();
    }
    CSerializableDeclareStatic<Probe>::List probes;
};

// The probes a file holds, or -1 when it does not read.
int probesIn(const std::string& path, uint32_t magic) {
    ProbeFile file;
    return file.ReadFile(path, magic) ? int(file.probes.size()) : -1;
}

std::string le32(uint32_t v) {
    return std::string(reinterpret_cast<const char*>(&v), 4);
}

// A section holding content, with a chosen length field.
std::string rawSection(const std::string& content, uint32_t length) {
    return char(0xBE) + le32(length) + content;
}

}  // namespace

TEST(SerializableFields, BlocksArraysAndPathsAsTheReaderNeedsThem) {
    IOStream w = IOStream::ForWriting("/data/orvanta");
    char block[6] = "abcde";
    double old[2][3] = {{1, 2, 3}, {4, 5, 6}};
    std::string inside = "/data/orvanta/photos/a.jpg", outside = "/elsewhere/b.jpg";
    w.declare_vblock(block, 5);
    w.declare_array(old, sizeof old[0], 2);
    w.declarefilename(inside);
    w.declarefilename(outside);

    IOStream r = IOStream::ForReading(w.bytes(), "/moved/there");
    char small[4] = {};
    int stored = 0;
    EXPECT_TRUE(r.declare_vblock(small, 3, &stored));  // 5 stored, room for 3
    EXPECT_EQ(std::string(small) + std::to_string(stored), "abc5");
    struct Grown {
        double xyz[3];
        uint64_t extra = 0xABCDEF;
    } grown[2];
    ASSERT_TRUE(r.declare_array(grown, sizeof(Grown), 2));  // 24-byte elements into 32
    EXPECT_EQ(std::pair(grown[1].xyz[2], grown[1].extra), std::pair(6.0, uint64_t(0xABCDEF)));
    r.declarefilename(inside);
    r.declarefilename(outside);
    EXPECT_EQ(inside, "/moved/there/photos/a.jpg");  // kept relative to the file's folder
    EXPECT_EQ(outside, "/elsewhere/b.jpg");
}

TEST(SerializableFiles, NewerOlderAndDamagedFilesLoadWhatTheyCan) {
    for (int generation : {1, 3}) {
        SCOPED_TRACE(generation == 1 ? "older file" : "newer file");
        ProbeFile written(generation, 3), current;
        IOStream w = IOStream::ForWriting();
        ASSERT_TRUE(written.Serialize(w));
        IOStream r = IOStream::ForReading(w.bytes());
        ASSERT_TRUE(current.Serialize(r));
        ASSERT_EQ(current.probes.size(), 3u);
        EXPECT_EQ(std::tuple(current.probes[2]->name, current.probes[2]->c, r.skipped_data),
                  std::tuple("probe 3"s, generation == 1 ? -1 : 1.5, generation == 3));
    }
    // The third probe's tag broken: the two before it stay, every later read fails.
    ProbeFile file(2, 4), again;
    IOStream w = IOStream::ForWriting();
    ASSERT_TRUE(file.Serialize(w));
    std::string bytes = w.bytes();
    bytes[9 + 2 * ((bytes.size() - 9) / 4)] = 0;
    IOStream r = IOStream::ForReading(bytes);
    uint32_t later = 0;
    EXPECT_FALSE(again.Serialize(r) || r.declare(later));
    EXPECT_EQ(again.probes.size(), 2u);
}

TEST(SerializableRefusals, LengthsSizesAndCountsThatCannotBeTrue) {
    static char buffer[16];
    static std::string text;
    static ProbeFile list;
    const auto sections = [](IOStream& r) { return Section(r).ok() && Section(r).ok(); };
    const auto array = [](IOStream& r) { return r.declare_array(buffer, 8, 2); };
    const auto string = [](IOStream& r) { return r.declare(text); };
    const auto field = [](IOStream& r) { return Section(r).ok() && r.declare_fblock(buffer, 4); };
    const auto probes = [](IOStream& r) { return list.Serialize(r); };
    const std::string one = le32(1);
    const struct {
        const char* what;
        std::string bytes;
        bool (*read)(IOStream&);
    } cases[] = {
        {"section below its header", rawSection(one, 4), sections},
        {"section past the data", rawSection(one, 10), sections},
        {"section with a wrong tag", 'X' + le32(9) + one, sections},
        {"inner section past the outer", rawSection(rawSection(one, 30), 14), sections},
        {"vblock of negative size", le32(uint32_t(-4)) + "abcd",
         [](IOStream& r) { return r.declare_vblock(buffer, 16); }},
        {"array element of negative size", le32(uint32_t(-8)) + std::string(16, 'x'), array},
        {"array element of no bytes", le32(0) + std::string(16, 'x'), array},
        {"array past the data", le32(8) + std::string(8, 'x'), array},
        {"string above 1,000,000", le32(1000001) + std::string(1000001, 'x'), string},
        {"string past the data", le32(50) + "short", string},
        {"string of negative length", le32(uint32_t(-1)), string},
        {"field cut by its section's end", rawSection("ab", 7), field},
        {"list of 9 in 8 bytes", rawSection(le32(9) + "12345678", 17), probes},
    };
    for (const auto& c : cases) {
        IOStream r = IOStream::ForReading(c.bytes);
        EXPECT_FALSE(c.read(r) || r.ok()) << c.what;
    }
    // The smallest honest section is its header alone: it empties a list.
    list = ProbeFile(2, 1);
    IOStream r = IOStream::ForReading(rawSection("", 5));
    EXPECT_TRUE(probes(r) && list.probes.empty());
}

TEST(SerializableFiles, WholeFileWithMagicAndAFailedSaveKeepsTheOldFile) {
    testsupport::TempDir dir;
    const std::string path = dir.file("sub/folder/routes.ovtf").toStdString();
    ProbeFile first(2, 1), second(2, 50, 100);
    ASSERT_TRUE(first.WriteFile(path, 0xDA2EAF93));  // creates the folders
    EXPECT_EQ(testsupport::readFile(QString::fromStdString(path)).left(13),
              QByteArray("\x49\xF2\xAC\x73\xBE\x09\x00\x00\x00\x93\xAF\x2E\xDA", 13));
    EXPECT_EQ(probesIn(path, 0xCA2EAF82) + probesIn(dir.file("none").toStdString(), 0), -2)
        << "the marks magic, and no file";

    // A save that can't make its ".tmp" fails, keeps the file and the changed flag.
    const QString tmp = QString::fromStdString(path + ".tmp");
    ASSERT_TRUE(QDir().mkpath(tmp));
    bool changed = true;
    EXPECT_FALSE(second.WriteFileIfChanged(path, 0xDA2EAF93, changed) || !changed);
    EXPECT_EQ(probesIn(path, 0xDA2EAF93), 1);
    ASSERT_TRUE(QDir().rmdir(tmp));
    EXPECT_TRUE(second.WriteFileIfChanged(path, 0xDA2EAF93, changed) && !changed);
    EXPECT_EQ(probesIn(path, 0xDA2EAF93), 50);
}

TEST(SerializableFiles, ProcessDyingBetweenWriteAndRenameKeepsTheOldFile) {
    testsupport::TempDir dir;
    const std::string path = dir.file("marks.ovtf").toStdString();
    ProbeFile first(2, 1), second(2, 50, 100);
    ASSERT_TRUE(first.WriteFile(path, 0xCA2EAF82));
    ASSERT_EQ(
        testsupport::RunDyingAtRename(".ovtf.tmp", [&] { second.WriteFile(path, 0xCA2EAF82); }),
        testsupport::kDiedAtRename);
    EXPECT_EQ(probesIn(path, 0xCA2EAF82), 1);
    EXPECT_EQ(probesIn(path + ".tmp", 0xCA2EAF82), 50);  // complete, only not named
    ASSERT_TRUE(second.WriteFile(path, 0xCA2EAF82));     // the next save goes through
    EXPECT_EQ(probesIn(path, 0xCA2EAF82), 50);
}
