// The profile item: drawn in an offscreen window on a page, a press that
// highlights the point under it, the "along route" marker, bands for
// several profiles, and ground heights redrawn when tiles arrive.
#include <gtest/gtest.h>

#include <QQuickWindow>
#include <QTest>

#include "displays/displayviewarrangementset.h"
#include "displays/displayviewpageset.h"
#include "displays/itemarrangement.h"
#include "displays/quick/displayviewpage.h"
#include "elevation/profileitem.h"
#include "elevationtestsupport.h"
#include "support/testsupport.h"

using namespace elevationtest;

namespace {

constexpr int kWaitMs = 30000;

// A line 0.1 degree east along the equator over a hill 100 m high at its middle.
class HillSource : public CProfileSource {
public:
    std::string profileName() const override { return "Hill walk"; }
    std::vector<ProfilePoint> profilePoints() const override {
        std::vector<ProfilePoint> points;
        for (int i = 0; i <= 100; ++i)
            points.push_back({0, i * 0.001, 1e9 + i * 30.0, 200 - std::abs(i - 50) * 2.0});
        return points;
    }
    double progressFraction() const override { return progress; }
    void moveTo(double fraction) {
        progress = fraction;
        notifyProgressChanged();
    }
    double progress = -1;
};

// Pixels of a colour close to `colour` in a rectangle of an image.
int countNear(const QImage& image, const QRect& area, QColor colour) {
    int n = 0;
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x) {
            const QColor c = image.pixelColor(x, y);
            if (std::abs(c.red() - colour.red()) < 30 &&
                std::abs(c.green() - colour.green()) < 30 &&
                std::abs(c.blue() - colour.blue()) < 30)
                ++n;
        }
    return n;
}

const QColor kFill(120, 176, 146);
const QColor kAlong(230, 140, 20);

class ProfileItemWindow : public ::testing::Test {
protected:
    void SetUp() override {
        layout.setDirectory(dir.path().toStdString());
        CDisplayViewPageSet* set = layout.AddNewArrangement(833, 500);
        CDisplayView* page = set->getCurrentPage();
        const auto& grid = page->arrangement();
        ASSERT_NE(page->AddItem(CDisplayProfileItem::kTypeId, 0, 0, grid.rows, grid.columns),
                  nullptr);
        layout.loaded = true;
        window.resize(800, 480);
        pages = new CDisplayViewPage(window.contentItem());
        pages->setSize(QSizeF(800, 480));
        pages->setLayout(&layout);
        window.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&window, kWaitMs));
        item = dynamic_cast<CDisplayProfileItem*>(
            pages->page()->findItemAt(CDisplayProfileItem::kTypeId, 0, 0));
        ASSERT_NE(item, nullptr);
        rect = pages->page()->arrangement().GetItemRect(*item);
        saved = CDisplayProfileItem::highlightCallback();
        CDisplayProfileItem::highlightCallback() = [this](CProfileSource&, const ProfileSample& s) {
            picked.push_back(s);
        };
    }
    void TearDown() override {
        CDisplayProfileItem::highlightCallback() = saved;
        delete pages;
    }
    QRect itemArea() const {
        return QRect(QPoint(int(rect.left), int(rect.top)),
                     QPoint(int(rect.right) - 1, int(rect.bottom) - 1));
    }
    bool waitForPixels(const QRect& area, QColor colour, int atLeast) {
        return QTest::qWaitFor(
            [&] { return countNear(window.grabWindow(), area, colour) >= atLeast; }, kWaitMs);
    }

    testsupport::TempDir dir;
    CDisplayViewArrangementSet layout;
    QQuickWindow window;
    CDisplayViewPage* pages = nullptr;
    CDisplayProfileItem* item = nullptr;
    CDisplayView::Rect rect;
    CDisplayProfileItem::Highlight saved;
    std::vector<ProfileSample> picked;
};

