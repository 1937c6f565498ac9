// The map view's saved state (mapview.ovtf) from arbitrary bytes, read the
// way start-up reads it: a map named in it that exists is opened, and the
// saved place, scale, marked point and screen are applied to it. Beside the
// state lies a small real map, "m.ktl", so that a name reaching it drives
// the view onto a map with whatever numbers the rest of the bytes hold.
#include <unistd.h>

#include <QImage>
#include <cstdint>
#include <cstdio>
#include <string>

#include "maps/kartilemaker.h"
#include "mapview/kartileview.h"

namespace {

std::string makeFolder() {
    char pattern[] = "/tmp/mapviewstate-fuzz-XXXXXX";
    const std::string folder = mkdtemp(pattern);
    QImage image(256, 256, QImage::Format_Indexed8);
    image.setColorTable({qRgb(0, 0, 0), qRgb(255, 255, 255)});
    for (int y = 0; y < 256; ++y)
        for (int x = 0; x < 256; ++x) image.scanLine(y)[x] = uchar((x / 16 + y / 16) % 2);
    CKartileMaker maker;
    maker.setBounds(10, 11, 50, 51, CKartileMaker::Projection::Mercator);
    maker.make(image, folder + "/m.ktl");
    return folder;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const std::string path = makeFolder() + "/mapview.ovtf";
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) return 0;
    std::fwrite(data, 1, size, f);
    std::fclose(f);

    CKartileView view;
    view.setScreenRect(0, 0, 640, 480);
    if (!view.ReadFile(path, CKartileView::kStateMagic)) return 0;
    // With no catalogue and no online lookup, nothing is left pending.
    if (view.isOpening()) __builtin_trap();
    double lat, lon;
    view.GetCenterLatLon(lat, lon);
    view.getDisplayedScale();
    view.SmoothZoom(-1);
    view.onTimer();
    return 0;
}
