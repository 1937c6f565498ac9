// Decoding speed of classic maps against PNG decoding with Qt, in the same
// run. Two 4096 x 4096 images are made in memory: a photo-like one (smooth
// light, texture and grain) and a chart-like one (flat areas, contours, grid
// lines and lettering). Each becomes a map through the real map maker, and
// the same pixels become PNGs: the 128-colour image as an 8-bit palette PNG,
// and the true-colour original.
//
// Map throughput is counted in map pixels covered per second, so a reduced
// level that decodes a quarter of the rows shows as faster. Squares of
// 256 x 256 output pixels are composed as the map view asks for them.
#include <benchmark/benchmark.h>

#include <QBuffer>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QTemporaryDir>
#include <cmath>
#include <cstdio>
#include <map>
#include <random>

#include "maps/kartile1.h"
#include "maps/kartilemaker.h"

namespace {

constexpr int kSide = 4096;

QImage photoLike() {
    QImage image(kSide, kSide, QImage::Format_RGB32);
    std::mt19937 rng(7);
    std::normal_distribution<float> grain(0, 4);
    for (int y = 0; y < kSide; ++y) {
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < kSide; ++x) {
            const double light = 0.5 + 0.25 * std::sin(x * 0.0021 + y * 0.0013) +
                                 0.15 * std::sin(x * 0.011) * std::cos(y * 0.009);
            const double texture = 18 * std::sin(x * 0.05 + std::sin(y * 0.03) * 3);
            const int r = int(60 + 120 * light + texture * 0.5 + grain(rng));
            const int g = int(80 + 110 * light + texture + grain(rng));
            const int b = int(50 + 90 * (1 - light) + grain(rng));
            line[x] = qRgb(std::clamp(r, 0, 255), std::clamp(g, 0, 255), std::clamp(b, 0, 255));
        }
    }
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    std::uniform_int_distribution<int> pos(0, kSide), size(20, 300), channel(0, 255);
    for (int i = 0; i < 300; ++i) {
        painter.setBrush(QColor(channel(rng), channel(rng), channel(rng), 120));
        painter.setPen(Qt::NoPen);
        painter.drawEllipse(pos(rng), pos(rng), size(rng), size(rng));
    }
    return image;
}

QImage chartLike() {
    QImage image(kSide, kSide, QImage::Format_RGB32);
    image.fill(QColor(190, 220, 240));  // sea
    QPainter painter(&image);
    std::mt19937 rng(11);
    std::uniform_int_distribution<int> pos(0, kSide), size(100, 900);
    painter.setPen(QPen(QColor(40, 40, 40), 2));
    painter.setBrush(QColor(245, 225, 160));  // land
    for (int i = 0; i < 40; ++i) painter.drawEllipse(pos(rng), pos(rng), size(rng), size(rng));
    painter.setBrush(Qt::NoBrush);
    painter.setPen(QPen(QColor(70, 120, 200), 1));  // depth contours
    for (int i = 0; i < 200; ++i)
        painter.drawEllipse(pos(rng), pos(rng), size(rng) / 2, size(rng) / 3);
    painter.setPen(QPen(QColor(200, 60, 160), 1));  // grid
    for (int v = 0; v < kSide; v += 512) {
        painter.drawLine(v, 0, v, kSide);
        painter.drawLine(0, v, kSide, v);
    }
    QFont font("Sans", 9);
    painter.setFont(font);
    painter.setPen(Qt::black);
    for (int i = 0; i < 3000; ++i)
        painter.drawText(pos(rng), pos(rng), QString::number(rng() % 60));
    return image;
}

struct Subject {
    std::string mapPath;
    QByteArray palettePng;  // the map's own 128-colour pixels
    QByteArray truePng;     // the original image
};

QTemporaryDir& tempDir() {
    static QTemporaryDir dir;
    return dir;
}

QByteArray png(const QImage& image) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return bytes;
}

const Subject& subject(const std::string& name) {
    static std::map<std::string, Subject> made;
    auto it = made.find(name);
    if (it != made.end()) return it->second;
    const QImage image = name == "photo" ? photoLike() : chartLike();
    Subject s;
    s.mapPath = tempDir().filePath(QString::fromStdString(name) + ".ktl").toStdString();
    CKartileMaker maker;
    maker.setBounds(5, 6, 50, 51, CKartileMaker::Projection::Mercator);
    if (!maker.make(image, s.mapPath)) std::fprintf(stderr, "%s\n", maker.error().c_str());
    // The quantised pixels as a palette PNG, read back from the map itself.
    CKartile* map = CKartile::Create(nullptr, s.mapPath, {});
    QImage rendered(kSide, kSide, QImage::Format_RGB32);
    ThreadDataForRead scratch;
    map->ReadRectRGB(0, 0, kSide, kSide, kSide, 0, reinterpret_cast<uint32_t*>(rendered.bits()),
                     &scratch);
    map->Destroy();
    QVector<QRgb> table;
    for (uint32_t c : maker.palette()) table.push_back(c);
    s.palettePng =
        png(rendered.convertToFormat(QImage::Format_Indexed8, table, Qt::ThresholdDither));
    s.truePng = png(image);
    std::fprintf(stderr, "%s: map %lld bytes, palette PNG %lld bytes, true-colour PNG %lld bytes\n",
                 name.c_str(), (long long)CKartile::getKtlFileSize(s.mapPath),
                 (long long)s.palettePng.size(), (long long)s.truePng.size());
    return made.emplace(name, s).first->second;
}

