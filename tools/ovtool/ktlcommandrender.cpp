// ovtool ktl render FILE --level L [--rect X,Y,W,H] -o OUT.png: a rectangle of
// a map composed at a level, as the map view would draw it.
#include <QImage>

#include "ktlcommand.h"
#include "maps/kartile.h"
#include "ovtoolcommand.h"

namespace {

int runRender(const QStringList& args);

const OvtoolCommand renderCommand(
    "ktl render", "FILE --level L [--rect X,Y,W,H] -o OUT.png",
    "draw a map at a level (-3 magnified .. 6 reduced); X,Y in map pixels, W,H in output pixels",
    runRender);

constexpr int64_t kMaxOutputPixels = int64_t(1) << 28;

int runRender(const QStringList& args) {
    QString file, output, value;
    int level = 0;
    bool haveLevel = false;
    std::vector<double> rect;
    for (int i = 0; i < args.size(); ++i) {
        if (args[i] == "--level") {
            if (!ktlTakeValue(args, i, value)) return ovtoolUsageError(renderCommand);
            level = value.toInt(&haveLevel);
            if (!haveLevel || level < -8 || level > 6) {
                ovtoolError("--level takes a whole number from -8 to 6");
                return 2;
            }
        } else if (args[i] == "--rect") {
            if (!ktlTakeValue(args, i, value) || !ktlParseNumbers(value, 4, rect)) {
                ovtoolError("--rect takes X,Y,W,H");
                return 2;
            }
        } else if (args[i] == "-o") {
            if (!ktlTakeValue(args, i, output)) return ovtoolUsageError(renderCommand);
        } else if (file.isEmpty() && !args[i].startsWith('-')) {
            file = args[i];
        } else {
            return ovtoolUsageError(renderCommand);
        }
    }
    if (file.isEmpty() || output.isEmpty() || !haveLevel) return ovtoolUsageError(renderCommand);

    CKartile* map = ktlOpenMap(file);
    if (!map) return 1;
    int64_t x = 0, y = 0, w, h;
    if (rect.empty()) {
        w = level >= 0 ? map->width() >> level : int64_t(map->width()) << -level;
        h = level >= 0 ? map->height() >> level : int64_t(map->height()) << -level;
    } else {
        x = int64_t(rect[0]), y = int64_t(rect[1]), w = int64_t(rect[2]), h = int64_t(rect[3]);
    }
    if (w < 1 || h < 1 || w * h > kMaxOutputPixels || std::abs(x) > INT32_MAX / 2 ||
        std::abs(y) > INT32_MAX / 2) {
        ovtoolError(QString("the output must be 1 to %1 pixels").arg(kMaxOutputPixels));
        map->Destroy();
        return 2;
    }
    QImage image(int(w), int(h), QImage::Format_RGB32);
    image.fill(Qt::white);
    ThreadDataForRead scratch;
    const int failed = map->ReadRectRGB(int(x), int(y), int(w), int(h), int(w), level,
                                        reinterpret_cast<uint32_t*>(image.bits()), &scratch);
    map->Destroy();
    if (failed) {
        ovtoolError("a tile could not be read");
        return 1;
    }
    if (!image.save(output, "PNG")) {
        ovtoolError(QString("can't write %1").arg(output));
        return 1;
    }
    return 0;
}

}  // namespace
