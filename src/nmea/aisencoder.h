// AIS messages written as !AIVDM sentences: the inverse of the decoder in
// nmea_ais.h, for the tools, the benchmarks and traffic made up for a demo.
//
// AisPayload collects fields most significant bit first and armours them
// six bits to a character; sentences() cuts the payload into fragments of
// at most 60 characters (two for a 424-bit static data report) with their
// checksums. The message writers take the units of the decoder: degrees,
// knots, degrees true, metres; a heading of 511 and a course of 360 mean
// not available. Layouts are those of ITU-R M.1371.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

class AisPayload {
public:
    AisPayload& put(uint32_t value, int bits);
    AisPayload& putSigned(int32_t value, int bits);
    // count six-bit characters, padded with '@'; lower case is raised.
    AisPayload& putText(const std::string& text, int count);
    int bitCount() const { return int(m_bits.size()); }

    // The sentences carrying the payload; sequence is the fragment group id
    // (0..9) used when there is more than one fragment.
    std::vector<std::string> sentences(const char* address = "!AIVDM", char channel = 'A',
                                       int sequence = 0) const;

private:
    std::vector<bool> m_bits;
};

struct AisPositionReport {
    uint32_t mmsi = 0;
    double latitude = 91;    // degrees
    double longitude = 181;  // degrees
    float speed = 0;         // knots
    float course = 360;      // degrees true
    int heading = 511;       // degrees
    int nav_status = 15;     // class A only
    int time_stamp = 60;     // second of the minute
};

struct AisStaticReport {
    uint32_t mmsi = 0;
    std::string name, callsign, destination;
    int ship_type = 0;
    int to_bow = 0, to_stern = 0, to_port = 0, to_starboard = 0;
    int eta_month = 0, eta_day = 0, eta_hour = 24, eta_minute = 60;
};

namespace AisEncoder {

// Types 1 to 3 (class A position) and 18 (class B position).
AisPayload classA(const AisPositionReport& report, int type = 1);
AisPayload classB(const AisPositionReport& report);
// Type 9: a search and rescue aircraft at an altitude in metres.
AisPayload aircraft(const AisPositionReport& report, int altitude);
// Type 5: class A static and voyage data.
AisPayload staticData(const AisStaticReport& report);
// Type 24, part 0 (name) or 1 (type, call sign, dimensions).
AisPayload classBStatic(const AisStaticReport& report, int part);
// Type 21: an aid to navigation of a type (1..31) at a position.
AisPayload aidToNavigation(const AisStaticReport& report, int aidType, double latitude,
                           double longitude);

}  // namespace AisEncoder