void decodeMap(benchmark::State& state, const std::string& name, int level) {
    CKartile* map = CKartile::Create(nullptr, subject(name).mapPath, {});
    ThreadDataForRead scratch;
    std::vector<uint32_t> square(256 * 256);
    // Source pixels per 256-pixel square, and the area covered: the whole
    // map, or for magnified levels a 1024-pixel corner of it.
    const int span = level >= 0 ? 256 << level : 256 >> -level;
    const int area = level >= 0 ? kSide : 1024;
    for (auto _ : state) {
        for (int y = 0; y < area; y += span)
            for (int x = 0; x < area; x += span)
                map->ReadRectRGB(x, y, 256, 256, 256, level, square.data(), &scratch);
        benchmark::DoNotOptimize(square.data());
    }
    state.SetItemsProcessed(state.iterations() * int64_t(area) * area);
    map->Destroy();
}

// `toArgb`: also expand the palette into the 32-bit pixels a map read gives.
void decodePng(benchmark::State& state, const std::string& name, bool palette, bool toArgb) {
    const QByteArray& bytes = palette ? subject(name).palettePng : subject(name).truePng;
    for (auto _ : state) {
        QImage image = QImage::fromData(bytes, "PNG");
        if (toArgb) image = image.convertToFormat(QImage::Format_RGB32);
        benchmark::DoNotOptimize(image.constBits());
    }
    state.SetItemsProcessed(state.iterations() * int64_t(kSide) * kSide);
}

void registerAll() {
    for (const std::string name : {"photo", "chart"}) {
        for (int level : {0, 1, 2, -2})
            benchmark::RegisterBenchmark(
                ("ktl/" + name + "/level:" + std::to_string(level)).c_str(), decodeMap, name, level)
                ->Unit(benchmark::kMillisecond);
        benchmark::RegisterBenchmark(("png/" + name + "/palette").c_str(), decodePng, name, true,
                                     false)
            ->Unit(benchmark::kMillisecond);
        benchmark::RegisterBenchmark(("png/" + name + "/palette-argb").c_str(), decodePng, name,
                                     true, true)
            ->Unit(benchmark::kMillisecond);
        benchmark::RegisterBenchmark(("png/" + name + "/truecolour").c_str(), decodePng, name,
                                     false, false)
            ->Unit(benchmark::kMillisecond);
    }
}

// Keeps each run's items per second so the ratios can be printed at the end.
class RatioReporter : public benchmark::ConsoleReporter {
public:
    std::map<std::string, double> rates;
    void ReportRuns(const std::vector<Run>& runs) override {
        for (const Run& run : runs) {
            auto it = run.counters.find("items_per_second");
            if (it != run.counters.end()) rates[run.benchmark_name()] = it->second;
        }
        ConsoleReporter::ReportRuns(runs);
    }
};

}  // namespace

int main(int argc, char** argv) {
    // Lettering on the chart needs fonts, which need a GUI application.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    benchmark::Initialize(&argc, argv);
    QGuiApplication app(argc, argv);
    registerAll();
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    std::printf("\nMegapixels per second and ratio against Qt's PNG decoding:\n");
    for (const std::string name : {"photo", "chart"}) {
        const double palette = reporter.rates["png/" + name + "/palette"];
        const double argb = reporter.rates["png/" + name + "/palette-argb"];
        const double truecolour = reporter.rates["png/" + name + "/truecolour"];
        if (palette <= 0 || argb <= 0 || truecolour <= 0) continue;
        std::printf(
            "  %s: palette PNG %.1f MP/s to 8-bit indices, %.1f MP/s to ARGB; "
            "true-colour PNG %.1f MP/s\n",
            name.c_str(), palette / 1e6, argb / 1e6, truecolour / 1e6);
        for (int level : {0, 1, 2, -2}) {
            const double rate = reporter.rates["ktl/" + name + "/level:" + std::to_string(level)];
            if (rate <= 0) continue;
            std::printf(
                "    level %2d: %7.1f MP/s = %5.2f x palette PNG to indices, %5.2f x to "
                "ARGB, %5.2f x true-colour PNG\n",
                level, rate / 1e6, rate / palette, rate / argb, rate / truecolour);
        }
    }
    benchmark::Shutdown();
    return 0;
}
