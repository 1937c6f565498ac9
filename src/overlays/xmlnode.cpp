#include "overlays/xmlnode.h"

#include <QFile>
#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstring>

namespace {

bool isBlank(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r';
}

std::string_view localName(std::string_view qualified) {
    const size_t colon = qualified.rfind(':');
    return colon == std::string_view::npos ? qualified : qualified.substr(colon + 1);
}

char lowerAscii(char c) {
    return c >= 'A' && c <= 'Z' ? char(c + 32) : c;
}

// The document as one pass over a buffer: no copies of names or values.
class Scanner {
public:
    Scanner(std::string_view doc, XmlHandler& handler) : m_doc(doc), m_handler(handler) {}

    bool run(std::string* error) {
        if (m_doc.substr(0, 3) == "\xEF\xBB\xBF") m_pos = 3;
        bool ok = true;
        while (ok && m_pos < m_doc.size()) {
            const char* start = m_doc.data() + m_pos;
            const void* lt = std::memchr(start, '<', m_doc.size() - m_pos);
            const size_t at =
                lt ? size_t(static_cast<const char*>(lt) - m_doc.data()) : m_doc.size();
            if (at > m_pos && !m_open.empty())
                m_handler.text(m_doc.substr(m_pos, at - m_pos), false);
            m_pos = at;
            if (at < m_doc.size()) ok = markup();
        }
        if (ok && !m_open.empty())
            ok = fail("the document ends inside <" + std::string(m_open.back()) + ">");
        if (ok && !m_sawElement) ok = fail("no element");
        if (!ok && error) *error = m_error;
        return ok;
    }

private:
    bool fail(const std::string& why) {
        m_error = why + " (at byte " + std::to_string(m_pos) + ")";
        return false;
    }

    bool startsWith(std::string_view s) const { return m_doc.substr(m_pos, s.size()) == s; }

    // Moves past the terminator; false when the document ends first.
    bool skipPast(std::string_view terminator, const char* what) {
        const size_t end = m_doc.find(terminator, m_pos);
        if (end == std::string_view::npos) return fail(std::string("unterminated ") + what);
        m_pos = end + terminator.size();
        return true;
    }

    bool markup() {
        if (startsWith("<?")) return skipPast("?>", "processing instruction");
        if (startsWith("<!--")) return skipPast("-->", "comment");
        if (startsWith("<![CDATA[")) {
            const size_t from = m_pos + 9;
            if (!skipPast("]]>", "CDATA section")) return false;
            if (!m_open.empty()) m_handler.text(m_doc.substr(from, m_pos - 3 - from), true);
            return true;
        }
        if (startsWith("<!")) return skipDeclaration();
        if (startsWith("</")) return endTag();
        return startTag();
    }

    // <!DOCTYPE ...> with an optional internal subset in brackets.
    bool skipDeclaration() {
        int brackets = 0;
        for (size_t i = m_pos + 2; i < m_doc.size(); ++i) {
            const char c = m_doc[i];
            if (c == '[') ++brackets;
            if (c == ']') --brackets;
            if (c == '>' && brackets <= 0) {
                m_pos = i + 1;
                return true;
            }
        }
        return fail("unterminated declaration");
    }

    size_t nameEnd(size_t from) const {
        size_t i = from;
        while (i < m_doc.size() && !isBlank(m_doc[i]) && m_doc[i] != '>' && m_doc[i] != '/' &&
               m_doc[i] != '=' && m_doc[i] != '<')
            ++i;
        return i;
    }

    void skipBlanks() {
        while (m_pos < m_doc.size() && isBlank(m_doc[m_pos])) ++m_pos;
    }

    bool endTag() {
        const size_t from = m_pos + 2;
        const size_t end = nameEnd(from);
        const std::string_view name = m_doc.substr(from, end - from);
        m_pos = end;
        skipBlanks();
        if (m_pos >= m_doc.size() || m_doc[m_pos] != '>') return fail("unterminated end tag");
        ++m_pos;
        if (m_open.empty() || m_open.back() != name)
            return fail("</" + std::string(name) + "> does not close the open element");
        m_open.pop_back();
        m_handler.endElement(localName(name));
        return true;
    }

