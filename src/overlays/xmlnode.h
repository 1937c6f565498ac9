// A small XML reader for the files other programs exchange with us (GPX).
//
// ScanXml walks a document held in memory and reports elements and text to a
// handler as it goes; CXMLnode builds a tree from it with the search
// operations the GPX importer and the tests use. Element names are local
// names: a prefix up to the last ':' is dropped ("xstyle:fill" is "fill"),
// so files read the same with namespaces, other prefixes or none.
//
// Text is UTF-8 and stays as it is (a document declared as Latin-1 is
// converted to UTF-8 first), except for the five predefined entities
// and numeric character references, which are decoded. A leading UTF-8
// byte-order mark, the XML declaration, processing instructions, comments
// and a DOCTYPE are skipped; CDATA sections are text. Nesting deeper than
// kMaxXmlDepth elements, a tag left open at the end and mismatched end tags
// make the document malformed.
//
// Times are seconds since 1970-01-01 00:00:00 UTC.
#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <vector>

constexpr int kMaxXmlDepth = 256;

struct XmlAttribute {
    std::string_view name;  // local name
    std::string_view raw;   // the value as written, entities not yet decoded
};

class XmlHandler {
public:
    virtual ~XmlHandler() = default;
    virtual void startElement(std::string_view name,
                              const std::vector<XmlAttribute>& attributes) = 0;
    virtual void endElement(std::string_view name) = 0;
    // raw is decoded already when cdata; otherwise it may hold references.
    virtual void text(std::string_view raw, bool cdata) = 0;
};

// False for a malformed document, with a reason and its byte offset in
// error. Events already delivered stand.
bool ScanXml(std::string_view document, XmlHandler& handler, std::string* error = nullptr);

// Appends text with the predefined entities ("&amp;", "&lt;", "&gt;",
// "&quot;", "&apos;") and character references ("&#233;", "&#xE9;") decoded
// to UTF-8. Anything else after '&' (unknown names, references to characters
// XML forbids) is kept as written.
void XML_decode_ampersand(std::string_view text, std::string& out);

// A number in the C locale, blanks around it allowed; false when the text
// is not entirely a number.
bool ParseXmlNumber(std::string_view text, double& value);

class CXMLnode {
public:
    std::string name;  // an element's local name, or a text node's text
    bool is_element = false;
    std::vector<std::pair<std::string, std::string>> attributes;  // values decoded
    std::vector<std::unique_ptr<CXMLnode>> children;              // document order

    // The root element, or null when the file can't be read or is malformed.
    static std::unique_ptr<CXMLnode> ParseFile(const std::string& path,
                                               std::string* error = nullptr);
    static std::unique_ptr<CXMLnode> ParseText(std::string_view document,
                                               std::string* error = nullptr);

    // The first child element of that name (case-insensitive), or null. The
    // iterator form starts at position `from` and leaves it after the match,
    // so that repeated calls walk every match.
    CXMLnode* FindChild(std::string_view childName) const;
    CXMLnode* FindChild(std::string_view childName, size_t& from) const;
    // Every element of that name in the subtree below this node, in document
    // order: StartFindRecursive, then FindNextRecursive until null.
    void StartFindRecursive();
    CXMLnode* FindNextRecursive(std::string_view elementName);

    // Case-insensitive; null when absent.
    const std::string* FindAttribute(std::string_view attributeName) const;
    double FindAttributeDbl(std::string_view attributeName, double fallback) const;
    int FindAttributeInt(std::string_view attributeName, int fallback) const;

    // Appends the text of every text node below, in document order.
    void GetChildContents(std::string& out) const;
    // The contents of the first child element of that name; false when there
    // is no such child (or, for numbers, when its text is not a number).
    bool FindChildGetContents(std::string_view childName, std::string& out) const;
    bool FindChildGetContents(std::string_view childName, double& out) const;
    bool FindChildGetContents(std::string_view childName, float& out) const;
    bool FindChildGetContents(std::string_view childName, int& out) const;
    bool FindChildGetContents(std::string_view childName, short& out) const;

    // "%d-%d-%dT%d:%d:%d" with its zone offset ("+02:00"; none or "Z" is
    // UTC); fractions of seconds are dropped. 0 when a field is missing or
    // impossible (month 13, 30 February, hour 24, minute 60...).
    static double parse_time(std::string_view text);
    // "YYYY-MM-DDThh:mm:ssZ" in UTC, whole seconds.
    static void format_time(double time, std::string& out);

private:
    std::vector<std::pair<const CXMLnode*, size_t>> m_walk;  // FindNextRecursive's place
};

bool EqualsNoCase(std::string_view a, std::string_view b);
