// Accept/reject rules over sentence addresses, used by the output filter of a
// connection. A rule's text is "<verdict> <pattern>": a verdict word starting
// with 'A' or 'a' accepts, any other rejects; the pattern holds up to six
// characters compared with the sentence from the character after '$' or '!'
// ("GPRMC", "EC", "??RMB"), '?' matching any character, empty matching all.
#pragma once

#include <vector>

class CNMEA_rule {
public:
    void init(const char* text);
    bool matches(const char* sentence) const;
    // When the rule matches, verdict becomes the rule's verdict.
    void apply(const char* sentence, bool& verdict) const;

    bool accept = false;
    char pattern[7] = {};
};

class CNMEA_filter {
public:
    void add(const char* text);
    // Applies the rules in order: the last matching rule decides.
    void apply(const char* sentence, bool& verdict) const;
    bool empty() const { return rules.empty(); }
    void clear() { rules.clear(); }

    std::vector<CNMEA_rule> rules;
};
