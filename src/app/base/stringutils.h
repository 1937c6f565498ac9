// Small string helpers on UTF-8 byte strings. Case-insensitive operations
// fold ASCII letters only.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// Compares upper-case forms byte by byte; a prefix sorts first. -1, 0 or 1.
int _tcsicmp(const char* a, const char* b);

// Natural order: runs of digits compare as numbers ("Track 9" < "Track 10";
// "a01" equals "a1"), other bytes by their upper-case forms. <0, 0 or >0.
int alnumcmp(const char* a, const char* b);
inline int CompareAlphaNumeric(const char* a, const char* b) { return alnumcmp(a, b); }

// First place where the upper-case `needle` occurs in `haystack`, letters of
// the haystack matching in either case; null when absent. An empty needle
// matches at the start, an empty haystack never.
const char* stristr_upper(const char* haystack, const char* needle);
// Case-insensitive position of needle in haystack, or -1.
int findNocase(const std::string& haystack, const std::string& needle);

// Wildcards, case-insensitive: "?" one character, "*" any run.
bool pattern_match_ignorecase(const char* text, const char* pattern);

// True when name (of `length` bytes) is longer than ext, has "." before it
// and ends in ext, case-insensitively.
bool filename_has_extension(const char* name, size_t length, const char* ext);
bool string_ends_with(const std::string& text, const std::string& suffix);

// Keeps letters, digits and "_-.+", at most 25 of them.
std::string make_safe_filename(const std::string& name);

// "%d Bytes" below 1 KiB, else "%.1fKB", "MB" or "GB"; "" for negatives.
std::string FormatDataSize(int64_t bytes);
const char* plural_s(long long count);  // "" for 1, else "s"

// Splits at every separator; empty fields stay and the last field is always
// appended ("a,,b" gives three fields, "" gives one empty field).
void break_string_args(const std::string& text, char separator, std::vector<std::string>& out);

// UTF-8 to Latin-1 ("?" for characters Latin-1 lacks) and back.
std::string UTF8_to_Latin(const std::string& utf8);
std::string Latin_to_UTF8(const std::string& latin1);

// Expands "%%", "%U" (the signed-in account name), "%V" (the device name)
// and "%<Qt date-time pattern>%" with `time` (seconds since 1970; 0 = now)
// in local time: "Track %yyyy-MM-dd%" -> "Track 2026-12-06".
std::string ExpandDateAndTime(const std::string& text, double time = 0);
// The account name "%U" expands to; empty while nobody is signed in.
void setSignedInAccountName(const std::string& name);
