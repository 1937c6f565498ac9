#include "nmea/nmea_raw.h"

#include <cstring>

#include "nmea/nmeasentence.h"

bool CNMEA_Raw::Init(const char* sentence) {
    const size_t length = std::strlen(sentence);
    if (length > size_t(kTextSize - 3)) {
        text[0] = 0;
        return false;
    }
    std::memcpy(text, sentence, length);
    std::memcpy(text + length, "\r\n", 3);
    return true;
}

bool CNMEA_Raw::AddChecksumAndDispatch() {
    const size_t length = strnlen(text, kTextSize);
    if (length > size_t(kMaxGenerated)) return false;
    CNMEASentence::compute_checksum(text);
    std::memcpy(text + length + 3, "\r\n", 3);
    source = nullptr;
    if (!Listener<CNMEA_Raw>::HasListeners()) return false;
    Listener<CNMEA_Raw>::Dispatch(*this);
    return true;
}

bool CNMEA_Raw::Matches(int offset, const char* id) const {
    return CNMEASentenceType::MatchesAt(text, offset, id);
}