TEST_F(ProfileItemWindow, DrawsTheProfileAndHighlightsThePointPressed) {
    HillSource hill;
    item->addProfile(hill, ProfileQuantity::Altitude);
    // The hill's top is at the middle: filled there, empty above its flanks.
    const QRect area = itemArea();
    const QRect middle(area.center().x() - 3, area.center().y(), 6, 6);
    EXPECT_TRUE(waitForPixels(middle, kFill, 10)) << "no fill under the top of the hill";
    const QRect flankSky(area.right() - 30, area.top() + 40, 10, 10);
    EXPECT_EQ(countNear(window.grabWindow(), flankSky, kFill), 0);

    QTest::mouseClick(&window, Qt::LeftButton, {}, area.center());
    ASSERT_FALSE(picked.empty()) << "the press reached no highlight";
    EXPECT_NEAR(picked.back().lon, 0.05, 0.003);
    EXPECT_NEAR(picked.back().value, 200, 6);
    QTest::mousePress(&window, Qt::LeftButton, {}, area.center());
    const QPoint quarter(area.left() + area.width() / 4, area.center().y());
    QTest::mouseMove(&window, quarter);
    QTest::mouseRelease(&window, Qt::LeftButton, {}, quarter);
    EXPECT_NEAR(picked.back().lon, 0.025, 0.003) << "a drag moves the highlight";

    // Three tenths along the route: the marker stands there.
    hill.moveTo(0.3);
    const int x = area.left() + int((area.width() - 2) * 0.3 + 1);
    EXPECT_TRUE(waitForPixels(QRect(x - 2, area.top() + 20, 5, 20), kAlong, 10));
}

TEST_F(ProfileItemWindow, BandsPerProfileAndAGoneSourceLeaves) {
    auto first = std::make_unique<HillSource>();
    HillSource second;
    item->addProfile(*first, ProfileQuantity::Altitude);
    item->addProfile(second, ProfileQuantity::Speed);
    ASSERT_EQ(item->profiles().size(), 2u);
    // The top band holds the hill; flat speed draws nothing in the lower one.
    const QRect area = itemArea();
    const int half = area.height() / 2;
    EXPECT_TRUE(waitForPixels(QRect(area.center().x() - 3, area.top() + half - 8, 6, 6), kFill, 5));
    first.reset();
    ASSERT_EQ(item->profiles().size(), 1u);
    EXPECT_EQ(item->profiles().front()->source, &second);
}

TEST(ProfileItem, ATinyItemShowsNothingAndLateTilesRedrawGroundProfiles) {
    auto settings = CDisplayView::CItemSettingsType::CreateSettings(CDisplayProfileItem::kTypeId);
    ASSERT_NE(settings, nullptr);
    std::unique_ptr<CDisplayView::CItem> live(settings->CreateItem(nullptr));
    auto* item = dynamic_cast<CDisplayProfileItem*>(live.get());
    ASSERT_NE(item, nullptr);
    HillSource hill;
    item->addProfile(hill, ProfileQuantity::GroundHeight);

    testsupport::TempDir dir;
    DownloadSettings settings2(false, QUrl());
    auto* store = new MZElevationData(dir.path().toStdString());
    MZElevationData* before = MZElevationData::g_elevation;
    MZElevationData::g_elevation = store;
    QImage image(600, 10, QImage::Format_ARGB32);
    QPainter painter(&image);
    item->Paint(painter, 600, 10);
    EXPECT_EQ(countNear(image, image.rect(), kFill), 0) << "an item 10 pixels high drew a profile";
    item->layout(600, 250);
    EXPECT_TRUE(item->profiles().front()->samples.empty()) << "heights without tiles";

    // Tiles arrive: the announcement makes the profile stale, and it is
    // computed again with heights.
    for (int level = 1; level <= 12; ++level) {
        const int t = 1 << (level - 1);  // tiles round (0, 0)
        ASSERT_TRUE(writeTiles(dir.path(), level, t - 1, t, t - 1, t,
                               [](double gx, double) { return 500 + std::sin(gx / 40) * 100; }));
    }
    item->layout(600, 250);
    EXPECT_TRUE(item->profiles().front()->samples.empty()) << "recomputed without an arrival";
    Listener<MZElevationData>::Dispatch(*store);
    item->layout(600, 250);
    EXPECT_EQ(item->profiles().front()->samples.size(), 200u);
    EXPECT_FALSE(item->profiles().front()->polygon.empty());
    painter.end();
    MZElevationData::g_elevation = before;
    delete store;
}

}  // namespace
