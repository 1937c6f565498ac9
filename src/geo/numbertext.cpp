#include "geo/numbertext.h"

#include <cctype>
#include <charconv>
#include <clocale>
#include <cstdarg>
#include <cstdio>
#include <limits>

namespace {

// vsnprintf in the "C" locale of this thread, whatever the process locale.
void appendFormatV(std::string& text, const char* format, va_list ap) {
    static const locale_t cLocale = newlocale(LC_ALL_MASK, "C", locale_t(0));
    const locale_t previous = cLocale ? uselocale(cLocale) : locale_t(0);
    char buffer[256];
    va_list copy;
    va_copy(copy, ap);
    const int n = std::vsnprintf(buffer, sizeof buffer, format, copy);
    va_end(copy);
    if (n >= 0 && size_t(n) < sizeof buffer) {
        text.append(buffer, size_t(n));
    } else if (n > 0) {
        std::string longer(size_t(n) + 1, '\0');
        std::vsnprintf(longer.data(), longer.size(), format, ap);
        text.append(longer.data(), size_t(n));
    }
    if (previous) uselocale(previous);
}

}  // namespace

void appendFormat(std::string& text, const char* format, ...) {
    va_list ap;
    va_start(ap, format);
    appendFormatV(text, format, ap);
    va_end(ap);
}

std::string stringFormat(const char* format, ...) {
    std::string text;
    va_list ap;
    va_start(ap, format);
    appendFormatV(text, format, ap);
    va_end(ap);
    return text;
}

void skipSpace(const char*& p) {
    while (*p == ' ' || *p == '\t' || *p == '\n' || *p == '\r' || *p == '\v' || *p == '\f') ++p;
}

namespace {

// Length of the text at p, capped: numbers longer than this are not numbers.
const char* scanEnd(const char* p) {
    const char* e = p;
    while (*e && e - p < 400) ++e;
    return e;
}

}  // namespace

bool scanDouble(const char*& p, double& value) {
    const char* q = p;
    skipSpace(q);
    bool negative = false;
    if (*q == '+' || *q == '-') negative = *q++ == '-';
    if (*q == '+' || *q == '-') return false;
    double v = 0;
    const auto [end, ec] = std::from_chars(q, scanEnd(q), v, std::chars_format::general);
    if (ec == std::errc::result_out_of_range) {
        // Like strtod: overflow gives infinity, underflow zero.
        v = std::numeric_limits<double>::infinity();
        const char* e = q;
        while (std::isdigit(static_cast<unsigned char>(*e)) || *e == '.') ++e;
        if (*e == 'e' || *e == 'E') {
            const char* x = e + 1;
            if (*x == '-') v = 0;
        }
    } else if (ec != std::errc()) {
        return false;
    }
    value = negative ? -v : v;
    p = end;
    return true;
}

bool scanInt(const char*& p, int& value) {
    const char* q = p;
    skipSpace(q);
    bool negative = false;
    if (*q == '+' || *q == '-') negative = *q++ == '-';
    if (*q == '+' || *q == '-') return false;
    long long v = 0;
    const auto [end, ec] = std::from_chars(q, scanEnd(q), v);
    if (ec != std::errc() || v > std::numeric_limits<int>::max() ||
        v < std::numeric_limits<int>::min())
        return false;
    value = int(negative ? -v : v);
    p = end;
    return true;
}
