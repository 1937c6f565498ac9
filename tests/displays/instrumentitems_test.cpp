// The instrument, axis and dial items: the texts of sentences and wind
// figures, the angles against the course axis, the start line bias, the
// speedometer's scale, and the dial components drawn in an offscreen window.
#include <gtest/gtest.h>

#include <QImage>
#include <QQmlComponent>
#include <QQmlEngine>
#include <QQuickItem>
#include <QQuickWindow>
#include <QTemporaryDir>
#include <cmath>
#include <memory>

#include "app/base/persistantdata.h"
#include "data/datatruewind.h"
#include "data/overlaygpsposition.h"
#include "displays/axisitems.h"
#include "displays/dialitems.h"
#include "displays/displaytestsupport.h"
#include "nmea/nmeatestsupport.h"
#include "support/testsupport.h"

namespace {

using displaytest::ShownPage;

bool send(const std::string& body) {
    return nmeatest::dispatch(nmeatest::withChecksum(body));
}

TEST(InstrumentItems, SentencesShownInTheUsersUnits) {
    ShownPage shown({33, 34, 35, 36, 78, 80, 81, 82});
    CUnits::Default->temperature_unit = 0;  // Celsius
    struct Case {
        const char* sentence;
        int kind;
        const char* title;
        const char* value;
    };
    const Case cases[] = {
        {"$VWVHW,,,,,6.4,N,11.9,K", 33, "Boat Speed", "6.4"},
        {"$WIMWV,300.0,R,12.5,N,A", 34, "Wind app", ">060 "},
        {"$WIMWV,45.0,R,12.5,N,A", 34, "Wind app", " 045<"},
        {"$WIMWV,45.0,R,10.0,M,A", 35, "App Wind", "19.4"},
        {"$WIMWV,90.0,T,30.0,N,A", 34, "Wind app", " 045<"},  // true wind: not apparent
        {"$SDDBT,19.7,f,6.0,M,3.3,F", 36, "Depth", "6.0"},
        {"$SDDPT,4.0,0.5", 36, "Depth", "4.5"},
        {"$SDDPT,4.0,-1.5", 36, "Depth", "2.5"},
        {"$YXMTW,17.5,C", 78, "Water Temp", "17.5"},
        {"$IIRSA,-3.4,A,,", 80, "Rudder", "<<3.4°"},
        {"$IIRSA,5.0,A,,", 80, "Rudder", "5.0°>>"},
        {"$IIRPM,E,1,2150,12.0,A", 82, "RPM", "2150"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.sentence);
        ASSERT_TRUE(send(c.sentence));
        shown.expectShows(c.kind, c.title, c.value);
    }
    EXPECT_EQ(shown.text(33)->units(), "kts");
    EXPECT_EQ(shown.text(36)->units(), "m");
    // The smoothed rudder moves 1.15 % of the way to each new angle.
    ASSERT_TRUE(send("$IIRSA,-10.0,A,,"));
    EXPECT_EQ(shown.text(81)->value(), "<<3.4°");  // -3.4, 5.0, -10.0 smoothed
}

struct WindFixture : ::testing::Test {
    QTemporaryDir settings;
    CDataStartLine savedLine = CDataStartLine::theStartLine;
    void SetUp() override {
        PersistantData::SetFolders(settings.path().toStdString(), settings.path().toStdString());
        CDataTrueWind::theTrueWind.reset();
        CDataTrueWind::theAverageTrueWind.reset();
        CDataStartLine::theStartLine = CDataStartLine();
    }
    void TearDown() override {
        CDataTrueWind::theTrueWind.reset();
        CDataTrueWind::theAverageTrueWind.reset();
        CDataStartLine::theStartLine = savedLine;
        CDataStartLine::theStartLine.Changed();
        PersistantData::SetFolders("", "");
    }
    void setAxis(float axis) { CDataStartLine::theStartLine.SetAxis(axis); }
    void wind(float direction, float speed, double time) {
        CDataTrueWind::AddSample(direction, speed, time);
    }
};

TEST_F(WindFixture, TrueWindItemsAndAnglesAgainstTheAxis) {
    ShownPage shown({86, 87, 112, 113, 105, 106, 110, 109, 134});
    struct Case {
        float axis, wind;
        const char* title;
        const char* fromAxis;
    };
    const Case cases[] = {
        {350, 10, "True Wind vs 350°T", "+020"},
        {10, 350, "True Wind vs 010°T", "-020"},
        {0, 180, "True Wind vs 000°T", "+180"},
        {90, 45, "True Wind vs 090°T", "-045"},
    };
    double t = 1000;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.fromAxis);
        setAxis(c.axis);
        wind(c.wind, 12, t += 100);  // apart: each sample taken as it is
        shown.expectShows(105, c.title, c.fromAxis);
    }
    shown.expectShows(86, "Wind Direction (°T)", "045");
    shown.expectShows(87, "True Wind", "12.0", "kts");
    shown.expectShows(109, "Course Axis", "090°T");

    // Gusts and the average's range: 12 then 20 knots 5 s later.
    CDataTrueWind::theTrueWind.reset();
    CDataTrueWind::theAverageTrueWind.reset();
    wind(45, 12, t += 100);
    wind(45, 20, t + 5);
    EXPECT_EQ(shown.text(113)->value(), "16.0");       // half way in 5 s
    EXPECT_EQ(shown.text(112)->value(), "12.0-12.1");  // 5/300 of the way

    // No heading: "---"; a course 30° right of the axis at 6 knots gives 5.2 along it.
    COverlayGPSPosition& own = COverlayGPSPosition::theLatestPosition;
    own.damping = CompassDamping();
    own.set_course(120, 6);
    Listener<CDataSpeedDirection>::Dispatch(own);
    shown.expectShows(106, "Heading vs 090°T", "---");
    shown.expectShows(110, "COG vs 090°T", "+030");
    shown.expectShows(134, "VMG to 090°T", "5.2", "kts");
    own.set_course(999, 0);
    Listener<CDataSpeedDirection>::Dispatch(own);
    shown.expectShows(110, "COG vs 090°T", "---");
}

