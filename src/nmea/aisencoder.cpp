#include "nmea/aisencoder.h"

#include <cctype>
#include <cmath>

#include "nmea/nmeasentence.h"

namespace {

constexpr size_t kFragmentChars = 60;

// Positions are ten-thousandths of a minute; 181 and 91 say not available.
int32_t minutesE4(double degrees) {
    return int32_t(std::lround(degrees * 600000.0));
}

void putPosition(AisPayload& p, double latitude, double longitude) {
    p.putSigned(longitude >= -180 && longitude <= 180 ? minutesE4(longitude) : 0x6791AC0, 28);
    p.putSigned(latitude >= -90 && latitude <= 90 ? minutesE4(latitude) : 0x3412140, 27);
}

uint32_t tenths(float value, uint32_t notAvailable, uint32_t limit) {
    if (!(value >= 0)) return notAvailable;
    const long v = std::lround(double(value) * 10);
    return v >= long(limit) ? limit : uint32_t(v);
}

AisPayload header(int type, uint32_t mmsi) {
    AisPayload p;
    p.put(uint32_t(type), 6).put(0, 2).put(mmsi, 30);
    return p;
}

void putDimensions(AisPayload& p, const AisStaticReport& r) {
    p.put(uint32_t(r.to_bow), 9).put(uint32_t(r.to_stern), 9);
    p.put(uint32_t(r.to_port), 6).put(uint32_t(r.to_starboard), 6);
}

uint32_t courseTenths(float course) {
    return course >= 0 && course < 360 ? tenths(course, 3600, 3599) : 3600;
}

}  // namespace

AisPayload& AisPayload::put(uint32_t value, int bits) {
    for (int i = bits - 1; i >= 0; --i) m_bits.push_back((value >> i) & 1);
    return *this;
}

AisPayload& AisPayload::putSigned(int32_t value, int bits) {
    return put(uint32_t(value) & (bits >= 32 ? ~0u : (1u << bits) - 1), bits);
}

AisPayload& AisPayload::putText(const std::string& text, int count) {
    for (int i = 0; i < count; ++i) {
        const int c = i < int(text.size()) ? std::toupper(uint8_t(text[size_t(i)])) : '@';
        // '@'..'_' are 0..31, ' '..'?' are 32..63; anything else becomes a space.
        const int v = c >= 64 && c < 96 ? c - 64 : (c >= 32 && c < 64 ? c : 32);
        put(uint32_t(v), 6);
    }
    return *this;
}

std::vector<std::string> AisPayload::sentences(const char* address, char channel,
                                               int sequence) const {
    const int fill = int((6 - m_bits.size() % 6) % 6);
    std::string armoured;
    for (size_t i = 0; i < m_bits.size() + size_t(fill); i += 6) {
        int v = 0;
        for (size_t b = i; b < i + 6; ++b) v = v << 1 | (b < m_bits.size() && m_bits[b] ? 1 : 0);
        armoured.push_back(char(v < 40 ? v + 48 : v + 56));
    }
    const size_t total =
        std::max<size_t>(1, (armoured.size() + kFragmentChars - 1) / kFragmentChars);
    std::vector<std::string> out;
    for (size_t n = 0; n < total; ++n) {
        const bool last = n + 1 == total;
        std::string body = std::string(address) + "," + std::to_string(total) + "," +
                           std::to_string(n + 1) + "," +
                           (total > 1 ? std::to_string(sequence % 10) : std::string()) + "," +
                           channel + "," + armoured.substr(n * kFragmentChars, kFragmentChars) +
                           "," + std::to_string(last ? fill : 0);
        std::vector<char> buffer(body.begin(), body.end());
        buffer.resize(body.size() + 4);
        CNMEASentence::compute_checksum(buffer.data());
        out.emplace_back(buffer.data());
    }
    return out;
}

