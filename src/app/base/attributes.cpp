#include "app/base/attributes.h"

#include <cerrno>
#include <charconv>
#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "app/base/fileutils.h"

namespace {

// A line longer than this ends the reading of a settings file.
constexpr size_t kMaxLineLength = 1000000;

int hexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

bool isBlank(const std::string& line) {
    for (char c : line)
        if (c != ' ' && c != '\t') return c == '#';
    return true;
}

}  // namespace

// ---- escaping

std::string CAttributes::escape_string(const std::string& text) {
    static const char kHex[] = "0123456789abcdef";
    std::string out;
    out.reserve(text.size() + text.size() / 4);
    for (unsigned char c : text) {
        if ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
            (c != 0 && std::strchr("$-_.!*'()", c))) {
            out += char(c);
        } else if (c == ' ') {
            out += '+';
        } else {
            out += '%';
            out += kHex[c >> 4];
            out += kHex[c & 15];
        }
    }
    return out;
}

std::string CAttributes::unescape_string(const std::string& text) {
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '+') {
            out += ' ';
        } else if (c == '%') {
            if (i + 2 >= text.size()) break;  // a cut-off escape ends the text
            const int hi = hexDigit(text[i + 1]), lo = hexDigit(text[i + 2]);
            if (hi >= 0 && lo >= 0)
                out += char(hi * 16 + lo);
            else
                out.append(text, i, 3);
            i += 2;
        } else {
            out += c;
        }
    }
    return out;
}

std::string CAttributes::TrimSpaces(const std::string& text) {
    const char* blanks = " \t\r\n";
    const size_t first = text.find_first_not_of(blanks);
    if (first == std::string::npos) return {};
    const size_t last = text.find_last_not_of(blanks);
    return text.substr(first, last - first + 1);
}

// ---- numbers

bool CAttributes::ParseInt(const std::string& text, int& out) {
    const char* begin = text.c_str();
    char* end = nullptr;
    errno = 0;
    const long long v = std::strtoll(begin, &end, 0);
    if (end == begin) return false;
    // Kept to 32 bits, so values written as 32-bit hex come back negative.
    out = int(uint32_t(uint64_t(v)));
    return true;
}

bool CAttributes::ParseDecimal(const std::string& text, double& out) {
    const char* p = text.c_str();
    const char* end = p + text.size();
    while (p < end && (*p == ' ' || *p == '\t' || *p == '\n' || *p == '\r')) ++p;
    if (p < end && *p == '+') ++p;
    double v = 0;
    const auto result = std::from_chars(p, end, v, std::chars_format::general);
    if (result.ec == std::errc::invalid_argument) return false;
    if (result.ec == std::errc::result_out_of_range) return false;
    out = v;
    return true;
}

std::string CAttributes::FormatDecimal(const char* format, double value) {
    char text[64];
    std::snprintf(text, sizeof text, format, value);
    std::string s = text;
    // The program runs under the user's locale; stored numbers always use '.'.
    const char* point = std::localeconv()->decimal_point;
    if (point && std::strcmp(point, ".") != 0 && *point) {
        const size_t at = s.find(point);
        if (at != std::string::npos) s.replace(at, std::strlen(point), ".");
    }
    return s;
}

// ---- setters

void CAttributes::Set(const std::string& key, const std::string& value) {
    if (key.empty()) return;
    if (value.empty())
        m_entries.erase(key);
    else
        m_entries[key] = value;
}

void CAttributes::SetInt(const std::string& key, int value) {
    char text[16];
    std::snprintf(text, sizeof text, "0x%x", unsigned(value));
    Set(key, text);
}

void CAttributes::SetIntD(const std::string& key, int value) {
    Set(key, std::to_string(value));
}

void CAttributes::SetDecimal(const std::string& key, double value) {
    Set(key, FormatDecimal("%#.10g", value));
}

void CAttributes::SetData(const std::string& key, const void* data, int n) {
    static const char kHex[] = "0123456789abcdef";
    std::string text;
    const unsigned char* bytes = static_cast<const unsigned char*>(data);
    for (int i = 0; i < n; ++i) {
        text += kHex[bytes[i] >> 4];
        text += kHex[bytes[i] & 15];
    }
    Set(key, text);
}

std::string CAttributes::NumberedKey(const std::string& key, int i) {
    return key + "[" + std::to_string(i) + "]";
}

void CAttributes::SetNumbered(const std::string& key, int i, const std::string& value) {
    Set(NumberedKey(key, i), value);
}

void CAttributes::SetNumberedInt(const std::string& key, int i, int value) {
    SetInt(NumberedKey(key, i), value);
}

// ---- getters

std::string CAttributes::Get(const std::string& key) const {
    const auto it = m_entries.find(key);
    return it == m_entries.end() ? std::string() : it->second;
}

std::string CAttributes::GetStr(const std::string& key, const std::string& def) const {
    const auto it = m_entries.find(key);
    return it == m_entries.end() ? def : it->second;
}

