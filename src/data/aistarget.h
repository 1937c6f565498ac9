// CAISTarget: another vessel, aircraft, aid to navigation or beacon heard
// over AIS, drawn on the map as a triangle in its colour with its velocity
// vector (COverlayMovingTarget) and, when asked, a range ring.
//
// Units: degrees, knots, metres, seconds since 1970 UTC. range, bearing,
// cpa and tcpa are worked out against the own vessel by the manager
// (CAISTargetManager::detect_collision); cpa 1e10 and tcpa 0 mean none.
#pragma once

#include <QColor>
#include <cstdint>
#include <string>

#include "overlays/overlaymovingtarget.h"

class QPointF;
class FrameRaster;
class CAISTarget : public COverlayMovingTarget {
public:
    static constexpr object_type kAISTarget = 101;
    static constexpr int kLayer = 7;  // under the own position
    static constexpr double kNoCPA = 1e10;

    // Message type states besides the last AIS message type.
    static constexpr int8_t kLostContact = -2;
    static constexpr int8_t kRemoving = -1;

    // Symbol colours (ARGB).
    static constexpr QRgb kAlarmColour = 0xFFFF0000;
    static constexpr QRgb kNearThreatColour = 0xFFDCDC00;
    static constexpr QRgb kLostColour = 0xFFFFFFFF;
    static constexpr QRgb kClassBColour = 0xFF64C864;
    static constexpr QRgb kAircraftColour = 0xFF6464C8;
    static constexpr QRgb kAidColour = 0xFFA00073;

    // Class texts.
    static constexpr const char* kClassA = "Class A";
    static constexpr const char* kClassB = "Class B";
    static constexpr const char* kAircraft = "Aircraft";
    static constexpr const char* kAidToNavigation = "Aid to Navigation";
    static constexpr const char* kManOverboard = "Man Overboard";
    static constexpr const char* kEPIRB = "EPIRB";
    static constexpr const char* kSART = "Search and Rescue Transponder";
    static constexpr const char* kInstant = "Instant";

    CAISTarget();
    ~CAISTarget() override;

    // Navigation status 0..8 to its colour and text (others as 0).
    static QRgb StatusColour(int status);
    static const char* StatusText(int status);
    // A beacon's class by the MMSI's third digit ("972", "974", "970"),
    // or null for an MMSI that is not a beacon's.
    static const char* BeaconClass(const std::string& mmsiText);

    // After a position change: the grid, the directions and the fix.
    void OnUpdatedPosition();
    // 0 < tcpa <= twice the alarm time and cpa under twice the distance.
    bool isCollisionThreat() const;
    bool isClassB() const;
    // The alarm distance that applies to this target, metres.
    double alarmDistance() const;
    // The text shown when tapped: the details, else a short summary.
    std::string tapText() const;

    void Map(CMapping& mapping, const CPolynomialProjection& projection) const override;
    void Draw(QPainter* painter, const CViewParams& view, CMapping& mapping) const override;
    bool onTap(CKartileView* view, const FPoint& screen, const DblPoint& where) override;
    bool isVisible() const override { return class_text != nullptr; }
    bool drawsIntoFrameRaster() const override { return true; }
    GraphicsColor drawingColor() const override { return GraphicsColor::fromQColor(colour); }

    // Tells the target's listeners and the map views.
    void DispatchChange(update_action action = kChanged);

    uint32_t mmsi = 0;
    QColor colour = QColor::fromRgba(0xFF00DC00);
    std::string name;
    std::string mmsi_text;
    const char* nav_status_text = "";
    std::string details;
    std::string ship_type_text;
    float range = 0;            // metres
    float bearing = 0;          // degrees
    float tcpa = 0;             // seconds
    float cpa = float(kNoCPA);  // metres
    uint16_t to_bow = 0, to_stern = 0;
    uint8_t to_port = 0, to_starboard = 0;
    uint8_t nav_status = 0;
    bool alarm = false;
    const char* class_text = nullptr;
    int8_t state = 0;

    // The tapped target, or null.
    static CAISTarget* selected_target;

private:
    // The heading on screen, clockwise from up.
    void symbolDirection(const CMapping& mapping, double& sn, double& cs) const;
    // The symbol's corners on screen.
    void symbol(const CMapping& mapping, QPointF (&triangle)[3]) const;
    void drawVector(QPainter* painter, FrameRaster* raster, QRgb rgb,
                    const CMapping& mapping) const;
};
