#include "overlays/gpxoutput.h"

#include <sys/stat.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstring>
#include <iterator>

namespace {

constexpr const char* kHeader =
    "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
    "<gpx version=\"1.1\" creator=\"%s\"\n"
    " xmlns=\"http://www.topografix.com/GPX/1/1\"\n"
    " xmlns:xsi=\"http://www.w3.org/2001/XMLSchema-instance\"\n"
    " xmlns:xstyle=\"http://www.topografix.com/GPX/gpx_style/0/2\"\n"
    " xmlns:xgarmin=\"http://www.garmin.com/xmlschemas/GpxExtensions/v3\"\n"
    " xsi:schemaLocation=\"http://www.topografix.com/GPX/1/1 "
    "http://www.topografix.com/GPX/1/1/gpx.xsd "
    "http://www.topografix.com/GPX/gpx_style/0/2 "
    "http://www.topografix.com/GPX/gpx_style/0/2/gpx_style.xsd "
    "http://www.garmin.com/xmlschemas/GpxExtensions/v3 "
    "http://www8.garmin.com/xmlschemas/GpxExtensionsv3.xsd\">\n";

bool isRegularOrAbsent(const std::string& path) {
    struct stat info;
    if (::stat(path.c_str(), &info) != 0) return true;
    return S_ISREG(info.st_mode);
}

// Control characters other than tab and line ends are not XML.
bool isForbidden(unsigned char c) {
    return c < 0x20 && c != '\t' && c != '\n' && c != '\r';
}

// The length of the well-formed UTF-8 sequence at text[i], 0 when there is none.
size_t utf8Length(std::string_view text, size_t i) {
    const auto byte = [&](size_t k) { return static_cast<unsigned char>(text[k]); };
    const unsigned char c = byte(i);
    size_t n = 0;
    uint32_t cp = 0;
    if (c < 0x80) return 1;
    if (c >= 0xC2 && c <= 0xDF)
        n = 2, cp = c & 0x1F;
    else if (c >= 0xE0 && c <= 0xEF)
        n = 3, cp = c & 0x0F;
    else if (c >= 0xF0 && c <= 0xF4)
        n = 4, cp = c & 0x07;
    else
        return 0;
    if (i + n > text.size()) return 0;
    for (size_t k = 1; k < n; ++k) {
        if ((byte(i + k) & 0xC0) != 0x80) return 0;
        cp = (cp << 6) | (byte(i + k) & 0x3F);
    }
    // Overlong forms, surrogates and what lies beyond Unicode are not text.
    const bool overlong = (n == 3 && cp < 0x800) || (n == 4 && cp < 0x10000);
    if (overlong || (cp >= 0xD800 && cp <= 0xDFFF) || cp > 0x10FFFF || cp == 0xFFFE || cp == 0xFFFF)
        return 0;
    return n;
}

// The text as an XML document can carry it: control characters other than
// tab and line ends left out, bytes that are not UTF-8 as U+FFFD.
std::string xmlText(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size();) {
        const size_t n = utf8Length(text, i);
        if (n == 0) {
            out += "\xEF\xBF\xBD";
            ++i;
            continue;
        }
        if (n > 1 || !isForbidden(static_cast<unsigned char>(text[i]))) out.append(text, i, n);
        i += n;
    }
    return out;
}

void writeClean(FILE* file, std::string_view text) {
    const std::string clean = xmlText(text);
    std::fwrite(clean.data(), 1, clean.size(), file);
}

}  // namespace

CGPXOutput::CGPXOutput(const std::string& path) : m_owned(true), m_path(path) {
    m_written = isRegularOrAbsent(path) ? path + ".tmp" : path;
    m_file = std::fopen(m_written.c_str(), "w");
    if (!m_file) {
        m_error = "Could not create " + m_written + ": " + std::strerror(errno);
        return;
    }
    writeHeader();
}

CGPXOutput::CGPXOutput(FILE* stream) : m_file(stream) {
    if (m_file) writeHeader();
}

