#include "overlays/iconmanager.h"

#include <QByteArray>
#include <QFile>
#include <QImage>
#include <QPainter>
#include <QSvgRenderer>
#include <algorithm>
#include <cmath>
#include <memory>
#include <unordered_map>

#include "app/base/screenresolution.h"

namespace {

struct IconSpot {
    const char* name;
    double hx, hy;  // hot spot, fractions of width and height
};

// Chooser order first; the label kinds last, with no image.
constexpr IconSpot kSpots[] = {
    {"Flag", 0.0862, 0.875},
    {"Dot", 0.486, 0.486},
    {"Pin", 0.937, 0.937},
    {"Person", 0.592, 0.875},
    {"X", 0.5, 0.5},
    {"Anchor", 0.4375, 0.875},
    {"Boat", 0.4375, 0.6},
    {"Buoy_can", 11.0 / 24, 15.0 / 19},
    {"Buoy_cardinal", 0.5625, 35.0 / 38},
    {"Buoy_conical", 11.0 / 24, 0.84},
    {"Buoy_round", 11.0 / 24, 0.84},
    {"Car", 0.5625, 0.53125},
    {"Circle", 6.0 / 13, 6.0 / 13},
    {"Deer", 0.5625, 0.53125},
    {"Exit", 16.0 / 31, 7.0 / 15},
    {"First_aid", 0.5, 0.5},
    {"Fish", 0.40625, 8.0 / 17},
    {"Fuel", 0.46875, 0.84375},
    {"G_pin", 0.28125, 31.0 / 33},
    {"Geocache", 0.53125, 8.0 / 13},
    {"House", 0.625, 0.8125},
    {"MOB", 10.0 / 21, 10.0 / 21},
    {"Skull", 0.5, 0.71875},
    {"Square", 4.0 / 9, 4.0 / 9},
    {"Tent", 0.6875, 0.71875},
    {"Tinydot", 1.0 / 3, 1.0 / 3},
    {"Trackback", 4.0 / 9, 4.0 / 9},
    {"Triangle", 7.0 / 15, 7.0 / 13},
    {"Warning", 0.5, 0.5625},
    {"Wreck", 0.40625, 9.0 / 11},
    {"Name", 0, 0},
    {"Notes", 0, 0},
    {"None", 0, 0},
};
constexpr size_t kLabelKinds = 3;

const IconSpot* findSpot(const std::string& fileName) {
    for (const IconSpot& spot : kSpots)
        if (fileName == spot.name) return &spot;
    return nullptr;
}

constexpr int kHaloAlpha = 130;  // of 255, at full cover

bool isAsciiLetter(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

// The icon's pixel size at a graphics resolution factor; a factor that is
// not a sane positive number counts as 1.
int pixelSize(double resolution) {
    if (!(resolution > 0) || !std::isfinite(resolution)) resolution = 1;
    resolution = std::clamp(resolution, 0.25, 16.0);
    return std::max(1, static_cast<int>(std::lround(CIconManager::kBaseSize * resolution)));
}

struct CachedIcon {
    std::string fileName;
    GraphicsColor colour;  // only compared for colourised icons
    int size = 0;
    std::unique_ptr<QImage> image;  // null when the icon could not be loaded
};

// Keyed by NameKey (plus the colour for colourised icons); an entry is
// checked against the request, so two requests whose keys collide each
// keep an image of their own.
std::unordered_map<uint64_t, std::vector<std::unique_ptr<CachedIcon>>>& cache() {
    static std::unordered_map<uint64_t, std::vector<std::unique_ptr<CachedIcon>>> icons;
    return icons;
}

uint32_t rgbaValue(const GraphicsColor& c) {
    return static_cast<uint32_t>(c.red()) << 24 | static_cast<uint32_t>(c.green()) << 16 |
           static_cast<uint32_t>(c.blue()) << 8 | static_cast<uint32_t>(c.alpha());
}

QByteArray readResource(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) return {};
    return file.readAll();
}

// The colourisable drawing takes the colour before it is parsed. The shade
// goes in first: the colour's own text may be the shade placeholder.
QByteArray colourise(QByteArray svg, const GraphicsColor& colour) {
    const QColor base(colour.red(), colour.green(), colour.blue());
    svg.replace(CIconManager::kShadePlaceholder, base.darker(150).name().toLatin1());
    svg.replace(CIconManager::kColourPlaceholder, base.name().toLatin1());
    return svg;
}

// A pale rim, one pixel per factor wide, behind the drawing: the dark
// outlines then show on a night chart as well as on a day one.
void addHalo(QImage& image, int radius) {
    const int w = image.width(), h = image.height();
    std::vector<int> alpha(size_t(w) * h), spread(alpha.size());
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) alpha[size_t(y) * w + x] = qAlpha(image.pixel(x, y));
    // The largest alpha within the radius: rows, then columns.
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            int best = 0;
            for (int dx = std::max(0, x - radius); dx <= std::min(w - 1, x + radius); ++dx)
                best = std::max(best, alpha[size_t(y) * w + dx]);
            spread[size_t(y) * w + x] = best;
        }
    QImage halo(w, h, QImage::Format_ARGB32_Premultiplied);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            int best = 0;
            for (int dy = std::max(0, y - radius); dy <= std::min(h - 1, y + radius); ++dy)
                best = std::max(best, spread[size_t(dy) * w + x]);
            const int a = best * kHaloAlpha / 255;
            halo.setPixel(x, y, qRgba(a, a, a, a));  // premultiplied white
        }
    QPainter painter(&image);
    painter.setCompositionMode(QPainter::CompositionMode_DestinationOver);
    painter.drawImage(0, 0, halo);
}

