// String helpers: orderings, matching, names and sizes.
#include <gtest/gtest.h>

#include <QDateTime>

#include "app/base/stringutils.h"

namespace {

TEST(StringCompare, NaturalOrder) {
    EXPECT_LT(alnumcmp("Map2", "map10"), 0);
    EXPECT_EQ(alnumcmp("a01", "a1"), 0);
    EXPECT_LT(alnumcmp("Track 9", "Track 10"), 0);
    EXPECT_GT(alnumcmp("Track 10b", "Track 10a"), 0);
    EXPECT_EQ(alnumcmp("x", "X"), 0);
    EXPECT_LT(alnumcmp("x", "x1"), 0);
    // Numbers longer than any integer type still compare right.
    EXPECT_LT(alnumcmp("n99999999999999999999998", "n99999999999999999999999"), 0);
    EXPECT_EQ(CompareAlphaNumeric("b", "a") > 0, true);
}

TEST(StringSearch, UpperCaseNeedle) {
    const char* hay = "North Harbour";
    EXPECT_EQ(stristr_upper(hay, "HARB"), hay + 6);
    EXPECT_EQ(stristr_upper(hay, ""), hay);
    EXPECT_EQ(stristr_upper("", "A"), nullptr);
    EXPECT_EQ(stristr_upper(hay, "XYZ"), nullptr);
    EXPECT_EQ(findNocase("Hello World", "WORLD"), 6);
    EXPECT_EQ(findNocase("Hello", "hellos"), -1);
}

TEST(StringSearch, Wildcards) {
    EXPECT_TRUE(pattern_match_ignorecase("Chart.KTL", "*.ktl"));
    EXPECT_TRUE(pattern_match_ignorecase("abc", "a?c"));
    EXPECT_FALSE(pattern_match_ignorecase("ac", "a?c"));
    EXPECT_TRUE(pattern_match_ignorecase("aXbXc", "a*b*c"));
    EXPECT_TRUE(pattern_match_ignorecase("abcbc", "*bc"));
    EXPECT_TRUE(pattern_match_ignorecase("", "*"));
    EXPECT_FALSE(pattern_match_ignorecase("abc", "ab"));
    EXPECT_TRUE(pattern_match_ignorecase("anything", "any*"));
}

TEST(FileNames, ExtensionAndSafeNames) {
    EXPECT_TRUE(filename_has_extension("x.GPX", 5, "gpx"));
    EXPECT_FALSE(filename_has_extension("gpx", 3, "gpx"));
    EXPECT_FALSE(filename_has_extension("xgpx", 4, "gpx"));
    EXPECT_TRUE(string_ends_with("map.ktl", ".ktl"));
    EXPECT_FALSE(string_ends_with("l", ".ktl"));
    EXPECT_EQ(make_safe_filename("My Route: Day 1/2"), "MyRouteDay12");
    EXPECT_EQ(make_safe_filename("abcdefghijklmnopqrstuvwxyz0123"), "abcdefghijklmnopqrstuvwxy");
    EXPECT_EQ(make_safe_filename("a+b-c_d.e"), "a+b-c_d.e");
}

TEST(ExpandDateAndTime, PatternsAndEscapes) {
    const QDateTime when(QDate(2026, 3, 4), QTime(5, 6, 7));
    const double t = double(when.toMSecsSinceEpoch()) / 1000.0;
    EXPECT_EQ(ExpandDateAndTime("Track %yyyy-MM-dd%", t), "Track 2026-03-04");
    EXPECT_EQ(ExpandDateAndTime("%hh:mm% 100%%", t), "05:06 100%");
    EXPECT_EQ(ExpandDateAndTime("50% off", t), "50% off");  // no partner: unchanged
    EXPECT_EQ(ExpandDateAndTime("%", t), "%");
    setSignedInAccountName("");
    EXPECT_EQ(ExpandDateAndTime("by %U.", t), "by .");
    setSignedInAccountName("skipper");
    EXPECT_EQ(ExpandDateAndTime("by %U.", t), "by skipper.");
    setSignedInAccountName("");
    EXPECT_FALSE(ExpandDateAndTime("%V", t).empty());
}

}  // namespace