    bool startTag() {
        const size_t from = m_pos + 1;
        const size_t end = nameEnd(from);
        if (end == from) return fail("a '<' that starts no tag");
        const std::string_view name = m_doc.substr(from, end - from);
        m_pos = end;
        m_attributes.clear();
        for (;;) {
            skipBlanks();
            if (m_pos >= m_doc.size()) return fail("unterminated tag <" + std::string(name) + ">");
            const char c = m_doc[m_pos];
            if (c == '>' || c == '/') break;
            if (!attribute()) return false;
        }
        const bool empty = m_doc[m_pos] == '/';
        if (empty && (m_pos + 1 >= m_doc.size() || m_doc[m_pos + 1] != '>'))
            return fail("a '/' inside a tag");
        m_pos += empty ? 2 : 1;
        if (!empty && m_open.size() >= size_t(kMaxXmlDepth))
            return fail("elements nested deeper than " + std::to_string(kMaxXmlDepth));
        m_sawElement = true;
        m_handler.startElement(localName(name), m_attributes);
        if (empty)
            m_handler.endElement(localName(name));
        else
            m_open.push_back(name);
        return true;
    }

    bool attribute() {
        const size_t from = m_pos;
        const size_t end = nameEnd(from);
        if (end == from) return fail("a malformed attribute");
        const std::string_view name = m_doc.substr(from, end - from);
        m_pos = end;
        skipBlanks();
        if (m_pos >= m_doc.size() || m_doc[m_pos] != '=') return fail("an attribute without '='");
        ++m_pos;
        skipBlanks();
        if (m_pos >= m_doc.size() || (m_doc[m_pos] != '"' && m_doc[m_pos] != '\''))
            return fail("an attribute value without quotes");
        const char quote = m_doc[m_pos++];
        const size_t close = m_doc.find(quote, m_pos);
        if (close == std::string_view::npos) return fail("an unterminated attribute value");
        m_attributes.push_back({localName(name), m_doc.substr(m_pos, close - m_pos)});
        m_pos = close + 1;
        return true;
    }

