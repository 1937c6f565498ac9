// The XML reader and the GPX writer's pieces: references, documents as other
// programs write them, hostile documents, searches, times, escaping, and
// writes that fail.
#include <gtest/gtest.h>

#include <QDateTime>
#include <QFile>
#include <QTemporaryDir>
#include <QTimeZone>

#include "overlays/gpxoutput.h"
#include "overlays/xmlnode.h"

namespace {

using namespace std::string_literals;

std::unique_ptr<CXMLnode> parse(const std::string& text, std::string* error = nullptr) {
    return CXMLnode::ParseText(text, error);
}

std::string contentsOf(const std::string& element, const std::string& inner) {
    auto root = parse("<" + element + ">" + inner + "</" + element + ">");
    std::string out;
    if (root) root->GetChildContents(out);
    return out;
}

TEST(XmlReader, ReferencesAreDecodedAndUtf8IsKept) {
    const struct {
        const char* written;
        const char* read;
    } cases[] = {
        {"Fish &amp; Chips", "Fish & Chips"},
        {"&lt;b&gt; &quot;q&quot; &apos;a&apos;", "<b> \"q\" 'a'"},
        {"Caf&#233;", "Caf\xC3\xA9"},
        {"Caf&#xE9; &#xe9;", "Caf\xC3\xA9 \xC3\xA9"},
        {"&#x1F6A2;", "\xF0\x9F\x9A\xA2"},
        {"\xC5\xBDiri \xE2\x9A\x93", "\xC5\xBDiri \xE2\x9A\x93"},
        {"&nbsp;", "&nbsp;"},                // not predefined: kept
        {"&#0; &#xD800;", "&#0; &#xD800;"},  // not characters XML allows
        {"a & b; c", "a & b; c"},            // a bare ampersand
        {"&#x110000;", "&#x110000;"},
        {"&amp;lt;", "&lt;"},  // decoded once only
        {"a<![CDATA[<b>&amp;</b>]]>c", "a<b>&amp;</b>c"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.written);
        EXPECT_EQ(contentsOf("name", c.written), c.read);
    }
    auto root = parse("<a title=\"x &amp; y &#65;&quot;\"/>");
    ASSERT_TRUE(root && root->FindAttribute("TITLE"));
    EXPECT_EQ(*root->FindAttribute("title"), "x & y A\"");
}

TEST(XmlReader, DocumentsAsOtherProgramsWriteThem) {
    const struct {
        const char* what;
        std::string document;
    } cases[] = {
        {"plain", "<gpx><wpt lat=\"1\"><name>N</name></wpt></gpx>"},
        {"declaration and BOM",
         "\xEF\xBB\xBF<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<gpx><wpt lat=\"1\">"
         "<name>N</name></wpt></gpx>"},
        {"default namespace",
         "<gpx xmlns=\"http://www.topografix.com/GPX/1/1\"><wpt "
         "lat='1'><name>N</name></wpt></gpx>"},
        {"prefixed", "<g:gpx xmlns:g=\"x\"><g:wpt g:lat=\"1\"><g:name>N</g:name></g:wpt></g:gpx>"},
        {"comments and DOCTYPE",
         "<!DOCTYPE gpx [<!ENTITY x \"y\">]><!-- a <b> --><gpx><!-- c --><wpt lat=\"1\">"
         "<name><!-- d -->N</name></wpt></gpx>"},
        {"CDATA", "<gpx><wpt lat=\"1\"><name><![CDATA[N]]></name></wpt></gpx>"},
        {"spaces in tags", "<gpx ><wpt  lat = \"1\" ><name\n>N</name ></wpt\n></gpx>"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        std::string error;
        auto root = parse(c.document, &error);
        ASSERT_TRUE(root) << error;
        CXMLnode* wpt = root->FindChild("WPT");
        ASSERT_TRUE(root->name == "gpx" && wpt);
        std::string name;
        EXPECT_TRUE(wpt->FindChildGetContents("name", name));
        EXPECT_EQ(std::pair(wpt->FindAttributeDbl("lat", 0), name), std::pair(1.0, "N"s));
    }
}

TEST(XmlReader, ADocumentDeclaredLatin1IsReadAsUtf8) {
    const struct {
        const char* declaration;
        const char* read;
    } cases[] = {
        {"<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?>", "Caf\xC3\xA9"},
        {"<?xml version='1.0' encoding='windows-1252'?>", "Caf\xC3\xA9"},
        {"<?xml version=\"1.0\" encoding=\"UTF-8\"?>", "Caf\xE9"},  // bytes kept as they are
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.declaration);
        std::string text;
        if (auto root = parse(std::string(c.declaration) + "<name>Caf\xE9</name>"))
            root->GetChildContents(text);
        EXPECT_EQ(text, c.read);
    }
}

TEST(XmlReader, MalformedAndHostileDocumentsAreRefused) {
    auto nested = [](int depth, bool closed) {
        std::string text;
        for (int i = 0; i < depth; ++i) text += "<e>";
        for (int i = 0; closed && i < depth; ++i) text += "</e>";
        return text;
    };
    const struct {
        const char* what;
        std::string document;
        bool ok;
    } cases[] = {
        {"nested to the limit", nested(kMaxXmlDepth, true), true},
        {"nested beyond the limit", nested(kMaxXmlDepth + 1, true), false},
        {"a million open elements", nested(1000000, false), false},
        {"mismatched end tag", "<a><b></a></b>", false},
        {"unclosed root", "<a><b/>", false},
        {"unterminated comment", "<a><!-- x</a>", false},
        {"unterminated attribute", "<a x=\"1></a>", false},
        {"attribute without quotes", "<a x=1></a>", false},
        {"end tag with no start", "</a>", false},
        {"text only", "no markup", false},
        {"empty", "", false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        std::string error;
        EXPECT_EQ(parse(c.document, &error) != nullptr, c.ok) << error;
        EXPECT_EQ(error.empty(), c.ok);
    }
}

TEST(XmlReader, AHugeAttributeIsReadWhole) {
    const std::string value(20 * 1024 * 1024, 'x');
    auto root = parse("<a v=\"" + value + "\" w='2'/>");
    ASSERT_TRUE(root && root->FindAttribute("v"));
    EXPECT_EQ(root->FindAttribute("v")->size(), value.size());
    EXPECT_EQ(root->FindAttributeInt("w", 0), 2);
}

TEST(XmlReader, EveryTruncationOfADocumentIsRefused) {
    const std::string document =
        "<?xml version=\"1.0\"?><gpx><wpt lat=\"1\" lon=\"2\"><name>A &amp; B</name>"
        "<desc><![CDATA[x]]></desc><!-- c --></wpt></gpx>";
    for (size_t n = 0; n < document.size(); ++n) {
        SCOPED_TRACE(n);
        EXPECT_FALSE(parse(document.substr(0, n)));
    }
    EXPECT_TRUE(parse(document));
}

TEST(XmlReader, SearchOperations) {
    auto root = parse(
        "<r><a n='1'><x>one</x></a><B n='2'/><a n='3.5'><c><a n='4'>t<i>u</i>v</a></c></a>"
        "<num>12</num><big>40000</big><bad>1x</bad></r>");
    ASSERT_TRUE(root);
    // The iterator form walks every direct child of a name.
    std::vector<std::string> found;
    size_t at = 0;
    while (CXMLnode* a = root->FindChild("A", at)) found.push_back(*a->FindAttribute("n"));
    EXPECT_EQ(found, (std::vector<std::string>{"1", "3.5"}));
    EXPECT_EQ(root->FindChild("b")->FindAttributeInt("n", 0), 2);
    EXPECT_FALSE(root->FindChild("none"));
    // The recursive search reaches every depth, in document order.
    found.clear();
    root->StartFindRecursive();
    while (CXMLnode* a = root->FindNextRecursive("a")) found.push_back(*a->FindAttribute("n"));
    EXPECT_EQ(found, (std::vector<std::string>{"1", "3.5", "4"}));
    EXPECT_EQ(root->FindChild("a")->FindAttributeDbl("missing", -7), -7);
    CXMLnode* second = root->FindChild("a", at = 1);
    std::string text;
    second->GetChildContents(text);
    EXPECT_EQ(std::pair(second->FindAttributeDbl("n", 0), text), std::pair(3.5, "tuv"s));

    double d = 0;
    float f = 0;
    int i = 0;
    short s = 0;  // each type its own conversion
    EXPECT_TRUE(root->FindChildGetContents("num", d) && root->FindChildGetContents("num", f) &&
                root->FindChildGetContents("num", i) && root->FindChildGetContents("num", s));
    EXPECT_TRUE(d == 12 && f == 12 && i == 12 && s == 12);
    EXPECT_FALSE(root->FindChildGetContents("big", s) || root->FindChildGetContents("bad", d) ||
                 root->FindChildGetContents("missing", d));  // beyond a short, not a number
}

double utcSeconds(int y, int mo, int d, int h, int mi, int s) {
    return double(QDateTime(QDate(y, mo, d), QTime(h, mi, s), QTimeZone::utc()).toSecsSinceEpoch());
}

TEST(GpxTime, ParsingAcceptsWhatIsPossibleAndRefusesTheRest) {
    const struct {
        const char* text;
        double expected;  // 0: refused
    } cases[] = {
        {"2024-02-29T12:34:56Z", utcSeconds(2024, 2, 29, 12, 34, 56)},
        {"2000-02-29T00:00:00Z", utcSeconds(2000, 2, 29, 0, 0, 0)},
        {"2013-01-02T02:03:00.750Z", utcSeconds(2013, 1, 2, 2, 3, 0)},  // fraction dropped
        {"2013-1-2T2:3:4", utcSeconds(2013, 1, 2, 2, 3, 4)},
        {"1969-12-31T23:00:00Z", -3600},
        {"2024-06-01T12:00:00+02:00", utcSeconds(2024, 6, 1, 10, 0, 0)},
        {"2024-06-01T12:00:00.5-0330", utcSeconds(2024, 6, 1, 15, 30, 0)},
        {"2024-06-01T00:30:00+01", utcSeconds(2024, 5, 31, 23, 30, 0)},
        {"2024-06-01T12:00:00+25:00", utcSeconds(2024, 6, 1, 12, 0, 0)},  // no such zone
        {"2024-13-01T00:00:00Z", 0},
        {"2024-00-10T00:00:00Z", 0},
        {"2023-02-29T00:00:00Z", 0},
        {"1900-02-29T00:00:00Z", 0},
        {"2024-04-31T00:00:00Z", 0},
        {"2024-01-00T00:00:00Z", 0},
        {"2024-01-01T24:00:00Z", 0},
        {"2024-01-01T12:60:00Z", 0},
        {"2024-01-01T12:00:61Z", 0},
        {"2024-01-01T-1:00:00Z", 0},
        {"2024-01-01T12:00Z", 0},
        {"2024-01-01", 0},
        {"yesterday", 0},
        {"", 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(CXMLnode::parse_time(c.text), c.expected);
    }
}

TEST(GpxTime, FormattingIsUtcToTheSecondAndReadsBack) {
    std::string text;
    CXMLnode::format_time(utcSeconds(2024, 2, 29, 12, 34, 56) + 0.9, text);
    EXPECT_EQ(text, "2024-02-29T12:34:56Z");
    CXMLnode::format_time(-1, text);
    EXPECT_EQ(text, "1969-12-31T23:59:59Z");
    // A day a month for three centuries.
    for (double t = utcSeconds(1901, 1, 1, 0, 0, 0); t < 7.3e9; t += 86400.0 * 31 + 3661) {
        CXMLnode::format_time(t, text);
        ASSERT_EQ(CXMLnode::parse_time(text), t) << text;
        ASSERT_EQ(text, QDateTime::fromSecsSinceEpoch(qint64(t), QTimeZone::utc())
                            .toString("yyyy-MM-ddThh:mm:ssZ")
                            .toStdString());
    }
}

// What XMLwrite_tag wrote, read back through the reader.
std::string writtenAndRead(const std::string& text, std::string* raw = nullptr) {
    char* buffer = nullptr;
    size_t size = 0;
    FILE* memory = open_memstream(&buffer, &size);
    XMLwrite_tag(memory, "name", text);
    std::fclose(memory);
    const std::string written(buffer, size);
    std::free(buffer);
    if (raw) *raw = written;
    std::string out;
    if (auto root = CXMLnode::ParseText(written)) root->GetChildContents(out);
    return out;
}

TEST(GpxWriter, TextsSurviveTheTagsAroundThem) {
    const char* const texts[] = {
        "plain", "Fish & Chips", "<b>",         "a]]>b",          "]]>]]>",
        "x]]",   "two\nlines",   "\xC5\xBDiri", "quote \" and '",
    };
    for (const char* text : texts) {
        SCOPED_TRACE(text);
        std::string raw;
        EXPECT_EQ(writtenAndRead(text, &raw), text) << raw;
    }
    // Control characters cannot be carried and are left out; bytes that are
    // not UTF-8 (Latin-1, a cut sequence, an encoded surrogate) are replaced.
    const struct {
        std::string text, read;
    } unwritable[] = {
        {"a\x01z\x1F", "az"},
        {"caf\xE9", "caf\xEF\xBF\xBD"},
        {"\xE2\x9A", "\xEF\xBF\xBD\xEF\xBF\xBD"},
        {"\xED\xA0\x80!", "\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD!"},
        {"\xC0\xAF", "\xEF\xBF\xBD\xEF\xBF\xBD"},
        {"\xF0\x9F\x9A\xA2", "\xF0\x9F\x9A\xA2"},
    };
    for (const auto& c : unwritable) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(writtenAndRead(c.text), c.read);
        EXPECT_EQ(QString::fromStdString(XMLescape_attribute(c.text)).toStdString(),
                  XMLescape_attribute(c.text));  // valid UTF-8 throughout
    }
}

TEST(GpxWriter, AttributeValuesEscapeEveryMarkupCharacter) {
    const std::string link = "http://x/?a=1&b=\"2\"<3>";
    const std::string escaped = XMLescape_attribute(link);
    EXPECT_EQ(escaped, "http://x/?a=1&amp;b=&quot;2&quot;&lt;3&gt;");
    auto root = CXMLnode::ParseText("<link href=\"" + escaped + "\"/>");
    ASSERT_TRUE(root && root->FindAttribute("href"));
    EXPECT_EQ(*root->FindAttribute("href"), link);
}

TEST(GpxWriter, NumbersIgnoreTheLocale) {
    EXPECT_EQ(GpxNumber(12.5, 10), "12.5000000000");
    EXPECT_EQ(GpxNumber(-0.04, 1), "0.0");
    EXPECT_EQ(GpxNumber(-50, 1), "-50.0");
}

TEST(GpxWriter, AFailedWriteIsReportedAndLeavesNothingBehind) {
    {
        CGPXOutput full("/dev/full");
        ASSERT_TRUE(full.file());
        for (int i = 0; i < 1000; ++i) XMLwrite_tag(full.file(), "name", "padding the buffer");
        EXPECT_FALSE(full.Close());
        EXPECT_NE(full.error().find("No space"), std::string::npos) << full.error();
    }
    {
        CGPXOutput small("/dev/full");  // even a document that fits one buffer
        EXPECT_FALSE(small.Close());
    }
    QTemporaryDir dir;
    const std::string missing = dir.filePath("no/such/folder/out.gpx").toStdString();
    CGPXOutput nowhere(missing);
    EXPECT_FALSE(nowhere.file() || nowhere.Close());

    const std::string path = dir.filePath("out.gpx").toStdString();
    {
        CGPXOutput output(path);
        XMLwrite_tag(output.file(), "name", "x");
        // Until closed, the document is only in the temporary file.
        EXPECT_FALSE(QFile::exists(QString::fromStdString(path)));
        EXPECT_TRUE(output.Close());
    }
    EXPECT_TRUE(QFile::exists(QString::fromStdString(path)) &&
                !QFile::exists(QString::fromStdString(path + ".tmp")));
    EXPECT_TRUE(CXMLnode::ParseFile(path));
}

}  // namespace
