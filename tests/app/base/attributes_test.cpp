// Key/value sets: key order, escaping both ways, the one-line and file forms,
// and the number encodings the settings rely on.
#include "app/base/attributes.h"

#include <gtest/gtest.h>

#include <clocale>
#include <cstring>

#include <QDir>
#include <QFile>

#include "support/testsupport.h"

using testsupport::TempDir;

TEST(AttributesEscaping, BothWaysAndEveryByteRoundTrips) {
    const std::pair<std::string, std::string> escapes[] = {{"aZ09$-_.!*'()", "aZ09$-_.!*'()"},
                                                           {"a b/c", "a+b%2fc"},
                                                           {"x=1&y", "x%3d1%26y"},
                                                           {"\xc3\xa9\n", "%c3%a9%0a"},
                                                           {std::string("a\0b", 3), "a%00b"}};
    for (const auto& [raw, escaped] : escapes)
        EXPECT_EQ(CAttributes::escape_string(raw), escaped) << escaped;
    const std::pair<const char*, const char*> unescapes[] = {
        {"a+b%2Fc", "a b/c"},
        {"%2f%2F", "//"},
        {"50%zz!", "50%zz!"},  // not hex: copied
        {"abc%4", "abc"},      // cut off: dropped
        {"abc%", "abc"}};
    for (const auto& [escaped, raw] : unescapes)
        EXPECT_EQ(CAttributes::unescape_string(escaped), raw) << escaped;
    std::string all;
    for (int c = 0; c < 256; ++c) all += char(c);
    EXPECT_EQ(CAttributes::unescape_string(CAttributes::escape_string(all)), all);
}

TEST(AttributesSet, BytewiseOrderAndEmptyMeansAbsent) {
    CAttributes a;
    a.Set("b", "2");
    a.Set("B", "1");
    a.Set("a[10]", "x");
    a.Set("a[2]", "y");
    a.Set("", "v");
    a.Set("k", "v");
    a.Set("k", "");
    EXPECT_EQ(a.ToString(), "B=1&a[10]=x&a[2]=y&b=2");
    std::string out = "junk";
    EXPECT_FALSE(a.GetIfPresent("k", out));
    EXPECT_EQ(out, "");
    EXPECT_EQ(a.GetStr("k", "dflt"), "dflt");
}

TEST(AttributesNumbers, IntsWriteHexAndReadDecimalHexOrOctal) {
    CAttributes a;
    a.SetInt("i", 255);
    a.SetInt("n", -2);
    a.SetIntD("d", -7);
    EXPECT_EQ(a.ToString(), "d=-7&i=0xff&n=0xfffffffe");
    const std::pair<const char*, int> reads[] = {{"42", 42},         {"0x2A", 42}, {"052", 42},
                                                 {"0xfffffffe", -2}, {"-7", -7},   {"abc", 5},
                                                 {"12abc", 12}};
    for (const auto& [text, value] : reads) {
        a.Set("k", text);
        EXPECT_EQ(a.GetInt("k", 5), value) << text;
    }
    EXPECT_EQ(a.GetInt("absent", 9), 9);
}

TEST(AttributesNumbers, DecimalsIgnoreTheUserLocale) {
    const std::string old = std::setlocale(LC_NUMERIC, nullptr);
    // A comma locale, when the machine has one, must not leak into the file.
    std::setlocale(LC_NUMERIC, "de_DE.UTF-8");
    CAttributes a;
    a.SetDecimal("x", 12.5);
    a.Set("y", "3.25");
    EXPECT_EQ(a.Get("x"), "12.50000000");
    EXPECT_DOUBLE_EQ(a.GetDecimal("y", 0), 3.25);
    EXPECT_DOUBLE_EQ(a.GetDecimal("absent", 1.5), 1.5);
    std::setlocale(LC_NUMERIC, old.c_str());
}

TEST(AttributesNumbers, BoolsAndDataBlocks) {
    CAttributes a;
    a.AddString("t=True&one=1&f=false&z=0");
    EXPECT_TRUE(a.GetBool("t") && a.GetBool("one"));
    EXPECT_FALSE(a.GetBool("f") || a.GetBool("z") || a.GetBool("absent"));
    const unsigned char bytes[3] = {0x01, 0xab, 0xff};
    a.SetData("d", bytes, 3);
    EXPECT_EQ(a.Get("d"), "01abff");
    unsigned char back[4] = {9, 9, 9, 9};
    EXPECT_EQ(a.GetData("d", back, 4), 3);  // only what is stored
    EXPECT_EQ(0, std::memcmp(back, bytes, 3));
    EXPECT_EQ(back[3], 9);
    a.Set("bad", "zz1");  // a non-hex digit counts as 0
    EXPECT_EQ(a.GetData("bad", back, 4), 1);
    EXPECT_EQ(back[0], 0);
}

TEST(AttributesOneLine, SplitsTrimsUnescapesSkipsEmptyPiecesAndRoundTrips) {
    CAttributes a;
    a.AddString(" a = x+y%21 &&=novalue&nokey&b=&c=1=2\t&a2=%41\r\n");
    EXPECT_EQ(a.ToString(), "a=x+y!&a2=A&c=1%3d2");
    a.AddString("a=later");
    EXPECT_EQ(a.Get("a"), "later");
    a.Set("path", "/tmp/a b&c=d");
    CAttributes b;
    b.AddString(a.ToString());
    EXPECT_EQ(b.Entries(), a.Entries());
    EXPECT_EQ(b.ToText(), "a=later\na2=A\nc=1=2\npath=/tmp/a b&c=d");
}

TEST(AttributesMerge, AddOverwritesAndTrimAllSpacesDropsBlankValues) {
    CAttributes a, b;
    a.Set("x", "1");
    a.Set("y", "2");
    b.Set("y", "3");
    b.Set("z", "  4 ");
    a.Add(b);
    a.Set("blank", "   ");
    a.TrimAllSpaces();
    a.Clear("x");
    EXPECT_EQ(a.ToString(), "y=3&z=4");
}

TEST(AttributesFile, RemarksMissingUnreadableAndOverlongFiles) {
    TempDir dir;
    static const char text[] =
        "   # a remark=1\n\n \t \nk1=v1\r\n#x=2\nk2=v\0"
        "2&k3=v3\nlast=noeol";
    ASSERT_TRUE(testsupport::writeFile(dir.file("a.ini"), QByteArray(text, sizeof text - 1)));
    CAttributes a;
    EXPECT_TRUE(a.AddFile(dir.file("a.ini").toStdString()));
    EXPECT_EQ(a.ToString(), "k1=v1&k2=v2&k3=v3&last=noeol");
    EXPECT_FALSE(a.AddFile(dir.file("none.ini").toStdString()));
    EXPECT_EQ(a.ReadFile(dir.file("none.ini").toStdString()), CAttributes::ReadResult::Missing);
    // A folder in place of the file can be opened but not read.
    QDir(dir.path()).mkdir("folder.ini");
    EXPECT_EQ(a.ReadFile(dir.file("folder.ini").toStdString()),
              CAttributes::ReadResult::Incomplete);
}