    std::string_view m_doc;
    XmlHandler& m_handler;
    size_t m_pos = 0;
    std::vector<std::string_view> m_open;  // qualified names of the open elements
    std::vector<XmlAttribute> m_attributes;
    bool m_sawElement = false;
    std::string m_error;
};

void appendUtf8(uint32_t cp, std::string& out) {
    if (cp < 0x80) {
        out += char(cp);
    } else if (cp < 0x800) {
        out += char(0xC0 | (cp >> 6));
        out += char(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        out += char(0xE0 | (cp >> 12));
        out += char(0x80 | ((cp >> 6) & 0x3F));
        out += char(0x80 | (cp & 0x3F));
    } else {
        out += char(0xF0 | (cp >> 18));
        out += char(0x80 | ((cp >> 12) & 0x3F));
        out += char(0x80 | ((cp >> 6) & 0x3F));
        out += char(0x80 | (cp & 0x3F));
    }
}

// The characters XML allows.
bool isXmlChar(uint32_t cp) {
    return cp == 0x9 || cp == 0xA || cp == 0xD || (cp >= 0x20 && cp <= 0xD7FF) ||
           (cp >= 0xE000 && cp <= 0xFFFD) || (cp >= 0x10000 && cp <= 0x10FFFF);
}

bool decodeReference(std::string_view entity, std::string& out) {
    static constexpr std::pair<std::string_view, char> kNamed[] = {
        {"amp", '&'}, {"lt", '<'}, {"gt", '>'}, {"quot", '"'}, {"apos", '\''}};
    for (const auto& [named, c] : kNamed)
        if (entity == named) {
            out += c;
            return true;
        }
    if (entity.size() < 2 || entity[0] != '#') return false;
    const bool hex = entity[1] == 'x';
    const std::string_view digits = entity.substr(hex ? 2 : 1);
    uint32_t cp = 0;
    const auto [end, ec] =
        std::from_chars(digits.data(), digits.data() + digits.size(), cp, hex ? 16 : 10);
    if (ec != std::errc() || end != digits.data() + digits.size() || digits.empty() ||
        !isXmlChar(cp))
        return false;
    appendUtf8(cp, out);
    return true;
}

// Builds the tree of CXMLnode::ParseText.
class TreeBuilder : public XmlHandler {
public:
    void startElement(std::string_view name, const std::vector<XmlAttribute>& attrs) override {
        auto node = std::make_unique<CXMLnode>();
        node->is_element = true;
        node->name = name;
        for (const XmlAttribute& a : attrs) {
            std::string value;
            XML_decode_ampersand(a.raw, value);
            node->attributes.emplace_back(std::string(a.name), std::move(value));
        }
        CXMLnode* raw = node.get();
        if (m_stack.empty()) {
            if (!root)
                root = std::move(node);  // later top-level elements are dropped
            else
                raw = nullptr;
        } else if (m_stack.back()) {
            m_stack.back()->children.push_back(std::move(node));
        } else {
            raw = nullptr;
        }
        m_stack.push_back(raw);
    }
    void endElement(std::string_view) override { m_stack.pop_back(); }
    void text(std::string_view raw, bool cdata) override {
        if (m_stack.empty() || !m_stack.back()) return;
        // Blanks between elements are layout, not content.
        if (!cdata && std::all_of(raw.begin(), raw.end(), isBlank)) return;
        auto node = std::make_unique<CXMLnode>();
        if (cdata)
            node->name = raw;
        else
            XML_decode_ampersand(raw, node->name);
        m_stack.back()->children.push_back(std::move(node));
    }

    std::unique_ptr<CXMLnode> root;

private:
    std::vector<CXMLnode*> m_stack;
};

// Days from 1970-01-01 to a proleptic Gregorian date (H. Hinnant's
// days_from_civil).
int64_t daysFromCivil(int64_t y, int m, int d) {
    y -= m <= 2;
    const int64_t era = (y >= 0 ? y : y - 399) / 400;
    const int64_t yoe = y - era * 400;
    const int64_t doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + doe - 719468;
}

void civilFromDays(int64_t z, int64_t& y, int& m, int& d) {
    z += 719468;
    const int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    const int64_t doe = z - era * 146097;
    const int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const int64_t mp = (5 * doy + 2) / 153;
    d = int(doy - (153 * mp + 2) / 5 + 1);
    m = int(mp < 10 ? mp + 3 : mp - 9);
    y = yoe + era * 400 + (m <= 2);
}

int daysInMonth(int64_t y, int m) {
    static constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    const bool leap = (y % 4 == 0 && y % 100 != 0) || y % 400 == 0;
    return m == 2 && leap ? 29 : kDays[m - 1];
}

// One "%d" of sscanf: blanks, a sign, digits.
bool readInt(std::string_view text, size_t& pos, int& value) {
    while (pos < text.size() && isBlank(text[pos])) ++pos;
    size_t from = pos;
    if (from < text.size() && text[from] == '+') ++from;
    const auto [end, ec] = std::from_chars(text.data() + from, text.data() + text.size(), value);
    if (ec != std::errc()) return false;
    pos = size_t(end - text.data());
    return true;
}

// Seconds east of UTC of a time's "+hh:mm", "-hh:mm", "+hhmm" or "+hh" after
// its seconds and their fraction; 0 for "Z", none or anything else, as most
// writers mean UTC.
int zoneOffset(std::string_view text, size_t pos) {
    if (pos < text.size() && text[pos] == '.') {
        ++pos;
        while (pos < text.size() && text[pos] >= '0' && text[pos] <= '9') ++pos;
    }
    if (pos >= text.size() || (text[pos] != '+' && text[pos] != '-')) return 0;
    const int sign = text[pos] == '-' ? -1 : 1;
    std::string digits;
    for (++pos; pos < text.size() && digits.size() < 4; ++pos) {
        if (text[pos] >= '0' && text[pos] <= '9')
            digits += text[pos];
        else if (text[pos] != ':' || digits.size() != 2)
            break;
    }
    if (digits.size() != 2 && digits.size() != 4) return 0;
    const int hours = std::stoi(digits.substr(0, 2));
    const int minutes = digits.size() == 4 ? std::stoi(digits.substr(2)) : 0;
    if (hours > 14 || minutes > 59) return 0;
    return sign * (hours * 3600 + minutes * 60);
}

}  // namespace

bool EqualsNoCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (lowerAscii(a[i]) != lowerAscii(b[i])) return false;
    return true;
}

