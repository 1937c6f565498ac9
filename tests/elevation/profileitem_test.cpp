// The profile item on a page in an offscreen window: drawn, a press and a
// drag that highlight the point under them, the "along route" marker,
// bands, where new profiles go, and ground heights redrawn as tiles arrive.
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

// 0.1 degree east along the equator over a hill 200 m high at its middle.
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

// Pixels within 30 levels of a colour in each channel.
int countNear(const QImage& image, const QRect& area, QColor colour) {
    int n = 0;
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x) {
            const QColor c = image.pixelColor(x, y);
            n += std::abs(c.red() - colour.red()) < 30 &&
                 std::abs(c.green() - colour.green()) < 30 &&
                 std::abs(c.blue() - colour.blue()) < 30;
        }
    return n;
}

const QColor kFill(120, 176, 146), kAlong(230, 140, 20);

class ProfileItemWindow : public ::testing::Test {
protected:
    void SetUp() override {
        CDisplayView* page = layout.AddNewArrangement(833, 500)->getCurrentPage();
        const auto& grid = page->arrangement();
        ASSERT_NE(page->AddItem(CDisplayProfileItem::kTypeId, 0, 0, grid.rows, grid.columns),
                  nullptr);
        layout.setDirectory(dir.path().toStdString());
        layout.loaded = true;
        window.resize(800, 480);
        pages = new CDisplayViewPage(window.contentItem());
        pages->setSize(QSizeF(800, 480));
        pages->setLayout(&layout);
        window.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&window, 30000));
        item = dynamic_cast<CDisplayProfileItem*>(pages->page()->findItemAt(133, 0, 0));
        ASSERT_NE(item, nullptr);
        const CDisplayView::Rect r = pages->page()->arrangement().GetItemRect(*item);
        area = QRect(QPoint(int(r.left), int(r.top)), QPoint(int(r.right) - 1, int(r.bottom) - 1));
        saved = CDisplayProfileItem::highlightCallback();
        CDisplayProfileItem::highlightCallback() = [this](CProfileSource&, const ProfileSample& s) {
            picked.push_back(s);
        };
    }
    void TearDown() override {
        CDisplayProfileItem::highlightCallback() = saved;
        delete pages;
    }
    bool shows(const QRect& where, QColor colour, int atLeast) {
        return QTest::qWaitFor(
            [&] { return countNear(window.grabWindow(), where, colour) >= atLeast; }, 30000);
    }

    testsupport::TempDir dir;
    CDisplayViewArrangementSet layout;
    QQuickWindow window;
    CDisplayViewPage* pages = nullptr;
    CDisplayProfileItem* item = nullptr;
    QRect area;
    CDisplayProfileItem::Highlight saved;
    std::vector<ProfileSample> picked;
};

TEST_F(ProfileItemWindow, DrawsHighlightsMarksHowFarAlongAndTakesNewProfiles) {
    auto hill = std::make_unique<HillSource>();
    item->addProfile(*hill, ProfileQuantity::Altitude);
    EXPECT_TRUE(shows(QRect(area.center(), QSize(6, 6)), kFill, 10)) << "nothing under the top";
    QTest::mouseClick(&window, Qt::LeftButton, {}, area.center());
    ASSERT_FALSE(picked.empty()) << "the press reached no highlight";
    EXPECT_NEAR(picked.back().lon, 0.05, 0.003);
    EXPECT_NEAR(picked.back().value, 200, 6);
    const QPoint quarter(area.left() + area.width() / 4, area.center().y());
    QTest::mousePress(&window, Qt::LeftButton, {}, area.center());
    QTest::mouseMove(&window, quarter);
    QTest::mouseRelease(&window, Qt::LeftButton, {}, quarter);
    EXPECT_NEAR(picked.back().lon, 0.025, 0.003) << "a drag moves the highlight";
    hill->moveTo(0.3);
    const int x = area.left() + int((area.width() - 2) * 0.3 + 1);
    EXPECT_TRUE(shows(QRect(x - 2, area.top() + 20, 5, 20), kAlong, 10));

    // A second profile takes the lower band: the first hill's top now
    // reaches the middle of the item.
    HillSource second;
    item->addProfile(second, ProfileQuantity::Altitude);
    EXPECT_TRUE(shows(QRect(area.center().x(), area.center().y() - 12, 6, 6), kFill, 5));
    hill.reset();  // a source that goes takes its profile along
    ASSERT_EQ(item->profiles().size(), 1u);
    EXPECT_EQ(item->profiles().front()->source, &second);

    // New profiles go to the largest profile item, or one made across the top.
    CDisplayView& page = *pages->page();
    EXPECT_EQ(CDisplayProfileItem::findProfileItemToUse(page), item);
    page.RemoveItem(&item->settings());
    CDisplayProfileItem* made = CDisplayProfileItem::findProfileItemToUse(page);
    ASSERT_NE(made, nullptr);
    const CDisplayView::CItemSettings& s = made->settings();
    EXPECT_EQ(std::make_tuple(s.row, s.column, s.height, s.width),
              std::make_tuple(0, 0, int(120 / page.arrangement().cellHeight),
                              page.arrangement().columns));
}

TEST(ProfileItem, ATinyItemShowsNothingAndLateTilesRedrawGroundProfiles) {
    auto settings = CDisplayView::CItemSettingsType::CreateSettings(CDisplayProfileItem::kTypeId);
    std::unique_ptr<CDisplayView::CItem> live(settings->CreateItem(nullptr));
    auto* item = dynamic_cast<CDisplayProfileItem*>(live.get());
    ASSERT_NE(item, nullptr);
    HillSource hill;
    item->addProfile(hill, ProfileQuantity::GroundHeight);
    QImage image(600, 10, QImage::Format_ARGB32);
    QPainter painter(&image);
    item->Paint(painter, 600, 10);
    EXPECT_EQ(countNear(image, image.rect(), kFill), 0) << "an item 10 pixels high drew";

    testsupport::TempDir dir;
    DownloadSettings off(false, QUrl());
    MZElevationData store(dir.path().toStdString());
    MZElevationData* before = std::exchange(MZElevationData::g_elevation, &store);
    item->layout(600, 250);
    EXPECT_TRUE(item->profiles().front()->samples.empty()) << "heights without tiles";
    ASSERT_TRUE(
        writeTilesAround(dir.path(), 11, 0, 0.05, [](double gx, double) { return gx / 1000; }));
    item->layout(600, 250);
    EXPECT_TRUE(item->profiles().front()->samples.empty()) << "computed again unasked";
    Listener<MZElevationData>::Dispatch(store);  // tiles arrived
    item->layout(600, 250);
    EXPECT_EQ(item->profiles().front()->samples.size(), 200u);
    MZElevationData::g_elevation = before;
}

}  // namespace