CGPXOutput::~CGPXOutput() {
    Close();
}

void CGPXOutput::writeHeader() {
    std::fprintf(m_file, kHeader, kCreator);
}

bool CGPXOutput::Close() {
    if (m_closed) return m_error.empty();
    m_closed = true;
    if (!m_file) {
        if (m_error.empty()) m_error = "No file to write to";
        return false;
    }
    std::fputs("</gpx>\n", m_file);
    bool ok = std::fflush(m_file) == 0 && !std::ferror(m_file);
    int savedErrno = ok ? 0 : errno;
    if (m_owned) {
        if (std::fclose(m_file) != 0 && ok) {
            ok = false;
            savedErrno = errno;
        }
    }
    m_file = nullptr;
    if (!ok) {
        m_error = "Could not write " + (m_path.empty() ? std::string("the GPX file") : m_path) +
                  ": " + std::strerror(savedErrno ? savedErrno : EIO);
        if (m_owned && m_written != m_path) std::remove(m_written.c_str());
        return false;
    }
    if (m_owned && m_written != m_path && std::rename(m_written.c_str(), m_path.c_str()) != 0) {
        m_error = "Could not rename " + m_written + ": " + std::strerror(errno);
        std::remove(m_written.c_str());
        return false;
    }
    return true;
}

bool XMLneeds_cdata(std::string_view text) {
    return text.find_first_of("<>&\n\r") != std::string_view::npos;
}

void XMLwrite_tag(FILE* file, const char* name, std::string_view text) {
    std::fprintf(file, "<%s>", name);
    if (!XMLneeds_cdata(text)) {
        writeClean(file, text);
    } else {
        // "]]>" would end the section: it becomes "]]" + "]]><![CDATA[" + ">".
        std::fputs("<![CDATA[", file);
        size_t from = 0;
        for (size_t end; (end = text.find("]]>", from)) != std::string_view::npos; from = end + 2) {
            writeClean(file, text.substr(from, end + 2 - from));
            std::fputs("]]><![CDATA[", file);
        }
        writeClean(file, text.substr(from));
        std::fputs("]]>", file);
    }
    std::fprintf(file, "</%s>\n", name);
}

void write_xml_tag(FILE* file, const char* name, const char* text) {
    if (text) XMLwrite_tag(file, name, text);
}

std::string XMLescape_attribute(std::string_view raw) {
    const std::string text = xmlText(raw);
    std::string out;
    out.reserve(text.size());
    for (char c : text) {
        switch (c) {
            case '&':
                out += "&amp;";
                break;
            case '<':
                out += "&lt;";
                break;
            case '>':
                out += "&gt;";
                break;
            case '"':
                out += "&quot;";
                break;
            default:
                out += c;
        }
    }
    return out;
}

std::string GpxNumber(double value, int decimals) {
    if (!std::isfinite(value)) value = 0;
    char text[64];
    const auto [end, ec] =
        std::to_chars(text, text + sizeof text, value, std::chars_format::fixed, decimals);
    if (ec != std::errc()) return "0";
    std::string out(text, end);
    // "-0.0" reads oddly and says nothing more than "0.0".
    if (out[0] == '-' && out.find_first_not_of("-0.") == std::string::npos) out.erase(0, 1);
    return out;
}

namespace {
constexpr const char* kLinePatterns[] = {"Solid", "Dash", "Dot", "DashDot", "DashDotDot"};
}

const char* GpxLinePatternName(int line_style) {
    return line_style >= 0 && line_style < int(std::size(kLinePatterns)) ? kLinePatterns[line_style]
                                                                         : kLinePatterns[0];
}

int GpxLinePatternIndex(std::string_view name) {
    for (int i = 0; i < int(std::size(kLinePatterns)); ++i) {
        const std::string_view pattern = kLinePatterns[i];
        if (pattern.size() == name.size() &&
            std::equal(name.begin(), name.end(), pattern.begin(),
                       [](char a, char b) { return std::tolower(a) == std::tolower(b); }))
            return i;
    }
    return -1;
}
