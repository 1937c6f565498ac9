// ovtool file kind on the bundled demo files and on files it must not take.
#include <gtest/gtest.h>

#include "support/testsupport.h"

TEST(FileCommand, NamesWhatTheProgramWouldOpenEachFileAs) {
    testsupport::TempDir home;
    ASSERT_TRUE(testsupport::writeFile(home.file("chart.ktl"), "not a chart at all"));
    const QString demo = ORVANTA_SOURCE_DIR "/data/demo/";
    const auto r = testsupport::runOvtool({"file", "kind", demo + "charts/solent.ktl",
                                           demo + "solent-voyage.nmea", home.file("chart.ktl")},
                                          home.path());
    ASSERT_EQ(r.exitCode, 0) << r.err.constData();
    const QList<QByteArray> lines = r.out.trimmed().split('\n');
    ASSERT_EQ(lines.size(), 3);
    EXPECT_TRUE(lines[0].contains("\"kind\":\"map file\"")) << lines[0].constData();
    EXPECT_TRUE(lines[1].contains("\"kind\":\"NMEA log\"")) << lines[1].constData();
    // The name alone does not make a map.
    EXPECT_TRUE(lines[2].contains("\"kind\":\"unknown file\"")) << lines[2].constData();
    EXPECT_EQ(testsupport::runOvtool({"file", "kind"}, home.path()).exitCode, 2);
}
