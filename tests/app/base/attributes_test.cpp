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

TEST(AttributesEscaping, KeepsSafeBytesAndEncodesTheRest) {
    EXPECT_EQ(CAttributes::escape_string("aZ09$-_.!*'()"), "aZ09$-_.!*'()");
    EXPECT_EQ(CAttributes::escape_string("a b/c"), "a+b%2fc");
    EXPECT_EQ(CAttributes::escape_string("x=1&y"), "x%3d1%26y");
    EXPECT_EQ(CAttributes::escape_string("\xc3\xa9\n"), "%c3%a9%0a");
    EXPECT_EQ(CAttributes::escape_string(std::string("a\0b", 3)), "a%00b");
}

TEST(AttributesEscaping, UnescapesEitherCaseAndSurvivesBadEscapes) {
    EXPECT_EQ(CAttributes::unescape_string("a+b%2Fc"), "a b/c");
    EXPECT_EQ(CAttributes::unescape_string("%2f%2F"), "//");
    EXPECT_EQ(CAttributes::unescape_string("50%zz!"), "50%zz!");  // not hex: copied
    EXPECT_EQ(CAttributes::unescape_string("abc%4"), "abc");      // cut off: dropped
    EXPECT_EQ(CAttributes::unescape_string("abc%"), "abc");
}

TEST(AttributesEscaping, EveryByteRoundTrips) {
    std::string all;
    for (int c = 0; c < 256; ++c) all += char(c);
    EXPECT_EQ(CAttributes::unescape_string(CAttributes::escape_string(all)), all);
}

TEST(AttributesSet, EmptyKeysAndValuesCountAsAbsent) {
    CAttributes a;
    a.Set("k", "v");
    a.Set("", "v");
    EXPECT_TRUE(a.Has("k"));
    a.Set("k", "");
    EXPECT_FALSE(a.Has("k"));
    EXPECT_TRUE(a.IsEmpty());
    std::string out = "junk";
    EXPECT_FALSE(a.GetIfPresent("k", out));
    EXPECT_EQ(out, "");
    EXPECT_EQ(a.GetStr("k", "dflt"), "dflt");
}

TEST(AttributesSet, KeysSortBytewise) {
    CAttributes a;
    a.Set("b", "2");
    a.Set("B", "1");
    a.Set("a", "3");
    a.Set("a[10]", "x");
    a.Set("a[2]", "y");
    EXPECT_EQ(a.ToString(), "B=1&a=3&a[10]=x&a[2]=y&b=2");
}

TEST(AttributesNumbers, IntsAreHexAndNegativesRoundTrip) {
    CAttributes a;
    a.SetInt("i", 255);
    a.SetInt("n", -2);
    a.SetIntD("d", -7);
    EXPECT_EQ(a.Get("i"), "0xff");
    EXPECT_EQ(a.Get("n"), "0xfffffffe");
    EXPECT_EQ(a.Get("d"), "-7");
    EXPECT_EQ(a.GetInt("i", 0), 255);
    EXPECT_EQ(a.GetInt("n", 0), -2);
    EXPECT_EQ(a.GetInt("d", 0), -7);
}

TEST(AttributesNumbers, IntReadsDecimalHexOctalAndKeepsDefaultOnGarbage) {
    CAttributes a;
    a.AddString("dec=42&hex=0x2A&oct=052&junk=abc&trail=12abc");
    EXPECT_EQ(a.GetInt("dec", 0), 42);
    EXPECT_EQ(a.GetInt("hex", 0), 42);
    EXPECT_EQ(a.GetInt("oct", 0), 42);
    EXPECT_EQ(a.GetInt("junk", 5), 5);
    EXPECT_EQ(a.GetInt("trail", 0), 12);
    EXPECT_EQ(a.GetInt("absent", 9), 9);
    EXPECT_EQ(a.GetNumberedInt("absent", 3), 0);
}

TEST(AttributesNumbers, DecimalsIgnoreTheUserLocale) {
    const std::string old = std::setlocale(LC_NUMERIC, nullptr);
    // A comma locale, when the machine has one, must not leak into the file.
    const bool comma = std::setlocale(LC_NUMERIC, "de_DE.UTF-8") != nullptr;
    CAttributes a;
    a.SetDecimal("x", 12.5);
    a.Set("y", "3.25");
    EXPECT_EQ(a.Get("x"), "12.50000000");
    EXPECT_DOUBLE_EQ(a.GetDecimal("y", 0), 3.25);
    EXPECT_DOUBLE_EQ(a.GetDecimal("absent", 1.5), 1.5);
    std::setlocale(LC_NUMERIC, old.c_str());
    (void)comma;
}

TEST(AttributesNumbers, BoolsAndDataBlocks) {
    CAttributes a;
    a.AddString("t=True&one=1&f=false&z=0");
    EXPECT_TRUE(a.GetBool("t"));
    EXPECT_TRUE(a.GetBool("one"));
    EXPECT_FALSE(a.GetBool("f"));
    EXPECT_FALSE(a.GetBool("z"));
    EXPECT_FALSE(a.GetBool("absent"));

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
    EXPECT_EQ(a.GetData("absent", back, 4), 0);
}