bool CAttributes::GetIfPresent(const std::string& key, std::string& out) const {
    const auto it = m_entries.find(key);
    if (it == m_entries.end()) {
        out.clear();
        return false;
    }
    out = it->second;
    return true;
}

int CAttributes::GetInt(const std::string& key, int def) const {
    const auto it = m_entries.find(key);
    int v = def;
    if (it != m_entries.end() && ParseInt(it->second, v)) return v;
    return def;
}

double CAttributes::GetDecimal(const std::string& key, double def) const {
    const auto it = m_entries.find(key);
    double v = def;
    if (it != m_entries.end() && ParseDecimal(it->second, v)) return v;
    return def;
}

bool CAttributes::GetBool(const std::string& key) const {
    const auto it = m_entries.find(key);
    if (it == m_entries.end()) return false;
    const char c = it->second[0];
    return c == 'T' || c == 't' || c == '1';
}

int CAttributes::GetData(const std::string& key, void* data, int n) const {
    const auto it = m_entries.find(key);
    if (it == m_entries.end() || n <= 0) return 0;
    const std::string& text = it->second;
    const int count = int(std::min<size_t>(text.size() / 2, size_t(n)));
    unsigned char* bytes = static_cast<unsigned char*>(data);
    for (int i = 0; i < count; ++i) {
        const int hi = hexDigit(text[2 * i]), lo = hexDigit(text[2 * i + 1]);
        bytes[i] = (unsigned char)((hi < 0 ? 0 : hi) * 16 + (lo < 0 ? 0 : lo));
    }
    return count;
}

std::string CAttributes::GetNumbered(const std::string& key, int i) const {
    return Get(NumberedKey(key, i));
}

int CAttributes::GetNumberedInt(const std::string& key, int i) const {
    return GetInt(NumberedKey(key, i), 0);
}

bool CAttributes::Has(const std::string& key) const {
    return m_entries.count(key) != 0;
}

// ---- whole-set operations

void CAttributes::Clear(const std::string& key) {
    m_entries.erase(key);
}

void CAttributes::Add(const CAttributes& other) {
    for (const auto& [key, value] : other.m_entries) Set(key, value);
}

void CAttributes::TrimAllSpaces() {
    for (auto it = m_entries.begin(); it != m_entries.end();) {
        it->second = TrimSpaces(it->second);
        it = it->second.empty() ? m_entries.erase(it) : std::next(it);
    }
}

void CAttributes::AddString(const std::string& text) {
    size_t start = 0;
    while (start <= text.size()) {
        size_t amp = text.find('&', start);
        if (amp == std::string::npos) amp = text.size();
        const std::string piece = text.substr(start, amp - start);
        const size_t eq = piece.find('=');
        const std::string key = TrimSpaces(piece.substr(0, eq));
        const std::string value =
            eq == std::string::npos ? std::string() : TrimSpaces(piece.substr(eq + 1));
        if (!key.empty() && !value.empty()) Set(key, unescape_string(value));
        start = amp + 1;
    }
}

CAttributes::ReadResult CAttributes::readStream(FILE* f) {
    ReadResult result = ReadResult::Complete;
    std::string line;
    char buffer[65536];
    size_t got;
    bool stop = false;
    while (!stop && (got = std::fread(buffer, 1, sizeof buffer, f)) > 0) {
        for (size_t i = 0; i < got; ++i) {
            const char c = buffer[i];
            if (c == '\n') {
                if (!isBlank(line)) AddString(line);
                line.clear();
            } else if (c != '\r' && c != '\0') {
                if (line.size() >= kMaxLineLength) {
                    stop = true;
                    result = ReadResult::Incomplete;
                    line.clear();
                    break;
                }
                line += c;
            }
        }
    }
    if (std::ferror(f)) result = ReadResult::Incomplete;
    if (!stop && !isBlank(line)) AddString(line);
    std::fclose(f);
    return result;
}

CAttributes::ReadResult CAttributes::ReadFile(const std::string& path) {
    FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) return errno == ENOENT ? ReadResult::Missing : ReadResult::Incomplete;
    return readStream(f);
}

bool CAttributes::AddFile(const std::string& path) {
    FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) return false;
    readStream(f);
    return true;
}

std::string CAttributes::ToFileText() const {
    std::string text;
    for (const auto& [key, value] : m_entries) {
        text += key;
        text += '=';
        text += escape_string(value);
        text += '\n';
    }
    return text;
}

bool CAttributes::ToFile(const std::string& path) const {
    return write_to_file(path, ToFileText());
}

std::string CAttributes::ToString() const {
    std::string text;
    for (const auto& [key, value] : m_entries) {
        if (!text.empty()) text += '&';
        text += key;
        text += '=';
        text += escape_string(value);
    }
    return text;
}

std::string CAttributes::ToText() const {
    std::string text;
    for (const auto& [key, value] : m_entries) {
        if (!text.empty()) text += '\n';
        text += key + "=" + value;
    }
    return text;
}
