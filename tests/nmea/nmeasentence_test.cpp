// The sentence layer: checksums, field splitting and parsers, dispatch
// through the registry and pools, raw sentences and output filters.
#include <gtest/gtest.h>

#include <cstring>
#include <tuple>

#include "nmea/dataconnection.h"
#include "nmea/nmea_filter.h"
#include "nmea/nmea_gps.h"
#include "nmea/nmea_instruments.h"
#include "nmea/nmea_raw.h"
#include "nmeatestsupport.h"

using namespace nmeatest;

namespace {

const char kRmc[] = "$GPRMC,123519,A,4807.038,N,01131.000,E,022.4,084.4,230394,003.1,W*6A";

TEST(NmeaChecksum, AcceptsOnlyTwoUpperCaseHexDigitsThatMatch) {
    const std::pair<const char*, bool> cases[] = {
        {kRmc, true},
        {"!AIVDM,1,1,,A,15RTgt0PAso;90TKcjM8h6g208CQ,0*4A", true},
        {"$GPRMC,123519,A,4807.038,N*6B", false},  // wrong sum
        {"$GPGGA,1,2,3", false},                   // none
        {"$GPGGA,1,2,3*", false},                  // '*' at the end
        {"$IIHDG,10.0,,,,*7", false},              // one digit
        {"$GPVTG,1*4F", true},
        {"$GPVTG,1*4f", false},  // lower case
        {"$A*4G", false},        // no hex digit: not read as 0
        {"$A*41", true},
        {"GPRMC*00", false},  // no sentence start
    };
    for (auto [line, ok] : cases) EXPECT_EQ(CNMEASentence::check_checksum(line), ok) << line;
    char text[32] = "$GPXXX,1,2";
    CNMEASentence::compute_checksum(text);
    EXPECT_STREQ(text, "$GPXXX,1,2*4C");
}

TEST(NmeaFields, LatitudesNeedTheirFormatAndStayInsideTheField) {
    // Text, size with the bytes after the field's end, hemisphere, degrees.
    const std::tuple<const char*, size_t, std::string, double> cases[] = {
        {"5130.1234", 10, "N", 51.502057},   // north
        {"5130.1234", 10, "S", -51.502057},  // south
        {"9000.0000", 10, "N", 90.0},        // the pole
        {"513.01234", 10, "N", 0},           // dot misplaced
        {"51\0.1234", 9, "N", 0},            // a '.' after the field's end is not the field's
        {"5160.0000", 10, "N", 0},           // minutes past 59
        {"51a0.1234", 10, "N", 0},           // a letter
        {"9100.0000", 10, "N", 0},           // past the pole
        {"9000.5000", 10, "N", 0},           // past the pole by minutes
        {"5130.12x", 9, "N", 0},             // a letter in the fraction
    };
    for (auto [text, size, hemisphere, degrees] : cases) {
        std::string field(text, size);
        char* f[2] = {field.data(), hemisphere.data()};
        EXPECT_NEAR(CNMEASentence::GetLat(f), degrees, 1e-6) << text << hemisphere;
    }
}

TEST(NmeaFields, TimesAndDatesAreValidated) {
    enum { Time, Date };
    const std::tuple<const char*, int, double> cases[] = {
        {"", Time, 0},                     // none
        {"123519", Time, 45319},           //
        {"235960.99", Time, 86400},        // leap second
        {"243000", Time, -1},              // hour 24
        {"126000", Time, -1},              // minute 60
        {"123561", Time, -1},              // second 61
        {"1235", Time, -1},                // short
        {"12a519", Time, -1},              // a letter
        {"123519.x", Time, -1},            // in the fraction too
        {"", Date, 0},                     //
        {"010170", Date, 3155760000.0},    // 2070-01-01: two-digit years are 20xx
        {"060126", Date, 1767657600.0},    //
        {"0601126", Date, 1767657600.0},   // 1900 + 126
        {"06012026", Date, 1767657600.0},  //
        {"290224", Date, 1709164800.0},    // 2024 is a leap year
        {"290223", Date, -1},
        {"320126", Date, -1},
        {"001226", Date, -1},
        {"011326", Date, -1},
        {"0101", Date, -1},
        {"01a126", Date, -1},
        {"31040", Date, -1},
    };
    for (auto [text, kind, value] : cases) {
        std::string copy = text;
        EXPECT_EQ(
            kind == Time ? CNMEASentence::GetUTC(copy.data()) : CNMEASentence::GetDate(copy.data()),
            value)
            << text;
    }
}

TEST(NmeaDispatch, FindsTheTypeByIdAtItsOffset) {
    const std::pair<const char*, const char*> cases[] = {
        {"$GPRMC,1", "RMC"},                             // talker GP
        {"$GNRMC*00", "RMC"},                            // talker GN, no fields
        {"!AIVDM,1", "VDM"},                             // encapsulated
        {"$POVX,ACKALLALERTS*00", "POVX,ACKALLALERTS"},  // proprietary, id with a comma
        {"$PGRMC,1", nullptr},                // Garmin's own sentence, not a standard RMC
        {"$GPRMCX,1", nullptr},               // the id must end the address
        {"$GP", nullptr},                     // too short
        {"$POVX,SetStartTimerX,1", nullptr},  // the proprietary id must end too
    };
    for (auto [line, id] : cases) {
        const CNMEASentenceType* type = CNMEASentenceType::FindType(line);
        EXPECT_EQ(type ? type->id : "none", std::string(id ? id : "none")) << line;
    }
}

TEST(NmeaDispatch, ParsesOnlyForListenersAndIgnoresLeadingCharacters) {
    // Nobody listens to transducer readings: only the checksum is checked,
    // and the line is refused.
    const std::string xdr = withChecksum("$IIXDR,C,19.5,C,AIRTEMP");
    ASSERT_FALSE(Listener<CNMEA_Instruments::XDR>::HasListeners());
    EXPECT_FALSE(dispatch(xdr));
    {
        Recorder<CNMEA_Instruments::XDR> listening;
        EXPECT_TRUE(dispatch(xdr));
        EXPECT_EQ(listening.count, 1);
    }
    EXPECT_FALSE(dispatch(xdr));
    Recorder<CNMEA_GPS::RMC> rmc;
    EXPECT_TRUE(dispatch(kRmc));
    ASSERT_EQ(rmc.count, 1);
    const double lat = rmc.last->latitude;
    EXPECT_TRUE(dispatch(std::string("garbage\x01 ") + kRmc));
    EXPECT_EQ(std::pair(rmc.count, rmc.last->latitude), std::pair(2, lat));
    EXPECT_FALSE(dispatch("no sentence here"));
    EXPECT_FALSE(dispatch(std::string(kRmc).substr(0, std::strlen(kRmc) - 3)));
    EXPECT_EQ(rmc.count, 2);
}

TEST(NmeaDispatch, PoolHandsOutTheSameInstanceAndHoldersKeepIt) {
    CNMEA_GPS::RMC* held = nullptr;
    Recorder<CNMEA_GPS::RMC> rmc([&](CNMEA_GPS::RMC& s) {
        if (!held) held = &s, s.Hold();
    });
    dispatch(kRmc);
    dispatch(kRmc);
    ASSERT_NE(held, nullptr);
    EXPECT_NE(rmc.last, held);  // the held one was not handed out again
    CNMEA_GPS::RMC* second = rmc.last;
    dispatch(kRmc);
    EXPECT_EQ(rmc.last, second);  // steady state: one instance reused
    held->Release();
}

TEST(NmeaDispatch, RawSentencesCarryTheirConnectionAndReturnTrue) {
    CNoConnection none, *connection = &none;
    std::string text;
    CDataConnection* source = nullptr;
    Recorder<CNMEA_Raw> raw([&](CNMEA_Raw& r) { text = r.text, source = r.source; });
    // A sentence of no registered type still reaches the raw listeners.
    const std::string zda = withChecksum("$GPZDA,201530.00,04,07,2002,00,00");
    EXPECT_TRUE(dispatch("xx" + zda, connection));
    EXPECT_EQ(text, zda + "\r\n");
    EXPECT_EQ(source, connection);
    // Without a connection no raw copy is made: it could pass for a
    // sentence the program generated.
    EXPECT_FALSE(dispatch(zda));
    EXPECT_EQ(raw.count, 1);
    // A parsed sentence that fails its validity rule is still raw data.
    Recorder<CNMEA_GPS::GSV> gsv;
    EXPECT_TRUE(dispatch(withChecksum("$GPGSV,3,0,12"), connection));
    EXPECT_EQ(std::pair(gsv.count, raw.count), std::pair(0, 2));
    // Too long for the raw buffer: an empty text.
    const std::string longLine = withChecksum("$GPTXT," + std::string(195, 'x'));
    EXPECT_TRUE(dispatch(longLine, connection));
    EXPECT_EQ(text, "");
}

// Checksum and line end of generated sentences: see the output filter test.
TEST(NmeaDispatch, GeneratedSentencesFitTheRawBuffer) {
    Recorder<CNMEA_Raw> raw;
    CNMEA_Raw out;
    const std::string body = "$ECRMB," + std::string(194 - 7, 'x');
    std::strcpy(out.text, body.c_str());
    EXPECT_TRUE(out.AddChecksumAndDispatch());
    EXPECT_EQ(std::strlen(raw.last->text), 199u);
    EXPECT_TRUE(out.Matches(3, "RMB") && !out.Matches(3, "RMC"));
    std::strcpy(out.text, (body + "x").c_str());
    EXPECT_FALSE(out.AddChecksumAndDispatch());
    EXPECT_EQ(raw.count, 1);
}

TEST(NmeaFilter, LastMatchingRuleDecides) {
    // Rules, sentence, incoming, passes.
    const std::tuple<std::vector<const char*>, const char*, bool, bool> cases[] = {
        {{"reject GP", "accept GPRMC"}, "$GPRMC,1", true, true},
        {{"reject GP", "accept GPRMC"}, "$GPGGA,1", true, false},
        {{"reject GP", "accept GPRMC"}, "$GNGGA,1", true, true},  // no rule: as it was
        {{"accept GPRMC", "reject GP"}, "$GPRMC,1", true, false},
        {{"  Accept   EC  "}, "$ECRMB,A,0.1*00\r\n", false, true},
        {{"  Accept   EC  "}, "$GPRMB,A,0.1*00\r\n", false, false},
        {{"  Accept   EC  "}, "$E", false, false},
        {{"no ??RMB*"}, "$ECRMB,", true, false},
        {{"reject", "accept"}, "$anything", false, true},
        {{"accept ABCDEFGH"}, "$ABCDEFX", false, true},  // patterns are cut at six
    };
    for (auto [rules, sentence, verdict, passes] : cases) {
        CNMEA_filter filter;
        for (const char* rule : rules) filter.add(rule);
        filter.apply(sentence, verdict);
        EXPECT_EQ(verdict, passes) << rules.back() << " on " << sentence;
    }
}

}  // namespace
