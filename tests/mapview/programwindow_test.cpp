// The real program on a real X server (Xvfb): started on a chart folder and
// an NMEA log of a boat lying still, it must open the chart, lock onto the
// position and put both where the view says: the chart's pixels around the
// window centre and the own-position symbol at the centre.
#include <gtest/gtest.h>

#include <QColorSpace>
#include <QDeadlineTimer>
#include <QImage>
#include <QProcess>
#include <QStandardPaths>
#include <algorithm>
#include <cmath>
#include <cstdio>

#include "data/overlaygpsposition.h"
#include "maps/kartile.h"
#include "nmea/nmeasentence.h"
#include "support/testsupport.h"

namespace {

constexpr int kWait = 60000;  // ms; generous, for a loaded machine

// An hour of fixes at 50.80 N, 1.30 W (50 48.0' N, 1 18.0' W), one a second.
QByteArray stillBoatLog() {
    QByteArray log;
    for (int s = 0; s < 3600; ++s) {
        char line[112];
        std::snprintf(line, sizeof line - 3,
                      "$GPRMC,10%02d%02d.00,A,5048.0000,N,00118.0000,W,0.0,0.0,061226,,,A", s / 60,
                      s % 60);
        CNMEASentence::compute_checksum(line);
        log += QByteArray(line) + "\r\n";
    }
    return log;
}

// The screen of an X server, as ImageMagick's import sees it.
QImage grabScreen(const QString& display) {
    QProcess import;
    import.start("import", {"-display", display, "-window", "root", "png:-"});
    if (!import.waitForFinished(kWait)) return {};
    return QImage::fromData(import.readAllStandardOutput(), "PNG")
        .convertToFormat(QImage::Format_RGB32);
}

TEST(ProgramWindow, ShowsTheChartAndThePositionWhereTheViewPutsThem) {
    for (const char* tool : {"Xvfb", "import"})
        if (QStandardPaths::findExecutable(tool).isEmpty())
            GTEST_SKIP() << tool << " is not installed (xvfb, imagemagick): no X screen to look at";
    testsupport::TempDir home;
    const QString charts = home.file("charts"), chart = charts + "/solent.ktl";
    ASSERT_TRUE(testsupport::writeFile(
        chart, testsupport::readFile(testsupport::sourceDir() + "/data/demo/charts/solent.ktl")));
    ASSERT_TRUE(testsupport::writeFile(home.file("still.nmea"), stillBoatLog()));

    // Xvfb writes the number of the display it chose once it listens.
    QProcess xvfb;
    xvfb.start("Xvfb", {"-displayfd", "1", "-screen", "0", "1280x800x24", "-nolisten", "tcp"});
    QString display;
    for (QDeadlineTimer deadline(kWait); display.isEmpty() && !deadline.hasExpired();) {
        if (!xvfb.waitForReadyRead(1000) && xvfb.state() == QProcess::NotRunning) break;
        if (xvfb.canReadLine()) display = ":" + QString::fromLatin1(xvfb.readLine()).trimmed();
    }
    ASSERT_FALSE(display.isEmpty()) << "Xvfb did not start";
    QProcessEnvironment env = testsupport::isolatedEnvironment(home.path());
    env.insert("DISPLAY", display);
    env.insert("QT_QPA_PLATFORM", "xcb");
    QProcess program;
    program.setProcessEnvironment(env);
    program.setProcessChannelMode(QProcess::MergedChannels);
    program.start(testsupport::orvantaBin(),
                  {"-profile", "windowtest", charts, home.file("still.nmea")});
    ASSERT_TRUE(program.waitForStarted(kWait));

    // At level 0 a screen pixel is an image pixel: the window centre shows
    // the position's pixel (give or take its rounding), and every other
    // pixel follows from it.
    bool opened = false;
    CKartile* map =
        CKartile::Create(nullptr, chart.toStdString(), [&](CKartile*, bool ok) { opened = ok; });
    ASSERT_TRUE(map && opened);
    double px, py;
    map->latlong_to_xy(50.80, -1.30, px, py);
    const QRect area(80, 120, 300, 200);  // clear of buttons and labels
    QImage expected(area.size(), QImage::Format_RGB32);
    auto chartInPlace = [&](const QImage& shot) {
        expected.setColorSpace(shot.colorSpace());  // else a PNG's image never compares equal
        for (int i = 0; i < 9; ++i) {
            const int x = int(std::lround(px)) - 640 + area.x() + i % 3 - 1;
            const int y = int(std::lround(py)) - 400 + area.y() + i / 3 - 1;
            if (map->ReadRectRGB(x, y, area.width(), area.height(), area.width(), 0,
                                 reinterpret_cast<uint32_t*>(expected.bits()), nullptr) == 0 &&
                shot.copy(area) == expected)
                return true;
        }
        return false;
    };
    auto symbolAtCentre = [&](const QImage& shot) {
        const QColor c = shot.pixelColor(640, 400), s = COverlayGPSPosition::gc_color2.toQColor();
        return std::max({std::abs(c.red() - s.red()), std::abs(c.green() - s.green()),
                         std::abs(c.blue() - s.blue())}) < 16;
    };
    // The simulation gives a fix each second; look until the chart and the
    // symbol show.
    QImage shot;
    for (QDeadlineTimer deadline(kWait); !deadline.hasExpired();) {
        if (program.state() != QProcess::Running) break;
        shot = grabScreen(display);
        if (shot.size() == QSize(1280, 800) && symbolAtCentre(shot) && chartInPlace(shot)) break;
    }
    EXPECT_TRUE(symbolAtCentre(shot)) << "no own-position symbol at the window centre";
    EXPECT_TRUE(chartInPlace(shot)) << "the chart's pixels are not where the view put them";
    map->Destroy();
    ASSERT_EQ(program.state(), QProcess::Running) << program.readAll().toStdString();

    for (QProcess* p : {&program, &xvfb}) {
        p->terminate();
        p->waitForFinished(kWait);
    }
}

}  // namespace
