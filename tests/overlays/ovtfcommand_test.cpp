// ovtool ovtf dump: any .ovtf file as JSON, decoded as far as its bytes allow.
#include <gtest/gtest.h>

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include "overlays/ovtfdump.h"
#include "overlays/syncable.h"
#include "support/testsupport.h"

using IOStream = CSerializable::IOStream;
using Section = CSerializable::Section;

namespace {

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
        Waypoint one;
        one.name = "in a record";
        return WritePolymorphic(s, &one) && section.Close();
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
    const QString path = dir.file("marks.ovtf");
    ASSERT_TRUE(file.WriteFile(path.toStdString(), 0xCA2EAF82));

    const auto result = testsupport::runOvtool({"ovtf", "dump", path});
    ASSERT_EQ(result.exitCode, 0) << result.err.constData();
    const QJsonObject json = QJsonDocument::fromJson(result.out).object();
    EXPECT_EQ(json["magic"].toString(), "0xCA2EAF82");
    EXPECT_EQ(json["file"].toString(), "marks.ovtf");
    const QString text = QString::fromUtf8(result.out);
    for (const char* expected :
         {"\"Harbour entrance\"", "\"ovid:1A2B\"", "\"locked\": true", "\"in a record\""})
        EXPECT_TRUE(text.contains(expected)) << expected << "\n" << result.out.constData();

    testsupport::writeFile(dir.file("other.bin"), "not a container at all");
    EXPECT_EQ(testsupport::runOvtool({"ovtf", "dump", dir.file("other.bin")}).exitCode, 1);
}

TEST(OvtfCommand, BytesThatAreNothingInParticularAreShownNotTrusted) {
    IOStream w = IOStream::ForWriting();
    w.declareheader();
    {
        Section magic(w);
        w.declaremagic(0x23592A83);
    }
    const std::string noise = w.bytes() + std::string("\xBE\xFF\xFF\xFF\x7F\x05\x00\x00\x00ab", 11);
    const QJsonObject json = DescribeOvtf(noise);
    EXPECT_EQ(json["file"].toString(), "gpsdata.ovtf");
    const QJsonArray items = json["items"].toArray();
    ASSERT_EQ(items.size(), 1);
    EXPECT_EQ(items[0].toObject()["size"].toInt(), 11);
}
