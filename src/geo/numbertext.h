// Numbers to text and back, always with "." as the decimal point whatever
// the user's locale (the C library's printf and scanf follow LC_NUMERIC,
// which Qt sets from the environment). Formatting is the C library's printf
// in the "C" locale, rounding included.
#pragma once

#include <string>

// printf-style formatting appended to / returned as a UTF-8 string.
void appendFormat(std::string& text, const char* format, ...) __attribute__((format(printf, 2, 3)));
std::string stringFormat(const char* format, ...) __attribute__((format(printf, 1, 2)));

// Reads a decimal floating-point number at p after optional white space, as
// scanf's "%lf" does (sign, digits, fraction, exponent; "inf" and "nan" too),
// and moves p past it. False, with p and value untouched, when none is there.
bool scanDouble(const char*& p, double& value);
// The same for a decimal integer that fits an int.
bool scanInt(const char*& p, int& value);
// Skips spaces, tabs and line breaks.
void skipSpace(const char*& p);