namespace AisEncoder {

// 1 type, 2 repeat, 3 MMSI, 4 status, 5 ROT, 6 SOG, 7 accuracy, 8 lon, 9 lat,
// 10 COG, 11 heading, 12 second, 13 manoeuvre, 14 spare, 15 RAIM, 16 radio
AisPayload classA(const AisPositionReport& r, int type) {
    AisPayload p = header(type, r.mmsi);
    p.put(uint32_t(r.nav_status), 4).put(0x80, 8).put(tenths(r.speed, 1023, 1022), 10).put(0, 1);
    putPosition(p, r.latitude, r.longitude);
    p.put(courseTenths(r.course), 12).put(uint32_t(r.heading), 9).put(uint32_t(r.time_stamp), 6);
    p.put(0, 2).put(0, 3).put(0, 1).put(0, 19);
    return p;
}

// 1 type, 2 repeat, 3 MMSI, 4 reserved, 5 SOG, 6 accuracy, 7 lon, 8 lat,
// 9 COG, 10 heading, 11 second, 12 reserved, 13-18 flags, 19 RAIM, 20 radio
AisPayload classB(const AisPositionReport& r) {
    AisPayload p = header(18, r.mmsi);
    p.put(0, 8).put(tenths(r.speed, 1023, 1022), 10).put(0, 1);
    putPosition(p, r.latitude, r.longitude);
    p.put(courseTenths(r.course), 12).put(uint32_t(r.heading), 9).put(uint32_t(r.time_stamp), 6);
    p.put(0, 2).put(1, 1).put(0, 5).put(0, 1).put(0, 20);
    return p;
}

// 1 type, 2 repeat, 3 MMSI, 4 altitude, 5 SOG (whole knots), 6 accuracy,
// 7 lon, 8 lat, 9 COG, 10 second, 11 reserved, 12 DTE, 13 spare, 14 assigned,
// 15 RAIM, 16 radio
AisPayload aircraft(const AisPositionReport& r, int altitude) {
    AisPayload p = header(9, r.mmsi);
    p.put(uint32_t(std::min(altitude, 4094)), 12);
    p.put(r.speed >= 0 ? uint32_t(std::min(std::lround(r.speed), 1022l)) : 1023, 10).put(0, 1);
    putPosition(p, r.latitude, r.longitude);
    p.put(courseTenths(r.course), 12).put(uint32_t(r.time_stamp), 6);
    p.put(0, 8).put(1, 1).put(0, 3).put(0, 1).put(0, 1).put(0, 20);
    return p;
}

// 1 type, 2 repeat, 3 MMSI, 4 version, 5 IMO, 6 call sign, 7 name, 8 type,
// 9 dimensions, 10 EPFD, 11 ETA month, day, hour, minute, 12 draught,
// 13 destination, 14 DTE, 15 spare
AisPayload staticData(const AisStaticReport& r) {
    AisPayload p = header(5, r.mmsi);
    p.put(0, 2).put(0, 30).putText(r.callsign, 7).putText(r.name, 20);
    p.put(uint32_t(r.ship_type), 8);
    putDimensions(p, r);
    p.put(1, 4).put(uint32_t(r.eta_month), 4).put(uint32_t(r.eta_day), 5);
    p.put(uint32_t(r.eta_hour), 5).put(uint32_t(r.eta_minute), 6);
    p.put(0, 8).putText(r.destination, 20).put(0, 1).put(0, 1);
    return p;
}

// Part A: 1 type, 2 repeat, 3 MMSI, 4 part, 5 name, 6 spare. Part B: 1-4,
// 5 ship type, 6 vendor id, 7 call sign, 8 dimensions, 9 EPFD, 10 spare
AisPayload classBStatic(const AisStaticReport& r, int part) {
    AisPayload p = header(24, r.mmsi);
    p.put(uint32_t(part), 2);
    if (part == 0) {
        p.putText(r.name, 20).put(0, 8);
        return p;
    }
    p.put(uint32_t(r.ship_type), 8).putText("", 7).putText(r.callsign, 7);
    putDimensions(p, r);
    p.put(1, 4).put(0, 2);
    return p;
}

// 1 type, 2 repeat, 3 MMSI, 4 aid type, 5 name, 6 accuracy, 7 lon, 8 lat,
// 9 dimensions, 10 EPFD, 11 second, 12 off position, 13 reserved, 14 RAIM,
// 15 virtual, 16 assigned, 17 spare
AisPayload aidToNavigation(const AisStaticReport& r, int aidType, double latitude,
                           double longitude) {
    AisPayload p = header(21, r.mmsi);
    p.put(uint32_t(aidType), 5).putText(r.name, 20).put(0, 1);
    putPosition(p, latitude, longitude);
    putDimensions(p, r);
    p.put(1, 4).put(60, 6).put(0, 1).put(0, 8).put(0, 1).put(0, 1).put(0, 1).put(0, 1);
    return p;
}

}  // namespace AisEncoder
