// CKartileView: one map on a rectangle of the screen.
//
// It keeps the transform between screen pixels and image pixels of the map
// on show (COverlayObject::CViewParams, screen = (image - offset) * scale),
// steps between zoom levels z = -2 .. zmax (scale = 2^-z), animates zooming
// (factor f, drawn as a painter scale about the zoom focus) and flings
// through its ViewGestures, switches to a map of another scale through the
// catalogue when zooming past the map's range, follows the own position when
// locked to it, and draws the tiles through its CCachedKartile and then the
// overlay objects in draw order.
//
// Switching maps saves the place and displayed scale under the view focus
// and restores them on the new map, within the limits of its zoom levels.
//
// Everything runs on the user-interface thread. The window that hosts the
// view passes input in device pixels, calls onTimer() every heartbeat tick
// and repaints when `redraw` is called.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <unordered_set>
#include <vector>

#include "app/base/datasource.h"
#include "app/base/graphicscolor.h"
#include "data/datagpsposition.h"
#include "maps/cachedkartile.h"
#include "maps/geometry.h"
#include "maps/polynomialprojection.h"
#include "mapview/viewgestures.h"
#include "overlays/frameraster.h"
#include "overlays/overlayobject.h"
#include "overlays/serializable.h"

class QPainter;
class CChartOutline;
class COverlayMark;
class COverlayTool;