TEST_F(WindFixture, StartLineBias) {
    ShownPage shown({107, 108});
    const CSimpleGrid grid(50.77, -1.30);
    struct Case {
        const char* name;
        double leftEast, leftNorth;  // metres from the right end
        float axis, wind;
        const char* fromAxis;
        const char* fromWind;
    };
    const Case cases[] = {
        {"square line", -200, 0, 0, 0, "<0.00 yds<0°", "<0.00 yds<0°"},
        {"left end 20 m up the axis", -200, 20, 0, 0, "<21.9 yds<5°", "<21.9 yds<5°"},
        {"left end 20 m down the axis", -200, -20, 0, 0, ">21.9 yds>5°", ">21.9 yds>5°"},
        {"wind backed 10°", -200, 0, 0, 350, "<0.00 yds<0°", "<38.0 yds<10°"},
        {"wind veered 10°", -200, 0, 0, 10, "<0.00 yds<0°", ">38.0 yds>10°"},
        {"4 m line", -4, 0, 0, 0, "---", "---"},
    };
    double t = 1000;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        CDataStartLine& line = CDataStartLine::theStartLine;
        line.right_lat = 50.77;
        line.right_lon = -1.30;
        grid.xy_to_latlon(c.leftEast, c.leftNorth, line.left_lat, line.left_lon);
        setAxis(c.axis);
        wind(c.wind, 12, t += 100);
        shown.expectShows(107, "Start Line vs 000°T", c.fromAxis);
        shown.expectShows(108, "Start Line vs True Wind", c.fromWind);
    }
}

