#include "nmea/nmea_ais.h"

#include <cmath>
#include <cstdio>
#include <cstring>

namespace CNEMA_AIS {

namespace {

CNMEASentenceTypeOf<VDM> vdm_type(3, "VDM");
CNMEASentenceTypeOf<VDO> vdo_type(3, "VDO");

int fragment_count = 0;      // of the message being assembled
char fragment_sequence = 0;  // its sequential message id ('\0' when blank)

// Bits a message must carry for the fields read from it; the decode never
// reads past what arrived. Type 5 is read from 420 bits: many transmitters
// send 420 instead of 424, and the two missing bits read as 0.
int requiredBits(int type, int part) {
    switch (type) {
        case 1:
        case 2:
        case 3:
            return 143;
        case 4:
        case 11:
            return 134;
        case 5:
            return 420;
        case 9:
            return 134;
        case 18:
            return 139;
        case 19:
            return 301;
        case 21:
            return 237;
        case 24:
            return part == 0 ? 160 : part == 1 ? 162 : 40;
        default:
            return 38;
    }
}

// Class A and B speed: 0.1 knot steps; 102.3 (not available) and anything
// above 100 read as 0.
float tenthsOfKnots(uint32_t raw) {
    const float knots = float(raw) * 0.1f;
    return knots > 100 ? 0.0f : knots;
}

}  // namespace

uint8_t CAIS_Sentence::bit_stream[kMaxBits / 8] = {};
int CAIS_Sentence::bit_count = 0;
int CAIS_Sentence::last_fragment = 0;

int CAIS_Sentence::decode_sixbit(int c) {
    int v = c - 48;
    if (c >= 89) v -= 8;
    return v & 63;
}

void CAIS_Sentence::append_sixbits(int value) {
    if (bit_count + 6 > kMaxBits) return;
    // The six bits placed in a 16-bit window starting at the current byte;
    // they only spill into the next byte when there is one.
    const int byte = bit_count >> 3;
    const unsigned window = unsigned(value & 63) << (10 - (bit_count & 7));
    bit_stream[byte] |= uint8_t(window >> 8);
    if (window & 0xFF) bit_stream[byte + 1] |= uint8_t(window);
    bit_count += 6;
}

uint32_t CAIS_Sentence::fetch_bits(int& position, int count) {
    const int start = position;
    position += count;
    if (count <= 0 || count > 32 || start < 0 || start + count > kMaxBits) return 0;
    const int first = start >> 3, last = (start + count - 1) >> 3;
    uint64_t window = 0;
    for (int i = first; i <= last; ++i) window = window << 8 | bit_stream[i];
    window >>= (last - first + 1) * 8 - (start & 7) - count;
    return uint32_t(window & ((uint64_t(1) << count) - 1));
}

int32_t CAIS_Sentence::fetch_bits_signed(int& position, int count) {
    const uint32_t raw = fetch_bits(position, count);
    if (count <= 0 || count >= 32) return int32_t(raw);
    const uint32_t sign = uint32_t(1) << (count - 1);
    return int32_t(raw ^ sign) - int32_t(sign);
}

void CAIS_Sentence::fetch_string(char* text, int& position, int bits) {
    const int n = bits / 6;
    for (int i = 0; i < n; ++i) {
        const int v = int(fetch_bits(position, 6));
        text[i] = char(v < 32 ? v + 64 : v);
    }
    int end = n;
    while (end > 0 && (text[end - 1] == ' ' || text[end - 1] == '@')) --end;
    text[end] = 0;
}

std::array<char, 25> CAIS_Sentence::decode_type(unsigned char type) {
    static const char* const tens[] = {
        "Unknown",        "1",          "WIG",    nullptr, "HSC", nullptr,
        "Passenger ship", "Cargo ship", "Tanker", "Ship"};
    static const char* const thirties[] = {"Fishing", "Towing",   "Big Towing", "Dredging",
                                           "Diving",  "Military", "Sailing",    "Pleasure craft",
                                           "Type 38", "Type 39"};
    static const char* const fifties[] = {
        "Pilot",           "Search and rescue", "Tug",     "Tender",  "Anti-pollution",
        "Law enforcement", "Type 56",           "Type 57", "Medical", "Type 59"};
    static const char* const hazards[] = {"", ":Haz A", ":Haz B", ":Haz C", ":Haz D",
                                          "", "",       "",       "",       ""};
    std::array<char, 25> text{};
    const int tensDigit = type / 10, units = type % 10;
    if (type > 99)
        std::snprintf(text.data(), text.size(), "Type %d", int(type));
    else if (tensDigit == 3)
        std::snprintf(text.data(), text.size(), "%s", thirties[units]);
    else if (tensDigit == 5)
        std::snprintf(text.data(), text.size(), "%s", fifties[units]);
    else
        std::snprintf(text.data(), text.size(), "%s%s", tens[tensDigit], hazards[units]);
    return text;
}

void CAIS_Sentence::ResetAssembly() {
    std::memset(bit_stream, 0, size_t((bit_count + 7) / 8));
    bit_count = 0;
    last_fragment = 0;
}

// !--VDM,1 fragments,2 fragment number,3 sequence id,4 channel,5 payload,6 fill bits
bool CAIS_Sentence::Init(char* text) {
    char* f[7];
    SplitArgs(text, 7, f);
    msg_type = 0;
    const int count = ToInt(f[1]), number = ToInt(f[2]);
    if (count < 1 || number < 1 || number > count) {
        ResetAssembly();
        return false;
    }
    if (number == 1) {
        ResetAssembly();
        fragment_count = count;
        fragment_sequence = f[3][0];
    } else if (number != last_fragment + 1 || count != fragment_count ||
               f[3][0] != fragment_sequence) {
        // Out of sequence or another message's fragment: the partial message is lost.
        ResetAssembly();
        return false;
    }
    last_fragment = number;
    channel = f[4][0];
    for (const char* p = f[5]; *p && bit_count <= kBitLimit; ++p)
        append_sixbits(decode_sixbit(uint8_t(*p)));
    if (number < count) return true;

    last_fragment = 0;
    const int fill = f[6][0] >= '0' && f[6][0] <= '5' ? f[6][0] - '0' : 0;
    return decode(bit_count - fill);
}

void CAIS_Sentence::readPosition(int& p) {
    p += 1;  // position accuracy
    longitude = fetch_bits_signed(p, 28) / 600000.0;
    latitude = fetch_bits_signed(p, 27) / 600000.0;
}

void CAIS_Sentence::readShipType(int& p) {
    ship_type = uint8_t(fetch_bits(p, 8));
    const std::array<char, 25> text = decode_type(ship_type);
    std::memcpy(ship_type_text, text.data(), sizeof ship_type_text);
}

void CAIS_Sentence::readDimensions(int& p) {
    to_bow = uint16_t(fetch_bits(p, 9));
    to_stern = uint16_t(fetch_bits(p, 9));
    to_port = uint8_t(fetch_bits(p, 6));
    to_starboard = uint8_t(fetch_bits(p, 6));
}

bool CAIS_Sentence::decode(int available) {
    if (available < 38) return false;
    int p = 0;
    const int type = int(fetch_bits(p, 6));
    p += 2;  // repeat indicator
    mmsi = fetch_bits(p, 30);
    ship_type_text[0] = 0;
    if (type == 0 || available < requiredBits(type, 0)) return false;

    switch (type) {
        case 1:
        case 2:
        case 3: {
            nav_status = uint8_t(fetch_bits(p, 4));
            const int rot = fetch_bits_signed(p, 8);
            // The sent value is 4.733 * sqrt(degrees per minute); +-127 and -128 are flags.
            const double turn = (rot / 4.733) * (rot / 4.733);
            rate_of_turn_valid = turn < 720;
            rate_of_turn = rate_of_turn_valid ? float(rot < 0 ? -turn : turn) : 0.0f;
            speed = tenthsOfKnots(fetch_bits(p, 10));
            readPosition(p);
            course = float(fetch_bits(p, 12)) * 0.1f;
            heading = uint16_t(fetch_bits(p, 9));
            time_stamp = uint8_t(fetch_bits(p, 6));
            break;
        }
        case 4:
        case 11:
            year = uint16_t(fetch_bits(p, 14));
            month = uint8_t(fetch_bits(p, 4));
            day = uint8_t(fetch_bits(p, 5));
            hour = uint8_t(fetch_bits(p, 5));
            minute = uint8_t(fetch_bits(p, 6));
            second = uint8_t(fetch_bits(p, 6));
            readPosition(p);
            break;
        case 5:
            p += 2;  // AIS version
            imo = fetch_bits(p, 30);
            fetch_string(callsign, p, 42);
            fetch_string(name, p, 120);
            readShipType(p);
            readDimensions(p);
            p += 4;  // position fixing device
            eta_month = uint8_t(fetch_bits(p, 4));
            eta_day = uint8_t(fetch_bits(p, 5));
            eta_hour = uint8_t(fetch_bits(p, 5));
            eta_minute = uint8_t(fetch_bits(p, 6));
            draught = float(fetch_bits(p, 8)) * 0.1f;
            fetch_string(destination, p, 120);
            break;
        case 9:
            altitude = uint16_t(fetch_bits(p, 12));
            speed = float(fetch_bits(p, 10));
            readPosition(p);
            course = float(fetch_bits(p, 12)) * 0.1f;
            time_stamp = uint8_t(fetch_bits(p, 6));
            break;
        case 18:
        case 19:
            p += 8;  // reserved
            speed = tenthsOfKnots(fetch_bits(p, 10));
            readPosition(p);
            course = float(fetch_bits(p, 12)) * 0.1f;
            heading = uint16_t(fetch_bits(p, 9));
            time_stamp = uint8_t(fetch_bits(p, 6));
            if (type == 19) {
                p += 4;  // regional
                fetch_string(name, p, 120);
                readShipType(p);
                readDimensions(p);
            }
            break;
        case 21:
            aid_type = uint8_t(fetch_bits(p, 5));
            fetch_string(name, p, 120);
            readPosition(p);
            p += 9;  // to bow
            dimension = uint16_t(fetch_bits(p, 9));
            break;
        case 24:
            part_number = uint8_t(fetch_bits(p, 2));
            if (available < requiredBits(type, part_number)) return false;
            if (part_number == 0) {
                fetch_string(name, p, 120);
            } else if (part_number == 1) {
                readShipType(p);
                fetch_string(vendor_id, p, 42);
                fetch_string(callsign, p, 42);
                readDimensions(p);
            }
            break;
        default:
            break;
    }
    msg_type = uint8_t(type);
    return true;
}

}  // namespace CNEMA_AIS
