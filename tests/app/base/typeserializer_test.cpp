// The typed binary stream: byte layout, symmetry of one declaring body,
// strings in both forms, sized blocks and the refusals of damaged lengths.
#include "app/base/typeserializer.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>

#include "support/testsupport.h"

namespace {

std::string le32(int32_t v) {
    return std::string(reinterpret_cast<const char*>(&v), 4);
}

// One record declared the same way for reading and writing.
struct Record {
    int32_t id = 0;
    double value = 0;
    std::string name;
    char blob[16] = {};
    int blobLength = 0;

    bool Declare(CTypeSerializer& s) {
        if (!s.declaremagic(0x5EC0DE)) return false;
        int capacity = s.mode == CTypeSerializer::kModeRead ? int(sizeof blob) : blobLength;
        const bool r =
            s.declare(id) && s.declare(value) && s.declare(name) && s.declaresize(blob, capacity);
        blobLength = capacity;
        return r;
    }
};

}  // namespace

TEST(TypeSerializerLayout, ScalarsBlocksAndWideStrings) {
    CTypeBufferOut out;
    int32_t i = -2;
    out.declare(i);
    int n = 3;
    out.declaresize(const_cast<char*>("abc"), n);
    std::string s = "A\xe9";
    out.declare(s);
    EXPECT_EQ(out.bytes(), le32(-2) + le32(3) + "abc" + le32(2) + std::string("A\0\xe9\xff", 4));
    EXPECT_EQ(out.count, 4 + 4 + 3 + 4 + 4);

    CTypeBufferOut narrow;
    narrow.wide_strings = false;
    narrow.put(std::string("h\xe9"));
    EXPECT_EQ(narrow.bytes(), le32(2) + "h\xe9");
    CTypeBufferIn in(narrow.bytes());
    in.wide_strings = false;
    std::string back;
    EXPECT_TRUE(in.get(back));
    EXPECT_EQ(back, "h\xe9");
}

TEST(TypeSerializerSymmetry, OneBodyWritesAndReadsAFile) {
    testsupport::TempDir dir;
    const std::string path = dir.file("r.bin").toStdString();
    Record a;
    a.id = 77;
    a.value = 2.5;
    a.name = "N\xc3\xa9ord";
    std::memcpy(a.blob, "xyz", 3);
    a.blobLength = 3;
    {
        CTypeFileOut out(path);
        ASSERT_TRUE(out.ok);
        EXPECT_TRUE(a.Declare(out));
        EXPECT_TRUE(out.Close());
    }
    CTypeFileIn in(path);
    ASSERT_TRUE(in.ok);
    Record b;
    EXPECT_TRUE(b.Declare(in));
    EXPECT_EQ(b.id, 77);
    EXPECT_EQ(b.value, 2.5);
    EXPECT_EQ(b.name, a.name);
    EXPECT_EQ(b.blobLength, 3);
    EXPECT_EQ(std::string(b.blob, 3), "xyz");
    // Past the end: the read fails and stays failed.
    int32_t extra = 0;
    EXPECT_FALSE(in.declare(extra));
    EXPECT_FALSE(in.ok);
}

TEST(TypeSerializerStrings, SeventyThousandCharactersSurviveTheWideForm) {
    std::string big(70000, 'x');
    for (size_t i = 0; i < big.size(); i += 7) big[i] = char(0x80 + i % 100);
    CTypeBufferOut out;
    out.put(big);
    EXPECT_EQ(out.bytes().size(), 4u + 2 * 70000);
    CTypeBufferIn in(out.bytes());
    std::string back;
    EXPECT_TRUE(in.get(back));
    EXPECT_EQ(back, big);
}

// A wrong magic and a block longer than its buffer are refused or cut, and
// the stream goes on at the next field.
TEST(TypeSerializerSkips, WrongMagicAndOverlongBlockLeaveTheStreamInStep) {
    CTypeBufferOut out;
    out.declaremagic(1234);
    const std::string payload(3000, 'p');
    out.putsize(payload.data(), int(payload.size()));
    int32_t after = 42;
    out.declare(after);
    CTypeBufferIn in(out.bytes());
    EXPECT_FALSE(in.declaremagic(4321));
    EXPECT_TRUE(in.ok);
    char small[10];
    int n = sizeof small;
    EXPECT_TRUE(in.getsize(small, n));
    EXPECT_EQ(n, 10);
    int32_t next = 0;
    EXPECT_TRUE(in.declare(next));
    EXPECT_EQ(next, 42);
}

TEST(TypeSerializerLengths, DamagedLengthsAreRefusedWithoutBreakingTheStream) {
    const std::pair<bool, int32_t> cases[] = {
        {true, 100001}, {true, -1}, {true, INT32_MIN}, {false, 1000001}, {false, -5}};
    for (const auto& [string, length] : cases) {
        SCOPED_TRACE((string ? "string " : "block ") + std::to_string(length));
        const std::string bytes = le32(length) + std::string(64, 'a');
        CTypeBufferIn in(bytes), declared(bytes);
        std::string s = "stale";
        char buf[16];
        int n = sizeof buf, m = sizeof buf;
        EXPECT_FALSE(string ? in.get(s) : in.getsize(buf, n));
        EXPECT_FALSE(string ? declared.declare(s) : declared.declaresize(buf, m));
        EXPECT_TRUE(s.empty() || !string);
        EXPECT_EQ(n, string ? 16 : 0);
        EXPECT_TRUE(in.ok);  // refused, not broken: the caller decides
    }
    CTypeBufferOut out;
    EXPECT_FALSE(out.putsize("x", -1));  // a writer never emits a negative length
    EXPECT_FALSE(out.ok);
    EXPECT_TRUE(out.bytes().empty());
}

TEST(TypeSerializerFailure, AShortReadKeepsWhatCameAndStopsEveryLaterTransfer) {
    CTypeBufferOut out;
    out.put(std::string(3000, 'q'));
    const std::string cut = out.bytes().substr(0, 4 + 2 * 2500);  // the buffer reads in place
    CTypeBufferIn in(cut);
    std::string s;
    EXPECT_FALSE(in.get(s));
    EXPECT_FALSE(in.ok);
    EXPECT_EQ(s, std::string(2048, 'q'));  // the whole pieces that arrived
    const int countAfter = in.count;
    int32_t i = 0;
    EXPECT_FALSE(in.declare(i));
    EXPECT_EQ(in.count, countAfter);
}
