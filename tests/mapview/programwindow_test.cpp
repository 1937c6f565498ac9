// The real program on a real X server (Xvfb): started on a chart folder and
// an NMEA log of a boat lying still, it must open the chart, lock onto the
// position and put both where the view says: the chart's pixels around the
// window centre and the own-position symbol at the centre.
#include <gtest/gtest.h>
#include <signal.h>

#include <QDir>
#include <QFile>
#include <QImage>
#include <QProcess>
#include <QThread>
#include <cmath>
#include <cstdio>

#include "data/overlaygpsposition.h"
#include "maps/kartile.h"
#include "support/testsupport.h"

namespace {

using testsupport::TempDir;

QByteArray withChecksum(const QByteArray& body) {
    unsigned char sum = 0;
    for (char c : body) sum ^= static_cast<unsigned char>(c);
    char tail[8];
    std::snprintf(tail, sizeof tail, "*%02X\r\n", sum);
    return "$" + body + tail;
}

// An hour of fixes at one place, as a receiver would send them.
QByteArray stillBoatLog(double lat, double lon) {
    auto angle = [](double v, int degreeDigits) {
        const double a = std::fabs(v);
        const int d = int(a);
        char text[32];
        std::snprintf(text, sizeof text, "%0*d%07.4f", degreeDigits, d, (a - d) * 60);
        return QByteArray(text);
    };
    QByteArray log;
    for (int s = 0; s < 3600; ++s) {
        char time[16];
        std::snprintf(time, sizeof time, "%02d%02d%02d.00", 10 + s / 3600, (s / 60) % 60, s % 60);
        log += withChecksum("GPRMC," + QByteArray(time) + ",A," + angle(lat, 2) + "," +
                            (lat >= 0 ? "N" : "S") + "," + angle(lon, 3) + "," +
                            (lon >= 0 ? "E" : "W") + ",0.0,0.0,061226,,,A");
    }
    return log;
}

class XServer {
public:
    XServer() {
        m_process.setProgram("Xvfb");
        m_process.setArguments(
            {"-displayfd", "1", "-screen", "0", "1280x800x24", "-nolisten", "tcp"});
        m_process.start();
        if (!m_process.waitForStarted(10000)) return;
        for (int i = 0; i < 100 && m_display.isEmpty(); ++i) {
            m_process.waitForReadyRead(100);
            m_display = QString::fromLatin1(m_process.readAllStandardOutput()).trimmed();
        }
    }
    ~XServer() {
        m_process.terminate();
        if (!m_process.waitForFinished(5000)) m_process.kill();
    }
    QString display() const { return m_display.isEmpty() ? QString() : ":" + m_display; }

    QImage grab() const {
        QProcess import;
        import.start("import", {"-display", display(), "-window", "root", "png:-"});
        if (!import.waitForFinished(20000)) return {};
        return QImage::fromData(import.readAllStandardOutput(), "PNG")
            .convertToFormat(QImage::Format_RGB32);
    }

private:
    QProcess m_process;
    QString m_display;
};

bool isOwnPositionColour(QRgb c) {
    const QColor want = COverlayGPSPosition::gc_color2.toQColor();
    return std::abs(qRed(c) - want.red()) < 16 && std::abs(qGreen(c) - want.green()) < 16 &&
           std::abs(qBlue(c) - want.blue()) < 16;
}

TEST(ProgramWindow, ShowsTheChartAndThePositionWhereTheViewPutsThem) {
    TempDir home;
    const QString charts = home.file("charts");
    ASSERT_TRUE(QDir().mkpath(charts));
    const QString chart = charts + "/solent.ktl";
    ASSERT_TRUE(QFile::copy(testsupport::sourceDir() + "/data/demo/charts/solent.ktl", chart));
    const double lat = 50.80, lon = -1.30;
    const QString log = home.file("still.nmea");
    ASSERT_TRUE(testsupport::writeFile(log, stillBoatLog(lat, lon)));

    XServer x;
    ASSERT_FALSE(x.display().isEmpty()) << "Xvfb did not start";
    QProcessEnvironment env = testsupport::isolatedEnvironment(home.path());
    env.insert("DISPLAY", x.display());
    env.insert("QT_QPA_PLATFORM", "xcb");
    QProcess program;
    program.setProcessEnvironment(env);
    program.setProcessChannelMode(QProcess::MergedChannels);
    program.start(testsupport::orvantaBin(), {"-profile", "windowtest", charts, log});
    ASSERT_TRUE(program.waitForStarted(10000));

    // The simulation gives a fix each second; wait for the symbol.
    QImage shot;
    bool symbol = false;
    for (int i = 0; i < 60 && !symbol; ++i) {
        QThread::msleep(500);
        shot = x.grab();
        if (shot.isNull()) continue;
        symbol = isOwnPositionColour(shot.pixel(640, 400));
    }
    ASSERT_TRUE(symbol) << "no own-position symbol at the window centre; program said:\n"
                        << program.readAll().toStdString();
    ASSERT_EQ(shot.size(), QSize(1280, 800));

    // At level 0 a screen pixel is an image pixel: the window centre shows
    // the position's pixel, so every other pixel follows from it.
    CKartile* map = nullptr;
    bool opened = false;
    map = CKartile::Create(nullptr, chart.toStdString(), [&](CKartile*, bool ok) { opened = ok; });
    ASSERT_TRUE(map && opened);
    double px, py;
    map->latlong_to_xy(lat, lon, px, py);
    const int w = 300, h = 200, sx = 80, sy = 120;  // clear of buttons and labels
    int best = -1;
    for (int dy = -1; dy <= 1; ++dy)
        for (int dx = -1; dx <= 1; ++dx) {
            const int ix = int(std::lround(px)) - 640 + sx + dx;
            const int iy = int(std::lround(py)) - 400 + sy + dy;
            std::vector<uint32_t> expected(size_t(w) * h);
            ASSERT_EQ(map->ReadRectRGB(ix, iy, w, h, w, 0, expected.data(), nullptr), 0);
            int same = 0;
            for (int y = 0; y < h; ++y)
                for (int x2 = 0; x2 < w; ++x2)
                    if ((shot.pixel(sx + x2, sy + y) & 0xFFFFFF) ==
                        (expected[size_t(y) * w + x2] & 0xFFFFFF))
                        ++same;
            best = std::max(best, same);
        }
    map->Destroy();
    EXPECT_EQ(best, w * h) << "the chart's pixels are not where the view put them";

    ::kill(pid_t(program.processId()), SIGTERM);
    ASSERT_TRUE(program.waitForFinished(20000));
    EXPECT_EQ(program.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(program.exitCode(), 0);
}

}  // namespace
