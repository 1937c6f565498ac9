// ovtool ovtf: the JSON dump, and saving that survives being killed.
#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRandomGenerator>
#include <QThread>

#include "app/base/fileutils.h"
#include "overlays/ovtfdump.h"
#include "overlays/serializable.h"
#include "overlays/syncable.h"
#include "support/testsupport.h"

using IOStream = CSerializable::IOStream;
using Section = CSerializable::Section;

namespace {

// The file "ovtf save-loop" writes, read back independently: generation g
// holds 50,000 + g % 1000 words, word i = g * 2654435761 + i.
struct SaveLoopReader : CSerializable {
    uint32_t generation = 0;
    std::vector<uint32_t> words;
    bool Serialize(IOStream& s) override {
        Section section(s);
        int32_t count = 0;
        if (!s.declare(generation) || !s.declare(count) || count < 0 || count > 1000000)
            return false;
        words.assign(size_t(count), 0);
        return s.declare_array(words.data(), 4, count) && section.Close();
    }
    bool whole() const {
        if (words.size() != 50000 + generation % 1000) return false;
        for (size_t i = 0; i < words.size(); ++i)
            if (words[i] != generation * 2654435761u + uint32_t(i)) return false;
        return true;
    }
};
constexpr uint32_t kSaveLoopMagic = 0x5A7E1009;

struct Waypoint : CSyncable {
    bool Serialize(IOStream& s) override {
        Section section(s);
        s.declare(name);
        return SerializeSyncable(s) && section.Close();
    }
    uint32_t GetTypeId() const override { return 0x7E57; }
};
const CSerializableType<Waypoint> waypointType(0x7E57, "test waypoint");

struct WaypointFile : CSerializable {
    CSerializableDeclareStatic<Waypoint>::List list;
    bool Serialize(IOStream& s) override {
        Section section(s);
        if (!CSerializableDeclareStatic<Waypoint>(list).Serialize(s)) return false;
        auto one = std::make_unique<Waypoint>();
        one->name = "in a record";
        return WritePolymorphic(s, one.get()) && section.Close();
    }
};

}  // namespace

TEST(OvtfCommand, DumpDescribesSectionsRecordsAndSyncFields) {
    testsupport::TempDir dir;
    WaypointFile file;
    file.list.push_back(std::make_unique<Waypoint>());
    file.list[0]->name = "Harbour entrance";
    file.list[0]->SetObjectID(0x1A2B);
    file.list[0]->locked = true;
    const std::string path = dir.file("marks.ovtf").toStdString();
    ASSERT_TRUE(file.WriteFile(path, 0xCA2EAF82));

    const auto result = testsupport::runOvtool({"ovtf", "dump", QString::fromStdString(path)});
    ASSERT_EQ(result.exitCode, 0) << result.err.constData();
    const QJsonObject json = QJsonDocument::fromJson(result.out).object();
    EXPECT_TRUE(json["file_header"].toBool());
    EXPECT_EQ(json["magic"].toString(), "0xCA2EAF82");
    EXPECT_EQ(json["file"].toString(), "marks.ovtf");
    const QString text = QString::fromUtf8(result.out);
    EXPECT_TRUE(text.contains("\"Harbour entrance\"")) << result.out.constData();
    EXPECT_TRUE(text.contains("\"ovid:1A2B\""));
    EXPECT_TRUE(text.contains("\"locked\": true"));
    EXPECT_TRUE(text.contains("\"in a record\""));

    // In this process the record's type is registered, so it is named.
    std::string bytes;
    ASSERT_TRUE(read_whole_file(path, bytes));
    const QString here = QString::fromUtf8(QJsonDocument(DescribeOvtf(bytes)).toJson());
    EXPECT_TRUE(here.contains("\"type\": \"test waypoint\"")) << here.toStdString();

    testsupport::writeFile(dir.file("other.bin"), "not a container at all");
    const auto bad = testsupport::runOvtool({"ovtf", "dump", dir.file("other.bin")});
    EXPECT_EQ(bad.exitCode, 1);
    EXPECT_FALSE(QJsonDocument::fromJson(bad.out).object()["file_header"].toBool());
    EXPECT_EQ(testsupport::runOvtool({"ovtf", "dump"}).exitCode, 2);
}

TEST(OvtfCommand, DumpNamesTheFileTypes) {
    // The last position file is a container like the others.
    testsupport::TempDir dir;
    WaypointFile file;
    const std::string path = dir.file("gpsdata.ovtf").toStdString();
    ASSERT_TRUE(file.WriteFile(path, 0x23592A83));
    std::string bytes;
    ASSERT_TRUE(read_whole_file(path, bytes));
    EXPECT_EQ(DescribeOvtf(bytes)["file"].toString(), "gpsdata.ovtf");
    EXPECT_EQ(OvtfFileForMagic(0x0A2089E8), std::string("tracks.ovtf"));
    EXPECT_EQ(OvtfFileForMagic(0x12345678), nullptr);
    // Bytes that are nothing in particular are shown, not trusted.
    std::string noise =
        bytes.substr(0, 13) + std::string("\xBE\xFF\xFF\xFF\x7F\x05\x00\x00\x00ab", 11);
    const QJsonArray items = DescribeOvtf(noise)["items"].toArray();
    ASSERT_EQ(items.size(), 1);
    EXPECT_EQ(items[0].toObject()["size"].toInt(), 11);
}

TEST(OvtfCommand, KilledMidSaveNeverLeavesALostOrPartialFile) {
    testsupport::TempDir dir;
    const QString path = dir.file("tracks.ovtf");
    ASSERT_EQ(testsupport::runOvtool({"ovtf", "save-loop", path, "1"}).exitCode, 0);

    uint32_t lastGeneration = 0;
    int killedMidRun = 0;
    for (int round = 0; round < 25; ++round) {
        QProcess saver;
        saver.setProcessEnvironment(testsupport::isolatedEnvironment(dir.path()));
        saver.start(testsupport::ovtoolBin(), {"ovtf", "save-loop", path, "1000000"});
        ASSERT_TRUE(saver.waitForStarted(10000));
        // Once this round has saved at least once (a loaded machine may take its
        // time to start the process), kill it at a random moment.
        const QByteArray before = testsupport::readFile(path).left(64);
        QElapsedTimer waited;
        waited.start();
        while (testsupport::readFile(path).left(64) == before && waited.elapsed() < 60000)
            QThread::msleep(2);
        QThread::msleep(QRandomGenerator::global()->bounded(40));
        if (saver.state() == QProcess::Running) ++killedMidRun;
        saver.kill();  // SIGKILL: no handler, no flush, no clean-up
        saver.waitForFinished(10000);

        SaveLoopReader reader;
        ASSERT_TRUE(reader.ReadFile(path.toStdString(), kSaveLoopMagic)) << "round " << round;
        EXPECT_TRUE(reader.whole()) << "round " << round << " generation " << reader.generation;
        EXPECT_GE(reader.generation, lastGeneration) << "an older file came back";
        lastGeneration = reader.generation;
    }
    EXPECT_EQ(killedMidRun, 25);
    EXPECT_GE(lastGeneration, 26u);  // every round saved at least once
}
