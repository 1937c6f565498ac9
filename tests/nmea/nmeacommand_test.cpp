// ovtool nmea decode, run as the real program on a recorded file.
#include <gtest/gtest.h>

#include <tuple>

#include "nmeatestsupport.h"

using namespace nmeatest;

namespace {

TEST(NmeaDecodeCommand, PrintsEveryAcceptedSentenceWithItsFields) {
    const std::string lines[] = {
        withChecksum("$GPRMC,123519,A,4807.038,N,01131.000,E,022.4,084.4,230394,003.1,W"),
        "$GPGGA,bad checksum*00",
        "\x01\x02garbage " + withChecksum("$WIMWV,45.0,R,10.0,M,A"),
        withChecksum("$CDDSC,12,3380400790,12,06,00,1423108312,2019,,,S,E"),
        "!AIVDM,1,1,,A,15RTgt0PAso;90TKcjM8h6g208CQ,0*4A",
        withChecksum("$POVX,SetStartTimer,1765000000,5"),
        withChecksum("$GPZDA,201530.00,04,07,2002,00,00"),  // no class: not printed
        "!AIVDM,1,1,,B,?w>DNkiVT>Qp8eMvd@,4*00",
    };
    QByteArray text;
    for (const std::string& l : lines) text += QByteArray::fromStdString(l) + "\r\n";
    testsupport::TempDir dir;
    ASSERT_TRUE(testsupport::writeFile(dir.file("input.nmea"), text));
    const auto r = testsupport::runOvtool({"nmea", "decode", dir.file("input.nmea")}, dir.path());
    ASSERT_EQ(r.exitCode, 0) << r.err.constData();
    QList<QJsonObject> out = jsonLines(r.out);
    out.removeIf([](const QJsonObject& o) { return !o.contains("sentence"); });  // live positions
    ASSERT_EQ(out.size(), 6);
    QStringList names;
    for (const QJsonObject& o : out) names << o["sentence"].toString();
    EXPECT_EQ(names.join(" "), "RMC MWV DSC VDM POVX,SetStartTimer VDM");
    EXPECT_NEAR(out[0]["latitude"].toDouble(), 48.1173, 1e-9);
    // Type 15: its fields are not carried.
    EXPECT_EQ(
        std::tuple(out[1]["line"].toInt(), out[2]["mmsi"].toInt(), out[5]["msg_type"].toInt()),
        std::tuple(3, 338040079, 15));
}

}  // namespace
