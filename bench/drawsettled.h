// Draws a map view into an image until the tiles on screen are all there.
#pragma once

#include <QImage>
#include <QPainter>

#include "mapview/kartileview.h"

namespace bench {

inline void drawSettled(CKartileView& view, QImage& screen) {
    for (int i = 0; i < 10000; ++i) {
        QPainter painter(&screen);
        view.onDraw(painter, 0, 0, screen.width(), screen.height());
        painter.end();
        if (!view.renderer().isLoading()) return;
        view.renderer().WaitUntilIdle(1000);
    }
}

}  // namespace bench