std::unique_ptr<QImage> render(const QByteArray& svg, int size) {
    QSvgRenderer renderer(svg);
    if (!renderer.isValid()) return nullptr;
    auto image = std::make_unique<QImage>(size, size, QImage::Format_ARGB32_Premultiplied);
    image->fill(Qt::transparent);
    {
        QPainter painter(image.get());
        painter.setRenderHint(QPainter::Antialiasing);
        renderer.render(&painter, QRectF(0, 0, size, size));
    }
    addHalo(*image, std::max(1, size / CIconManager::kBaseSize));
    return image;
}

}  // namespace

std::string CIconManager::to_file_name(const std::string& name) {
    if (name == "MOB") return name;
    std::string out;
    out.reserve(name.size());
    for (size_t i = 0; i < name.size(); ++i) {
        const char c = name[i];
        if (isAsciiLetter(c))
            out += static_cast<char>(i == 0 ? (c & ~0x20) : (c | 0x20));  // ASCII case bit
        else if ((c >= '0' && c <= '9'))
            out += c;
        else if (c == ' ' || c == '_')
            out += '_';
    }
    return out;
}

FPoint CIconManager::HotSpot(const std::string& name) {
    const IconSpot* spot = findSpot(to_file_name(name));
    return spot ? FPoint(spot->hx, spot->hy) : FPoint(0.5, 0.5);
}

const std::vector<std::string>& CIconManager::IconNames() {
    static const std::vector<std::string> names = [] {
        std::vector<std::string> list;
        for (size_t i = 0; i + kLabelKinds < std::size(kSpots); ++i) list.push_back(kSpots[i].name);
        return list;
    }();
    return names;
}

bool CIconManager::isLabelKind(const std::string& name) {
    const std::string fileName = to_file_name(name);
    return fileName == "Name" || fileName == "Notes" || fileName == "None";
}

uint64_t CIconManager::NameKey(const std::string& fileName) {
    uint8_t lanes[8] = {};
    for (size_t i = 0; i < fileName.size(); ++i)
        lanes[7 - i % 8] += static_cast<uint8_t>(fileName[i]);
    uint64_t key = 0;
    for (int lane = 7; lane >= 0; --lane) key = key << 8 | lanes[lane];
    return key;
}

const QImage* CIconManager::GetIcon(const std::string& name, const GraphicsColor& colour,
                                    double resolution, FPoint& hotSpotPixels) {
    hotSpotPixels = FPoint();
    const std::string fileName = to_file_name(name);
    if (fileName.empty() || isLabelKind(fileName)) return nullptr;

    const QString base = QStringLiteral(":/marks/") + QString::fromStdString(fileName);
    const bool colourised = QFile::exists(base + QStringLiteral("_c.svg"));
    const int size = pixelSize(resolution);
    const uint64_t key = NameKey(fileName) + (colourised ? rgbaValue(colour) : 0);

    auto& bucket = cache()[key];
    auto found = std::find_if(bucket.begin(), bucket.end(), [&](const auto& icon) {
        return icon->fileName == fileName && icon->size == size &&
               (!colourised || icon->colour == colour);
    });
    if (found == bucket.end()) {
        auto icon = std::make_unique<CachedIcon>();
        icon->fileName = fileName;
        icon->colour = colour;
        icon->size = size;
        if (colourised)
            icon->image = render(colourise(readResource(base + "_c.svg"), colour), size);
        else if (QByteArray svg = readResource(base + ".svg"); !svg.isEmpty())
            icon->image = render(svg, size);
        bucket.push_back(std::move(icon));
        found = bucket.end() - 1;
    }
    const QImage* image = (*found)->image.get();
    if (!image) return nullptr;
    const FPoint spot = HotSpot(fileName);
    hotSpotPixels = FPoint(spot.x * image->width(), spot.y * image->height());
    return image;
}

const QImage* CIconManager::GetIcon(const std::string& name, const GraphicsColor& colour,
                                    FPoint& hotSpotPixels) {
    return GetIcon(name, colour, graphicsResolution, hotSpotPixels);
}
