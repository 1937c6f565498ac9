#include "app/base/stringutils.h"

#include <QDateTime>
#include <QSysInfo>
#include <cctype>
#include <cstdio>
#include <cstring>

namespace {

inline unsigned char upper(unsigned char c) { return (c >= 'a' && c <= 'z') ? c - 32 : c; }
inline bool isDigit(unsigned char c) { return c >= '0' && c <= '9'; }

std::string g_accountName;

}  // namespace

int _tcsicmp(const char* a, const char* b) {
    const unsigned char* p = reinterpret_cast<const unsigned char*>(a);
    const unsigned char* q = reinterpret_cast<const unsigned char*>(b);
    for (;; ++p, ++q) {
        const unsigned char x = upper(*p), y = upper(*q);
        if (x != y) return x < y ? -1 : 1;
        if (!x) return 0;
    }
}

int alnumcmp(const char* a, const char* b) {
    const unsigned char* p = reinterpret_cast<const unsigned char*>(a);
    const unsigned char* q = reinterpret_cast<const unsigned char*>(b);
    while (*p || *q) {
        if (isDigit(*p) && isDigit(*q)) {
            // Compare the numbers without overflow: skip leading zeros, then
            // the longer run is larger, else the first differing digit decides.
            while (*p == '0') ++p;
            while (*q == '0') ++q;
            const unsigned char* pe = p;
            const unsigned char* qe = q;
            while (isDigit(*pe)) ++pe;
            while (isDigit(*qe)) ++qe;
            if (pe - p != qe - q) return (pe - p) < (qe - q) ? -1 : 1;
            for (; p < pe; ++p, ++q)
                if (*p != *q) return *p < *q ? -1 : 1;
            q = qe;
            continue;
        }
        const unsigned char x = upper(*p), y = upper(*q);
        if (x != y) return x < y ? -1 : 1;
        ++p;
        ++q;
    }
    return 0;
}

const char* stristr_upper(const char* haystack, const char* needle) {
    if (!*needle) return haystack;
    for (const char* h = haystack; *h; ++h) {
        const char* s = h;
        const char* n = needle;
        while (*s && *n) {
            const unsigned char c = static_cast<unsigned char>(*s);
            if (c != static_cast<unsigned char>(*n) &&
                !(c >= 'a' && upper(c) == static_cast<unsigned char>(*n)))
                break;
            ++s;
            ++n;
        }
        if (!*n) return h;
    }
    return nullptr;
}

int findNocase(const std::string& haystack, const std::string& needle) {
    if (needle.size() > haystack.size()) return -1;
    for (size_t i = 0; i + needle.size() <= haystack.size(); ++i) {
        size_t k = 0;
        while (k < needle.size() && upper(haystack[i + k]) == upper(needle[k])) ++k;
        if (k == needle.size()) return int(i);
    }
    return -1;
}

bool pattern_match_ignorecase(const char* text, const char* pattern) {
    // Iterative matcher with one backtrack point: "*" first takes the empty
    // run and grows by one character whenever the rest fails.
    const char* star = nullptr;
    const char* resume = nullptr;
    while (*text) {
        if (*pattern == '*') {
            if (!pattern[1]) return true;
            star = pattern++;
            resume = text;
        } else if (*pattern == '?' || (*pattern && upper(*pattern) == upper(*text))) {
            ++pattern;
            ++text;
        } else if (star) {
            pattern = star + 1;
            text = ++resume;
        } else {
            return false;
        }
    }
    while (*pattern == '*') ++pattern;
    return !*pattern;
}

bool filename_has_extension(const char* name, size_t length, const char* ext) {
    const size_t n = std::strlen(ext);
    if (length <= n || name[length - n - 1] != '.') return false;
    return _tcsicmp(name + length - n, ext) == 0;
}

bool string_ends_with(const std::string& text, const std::string& suffix) {
    return text.size() >= suffix.size() &&
           text.compare(text.size() - suffix.size(), suffix.size(), suffix) == 0;
}

std::string make_safe_filename(const std::string& name) {
    std::string out;
    for (unsigned char c : name) {
        if (out.size() >= 25) break;
        if (std::isalnum(c) || c == '_' || c == '-' || c == '.' || c == '+') out += char(c);
    }
    return out;
}

std::string FormatDataSize(int64_t bytes) {
    if (bytes < 0) return {};
    char buffer[64];
    if (bytes < 1024) {
        std::snprintf(buffer, sizeof buffer, "%d Bytes", int(bytes));
    } else {
        double value = double(bytes) / 1024.0;
        char unit = 'K';
        if (bytes >= 1073741824) {
            value = double(bytes) / 1073741824.0;
            unit = 'G';
        } else if (bytes >= 1048576) {
            value = double(bytes) / 1048576.0;
            unit = 'M';
        }
        std::snprintf(buffer, sizeof buffer, "%.1f%cB", value, unit);
    }
    return buffer;
}

const char* plural_s(long long count) { return count == 1 ? "" : "s"; }

void break_string_args(const std::string& text, char separator, std::vector<std::string>& out) {
    size_t start = 0;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == separator) {
            out.push_back(text.substr(start, i - start));
            start = i + 1;
        }
    }
    out.push_back(text.substr(start));
}

std::string UTF8_to_Latin(const std::string& utf8) {
    const QString s = QString::fromUtf8(utf8.data(), qsizetype(utf8.size()));
    std::string out;
    out.reserve(size_t(s.size()));
    for (QChar c : s) out += c.unicode() < 256 ? char(c.unicode()) : '?';
    return out;
}

std::string Latin_to_UTF8(const std::string& latin1) {
    return QString::fromLatin1(latin1.data(), qsizetype(latin1.size())).toStdString();
}

void setSignedInAccountName(const std::string& name) { g_accountName = name; }

std::string ExpandDateAndTime(const std::string& text, double time) {
    if (text.size() < 2) return text;
    const QDateTime when = time == 0 ? QDateTime::currentDateTime()
                                     : QDateTime::fromMSecsSinceEpoch(qint64(time * 1000.0));
    std::string out;
    size_t i = 0;
    while (i < text.size()) {
        if (text[i] != '%' || i + 1 >= text.size()) {
            out += text[i++];
            continue;
        }
        const char next = text[i + 1];
        if (next == '%') {
            out += '%';
            i += 2;
        } else if (next == 'U') {
            out += g_accountName;
            i += 2;
        } else if (next == 'V') {
            QString device = QSysInfo::prettyProductName();
            if (device.isEmpty()) device = QSysInfo::machineHostName();
            out += device.toStdString();
            i += 2;
        } else {
            const size_t close = text.find('%', i + 1);
            if (close == std::string::npos) {
                out += text[i++];  // no partner: left as it is
                continue;
            }
            const QString pattern = QString::fromStdString(text.substr(i + 1, close - i - 1));
            out += when.toLocalTime().toString(pattern).toStdString();
            i = close + 1;
        }
    }
    return out;
}
