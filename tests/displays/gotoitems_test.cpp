// The go-to items on a real go-to: a mark a nautical mile north of the
// boat, navigated to through the mark manager while RMC and HDG sentences
// arrive through the sentence layer.
#include <gtest/gtest.h>

#include <QImage>
#include <QPainter>
#include <cmath>
#include <tuple>

#include "../data/owngpstestsupport.h"
#include "../overlays/gototestsupport.h"
#include "displays/gotoitems.h"
#include "displaytestsupport.h"

using displaytest::ShownPage;

namespace {

constexpr double kMile = 1852.0;
constexpr int kDistance = 22, kBearing = 23, kTurn = 24, kCrossTrack = 25, kArrow = 26,
              kTimeToGo = 57, kEta = 58, kDistToEnd = 59, kTimeToEnd = 60, kEtaAtEnd = 61,
              kVmgLeg = 62, kVmgMark = 63, kNextTurn = 64, kName = 66, kComingUp = 97,
              kPercent = 114;
const std::vector<int> kTextKinds = {kDistance, kBearing,   kTurn,      kCrossTrack, kTimeToGo,
                                     kEta,      kDistToEnd, kTimeToEnd, kEtaAtEnd,   kVmgLeg,
                                     kVmgMark,  kNextTurn,  kName,      kPercent};

class GotoItems : public ::testing::Test {
protected:
    void SetUp() override { owngps::resetOwnPosition(); }
    void TearDown() override {
        CMarkManager::theManager.CancelNavigation();
        owngps::resetOwnPosition();
    }
    // A fix x metres east and y north of the start, heading north at `knots`.
    void boatAt(double x, double y, float knots, float course = 0) {
        owngps::send(field.rmc(x, y, ++second, "A", course, knots));
    }
    // Navigating to a mark from a fix at the start.
    void goTo(COverlayMark* mark, float knots) {
        boatAt(0, 0, knots);
        ASSERT_TRUE(CMarkManager::theManager.SetGoto(mark));
        boatAt(0, 0, knots);
    }
    gototest::MarkField field{50.0, -4.0};
    int second = 0;
};

TEST_F(GotoItems, ARealGoToNorth) {
    COverlayMark* buoy = field.add("Buoy", 0, kMile);
    buoy->comment = "red can";
    ShownPage shown(kTextKinds);
    shown.page().AddItem(kComingUp, 60, 30, 6, 20);
    goTo(buoy, 6);

    const std::tuple<int, const char*, const char*> cases[] = {
        {kDistance, "Dist: Buoy", "1.00"},  {kBearing, "Buoy bears", "000"},
        {kTimeToGo, "Time: Buoy", "10:00"},  // a mile at 6 knots
        {kDistToEnd, "Dist: Buoy", "1.00"}, {kTimeToEnd, "Time: Buoy", "10:00"},
        {kVmgMark, "VMG to WP", "6.0"},     {kVmgLeg, "VMG // Leg", "6.0"},
        {kName, "Waypoint", "Buoy"},        {kTurn, "Turn to Buoy", "0\xC2\xB0>"},
        {kNextTurn, "Turn After WP", ""},  // no route followed
        {kPercent, "% Along Route", ""},
    };
    for (const auto& [kind, title, value] : cases) shown.expectShows(kind, title, value);
    EXPECT_EQ(shown.text(kDistance)->units(), "NM");
    EXPECT_EQ(shown.text(kEta)->title(), "ETA: Buoy");
    EXPECT_EQ(shown.text(kEta)->value().find("--"), std::string::npos);
    auto* comingUp = shown.item<CDisplayView::CItemMultilineText>(kComingUp);
    EXPECT_EQ(comingUp->value(), "1.00 NM: Buoy\n(red can)");

    CMarkManager::theManager.CancelNavigation();
    shown.expectShows(kDistance, "Dist to WP", "");
    EXPECT_EQ(comingUp->value(), "Coming up...");
}

TEST_F(GotoItems, CrossTrackSidesAndHalfSpeedAcrossTheLeg) {
    COverlayMark* buoy = field.add("Buoy", 0, kMile);
    ShownPage shown({kCrossTrack, kVmgLeg});
    goTo(buoy, 6);
    const std::tuple<const char*, double, float, std::string, std::string> cases[] = {
        {"right of the leg", 100, 60, "", ">"},
        {"left of the leg", -100, 300, "<", ""},
    };
    for (const auto& [name, x, course, starts, ends] : cases) {
        SCOPED_TRACE(name);
        boatAt(x, 900, 6, course);
        const std::string value = shown.text(kCrossTrack)->value();
        ASSERT_GE(value.size(), 2u);
        EXPECT_EQ(value.substr(0, starts.size()), starts);
        EXPECT_EQ(value.substr(value.size() - ends.size()), ends);
        EXPECT_EQ(shown.text(kCrossTrack)->units(), "yds");
        // Sixty degrees off the leg: half the speed is made good along it.
        EXPECT_EQ(shown.text(kVmgLeg)->value(), "3.0");
    }
}

TEST_F(GotoItems, StoppedBoatTurnsByTheCompass) {
    COverlayMark* buoy = field.add("Buoy", 0, kMile);
    ShownPage shown({kTurn, kTimeToGo, kEta, kTimeToEnd, kEtaAtEnd});
    auto* arrow = shown.page().AddItem(kArrow, 30, 30, 20, 20);
    ASSERT_NE(arrow, nullptr);
    goTo(buoy, 0);
    // Compass headings are magnetic; take the variation here as 0. Undamped,
    // each heading shows at once, however long apart they come.
    CUnits::Default->magnetic_variation = 0;
    COverlayGPSPosition::theLatestPosition.damping.SetTimeConstant(0);
    // The sentence, the turn shown, the arrow in degrees clockwise from up.
    const std::tuple<const char*, const char*, double> cases[] = {
        {"$HCHDG,340.0,,,,", "20\xC2\xB0>", 20},
        {"$HCHDG,20.0,,,,", "<20\xC2\xB0", 340},
        {"$HCHDG,180.0,,,,", "<180\xC2\xB0", 180},
    };
    auto* arrowItem =
        dynamic_cast<NDisplayGoto::Arrow*>(shown.page().arrangement().FindItem(arrow));
    ASSERT_NE(arrowItem, nullptr);
    for (const auto& [heading, turn, arrowDegrees] : cases) {
        SCOPED_TRACE(heading);
        owngps::send(heading);
        EXPECT_EQ(shown.text(kTurn)->value(), turn);
        double degrees = 0;
        ASSERT_TRUE(arrowItem->direction(degrees));
        EXPECT_NEAR(std::fmod(degrees + 720, 360), arrowDegrees, 0.01);
        // The painted head lies that way, beside the shaft; the tail does not.
        QImage image(100, 100, QImage::Format_ARGB32);
        image.fill(Qt::white);
        QPainter painter(&image);
        arrowItem->Paint(painter, 100, 100);
        painter.end();
        const double s = std::sin(arrowDegrees * M_PI / 180),
                     k = std::cos(arrowDegrees * M_PI / 180);
        const auto inked = [&](double along) {
            return image.pixel(int(50 + along * s + 9 * k), int(50 - along * k + 9 * s)) !=
                   qRgb(255, 255, 255);
        };
        EXPECT_TRUE(inked(25));
        EXPECT_FALSE(inked(-25));
    }
    // Too slow to reach the mark: no time and no arrival.
    EXPECT_EQ(shown.text(kTimeToGo)->value(), "---");
    EXPECT_EQ(shown.text(kEta)->value(), "--:--");
    EXPECT_EQ(shown.text(kTimeToEnd)->value(), "---");
    EXPECT_EQ(shown.text(kEtaAtEnd)->value(), "--:--");
}

}  // namespace
