// The sentence layer: checksums, field splitting and parsers, dispatch
// through the registry and pools, raw sentences and output filters.
#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <new>

#include "nmea/dataconnection.h"
#include "nmea/nmea_filter.h"
#include "nmea/nmea_gps.h"
#include "nmea/nmea_instruments.h"
#include "nmea/nmea_raw.h"
#include "nmeatestsupport.h"

using namespace nmeatest;

// Every allocation of this test program is counted, so that a test can
// show that a stream of sentences allocates nothing.
namespace {
std::atomic<long> g_allocations{0};
}
void* operator new(size_t size) {
    ++g_allocations;
    if (void* p = std::malloc(size ? size : 1)) return p;
    throw std::bad_alloc();
}
void operator delete(void* p) noexcept {
    std::free(p);
}
void operator delete(void* p, size_t) noexcept {
    std::free(p);
}

namespace {

const char kRmc[] = "$GPRMC,123519,A,4807.038,N,01131.000,E,022.4,084.4,230394,003.1,W*6A";

TEST(NmeaChecksum, AcceptsOnlyTwoUpperCaseHexDigitsThatMatch) {
    EXPECT_TRUE(CNMEASentence::check_checksum(kRmc));
    EXPECT_TRUE(CNMEASentence::check_checksum("!AIVDM,1,1,,A,15RTgt0PAso;90TKcjM8h6g208CQ,0*4A"));
    EXPECT_FALSE(CNMEASentence::check_checksum("$GPRMC,123519,A,4807.038,N*6B"));
    // No checksum at all, '*' at the end, one digit only.
    EXPECT_FALSE(CNMEASentence::check_checksum("$GPGGA,1,2,3"));
    EXPECT_FALSE(CNMEASentence::check_checksum("$GPGGA,1,2,3*"));
    const std::string full = withChecksum("$IIHDG,10.0,,,,");  // *hh
    EXPECT_TRUE(CNMEASentence::check_checksum(full.c_str()));
    EXPECT_FALSE(CNMEASentence::check_checksum(full.substr(0, full.size() - 1).c_str()));
    // Lower-case digits are rejected, unless both are decimal anyway.
    const std::string lower = withChecksum("$GPVTG,1");  // checksum has a letter
    std::string lowered = lower;
    for (char& c : lowered)
        if (c >= 'A' && c <= 'F' && &c > &lowered[lowered.find('*')]) c = char(c - 'A' + 'a');
    ASSERT_NE(lowered, lower);
    EXPECT_TRUE(CNMEASentence::check_checksum(lower.c_str()));
    EXPECT_FALSE(CNMEASentence::check_checksum(lowered.c_str()));
    // A character that is no hex digit is not read as 0.
    EXPECT_FALSE(CNMEASentence::check_checksum("$A*4G"));
    EXPECT_TRUE(CNMEASentence::check_checksum("$A*41"));
    // Must start at the sentence start.
    EXPECT_FALSE(CNMEASentence::check_checksum("GPRMC*00"));
}

TEST(NmeaChecksum, ComputeAppendsStarAndTwoUpperCaseDigits) {
    char text[32] = "$GPXXX,1,2";
    CNMEASentence::compute_checksum(text);
    EXPECT_STREQ(text + std::strlen(text) - 3, "*4C") << text;
    EXPECT_TRUE(CNMEASentence::check_checksum(text));
    char one[8] = "$";
    CNMEASentence::compute_checksum(one);
    EXPECT_STREQ(one, "$*00");
}

TEST(NmeaFields, SplitArgsCutsAtCommasAndStopsAtStar) {
    char text[] = "$GPXYZ,a,,c*12,d";
    char* f[6];
    CNMEASentence::SplitArgs(text, 6, f);
    EXPECT_STREQ(f[0], "$GPXYZ");
    EXPECT_STREQ(f[1], "a");
    EXPECT_STREQ(f[2], "");
    EXPECT_STREQ(f[3], "c");
    EXPECT_STREQ(f[4], "");  // nothing after '*' is data
    EXPECT_STREQ(f[5], "");
    char few[] = "$GPXYZ,1";
    char* g[4];
    CNMEASentence::SplitArgs(few, 4, g);
    EXPECT_STREQ(g[1], "1");
    EXPECT_STREQ(g[3], "");
}

TEST(NmeaFields, PositionsNeedTheirFormatAndStayInsideTheField) {
    char lat[] = "5130.1234", north[] = "N", south[] = "S";
    char* f[2] = {lat, north};
    EXPECT_NEAR(CNMEASentence::GetLat(f), 51.502057, 1e-6);
    f[1] = south;
    EXPECT_NEAR(CNMEASentence::GetLat(f), -51.502057, 1e-6);
    char shifted[] = "513.01234";
    f[0] = shifted;
    EXPECT_EQ(CNMEASentence::GetLat(f), 0.0);
    char lon[] = "01131.000", west[] = "W";
    char* g[2] = {lon, west};
    EXPECT_NEAR(CNMEASentence::GetLon(g), -(11 + 31.0 / 60), 1e-9);

    // A short field followed in memory by a '.' at the checked index must
    // not be taken: the check stays within the field.
    char split[] = "51\0.1234";
    f[0] = split;
    EXPECT_EQ(CNMEASentence::GetLat(f), 0.0);
    // Minutes of 60 or more, letters, degrees beyond the pole.
    for (const char* bad : {"5160.0000", "51a0.1234", "9100.0000", "9000.5000", "5130.12x"}) {
        char copy[16];
        std::strcpy(copy, bad);
        f[0] = copy;
        EXPECT_EQ(CNMEASentence::GetLat(f), 0.0) << bad;
    }
    char pole[] = "9000.0000";
    f[0] = pole;
    f[1] = north;
    EXPECT_EQ(CNMEASentence::GetLat(f), 90.0);

    char empty[] = "", e[] = "E", badLetter[] = "X";
    char* ok[4] = {lat, north, lon, e};
    EXPECT_TRUE(CNMEASentence::PositionFieldsValid(ok));
    char* none[4] = {empty, empty, empty, empty};
    EXPECT_TRUE(CNMEASentence::PositionFieldsValid(none));
    char* malformed[4] = {shifted, north, lon, e};
    EXPECT_FALSE(CNMEASentence::PositionFieldsValid(malformed));
    char* letter[4] = {lat, badLetter, lon, e};
    EXPECT_FALSE(CNMEASentence::PositionFieldsValid(letter));
}

TEST(NmeaFields, TimesAndDatesAreValidated) {
    auto utc = [](const char* s) {
        char copy[32];
        std::strcpy(copy, s);
        return CNMEASentence::GetUTC(copy);
    };
    auto date = [](const char* s) {
        char copy[32];
        std::strcpy(copy, s);
        return CNMEASentence::GetDate(copy);
    };
    EXPECT_EQ(utc(""), 0);
    EXPECT_EQ(utc("123519"), 12 * 3600 + 35 * 60 + 19);
    EXPECT_EQ(utc("235960.99"), 23 * 3600 + 59 * 60 + 60);  // leap second
    for (const char* bad : {"243000", "126000", "123561", "1235", "12a519", "123519.x"})
        EXPECT_EQ(utc(bad), -1) << bad;

    EXPECT_EQ(date(""), 0.0);
    EXPECT_EQ(date("010170"), 3155760000.0);    // 2070-01-01: two-digit years are 20xx
    EXPECT_EQ(date("230394"), date("230394"));  // the cached repeat
    EXPECT_EQ(date("060126"), 1767657600.0);    // 2026-01-06
    EXPECT_EQ(date("0601126"), 1767657600.0);   // 1900 + 126
    EXPECT_EQ(date("06012026"), 1767657600.0);
    EXPECT_EQ(date("290224"), 1709164800.0);  // 2024 is a leap year
    for (const char* bad : {"290223", "320126", "001226", "011326", "0101", "01a126", "31040"})
        EXPECT_EQ(date(bad), -1.0) << bad;
}

TEST(NmeaFields, NumbersReadLikeStrtodInTheCLocale) {
    EXPECT_EQ(CNMEASentence::ToDouble(""), 0.0);
    EXPECT_EQ(CNMEASentence::ToDouble("12.5"), 12.5);
    EXPECT_EQ(CNMEASentence::ToDouble("-0.125"), -0.125);
    EXPECT_EQ(CNMEASentence::ToDouble("+7"), 7.0);
    EXPECT_EQ(CNMEASentence::ToDouble("3.25M"), 3.25);
    EXPECT_EQ(CNMEASentence::ToDouble("1e3"), 1000.0);
    EXPECT_EQ(CNMEASentence::ToDouble("0.1"), 0.1);
    EXPECT_EQ(CNMEASentence::ToDouble("12345678901234567890123"), 12345678901234567890123.0);
    EXPECT_FALSE(std::isfinite(CNMEASentence::ToDouble("inf")));
    EXPECT_FALSE(std::isfinite(CNMEASentence::ToDouble("-Infinity")));
    EXPECT_FALSE(std::isfinite(CNMEASentence::ToDouble("nan")));
    EXPECT_FALSE(std::isfinite(CNMEASentence::ToDouble("1e999")));
    EXPECT_EQ(CNMEASentence::ToInt("42"), 42);
    EXPECT_EQ(CNMEASentence::ToInt("-3x"), -3);
    EXPECT_EQ(CNMEASentence::ToInt("99999999999"), 2147483647);
    EXPECT_EQ(CNMEASentence::ToInt(""), 0);
    char buffer[4];
    CNMEASentence::strncpy_to_TCHAR(buffer, "abcdef", 4);
    EXPECT_STREQ(buffer, "abc");
}

TEST(NmeaDispatch, FindsTheTypeByIdAtItsOffset) {
    EXPECT_STREQ(CNMEASentenceType::FindType("$GPRMC,1")->id, "RMC");
    EXPECT_STREQ(CNMEASentenceType::FindType("$GNRMC*00")->id, "RMC");
    EXPECT_STREQ(CNMEASentenceType::FindType("!AIVDM,1")->id, "VDM");
    EXPECT_STREQ(CNMEASentenceType::FindType("$POVX,ACKALLALERTS*00")->id, "POVX,ACKALLALERTS");
    // Proprietary addresses are not standard sentences ($PGRMC is Garmin's
    // configuration sentence), and the id must end the address.
    EXPECT_EQ(CNMEASentenceType::FindType("$PGRMC,1"), nullptr);
    EXPECT_EQ(CNMEASentenceType::FindType("$GPRMCX,1"), nullptr);
    EXPECT_EQ(CNMEASentenceType::FindType("$GP"), nullptr);
    EXPECT_EQ(CNMEASentenceType::FindType("$POVX,SetStartTimerX,1"), nullptr);
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
    ASSERT_EQ(rmc.count, 2);
    EXPECT_EQ(rmc.last->latitude, lat);
    EXPECT_FALSE(dispatch("no sentence here"));
    EXPECT_FALSE(dispatch(std::string(kRmc).substr(0, std::strlen(kRmc) - 3)));
    EXPECT_EQ(rmc.count, 2);
}

TEST(NmeaDispatch, PoolHandsOutTheSameInstanceAndHoldersKeepIt) {
    CNMEA_GPS::RMC* held = nullptr;
    Recorder<CNMEA_GPS::RMC> rmc([&](CNMEA_GPS::RMC& s) {
        if (!held) {
            held = &s;
            s.Hold();
        }
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
    CNoConnection none;
    CDataConnection* connection = &none;
    std::string text;
    CDataConnection* source = nullptr;
    Recorder<CNMEA_Raw> raw([&](CNMEA_Raw& r) {
        text = r.text;
        source = r.source;
    });
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
    EXPECT_EQ(gsv.count, 0);
    EXPECT_EQ(raw.count, 2);
    // Too long for the raw buffer: an empty text.
    const std::string longLine = withChecksum("$GPTXT," + std::string(195, 'x'));
    EXPECT_TRUE(dispatch(longLine, connection));
    EXPECT_EQ(text, "");
}

TEST(NmeaDispatch, GeneratedSentencesGetChecksumAndLineEnd) {
    std::vector<std::string> sent;
    Recorder<CNMEA_Raw> raw([&](CNMEA_Raw& r) {
        EXPECT_EQ(r.source, nullptr);
        sent.push_back(r.text);
    });
    CNMEA_Raw out;
    std::strcpy(out.text, "$POVX,ACKALLALERTS");
    EXPECT_TRUE(out.AddChecksumAndDispatch());
    ASSERT_EQ(sent.size(), 1u);
    EXPECT_EQ(sent[0], withChecksum("$POVX,ACKALLALERTS") + "\r\n");
    EXPECT_TRUE(out.Matches(1, "POVX,ACKALLALERTS"));
    EXPECT_FALSE(out.Matches(3, "RMC"));

    std::string body = "$ECRMB," + std::string(194 - 7, 'x');
    ASSERT_EQ(body.size(), 194u);
    std::strcpy(out.text, body.c_str());
    EXPECT_TRUE(out.AddChecksumAndDispatch());
    EXPECT_EQ(sent.back().size(), 199u);
    std::strcpy(out.text, (body + "x").c_str());
    EXPECT_FALSE(out.AddChecksumAndDispatch());
    EXPECT_EQ(sent.size(), 2u);
}

TEST(NmeaFilter, LastMatchingRuleDecides) {
    CNMEA_filter filter;
    filter.add("reject GP");
    filter.add("accept GPRMC");
    auto verdict = [&](const CNMEA_filter& f, const char* s, bool start) {
        f.apply(s, start);
        return start;
    };
    EXPECT_TRUE(verdict(filter, "$GPRMC,1", true));
    EXPECT_FALSE(verdict(filter, "$GPGGA,1", true));
    EXPECT_TRUE(verdict(filter, "$GNGGA,1", true));

    CNMEA_filter reversed;
    reversed.add("accept GPRMC");
    reversed.add("reject GP");
    EXPECT_FALSE(verdict(reversed, "$GPRMC,1", true));
    EXPECT_FALSE(verdict(reversed, "$GPGGA,1", true));

    CNMEA_filter output;
    output.add("  Accept   EC  ");
    EXPECT_TRUE(verdict(output, "$ECRMB,A,0.1*00\r\n", false));
    EXPECT_FALSE(verdict(output, "$GPRMB,A,0.1*00\r\n", false));
    EXPECT_FALSE(verdict(output, "$E", false));

    CNMEA_rule rule;
    rule.init("no ??RMB*");
    EXPECT_FALSE(rule.accept);
    EXPECT_STREQ(rule.pattern, "??RMB");
    EXPECT_TRUE(rule.matches("$ECRMB,"));
    rule.init("accept");
    EXPECT_TRUE(rule.matches("$anything"));
    rule.init("accept ABCDEFGH");
    EXPECT_STREQ(rule.pattern, "ABCDEF");
}

TEST(NmeaDispatch, SteadyStreamAllocatesNothing) {
    Recorder<CNMEA_GPS::RMC> rmc;
    Recorder<CNMEA_GPS::GGA> gga;
    Recorder<CNMEA_GPS::GSV> gsv;
    Recorder<CNMEA_Raw> raw;
    CNoConnection none;
    CDataConnection* connection = &none;
    const std::string gsvLine =
        withChecksum("$GPGSV,3,1,11,03,03,111,00,04,15,270,00,06,01,010,00,13,06,292,00");
    const std::string ggaLine =
        withChecksum("$GPGGA,123519,4807.038,N,01131.000,E,1,08,0.9,545.4,M,46.9,M,,");
    char buffer[3][128];
    auto round = [&] {
        std::strcpy(buffer[0], kRmc);
        std::strcpy(buffer[1], gsvLine.c_str());
        std::strcpy(buffer[2], ggaLine.c_str());
        for (char* line : buffer) CNMEASentence::DispatchSentence(line, connection);
    };
    round();  // fills the pools
    const long before = g_allocations.load();
    for (int i = 0; i < 100; ++i) round();
    EXPECT_EQ(g_allocations.load(), before);
    EXPECT_EQ(rmc.count, 101);
    EXPECT_EQ(gsv.count, 101);
    EXPECT_EQ(gga.count, 101);
    EXPECT_EQ(raw.count, 303);
}

}  // namespace