TEST(Speedometer, ScaleForATopSpeed) {
    struct Case {
        float top;
        bool taken;
        float major, minor, maximum;
    };
    const Case cases[] = {
        {6, true, 1, 0.5f, 7},
        {30, true, 2, 1, 38},
        {100, true, 20, 10, 120},
        {4, true, 1, 0.5f, 5},
        {50, true, 10, 5, 60},
        {0.5f, true, 1, 0.5f, 0},
        {INFINITY, false, 0, 0, 0},
        {NAN, false, 0, 0, 0},
        {-3, false, 0, 0, 0},
        {0, false, 0, 0, 0},
        {1e30f, true, 2000, 1000, 12000},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.top);
        SpeedometerScale s;
        ASSERT_EQ(ComputeSpeedometerScale(c.top, s), c.taken);
        if (!c.taken) continue;
        EXPECT_FLOAT_EQ(s.major, c.major);
        EXPECT_FLOAT_EQ(s.minor, c.minor);
        EXPECT_FLOAT_EQ(s.maximum, c.maximum);
    }
    // The item keeps its scale when given an absurd top.
    ShownPage shown({101});
    auto* boat = shown.item<CItemBoatSpeedometer>(101);
    ASSERT_NE(boat, nullptr);
    EXPECT_FLOAT_EQ(boat->dial().maxValue, 7);
    EXPECT_FALSE(boat->setScale(INFINITY));
    EXPECT_FLOAT_EQ(boat->dial().maxValue, 7);
    ASSERT_TRUE(send("$VWVHW,,,,,9.5,N,,K"));
    EXPECT_FLOAT_EQ(boat->dial().value, 9.5f);
    EXPECT_GE(boat->dial().maxValue, 9.5f);
    EXPECT_EQ(boat->dial().title, "Boat Speed / kts");
}

// The front-end components fed by their objects, drawn offscreen.
class DialWindow {
public:
    DialWindow(const char* file, QObject* model) {
        window.resize(240, 240);
        QQmlComponent component(&engine,
                                QUrl::fromLocalFile(testsupport::sourceDir() + "/src/ui/" + file));
        EXPECT_TRUE(component.isReady()) << component.errorString().toStdString();
        if (!component.isReady()) return;
        item.reset(qobject_cast<QQuickItem*>(
            component.createWithInitialProperties({{"model", QVariant::fromValue(model)}})));
        EXPECT_TRUE(item) << component.errorString().toStdString();
        if (!item) return;
        item->setParentItem(window.contentItem());
        item->setSize(QSizeF(240, 240));
        window.show();
    }
    QImage grab() { return window.grabWindow(); }
    QQmlEngine engine;
    QQuickWindow window;
    std::unique_ptr<QQuickItem> item;
};

int differingPixels(const QImage& a, const QImage& b) {
    if (a.size() != b.size()) return -1;
    int n = 0;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x) n += a.pixel(x, y) != b.pixel(x, y);
    return n;
}

TEST(Dials, DrawnOffscreenAndFollowTheirValues) {
    CWindDial wind;
    wind.title = "True Wind";
    wind.trueWind = true;
    wind.speed = "12.0";
    DialWindow windDial("WindDial.qml", &wind);
    ASSERT_TRUE(windDial.item);
    EXPECT_EQ(windDial.item->state(), "default");
    const QImage north = windDial.grab();
    ASSERT_FALSE(north.isNull());
    wind.value = 90;
    Q_EMIT wind.valueChanged();
    QImage east;
    for (int i = 0; i < 600 && differingPixels(north, east = windDial.grab()) < 100; ++i)
        QCoreApplication::processEvents();
    EXPECT_GE(differingPixels(north, east), 100);

    CSpeedometer meter;
    meter.title = "Speed / kn";
    meter.maxValue = 7;
    meter.majorStepSize = 1;
    meter.stepSize = 0.5f;
    DialWindow meterDial("Speedometer.qml", &meter);
    ASSERT_TRUE(meterDial.item);
    const QImage still = meterDial.grab();
    meter.setSpeed(6);
    QImage moving;
    for (int i = 0; i < 600 && differingPixels(still, moving = meterDial.grab()) < 100; ++i)
        QCoreApplication::processEvents();
    EXPECT_GE(differingPixels(still, moving), 100);
}

}  // namespace
