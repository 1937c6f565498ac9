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
    for (const char* line :
         {kRmc, "!AIVDM,1,1,,A,15RTgt0PAso;90TKcjM8h6g208CQ,0*4A", "$GPVTG,1*4F", "$A*41"})
        EXPECT_TRUE(CNMEASentence::check_checksum(line)) << line;
    // A wrong sum, none, '*' at the end, one digit, lower case, no hex digit
    // (not read as 0), no sentence start.
    for (const char* line : {"$GPRMC,123519,A,4807.038,N*6B", "$GPGGA,1,2,3", "$GPGGA,1,2,3*",
                             "$IIHDG,10.0,,,,*7", "$GPVTG,1*4f", "$A*4G", "GPRMC*00"})
        EXPECT_FALSE(CNMEASentence::check_checksum(line)) << line;
    char text[32] = "$GPXXX,1,2";
    CNMEASentence::compute_checksum(text);
    EXPECT_STREQ(text, "$GPXXX,1,2*4C");
}

TEST(NmeaFields, LatitudesNeedTheirFormatAndStayInsideTheField) {
    const auto lat = [](std::string field, std::string hemisphere) {
        char* f[2] = {field.data(), hemisphere.data()};
        return CNMEASentence::GetLat(f);
    };
    EXPECT_NEAR(lat("5130.1234", "N"), 51.502057, 1e-6);
    EXPECT_NEAR(lat("5130.1234", "S"), -51.502057, 1e-6);
    EXPECT_EQ(lat("9000.0000", "N"), 90.0);
    // A '.' after the field's end is not the field's.
    EXPECT_EQ(lat(std::string("51\0.1234", 9), "N"), 0);
    // Dot misplaced, minutes past 59, a letter, past the pole, a letter in the fraction.
    for (const char* text :
         {"513.01234", "5160.0000", "51a0.1234", "9100.0000", "9000.5000", "5130.12x"})
        EXPECT_EQ(lat(text, "N"), 0) << text;
}

TEST(NmeaFields, TimesAndDatesAreValidated) {
    const auto utc = [](std::string t) { return CNMEASentence::GetUTC(t.data()); };
    const auto date = [](std::string d) { return CNMEASentence::GetDate(d.data()); };
    // None is 0; 23:59:60.99 is a leap second.
    for (auto [text, value] : {std::pair("", 0.0), {"123519", 45319}, {"235960.99", 86400}})
        EXPECT_EQ(utc(text), value) << text;
    // Hour 24, minute 60, second 61, short, letters in the time and the fraction.
    for (const char* text : {"243000", "126000", "123561", "1235", "12a519", "123519.x"})
        EXPECT_EQ(utc(text), -1) << text;
    // Two-digit years are 20xx (2070-01-01), three are 1900 + n; 2024 is a leap year.
    const std::pair<const char*, double> dates[] = {
        {"", 0},
        {"010170", 3155760000.0},
        {"060126", 1767657600.0},
        {"0601126", 1767657600.0},
        {"06012026", 1767657600.0},
        {"290224", 1709164800.0},
    };
    for (auto [text, value] : dates) EXPECT_EQ(date(text), value) << text;
    for (const char* text : {"290223", "320126", "001226", "011326", "0101", "01a126", "31040"})
        EXPECT_EQ(date(text), -1) << text;
}

TEST(NmeaDispatch, FindsTheTypeByIdAtItsOffset) {
    // Talkers GP and GN, no fields, encapsulated, proprietary with a comma in the id.
    const std::pair<const char*, const char*> found[] = {
        {"$GPRMC,1", "RMC"},
        {"$GNRMC*00", "RMC"},
        {"!AIVDM,1", "VDM"},
        {"$POVX,ACKALLALERTS*00", "POVX,ACKALLALERTS"},
    };
    for (auto [line, id] : found) {
        const CNMEASentenceType* type = CNMEASentenceType::FindType(line);
        EXPECT_EQ(type ? type->id : "none", std::string(id)) << line;
    }
    // Garmin's own sentence (not a standard RMC), ids that do not end the
    // address, too short.
    for (const char* line : {"$PGRMC,1", "$GPRMCX,1", "$GP", "$POVX,SetStartTimerX,1"})
        EXPECT_EQ(CNMEASentenceType::FindType(line), nullptr) << line;
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