namespace {

// A document that declares a Latin-1 encoding, as older GPS software writes
// it, is read as UTF-8 like every other.
bool declaresLatin1(std::string_view document) {
    if (document.substr(0, 5) != "<?xml") return false;
    const std::string_view declaration = document.substr(0, document.find("?>"));
    const size_t at = declaration.find("encoding");
    if (at == std::string_view::npos) return false;
    const size_t from = declaration.find_first_of("\"'", at);
    if (from == std::string_view::npos) return false;
    const std::string_view name =
        declaration.substr(from + 1, declaration.find_first_of("\"'", from + 1) - from - 1);
    return EqualsNoCase(name, "ISO-8859-1") || EqualsNoCase(name, "latin1") ||
           EqualsNoCase(name, "ISO-8859-15") || EqualsNoCase(name, "windows-1252");
}

}  // namespace

bool ScanXml(std::string_view document, XmlHandler& handler, std::string* error) {
    if (declaresLatin1(document)) {
        const QByteArray utf8 =
            QString::fromLatin1(document.data(), qsizetype(document.size())).toUtf8();
        return Scanner(std::string_view(utf8.constData(), size_t(utf8.size())), handler).run(error);
    }
    return Scanner(document, handler).run(error);
}

void XML_decode_ampersand(std::string_view text, std::string& out) {
    size_t i = 0;
    for (;;) {
        const size_t amp = text.find('&', i);
        if (amp == std::string_view::npos) {
            out.append(text.substr(i));
            return;
        }
        out.append(text.substr(i, amp - i));
        const size_t semi = text.find(';', amp);
        // The longest reference worth decoding is "&#x10FFFF;".
        if (semi != std::string_view::npos && semi - amp <= 10 &&
            decodeReference(text.substr(amp + 1, semi - amp - 1), out)) {
            i = semi + 1;
        } else {
            out += '&';
            i = amp + 1;
        }
    }
}

bool ParseXmlNumber(std::string_view text, double& value) {
    while (!text.empty() && isBlank(text.front())) text.remove_prefix(1);
    while (!text.empty() && isBlank(text.back())) text.remove_suffix(1);
    if (!text.empty() && text.front() == '+') text.remove_prefix(1);
    if (text.empty()) return false;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    return ec == std::errc() && end == text.data() + text.size() && std::isfinite(value);
}

// ---------------------------------------------------------------- the tree

std::unique_ptr<CXMLnode> CXMLnode::ParseText(std::string_view document, std::string* error) {
    TreeBuilder builder;
    if (!ScanXml(document, builder, error)) return nullptr;
    return std::move(builder.root);
}

std::unique_ptr<CXMLnode> CXMLnode::ParseFile(const std::string& path, std::string* error) {
    QFile file(QString::fromStdString(path));
    if (!file.open(QIODevice::ReadOnly)) {
        if (error) *error = file.errorString().toStdString();
        return nullptr;
    }
    const QByteArray bytes = file.readAll();
    return ParseText(std::string_view(bytes.constData(), size_t(bytes.size())), error);
}

CXMLnode* CXMLnode::FindChild(std::string_view childName) const {
    size_t from = 0;
    return FindChild(childName, from);
}

CXMLnode* CXMLnode::FindChild(std::string_view childName, size_t& from) const {
    for (size_t i = from; i < children.size(); ++i) {
        CXMLnode* child = children[i].get();
        if (child->is_element && EqualsNoCase(child->name, childName)) {
            from = i + 1;
            return child;
        }
    }
    from = children.size();
    return nullptr;
}

void CXMLnode::StartFindRecursive() {
    m_walk.clear();
    m_walk.emplace_back(this, 0);
}

CXMLnode* CXMLnode::FindNextRecursive(std::string_view elementName) {
    while (!m_walk.empty()) {
        auto& [node, next] = m_walk.back();
        if (next >= node->children.size()) {
            m_walk.pop_back();
            continue;
        }
        CXMLnode* child = node->children[next++].get();
        if (!child->is_element) continue;
        m_walk.emplace_back(child, 0);
        if (EqualsNoCase(child->name, elementName)) return child;
    }
    return nullptr;
}

