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
// Drawn as its icon with the icon's hot spot on the point, or, for the icons
// "Name" and "Notes", as a box holding the name or the comment.
#pragma once

#include <functional>
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

    bool onTap(CKartileView* view, const FPoint& screen, const DblPoint& where) override;
    bool onMouseDown(CKartileView* view, const FPoint& screen, const DblPoint& where) override;
    void onMenuDown(OV_HWND parent) override;
    bool onRightClick(CKartileView* view, const FPoint& screen, const DblPoint& where) override;

    bool Serialize(IOStream& stream) override;
    uint32_t GetTypeId() const override { return kTypeId; }
    bool getLonLatBounds(CBounds& bounds) const override;
    // <wpt> around WriteGPXContents; a route writes its waypoints in <rtept>.
    void WriteGPX(FILE* file) const override;
    void WriteGPXContents(FILE* file) const;

    bool HasPosition() const { return lat <= 90 && lat >= -90 && lon < 900; }
    // The same place and, unless a waypoint, the same name, comment,
    // category and deletion state.
    bool sameData(const COverlayMark& other) const;
    // Leaves a tombstone: no position, no radii, no texts.
    void ClearData();
    void SetIcon(const std::string& iconName, const GraphicsColor& iconColor);
    // This mark is the go-to destination.
    bool isNavigatingToMark() const { return is_goto; }
    // Takes the look of a template: icon, colour, radii, category.
    void CopyAppearance(const COverlayMark& from);
    // Makes this the selected mark in the view, with its tool.
    void Select(CKartileView* view);
    // Opens the property dialog; done(true) when the user changed something.
    // Without a dialog (no window) it reports no change.
    void EditMarkProperties(OV_HWND parent, std::function<void(bool changed)> done,
                            bool isTemplate = false);
    using PropertiesEditor =
        std::function<void(OV_HWND, COverlayMark&, bool isTemplate, std::function<void(bool)>)>;
    static PropertiesEditor propertiesEditor;  // installed by the shell

    // Up to this many marks on screen, names are drawn beside the icons.
    static int label_threshold;
    // Marks on screen in the frame being drawn; the view counts them first.
    static int on_screen_in_frame;
    // Above this many marks on screen, marks are drawn as dots of their
    // colour, one to a small square of the screen (the uppermost), so that a
    // frame of thousands stays quick and the picture readable.
    static constexpr int kCrowdedMarks = 2000;
    static constexpr int kCrowdCell = 8;  // screen pixels at resolution factor 1

    double lat = kNoPosition;
    double lon = kNoPosition;
    std::string link;                // a URL
    COverlayRoute* route = nullptr;  // the owning route of a waypoint
    bool is_goto = false;
    bool alarm_showing = false;  // a proximity notification is on screen
    GraphicsColor color;
    // Copied from the template together with the colour; not stored.
    bool template_flags[2] = {false, false};
    std::string icon;        // icon name, or "Name", "Notes", "None"
    float inner_radius = 0;  // metres; above 0: anchor alarm swinging radius
    float alarm_radius = 0;  // metres; 0: no alarm
    // Caches of Draw, not stored; the icon manager keeps its images for good.
    mutable const QImage* icon_image = nullptr;
    mutable FPoint hot_spot;  // icon offset in screen pixels
};
