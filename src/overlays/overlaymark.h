// COverlayMark: a named point the user keeps on the map. It may be the
// destination of go-to navigation (CMarkManager), carry a proximity or
// anchor alarm, and be a waypoint of a route.
//
// Positions are WGS84 degrees, 999/999 meaning none (a tombstone after
// ClearData); radii are metres. Stored as one section (Serialize): name,
// lat, lon, creation time, link, comment, is_goto, locked, icon, colour,
// inner and alarm radius, the sync section (marks that are not waypoints),
// category.
//
// Not drawn yet: Map gives the one hit point, Draw draws nothing until the
// icons come.
#pragma once

#include <string>

#include "app/base/graphicscolor.h"
#include "maps/geometry.h"
#include "overlays/overlayobject.h"
#include "overlays/syncable.h"

class COverlayRoute;
class QImage;

class COverlayMark : public COverlayObject, public CSyncable {
public:
    static constexpr uint32_t kTypeId = 20;
    static constexpr double kNoPosition = 999.0;
    // Two marks within this many degrees in both coordinates are at one place.
    static constexpr double kSamePlaceDegrees = 1.7e-5;

    COverlayMark();
    ~COverlayMark() override;

    void Map(CMapping& mapping, const CPolynomialProjection& projection) const override;
    void Draw(QPainter* painter, const CViewParams& view, CMapping& mapping) const override;
    bool isVisible() const override;
    bool isLocked() const;

    bool Serialize(IOStream& stream) override;
    uint32_t GetTypeId() const override { return kTypeId; }
    bool getLonLatBounds(CBounds& bounds) const override;

    bool HasPosition() const { return lat <= 90 && lat >= -90 && lon < 900; }
    // The same place and, unless a waypoint, the same name, comment,
    // category and deletion state.
    bool sameData(const COverlayMark& other) const;
    // Leaves a tombstone: no position, no radii, no texts.
    void ClearData();
    void SetIcon(const std::string& iconName, const GraphicsColor& iconColor);
    // This mark is the go-to destination.
    bool isNavigatingToMark() const { return is_goto; }

    double lat = kNoPosition;
    double lon = kNoPosition;
    std::string link;                // a URL
    COverlayRoute* route = nullptr;  // the owning route of a waypoint
    bool is_goto = false;
    bool alarm_showing = false;  // a proximity notification is on screen
    GraphicsColor color;
    // Copied from the template together with the colour; not stored.
    bool template_flags[2] = {false, false};
    std::string icon;                    // icon name, or "Name", "Notes", "None"
    float inner_radius = 0;              // metres; above 0: anchor alarm swinging radius
    float alarm_radius = 0;              // metres; 0: no alarm
    const QImage* icon_image = nullptr;  // cache, not stored
    FPoint hot_spot;                     // cache: icon offset in screen pixels
};