const std::string* CXMLnode::FindAttribute(std::string_view attributeName) const {
    for (const auto& [key, value] : attributes)
        if (EqualsNoCase(key, attributeName)) return &value;
    return nullptr;
}

double CXMLnode::FindAttributeDbl(std::string_view attributeName, double fallback) const {
    double value = 0;
    const std::string* text = FindAttribute(attributeName);
    return text && ParseXmlNumber(*text, value) ? value : fallback;
}

int CXMLnode::FindAttributeInt(std::string_view attributeName, int fallback) const {
    const double value = FindAttributeDbl(attributeName, double(fallback));
    return value >= -2147483648.0 && value <= 2147483647.0 ? int(value) : fallback;
}

void CXMLnode::GetChildContents(std::string& out) const {
    for (const auto& child : children) {
        if (child->is_element)
            child->GetChildContents(out);
        else
            out += child->name;
    }
}

bool CXMLnode::FindChildGetContents(std::string_view childName, std::string& out) const {
    const CXMLnode* child = FindChild(childName);
    if (!child) return false;
    child->GetChildContents(out);
    return true;
}

bool CXMLnode::FindChildGetContents(std::string_view childName, double& out) const {
    std::string text;
    return FindChildGetContents(childName, text) && ParseXmlNumber(text, out);
}

bool CXMLnode::FindChildGetContents(std::string_view childName, float& out) const {
    double value = 0;
    if (!FindChildGetContents(childName, value)) return false;
    out = float(value);
    return true;
}

bool CXMLnode::FindChildGetContents(std::string_view childName, int& out) const {
    double value = 0;
    if (!FindChildGetContents(childName, value) || !(value >= -2147483648.0) ||
        !(value <= 2147483647.0))
        return false;
    out = int(value);
    return true;
}

bool CXMLnode::FindChildGetContents(std::string_view childName, short& out) const {
    int value = 0;
    if (!FindChildGetContents(childName, value) || value < -32768 || value > 32767) return false;
    out = short(value);
    return true;
}

// ---------------------------------------------------------------- times

double CXMLnode::parse_time(std::string_view text) {
    int f[6] = {};
    static constexpr char kAfter[] = {'-', '-', 'T', ':', ':'};
    size_t pos = 0;
    for (int i = 0; i < 6; ++i) {
        if (!readInt(text, pos, f[i])) return 0;
        if (i < 5) {
            if (pos >= text.size() || text[pos] != kAfter[i]) return 0;
            ++pos;
        }
    }
    const int year = f[0], month = f[1], day = f[2], hour = f[3], minute = f[4], second = f[5];
    if (year < 1 || year > 9999 || month < 1 || month > 12 || day < 1 ||
        day > daysInMonth(year, month) || hour < 0 || hour > 23 || minute < 0 || minute > 59 ||
        second < 0 || second > 60)
        return 0;
    // A track repeats one date thousands of times.
    thread_local int cachedDate[3] = {0, 0, 0};
    thread_local double cachedDayStart = 0;
    if (cachedDate[0] != year || cachedDate[1] != month || cachedDate[2] != day) {
        cachedDayStart = double(daysFromCivil(year, month, day)) * 86400.0;
        cachedDate[0] = year;
        cachedDate[1] = month;
        cachedDate[2] = day;
    }
    return cachedDayStart + hour * 3600.0 + minute * 60.0 + second - zoneOffset(text, pos);
}

void CXMLnode::format_time(double time, std::string& out) {
    const int64_t whole = int64_t(std::floor(time));
    int64_t days = whole / 86400;
    int64_t rest = whole % 86400;
    if (rest < 0) {
        rest += 86400;
        --days;
    }
    int64_t year = 0;
    int month = 0, day = 0;
    civilFromDays(days, year, month, day);
    char text[48];
    std::snprintf(text, sizeof text, "%04lld-%02d-%02dT%02d:%02d:%02dZ", (long long)year, month,
                  day, int(rest / 3600), int(rest / 60 % 60), int(rest % 60));
    out = text;
}
