#include "nmea/nmea_filter.h"

namespace {

bool isSpace(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

}  // namespace

void CNMEA_rule::init(const char* text) {
    while (isSpace(*text)) ++text;
    accept = *text == 'A' || *text == 'a';
    while (*text && !isSpace(*text)) ++text;
    while (isSpace(*text)) ++text;
    // The pattern also stops at white space: a stray trailing blank from a
    // hand-edited settings file would otherwise make the rule never match.
    int n = 0;
    while (n < 6 && text[n] && text[n] != '*' && !isSpace(text[n])) {
        pattern[n] = text[n];
        ++n;
    }
    pattern[n] = 0;
}

bool CNMEA_rule::matches(const char* sentence) const {
    if (*sentence == '$' || *sentence == '!') ++sentence;
    for (int i = 0; pattern[i]; ++i) {
        if (!sentence[i]) return false;
        if (pattern[i] != '?' && pattern[i] != sentence[i]) return false;
    }
    return true;
}

void CNMEA_rule::apply(const char* sentence, bool& verdict) const {
    if (verdict == accept) return;
    if (matches(sentence)) verdict = accept;
}

void CNMEA_filter::add(const char* text) {
    CNMEA_rule rule;
    rule.init(text);
    rules.push_back(rule);
}

void CNMEA_filter::apply(const char* sentence, bool& verdict) const {
    for (const CNMEA_rule& rule : rules) rule.apply(sentence, verdict);
}
