// Map files for the map view's tests, made by the map maker.
#pragma once

#include <gtest/gtest.h>

#include <QImage>
#include <QQuickWindow>
#include <QString>
#include <QTest>
#include <string>

#include "maps/kartilemaker.h"
#include "mapview/dvikartilewindow.h"
#include "mapview/kartileview.h"
#include "support/testsupport.h"

// A map of 10..11 E, 50..51 N, `side` pixels square; its picture is a coarse
// checker of 128 colours, so every tile differs.
inline std::string makeTestMap(const QString& path, int side) {
    QImage image(side, side, QImage::Format_Indexed8);
    QVector<QRgb> table;
    for (int i = 0; i < 128; ++i) table.push_back(qRgb((i * 37) & 0xFF, (i * 91) & 0xFF, i * 2));
    image.setColorTable(table);
    for (int y = 0; y < side; ++y)
        for (int x = 0; x < side; ++x)
            image.scanLine(y)[x] = uchar(((x / 7) * 3 + (y / 5) * 5) % 128);
    CKartileMaker maker;
    maker.setBounds(10, 11, 50, 51, CKartileMaker::Projection::Mercator);
    const std::string p = path.toStdString();
    EXPECT_TRUE(maker.make(image, p)) << maker.error();
    return p;
}

// The map's item alone in an 800 x 600 offscreen window, a test map open at
// level 0, the item holding the keyboard focus.
class MapWindowTest : public ::testing::Test {
protected:
    static constexpr int kWait = 30000;  // ms; a loaded machine may be slow to show a window

    void SetUp() override {
        window.resize(800, 600);
        item = new CDVI_Kartile_Window(window.contentItem());
        item->setSize(QSizeF(800, 600));
        window.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&window, kWait));
        view = item->view();
        view->onOpen(makeTestMap(dir.file("m.ktl"), 2048), false, {});
        ASSERT_TRUE(view->hasMap());
        while (view->zoomLevel() > 0) view->DoZoom(-1);
        item->forceActiveFocus();
    }

    testsupport::TempDir dir;
    QQuickWindow window;
    CDVI_Kartile_Window* item = nullptr;
    CKartileView* view = nullptr;
};
