// The sentence layer on arbitrary bytes, with every sentence type and the raw
// sentences listening, so that every parser runs. The input is cut into
// lines as a transport would; the first line also serves as a filter rule.
#include <cstdint>
#include <cstring>

#include "nmea/dataconnection.h"
#include "nmea/everysentence.h"
#include "nmea/nmea_filter.h"
#include "nmea/nmea_raw.h"

namespace {

// Reads every field of what it is handed, so that sanitizers see them.
template <class T>
struct Reader : Listener<T> {
    void OnUpdate(T& value) override {
        const unsigned char* bytes = reinterpret_cast<const unsigned char*>(&value);
        for (size_t i = sizeof(CNMEASentence); i < sizeof(T); ++i) sum += bytes[i];
    }
    unsigned sum = 0;
};

struct RawReader : Listener<CNMEA_Raw> {
    void OnUpdate(CNMEA_Raw& raw) override {
        if (std::strlen(raw.text) >= sizeof raw.text) __builtin_trap();
        bool verdict = false;
        filter.apply(raw.text, verdict);
    }
    CNMEA_filter filter;
};

struct AllListeners : EverySentence<Reader> {
    RawReader raw;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static AllListeners* listeners = new AllListeners;
    static CDataConnection* connection = new CNoConnection;
    listeners->raw.filter.clear();

    char line[512];
    size_t start = 0;
    bool first = true;
    while (start < size) {
        size_t end = start;
        while (end < size && data[end] != '\n') ++end;
        const size_t n = end - start < sizeof line - 1 ? end - start : sizeof line - 1;
        std::memcpy(line, data + start, n);
        line[n] = 0;
        if (first) listeners->raw.filter.add(line);
        first = false;
        CNMEASentence::DispatchSentence(line, (n & 1) ? connection : nullptr);

        // The same text as a sentence the program generates.
        CNMEA_Raw out;
        std::memcpy(out.text, data + start, n < sizeof out.text - 1 ? n : sizeof out.text - 1);
        out.text[n < sizeof out.text - 1 ? n : sizeof out.text - 1] = 0;
        out.AddChecksumAndDispatch();
        start = end + 1;
    }
    return 0;
}
