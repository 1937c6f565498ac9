// CAttributes: an ordered set of text keys with text values.
//
// Keys sort byte-wise. An entry whose key or value is empty counts as
// absent: Has() is false for it and it is never written out, so Set(key, "")
// removes the key. Values are percent-encoded in both text forms:
//   file form     one "key=value" per line; a line may carry several pairs
//                 joined by '&'; blank lines and '#' remarks are skipped;
//   one-line form "key=value&key=value".
// Element i of a list stored under K uses the key "K[i]".
#pragma once

#include <cstdio>
#include <map>
#include <string>

class CAttributes {
public:
    using Map = std::map<std::string, std::string>;

    // How reading a file went.
    enum class ReadResult {
        Complete,    // every line was read
        Missing,     // no such file (nothing merged)
        Incomplete,  // could not be opened or read to its end (what was read is merged)
    };

    void Set(const std::string& key, const std::string& value);
    void SetInt(const std::string& key, int value);                 // "0x%x"
    void SetIntD(const std::string& key, int value);                // "%d"
    void SetDecimal(const std::string& key, double value);          // "%#.10g", always with '.'
    void SetData(const std::string& key, const void* data, int n);  // 2n lower-case hex digits
    void SetNumbered(const std::string& key, int i, const std::string& value);
    void SetNumberedInt(const std::string& key, int i, int value);

    std::string Get(const std::string& key) const;  // "" when absent
    std::string GetStr(const std::string& key, const std::string& def) const;
    // True and the value when present; otherwise false and `out` emptied.
    bool GetIfPresent(const std::string& key, std::string& out) const;
    // Decimal, 0x-hex or leading-0 octal, kept to 32 bits (so "0xffffffff" is
    // -1); `def` when absent or not a number.
    int GetInt(const std::string& key, int def) const;
    double GetDecimal(const std::string& key, double def) const;
    bool GetBool(const std::string& key) const;  // first character 'T', 't' or '1'
    // Fills min(hex digits / 2, n) bytes (a non-hex digit counts as 0);
    // returns the number of bytes filled, 0 when absent.
    int GetData(const std::string& key, void* data, int n) const;
    std::string GetNumbered(const std::string& key, int i) const;
    int GetNumberedInt(const std::string& key, int i) const;  // 0 when absent
    bool Has(const std::string& key) const;

    void Clear(const std::string& key);
    void ClearAll() { m_entries.clear(); }
    void Add(const CAttributes& other);  // other's entries win
    void TrimAllSpaces();

    // Merges the one-line form.
    void AddString(const std::string& text);
    // Merges a file in the file form; false when it could not be opened.
    bool AddFile(const std::string& path);
    ReadResult ReadFile(const std::string& path);
    // Writes the file form through "<path>.tmp", fsync and rename, so the
    // file on disk is always either the old one or the whole new one.
    bool ToFile(const std::string& path) const;

    std::string ToString() const;  // one-line form
    std::string ToText() const;    // "key=raw value" lines for display
    std::string ToFileText() const;

    const Map& Entries() const { return m_entries; }
    bool IsEmpty() const { return m_entries.empty(); }
    size_t Count() const { return m_entries.size(); }

    static std::string NumberedKey(const std::string& key, int i);  // "K[i]"
    static std::string escape_string(const std::string& text);
    static std::string unescape_string(const std::string& text);
    static std::string TrimSpaces(const std::string& text);  // spaces, tabs, CR, LF

    // Locale-independent number text, shared with the settings encodings.
    static bool ParseInt(const std::string& text, int& out);         // as "%i"
    static bool ParseDecimal(const std::string& text, double& out);  // as "%lf"
    static std::string FormatDecimal(const char* format, double value);

private:
    ReadResult readStream(FILE* f);  // merges the lines and closes f

    Map m_entries;
};
