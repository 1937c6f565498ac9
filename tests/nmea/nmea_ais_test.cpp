// AIS: the bit readers, fragment assembly, the message layouts, and
// agreement with two independent decoders (gpsd and libais) on their own
// sample files.
#include <gtest/gtest.h>

#include <QDir>
#include <algorithm>
#include <cmath>
#include <tuple>

#include "nmea/nmea_ais.h"
#include "nmeatestsupport.h"

using namespace nmeatest;
using CNEMA_AIS::CAIS_Sentence;
using CNEMA_AIS::VDM;
using CNEMA_AIS::VDO;

namespace {

// Builds an armoured payload from (value, bit count) pairs.
class PayloadWriter {
public:
    PayloadWriter& put(uint64_t value, int bits) {
        for (int i = bits - 1; i >= 0; --i) m_bits.push_back(char('0' + ((value >> i) & 1)));
        return *this;
    }
    // The sentence, with fill bits padding the payload to a whole character.
    std::string sentence(const char* address = "!AIVDM") const {
        const int fill = int((6 - m_bits.size() % 6) % 6);
        const std::string bits = m_bits + std::string(size_t(fill), '0');
        std::string payload;
        for (size_t i = 0; i < bits.size(); i += 6) {
            const int v = std::stoi(bits.substr(i, 6), nullptr, 2);
            payload.push_back(char(v < 40 ? v + 48 : v + 56));
        }
        return withChecksum(std::string(address) + ",1,1,,A," + payload + "," +
                            std::to_string(fill));
    }

private:
    std::string m_bits;
};

// Header of a message: type, repeat indicator 0, MMSI.
PayloadWriter message(int type, uint32_t mmsi) {
    PayloadWriter w;
    w.put(uint64_t(type), 6).put(0, 2).put(mmsi, 30);
    return w;
}

// A class A position report with the given raw field values.
PayloadWriter positionReport(int rot, int sog, int lon, int lat, int cog, int heading) {
    PayloadWriter w = message(1, 244123456);
    w.put(5, 4).put(uint64_t(uint8_t(int8_t(rot))), 8).put(uint64_t(sog), 10).put(1, 1);
    w.put(uint64_t(uint32_t(lon)) & 0xFFFFFFF, 28).put(uint64_t(uint32_t(lat)) & 0x7FFFFFF, 27);
    w.put(uint64_t(cog), 12).put(uint64_t(heading), 9).put(33, 6);
    w.put(0, 25);  // the rest of the 168 bits
    return w;
}

TEST(AisMessages, RateOfTurnAndSpeedNotAvailable) {
    Recorder<VDM> vdm;
    // Raw rate and speed; valid, degrees a minute ((20 / 4.733)^2 to port), knots.
    const std::tuple<int, int, bool, float, float> cases[] = {
        {-20, 123, true, -17.8565f, 12.3f}, {-128, 1023, false, 0, 0}, {127, 0, false, 0, 0}};
    for (auto [rot, sog, valid, rate, speed] : cases) {
        ASSERT_TRUE(dispatch(positionReport(rot, sog, 600000, -1200000, 2245, 215).sentence()));
        EXPECT_EQ(vdm.last->rate_of_turn_valid, valid) << rot;
        EXPECT_NEAR(vdm.last->rate_of_turn, rate, 1e-3) << rot;
        EXPECT_FLOAT_EQ(vdm.last->speed, speed) << sog;
    }
}

TEST(AisMessages, ShortMessagesAreRejectedNotReadFromStaleBits) {
    Recorder<VDM> vdm;
    // A full report leaves its bits in the shared stream...
    ASSERT_TRUE(dispatch(positionReport(0, 50, 600000, 600000, 100, 90).sentence()));
    // ...a report cut after its speed must not borrow them.
    PayloadWriter cut = message(1, 244123456);
    cut.put(0, 4).put(0, 8).put(77, 10);
    for (const std::string& line :
         {cut.sentence(), withChecksum("!AIVDM,1,1,,B,,0"),
          PayloadWriter().put(1, 6).put(0, 20).sentence(), message(0, 1).sentence()})
        EXPECT_FALSE(dispatch(line)) << line;
    EXPECT_EQ(vdm.count, 1);
    EXPECT_EQ(vdm.last->speed, 5.0f);  // untouched by the refused ones
    // Messages whose fields the classes do not carry need only the header.
    EXPECT_TRUE(dispatch(message(40, 1).sentence()));
    EXPECT_EQ(vdm.last->msg_type, 40);
}

// Static data as many transmitters send it: 420 bits instead of 424 (a
// type 5 of gpsd's sample, cut short).
TEST(AisMessages, StaticDataFrom420Bits) {
    const QList<QByteArray> sample = corpusLines("ais/gpsd-sample.aivdm");
    const QByteArray all = sample[123].split(',')[5] + sample[124].split(',')[5];
    auto cut = [&](int bits) {
        PayloadWriter w;
        for (int i = 0; i < bits; ++i)
            w.put(uint64_t((CAIS_Sentence::decode_sixbit(all[i / 6]) >> (5 - i % 6)) & 1), 1);
        return w.sentence();
    };
    Recorder<VDM> vdm;
    ASSERT_TRUE(dispatch(cut(420)));
    EXPECT_STREQ(vdm.last->name, "EVER DIADEM");
    EXPECT_STREQ(vdm.last->destination, "NEW YORK");
    EXPECT_FALSE(dispatch(cut(419)));
}

TEST(AisMessages, FragmentsOutOfSequenceAreDropped) {
    // A type 5 in two fragments (sequence id 1) and another message's second
    // fragment (id 6), from gpsd's sample.
    const QList<QByteArray> sample = corpusLines("ais/gpsd-sample.aivdm");
    auto at = [&](int i) { return sample[i].trimmed().toStdString(); };
    const std::string first = at(123), second = at(124), other = at(265);
    ASSERT_EQ(first.rfind("!AIVDM,2,1,1,", 0), 0u);
    Recorder<VDM> vdm;
    CAIS_Sentence::ResetAssembly();
    ASSERT_TRUE(dispatch(first));
    EXPECT_EQ(vdm.last->msg_type, 0);  // dispatched, ignored by listeners
    ASSERT_TRUE(dispatch(second));
    EXPECT_EQ(vdm.last->msg_type, 5);
    EXPECT_FALSE(dispatch(second));  // fragment 2 without fragment 1
    ASSERT_TRUE(dispatch(first));
    EXPECT_FALSE(dispatch(other.substr(0, other.find('*') + 3)));  // another sequence
    EXPECT_FALSE(dispatch(second));  // the partial message was dropped
    EXPECT_EQ(vdm.count, 3);         // the fragments 1 count, as dispatched
    // VDO shares the assembly and has listeners of its own.
    Recorder<VDO> vdo;
    for (std::string line : {first, second}) {
        line = line.substr(0, line.find('*'));
        line[5] = 'O';
        ASSERT_TRUE(dispatch(withChecksum(line)));
    }
    EXPECT_STREQ(vdo.last->name, vdm.last->name);
}

// ---- agreement with independent decoders ------------------------------------

// How our decode compares with another decoder's JSON for one file.
struct Agreement {
    int messages = 0;                      // matched by type and MMSI
    std::vector<std::string> differences;  // unexplained
    std::vector<std::string> unmatched;    // decoded here, absent there
};

// The fields compared, by message kind: the type, except type 24 whose
// parts are 240 (name) and 241 (the rest).
int kind(const VDM& m) {
    return m.msg_type == 24 ? 240 + m.part_number : m.msg_type;
}
using Kinds = std::vector<int>;
const Kinds kPositions = {1, 2, 3, 4, 9, 11, 18, 19, 21};
const Kinds kShips = {5, 19, 241};
// Numbers within a tolerance, or texts.
const struct {
    const char* key;
    Kinds kinds;
    double (*number)(const VDM&);
    double tolerance;
    const char* (*text)(const VDM&) = nullptr;
} kFields[] = {
    // libais keeps positions as 32-bit floats: about 1e-5 degrees at 100 degrees.
    {"lat", kPositions, [](const VDM& m) { return m.latitude; }, 2e-5},
    {"lon", kPositions, [](const VDM& m) { return m.longitude; }, 2e-5},
    {"speed", {1, 2, 3, 18, 19}, [](const VDM& m) { return double(m.speed); }, 0.05},
    {"speed", {9}, [](const VDM& m) { return double(m.speed); }, 0},
    {"course", {1, 2, 3, 9, 18, 19}, [](const VDM& m) { return double(m.course); }, 0.05},
    {"heading", {1, 2, 3, 18, 19}, [](const VDM& m) { return double(m.heading); }, 0},
    {"status", {1, 2, 3}, [](const VDM& m) { return double(m.nav_status); }, 0},
    {"alt", {9}, [](const VDM& m) { return double(m.altitude); }, 0},
    {"shiptype", kShips, [](const VDM& m) { return double(m.ship_type); }, 0},
    {"to_bow", kShips, [](const VDM& m) { return double(m.to_bow); }, 0},
    {"to_stern", kShips, [](const VDM& m) { return double(m.to_stern); }, 0},
    {"to_port", kShips, [](const VDM& m) { return double(m.to_port); }, 0},
    {"to_starboard", kShips, [](const VDM& m) { return double(m.to_starboard); }, 0},
    {"draught", {5}, [](const VDM& m) { return double(m.draught); }, 0.05},
    {"aid_type", {21}, [](const VDM& m) { return double(m.aid_type); }, 0},
    {"to_stern", {21}, [](const VDM& m) { return double(m.dimension); }, 0},
    {"shipname", {5, 19, 240}, nullptr, 0, [](const VDM& m) { return m.name; }},
    {"callsign", {5, 241}, nullptr, 0, [](const VDM& m) { return m.callsign; }},
    {"destination", {5}, nullptr, 0, [](const VDM& m) { return m.destination; }},
    {"name", {21}, nullptr, 0, [](const VDM& m) { return m.name; }},
};

// Why a difference is expected, or null.
const char* knownNumberDifference(const VDM& m, const std::string& key, double ours,
                                  double theirs) {
    if (key == "speed" && theirs > 100 && ours == 0 && m.msg_type != 9)
        return "speed above 100 kn (102.3 = not available) reads 0 here";
    if (key == "speed" && m.msg_type == 9 && std::fabs(theirs * 10 - ours) < 0.5)
        return "type 9 speed is whole knots (ITU-R M.1371); libais divides by 10";
    return nullptr;
}

const char* knownTextDifference(const VDM& m, const QString& mine, const QString& theirs) {
    // gpsd and libais keep a type 21 name extension; the classes carry 20 characters.
    if (m.msg_type == 21 && theirs.startsWith(mine) && mine.size() == 20)
        return "aid-to-navigation name extension not carried";
    // gpsd ends a text at its first '@'; only trailing '@' and blanks are cut here.
    if (mine.contains('@') && theirs == mine.left(int(mine.indexOf('@'))))
        return "text after an embedded '@' kept (gpsd cuts it)";
    // libais's six-bit table has '-' for 31 and '`' for 39 (ITU: '_' and '\'').
    if (theirs == QString(mine).replace('_', '-').replace('\'', '`'))
        return "six-bit 31 and 39 are '_' and '\'' (libais: '-' and '`')";
    return nullptr;
}

void compareMessage(const VDM& m, const QJsonObject& j, Agreement& a, const std::string& where) {
    auto in = [&](const Kinds& kinds) {
        return std::find(kinds.begin(), kinds.end(), kind(m)) != kinds.end();
    };
    for (const auto& f : kFields) {
        if (!in(f.kinds) || !j.contains(f.key)) continue;
        const char* why = nullptr;
        std::string ours, theirs;
        if (f.text) {
            const QString mine = QString::fromLatin1(f.text(m)), other = j.value(f.key).toString();
            if (other == mine) continue;
            why = knownTextDifference(m, mine, other);
            ours = '"' + mine.toStdString() + '"', theirs = '"' + other.toStdString() + '"';
        } else {
            const double mine = f.number(m), other = j.value(f.key).toDouble();
            if (std::fabs(other - mine) <= f.tolerance) continue;
            why = knownNumberDifference(m, f.key, mine, other);
            ours = std::to_string(mine), theirs = std::to_string(other);
        }
        if (!why)
            a.differences.push_back(where + " " + f.key + ": ours " + ours + ", theirs " + theirs);
    }
}

// Decodes every sentence of an AIS file and compares each completed
// message with the next matching object of the other decoder's output
// (same type and MMSI; they may skip messages, and gpsd reports both parts
// of a type 24 in one object).
Agreement compareWith(const QString& aisFile, const QString& jsonFile) {
    QList<QJsonObject> theirs;
    for (const QByteArray& line : corpusLines(jsonFile))
        if (!line.trimmed().isEmpty()) theirs.push_back(QJsonDocument::fromJson(line).object());
    Agreement a;
    int cursor = 0, lineNumber = 0;
    Recorder<VDM> vdm([&](VDM& m) {
        if (m.msg_type == 0) return;
        const std::string where = aisFile.toStdString() + ":" + std::to_string(lineNumber);
        for (int k = std::max(0, cursor - 1); k < std::min(int(theirs.size()), cursor + 8); ++k) {
            const QJsonObject& j = theirs[k];
            if (j.value("type").toInt() != m.msg_type || j.value("mmsi").toDouble() != m.mmsi)
                continue;
            if (k == cursor - 1 && m.msg_type != 24) continue;
            ++a.messages;
            compareMessage(m, j, a, where);
            cursor = k + 1;
            return;
        }
        if (m.msg_type == 24) return;  // a part gpsd holds back until it has parts A and B
        a.unmatched.push_back(where + " type " + std::to_string(m.msg_type) + " MMSI " +
                              std::to_string(m.mmsi));
    });
    CAIS_Sentence::ResetAssembly();
    for (QByteArray line : corpusLines(aisFile)) {
        ++lineNumber;
        if (line.startsWith('#')) continue;
        dispatch(line.trimmed().toStdString());
    }
    EXPECT_EQ(cursor, theirs.size()) << "their output was not matched to its end";
    return a;
}

TEST(AisAgreement, SampleFilesDecodeAsTheirOwnDecodersDo) {
    for (auto [ais, json, messages] :
         {std::tuple{"ais/gpsd-sample.aivdm", "ais/gpsd-sample.aivdm.expected.json", 90},
          {"ais/libais-typeexamples.nmea", "ais/libais-typeexamples.json", 26}}) {
        SCOPED_TRACE(ais);
        const Agreement a = compareWith(ais, json);
        EXPECT_GE(a.messages, messages);
        EXPECT_EQ(a.differences, std::vector<std::string>{});
        EXPECT_EQ(a.unmatched, std::vector<std::string>{}) << "decoded here, not in their output";
    }
}

TEST(AisAgreement, EveryCorpusSentenceDecodes) {
    Recorder<VDM> vdm;
    Recorder<VDO> vdo;
    const QStringList files = QDir(testsupport::sharedDir() + "/corpora/ais")
                                  .entryList({"*.aivdm", "*.nmea", "*.txt", "*.ais"}, QDir::Files);
    ASSERT_GE(files.size(), 6);
    int sentences = 0, outOfSequence = 0;
    for (const QString& file : files) {
        CAIS_Sentence::ResetAssembly();
        int lineNumber = 0;
        for (QByteArray line : corpusLines("ais/" + file)) {
            ++lineNumber;
            line = line.trimmed();
            const int start = int(line.indexOf('!'));
            if (line.startsWith('#') || start < 0) continue;
            if (!CNMEASentence::check_checksum(line.constData() + start)) continue;
            ++sentences;
            if (dispatch(line.toStdString())) continue;
            // The only refusals: payloads with fewer bits than the 38-bit
            // header (type and MMSI), and fragments out of their sequence.
            const QList<QByteArray> f = line.mid(start).split(',');
            if (f.size() > 5 && f[5].size() * 6 < 38) continue;
            if (f.size() > 2 && f[2] != "1")
                ++outOfSequence;
            else
                ADD_FAILURE() << qPrintable(file) << ":" << lineNumber << " " << line.constData();
        }
    }
    EXPECT_GT(sentences, 1300);
    EXPECT_LE(outOfSequence, 1);  // gpsd's sample interleaves two messages once
}

}  // namespace
