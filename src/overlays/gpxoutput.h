// Writing GPX 1.1: the document around the objects (CGPXOutput) and the
// small pieces each object's WriteGPX uses.
//
// A document written to a path goes to "<path>.tmp" first and is renamed
// over the path only when every write, the flush and the close succeeded, so
// a full disk never leaves a truncated file that looks complete. A path that
// names a device or a pipe (not a regular file) is written in place.
//
// Numbers are written in the C locale whatever the user's locale is.
#pragma once

#include <cstdio>
#include <string>
#include <string_view>

class CGPXOutput {
public:
    // "<creator> <version>" and the maker's address, in the root element.
    static constexpr const char* kCreator = "Orvanta 1.2.1 https://orvanta.org";

    explicit CGPXOutput(const std::string& path);
    // Wraps an open stream (standard output); it is flushed, not closed.
    explicit CGPXOutput(FILE* stream);
    ~CGPXOutput();
    CGPXOutput(const CGPXOutput&) = delete;
    CGPXOutput& operator=(const CGPXOutput&) = delete;

    // Null when the file could not be created.
    FILE* file() const { return m_file; }
    // Ends the document and closes the file. True only when the whole
    // document reached its place; the reason otherwise is in error().
    bool Close();
    const std::string& error() const { return m_error; }

private:
    void writeHeader();

    FILE* m_file = nullptr;
    bool m_owned = false;
    bool m_closed = false;
    std::string m_path;     // the destination
    std::string m_written;  // where the bytes go: the temporary file, or the path itself
    std::string m_error;
};

// True when text holds '<', '>', '&' or a line break.
bool XMLneeds_cdata(std::string_view text);
// "<name>text</name>\n", the text inside CDATA when XMLneeds_cdata (a "]]>"
// inside split across two sections). Control characters XML cannot carry are
// left out, and bytes that are not UTF-8 become U+FFFD.
void XMLwrite_tag(FILE* file, const char* name, std::string_view text);
// The same; nothing for a null text.
void write_xml_tag(FILE* file, const char* name, const char* text);
// For attribute values: '&', '<', '>', '"' as references.
std::string XMLescape_attribute(std::string_view text);
// Fixed-point with `decimals` digits, in the C locale.
std::string GpxNumber(double value, int decimals);

// Line patterns by index: "Solid", "Dash", "Dot", "DashDot", "DashDotDot".
const char* GpxLinePatternName(int line_style);
// The index of a pattern name (any case); -1 for a name not in the list.
int GpxLinePatternIndex(std::string_view name);