class CKartileView : public CSerializable,
                     public Listener<CDataGPSPosition>,
                     public Listener<COverlayObject> {
public:
    using Callback = std::function<void(bool ok)>;

    static constexpr uint32_t kStateMagic = 0x8E5672CE;
    static constexpr int kMinZoom = -2;
    static constexpr int kMaxOverlaysDrawn = 20000;
    static constexpr double kZoomHintInterval = 172800;  // 48 hours
    static constexpr int64_t kReasonableUseBytes = 786432000;

    CKartileView();
    ~CKartileView() override;
    CKartileView(const CKartileView&) = delete;
    CKartileView& operator=(const CKartileView&) = delete;

    // ---- drawing and geometry
    void onDraw(QPainter& painter, int x, int y, int w, int h);
    void setScreenRect(double x, double y, double w, double h);
    bool ScreenTolatlong(double sx, double sy, double& lat, double& lon) const;
    bool LatLongToScreen(double lat, double lon, double& sx, double& sy) const;
    // Nautical miles per screen pixel at the screen centre; 0 without a map.
    double getDisplayedScale() const;

    // ---- zoom; direction > 0 zooms out, < 0 zooms in
    void DoZoom(int step);
    void SmoothZoom(int direction);
    void SmoothZoomAtPoint(int direction, double sx, double sy);
    bool ChangeMapScale(int direction);

    // ---- touch and mouse, in screen pixels
    void onSingleTouchDown(double sx, double sy);
    void onSingleTouchMove(double sx, double sy);
    // Ends a touch or a press; true when it was a tap (it did not move).
    bool onSingleTouchUp();
    void onPinchBegin(double sx, double sy, double d);
    void onPinchMove(double sx, double sy, double d);
    void onPinchEnd();
    bool onTap(double sx, double sy, double tolerance2);
    void onMouseDown(double sx, double sy);
    // Middle button: a new mark at the point.
    void centerMouseDown(double sx, double sy);
    // Right button: the menu of the object under the point, or the map's
    // own ("New Mark Here", "Go To Here").
    void rightMouseDown(double sx, double sy);
    // Delete key: deletes the selected mark after asking.
    bool onDeleteKey();
    void DoScroll(double dx, double dy);
    // The animation tick (100 ms): AdvanceAnimation(1), then PollRenderer.
    void onTimer();
    // Advances zoom and fling animation by `ticks` (a fraction for frames
    // drawn between ticks).
    void AdvanceAnimation(double ticks);
    // Redraws when the renderer has new squares or chunk data.
    void PollRenderer();

    // ---- navigation
    void GotoLocation(double lat, double lon, bool reset);
    void GotoLocation(const CBounds& bounds, int windowWidth, int windowHeight);
    // Shows the catalogue's best map for a place at a scale (nautical miles
    // per pixel), or asks for a free one. The callback runs exactly once;
    // false for a place refused ((0, 0), |lat| > 90, |lon| > 400, not a
    // number) and for a map that did not open.
    void GotoBestMap(double lat, double lon, double scale, Callback callback);
    void LockOnToGPS(bool on);
    bool isLockedOnToGPS() const { return m_locked; }
    bool GetCenterLatLon(double& lat, double& lon) const;
    bool GetCenterAreaOfView(CBounds& bounds) const;
    void GetCurrentMapView();
    void SetCurrentMapView();
    void RestoreCurrentMapView();
    void CloseAndReOpenCurrentMap();

    // ---- maps
    void onOpen(const std::string& path, bool flag, Callback callback);
    void Close();
    // Asks the online map list for the best free map at a place. Until a
    // lookup is installed (free_map_lookup), the answer is no.
    void DownloadBestFreeMap(double lat, double lon, Callback callback);
    using FreeMapLookup =
        std::function<void(CKartileView* view, double lat, double lon, const Callback& done)>;
    static FreeMapLookup free_map_lookup;

    // ---- marks
    // A new mark from the template at the marked point, or the screen's
    // centre, selected; null without a map.
    COverlayMark* CreateNewMark();

    // ---- data
    void OnUpdate(CDataGPSPosition& position) override;
    void OnUpdate(COverlayObject& object) override;
    bool Serialize(IOStream& stream) override;

    // Overlay objects shown in this view, in draw order.
    void AddOverlay(COverlayObject* object);
    void RemoveOverlay(COverlayObject* object);
    int overlayCount() const { return int(m_overlays.size()); }

    // ---- state, for the window and for tests
    CCachedKartile& renderer() { return m_renderer; }
    const CPolynomialProjection& projection() const { return m_projection; }
    const COverlayObject::CViewParams& viewParams() const { return m_view; }
    int zoomLevel() const { return m_view.zoom_mode; }
    int maxZoom() const { return m_zmax; }
    const ViewGestures& gestures() const { return m_gestures; }
    double zoomFactor() const { return m_gestures.factor(); }
    bool isAnimating() const { return m_gestures.isAnimating(); }
    bool isPinching() const { return m_gestures.isPinching(); }
    bool isOpening() const { return m_opening; }
    bool hasMap() const;
    const std::string& lastShownPath() const { return m_lastShownPath; }
    FRect screenRect() const { return m_screen; }
    FPoint centringTarget() const { return m_centringTarget; }
    bool hasMarkedPoint() const { return m_hasMarked; }
    FPoint markedPoint() const { return m_marked; }
    void setMarkedPoint(double sx, double sy);

    // Called whenever the picture changed and the window should repaint.
    std::function<void()> redraw;
    // Monotonic seconds; replaceable so that tests can step time.
    std::function<double()> clock;
    // Touch precision (squared screen pixels) of the platform.
    double touchPrecision2 = 100;
    double clickPrecision2 = 100;

    // Settings, persisted as "CKartileView".
    static bool full_screen;
    static bool change_scale_by_zooming;
    static bool show_scale_bar;
    static GraphicsColor scale_bar_color;
    static bool automatic_download;
    static double timeOfLastZoomHint;
    static double app_default_lat;
    static double app_default_lon;

private:
    struct Overlay {
        COverlayObject* object = nullptr;
        COverlayObject::CMapping mapping;
        bool on_screen = false;  // for the frame being drawn
    };

    void setZoom(int z);
    void prepareOverlaysForFrame();
    void buildHitIndex();
    int hitCell(double sx, double sy) const;  // -1 off the grid
    // Overlays that may be hit at the point, uppermost first (indices).
    std::vector<size_t> hitCandidates(double sx, double sy, double tolerance2);
    // The overlay tool when it works in this view.
    COverlayTool* usingTool() const;
    // A visible overlay on screen whose mapping is within tolerance of the point.
    bool hits(Overlay& overlay, double sx, double sy, double tolerance2);
    // The catalogue's next map at a place: direction > 0 smaller scale.
    CChartOutline* nextMap(int direction, double lat, double lon) const;
    // Zoom steps of one level, |steps| of them, toward the sign of steps.
    void stepLevels(int steps);
    FPoint screenToImage(double sx, double sy) const;
    void moveMarkedPoint(double dx, double dy);
    void screenMoved();
    void requestRedraw();
    void remapOverlays();
    void mapOverlay(Overlay& overlay);
    void clearOverlayMappings();
    bool openNamedMap(CChartOutline* outline);
    bool focusPosition(double& lat, double& lon);
    void ShowZoomHintIfAppropriate();
    void open_ktl_callback(bool ok, const Callback& callback);
    void placeAt(double lat, double lon, const FPoint& screenPoint);
    void stopAnimation();
    double now() const;

    CCachedKartile m_renderer;
    // Kept from frame to frame for their storage.
    FrameRaster m_raster;
    std::vector<CCachedKartile::SquareCopy> m_squareCopies;
    CPolynomialProjection m_projection;
    COverlayObject::CViewParams m_view;
    int m_zmax = 3;

    FRect m_screen;
    FPoint m_center;
    FPoint m_zoomFocus, m_viewFocus, m_centringTarget;

    double m_savedLat = 999, m_savedLon = 999, m_savedScale = 0;
    double m_pendingLat = 999, m_pendingLon = 999, m_pendingScale = 0;
    double m_ownLat = 999, m_ownLon = 999;
    bool m_locked = false;

    bool m_hasMarked = false;
    FPoint m_marked;

    ViewGestures m_gestures;
    FPoint m_scrollRest;  // screen movement the pixel snapping held back
    COverlayObject* m_pressed = nullptr;

    bool m_opening = false;
    std::string m_requestedPath;
    std::string m_lastShownPath;

    std::vector<Overlay> m_overlays;                         // ascending draw_order, stable
    std::unordered_set<const COverlayObject*> m_overlaySet;  // what m_overlays holds
    static constexpr double kHitCell = 32;                   // screen pixels
    int m_hitColumns = 0, m_hitRows = 0;
    std::vector<size_t> m_hitStart;    // per cell, into m_hitEntries; one more at the end
    std::vector<size_t> m_hitEntries;  // overlay indices, cell by cell
    std::vector<size_t> m_hitOthers;
    bool m_hitIndexValid = false;
};