TEST(AttributesNumbers, NumberedKeys) {
    CAttributes a;
    a.SetNumbered("K", 0, "zero");
    a.SetNumberedInt("K", 1, 16);
    EXPECT_EQ(a.Get("K[0]"), "zero");
    EXPECT_EQ(a.GetNumbered("K", 0), "zero");
    EXPECT_EQ(a.Get("K[1]"), "0x10");
    EXPECT_EQ(a.GetNumberedInt("K", 1), 16);
}

TEST(AttributesOneLine, SplitsTrimsUnescapesAndSkipsEmptyPieces) {
    CAttributes a;
    a.AddString(" a = x+y%21 &&=novalue&nokey&b=&c=1=2\t&a2=%41\r\n");
    EXPECT_EQ(a.Get("a"), "x y!");
    EXPECT_EQ(a.Get("c"), "1=2");
    EXPECT_EQ(a.Get("a2"), "A");
    EXPECT_FALSE(a.Has("b"));
    EXPECT_FALSE(a.Has("nokey"));
    EXPECT_EQ(a.Count(), 3u);
    a.AddString("a=later");
    EXPECT_EQ(a.Get("a"), "later");
}

TEST(AttributesOneLine, ToStringRoundTripsThroughAddString) {
    CAttributes a;
    a.Set("path", "/tmp/a b&c=d");
    a.Set("n", "100%");
    CAttributes b;
    b.AddString(a.ToString());
    EXPECT_EQ(b.Entries(), a.Entries());
    EXPECT_EQ(a.ToText(), "n=100%\npath=/tmp/a b&c=d");
}

TEST(AttributesMerge, AddOverwritesAndTrimAllSpacesDropsBlankValues) {
    CAttributes a, b;
    a.Set("x", "1");
    a.Set("y", "2");
    b.Set("y", "3");
    b.Set("z", "  4 ");
    a.Add(b);
    EXPECT_EQ(a.Get("x"), "1");
    EXPECT_EQ(a.Get("y"), "3");
    a.Set("blank", "   ");
    a.TrimAllSpaces();
    EXPECT_EQ(a.Get("z"), "4");
    EXPECT_FALSE(a.Has("blank"));
    a.Clear("x");
    EXPECT_FALSE(a.Has("x"));
}

TEST(AttributesFile, WritesSortedEscapedLinesAndReadsThemBack) {
    TempDir dir;
    const std::string path = dir.file("a.ini").toStdString();
    CAttributes a;
    a.Set("zeta", "a b/c");
    a.Set("alpha", "line1\nline2");
    ASSERT_TRUE(a.ToFile(path));
    EXPECT_EQ(testsupport::readFile(dir.file("a.ini")), "alpha=line1%0aline2\nzeta=a+b%2fc\n");
    EXPECT_FALSE(QFile::exists(dir.file("a.ini.tmp")));
    CAttributes b;
    EXPECT_EQ(b.ReadFile(path), CAttributes::ReadResult::Complete);
    EXPECT_EQ(b.Entries(), a.Entries());
}

TEST(AttributesFile, SkipsRemarksBlankLinesCrAndNul) {
    TempDir dir;
    static const char text[] =
        "   # a remark=1\n\n \t \nk1=v1\r\n#x=2\nk2=v\0"
        "2&k3=v3\nlast=noeol";
    ASSERT_TRUE(testsupport::writeFile(dir.file("a.ini"), QByteArray(text, sizeof text - 1)));
    CAttributes a;
    EXPECT_TRUE(a.AddFile(dir.file("a.ini").toStdString()));
    EXPECT_EQ(a.ToString(), "k1=v1&k2=v2&k3=v3&last=noeol");
}

TEST(AttributesFile, MissingUnreadableAndOverlongFiles) {
    TempDir dir;
    CAttributes a;
    EXPECT_FALSE(a.AddFile(dir.file("none.ini").toStdString()));
    EXPECT_EQ(a.ReadFile(dir.file("none.ini").toStdString()), CAttributes::ReadResult::Missing);
    // A folder in place of the file can be opened but not read.
    QDir(dir.path()).mkdir("folder.ini");
    EXPECT_EQ(a.ReadFile(dir.file("folder.ini").toStdString()),
              CAttributes::ReadResult::Incomplete);
    // A line past 1,000,000 bytes ends reading there.
    QByteArray big = "first=1\nhuge=" + QByteArray(1000001, 'x') + "\nafter=2\n";
    ASSERT_TRUE(testsupport::writeFile(dir.file("big.ini"), big));
    CAttributes b;
    EXPECT_EQ(b.ReadFile(dir.file("big.ini").toStdString()), CAttributes::ReadResult::Incomplete);
    EXPECT_EQ(b.Get("first"), "1");
    EXPECT_FALSE(b.Has("huge"));
    EXPECT_FALSE(b.Has("after"));
}

TEST(AttributesFile, ToFileFailsWhereItCannotWrite) {
    TempDir dir;
    CAttributes a;
    a.Set("k", "v");
    EXPECT_FALSE(a.ToFile(dir.file("no/such/folder/a.ini").toStdString()));
}
