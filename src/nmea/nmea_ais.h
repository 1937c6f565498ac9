// AIS radio messages carried in !xxVDM (other vessels) and !xxVDO (own
// vessel) sentences. Fragments of a multi-sentence message are assembled in
// one process-wide bit stream shared by VDM and VDO; the message is decoded
// on its last fragment. Earlier fragments are dispatched with msg_type 0,
// which listeners ignore.
//
// Units: latitude and longitude in degrees (91 and 181 mean not available),
// speeds in knots, courses in degrees true (360 = not available), heading in
// degrees (511 = not available), lengths in metres. The message layouts are
// those of ITU-R M.1371.
#pragma once

#include <array>
#include <cstdint>

#include "nmea/nmeasentence.h"

namespace CNEMA_AIS {

class CAIS_Sentence : public CNMEASentence {
public:
    explicit CAIS_Sentence(CNMEASentenceType* t) : CNMEASentence(t) {}
    bool Init(char* text) override;

    // ---- the shared bit stream ----
    static constexpr int kMaxBits = 1024;
    static constexpr int kBitLimit = 991;  // payload characters past this are ignored

    // One armoured payload character to its 6-bit value (masked to 0..63).
    static int decode_sixbit(int c);
    static void append_sixbits(int value);
    // The count (at most 32) bits at position, most significant first;
    // advances position. Bits past the received ones read as 0.
    static uint32_t fetch_bits(int& position, int count);
    static int32_t fetch_bits_signed(int& position, int count);
    // bits/6 six-bit characters into text (room for bits/6 + 1), trailing
    // spaces and '@' removed.
    static void fetch_string(char* text, int& position, int bits);
    // The ship type text: "Sailing", "Cargo ship:Haz A", "Type 120"...
    static std::array<char, 25> decode_type(unsigned char type);
    // Forgets any partly assembled message.
    static void ResetAssembly();

    static uint8_t bit_stream[kMaxBits / 8];
    static int bit_count;
    static int last_fragment;  // of the message being assembled; 0 = none

    // ---- all messages ----
    char channel = 0;      // 'A' or 'B'
    uint8_t msg_type = 0;  // 0 while a multi-sentence message is incomplete
    uint32_t mmsi = 0;
    char ship_type_text[25] = {};  // empty unless the message carries a ship type

    // ---- position reports: 1, 2, 3 (class A), 18, 19 (class B), 9 (SAR aircraft) ----
    uint8_t nav_status = 0;  // types 1-3
    float rate_of_turn = 0;  // degrees per minute, negative to port
    bool rate_of_turn_valid = false;
    float speed = 0;       // knots; class A and B report 0 for values above 100
    double longitude = 0;  // also types 4, 11, 21
    double latitude = 0;
    float course = 0;
    uint16_t heading = 511;
    uint8_t time_stamp = 0;  // second of the UTC minute (60 = not available)
    uint16_t altitude = 0;   // type 9, metres

    // ---- base station and UTC reply: 4, 11 ----
    uint16_t year = 0;
    uint8_t month = 0, day = 0, hour = 0, minute = 0, second = 0;

    // ---- static data: 5, 19, 21, 24 ----
    uint32_t imo = 0;
    char callsign[8] = {};
    char name[21] = {};
    uint8_t ship_type = 0;
    uint16_t to_bow = 0, to_stern = 0;
    uint8_t to_port = 0, to_starboard = 0;
    uint8_t eta_month = 0, eta_day = 0, eta_hour = 0, eta_minute = 0;
    float draught = 0;  // metres
    char destination[21] = {};
    uint8_t aid_type = 0;     // type 21
    uint16_t dimension = 0;   // type 21: its one length, metres
    uint8_t part_number = 0;  // type 24: 0 name, 1 the rest
    char vendor_id[8] = {};   // type 24 part 1

private:
    bool decode(int available_bits);
    void readPosition(int& position);
    void readShipType(int& position);
    void readDimensions(int& position);
};

// A message from another station.
class VDM : public CAIS_Sentence {
public:
    explicit VDM(CNMEASentenceType* t) : CAIS_Sentence(t) {}
};

// A report of the own vessel, from its own transponder.
class VDO : public CAIS_Sentence {
public:
    explicit VDO(CNMEASentenceType* t) : CAIS_Sentence(t) {}
};

}  // namespace CNEMA_AIS
