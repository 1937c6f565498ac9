#include "mapview/kartileview.h"

#include <QElapsedTimer>
#include <QPainter>
#include <algorithm>
#include <cmath>
#include <set>

#include "app/base/fileutils.h"
#include "app/base/messagebox.h"
#include "app/base/persistantdata.h"
#include "app/base/screenresolution.h"
#include "data/aistargetmanager.h"
#include "data/overlaygpsposition.h"
#include "maps/chartlist.h"
#include "maps/simplegrid.h"
#include "mapview/globallatlonghighlight.h"
#include "overlays/iconblit.h"
#include "overlays/markmanager.h"
#include "overlays/markmenu.h"
#include "overlays/overlaymark.h"
#include "overlays/overlaytool.h"
#include "overlays/trackmanager.h"

bool CKartileView::full_screen = false;
bool CKartileView::change_scale_by_zooming = true;
bool CKartileView::show_scale_bar = true;
GraphicsColor CKartileView::scale_bar_color(0, 0, 0);
bool CKartileView::automatic_download = false;
double CKartileView::timeOfLastZoomHint = 0;
double CKartileView::app_default_lat = 0;
double CKartileView::app_default_lon = 0;
CKartileView::FreeMapLookup CKartileView::free_map_lookup;

namespace {

std::string s_appName, s_appIcon, s_appWebsite;
std::set<std::string> s_tessarineHide;

class KartileViewPersistor : public PersistantData {
public:
    KartileViewPersistor() : PersistantData("CKartileView") {}
    void DeclareData() override {
        Declare("full_screen", CKartileView::full_screen);
        Declare("change_scale_by_zooming", CKartileView::change_scale_by_zooming);
        Declare("show_scale_bar", CKartileView::show_scale_bar);
        Declare("scale_bar_color", CKartileView::scale_bar_color);
        Declare("automatic_download", CKartileView::automatic_download);
        Declare("app_name", s_appName);
        Declare("app_icon", s_appIcon);
        Declare("app_website", s_appWebsite);
        Declare("tessarine_hide", s_tessarineHide);
        Declare("timeOfLastZoomHint", CKartileView::timeOfLastZoomHint);
        Declare("app_default_lat", CKartileView::app_default_lat);
        Declare("app_default_lon", CKartileView::app_default_lon);
    }
};
KartileViewPersistor s_persistor;

bool inside(const FRect& r, const FPoint& p) {
    return p.x >= r.left && p.x < r.right && p.y >= r.top && p.y < r.bottom;
}

double monotonicSeconds() {
    static QElapsedTimer timer;
    if (!timer.isValid()) timer.start();
    return double(timer.nsecsElapsed()) * 1e-9;
}

CChartList* catalogue() {
    return CChartList::the_list;
}

}  // namespace

CKartileView::CKartileView() {
    setZoom(0);
    clock = monotonicSeconds;
    AddOverlay(&COverlayGPSPosition::theLatestPosition);
    // The marks, routes and tracks loaded before this view existed.
    CMarkManager::theManager.GetUpdatesForAll(COverlayObject::kChanged, *this);
    for (auto& track : CTrackManager::theManager.tracks) {
        if (track->deleted) continue;
        for (auto& section : track->sections) {
            section->last_action = COverlayObject::kChanged;
            OnUpdate(*section);
        }
    }
    // The AIS targets already heard.
    for (auto& [mmsi, target] : CAISTargetManager::theManager.targets)
        if (target.class_text) AddOverlay(&target);
}

CKartileView::~CKartileView() {
    if (usingTool()) COverlayTool::Deselect();
    m_renderer.Close();
}

double CKartileView::now() const {
    return clock ? clock() : monotonicSeconds();
}

COverlayTool* CKartileView::usingTool() const {
    COverlayTool* tool = COverlayTool::the_tool;
    return tool && tool->view() == this ? tool : nullptr;
}

bool CKartileView::hits(Overlay& overlay, double sx, double sy, double tolerance2) {
    // The box first: a long track is thousands of sections, nearly all far away.
    const COverlayObject::CMapping& m = overlay.mapping;
    if (m.hit_kind != COverlayObject::CMapping::kAlways && m_view.scale > 0) {
        const FPoint at = m_view.ScreenToImage(sx, sy);
        const double reach = std::sqrt(tolerance2) / m_view.scale;
        if (at.x < m.bounds.left - reach || at.x > m.bounds.right + reach ||
            at.y < m.bounds.top - reach || at.y > m.bounds.bottom + reach)
            return false;
    }
    return overlay.object->isVisible() && overlay.mapping.map_to_screen(m_view) &&
           overlay.mapping.HitTest_mapped(float(sx), float(sy), tolerance2);
}

bool CKartileView::hasMap() const {
    return m_renderer.map() && m_projection.isInitialised();
}

void CKartileView::requestRedraw() {
    if (redraw) redraw();
}

void CKartileView::setZoom(int z) {
    m_view.zoom_mode = z;
    m_view.scale = std::ldexp(1.0, -z);
}

FPoint CKartileView::screenToImage(double sx, double sy) const {
    return m_view.ScreenToImage(sx, sy);
}

// ---------------------------------------------------------------- geometry

bool CKartileView::ScreenTolatlong(double sx, double sy, double& lat, double& lon) const {
    if (!m_projection.isInitialised()) return false;
    const FPoint p = screenToImage(sx, sy);
    m_projection.xy_to_latlong(p.x, p.y, lat, lon);
    return true;
}

bool CKartileView::LatLongToScreen(double lat, double lon, double& sx, double& sy) const {
    if (!m_projection.isInitialised()) return false;
    double x, y;
    m_projection.latlong_to_xy(lat, lon, x, y);
    const FPoint s = m_view.ImageToScreen(x, y);
    sx = s.x;
    sy = s.y;
    return true;
}

double CKartileView::getDisplayedScale() const {
    if (!hasMap()) return 0;
    const FPoint c = screenToImage(m_center.x, m_center.y);
    return m_renderer.getScaleAt(c.x, c.y) * std::ldexp(1.0, m_view.zoom_mode) /
           m_gestures.factor();
}

void CKartileView::placeAt(double lat, double lon, const FPoint& screenPoint) {
    FPoint p;
    if (!m_projection.latlong_to_xy(lat, lon, p)) return;
    m_view.AdjustOffset(screenPoint.x, screenPoint.y, p.x, p.y);
}

bool CKartileView::GetCenterLatLon(double& lat, double& lon) const {
    return ScreenTolatlong(m_center.x, m_center.y, lat, lon);
}

bool CKartileView::GetCenterAreaOfView(CBounds& bounds) const {
    if (!hasMap()) return false;
    bounds = CBounds();
    const double xs[] = {m_screen.left, m_center.x, m_screen.right};
    const double ys[] = {m_screen.top, m_center.y, m_screen.bottom};
    for (double x : xs)
        for (double y : ys) {
            double lat, lon;
            ScreenTolatlong(x, y, lat, lon);
            bounds.add(Vertex(lon, lat));
        }
    return true;
}

void CKartileView::setMarkedPoint(double sx, double sy) {
    m_marked = FPoint(sx, sy);
    m_hasMarked = inside(m_screen, m_marked);
}

void CKartileView::moveMarkedPoint(double dx, double dy) {
    if (!m_hasMarked) return;
    m_marked.x += dx;
    m_marked.y += dy;
    if (!inside(m_screen, m_marked)) m_hasMarked = false;
}

void CKartileView::screenMoved() {
    requestRedraw();
    for (Overlay& o : m_overlays) o.mapping.move_screen();
    m_hitIndexValid = false;
}

void CKartileView::setScreenRect(double x, double y, double w, double h) {
    const FRect rect(x, y, x + w, y + h);
    if (rect == m_screen) return;
    const FRect old = m_screen;
    const FPoint oldCenter = m_center;
    const bool hadScreen = old.width() > 0 && old.height() > 0;
    m_screen = rect;
    m_center = FPoint(x + w / 2, y + h / 2);
    m_view.screen_rect = rect;
    if (!hadScreen) {
        m_viewFocus = m_centringTarget = m_zoomFocus = m_center;
    } else if (!m_opening) {
        if (!m_locked || m_ownLat > 90) {
            const FPoint p = screenToImage(oldCenter.x, oldCenter.y);
            m_view.AdjustOffset(m_center.x, m_center.y, p.x, p.y);
            if (!inside(rect, m_centringTarget)) m_centringTarget = m_center;
        } else {
            double fx = (m_centringTarget.x - old.left) / old.width();
            double fy = (m_centringTarget.y - old.top) / old.height();
            if (!(fx > 0 && fx < 1)) fx = 0.5;
            if (!(fy > 0 && fy < 1)) fy = 0.5;
            m_centringTarget = FPoint(std::floor(x + fx * w), std::floor(y + fy * h));
            GotoLocation(m_ownLat, m_ownLon, false);
        }
    }
    if (!inside(rect, m_viewFocus)) m_viewFocus = m_center;
    if (hasMap())
        remapOverlays();
    else
        clearOverlayMappings();
    screenMoved();
}

// ---------------------------------------------------------------- drawing

void CKartileView::onDraw(QPainter& painter, int x, int y, int w, int h) {
    const QRect target(x, y, w, h);
    if (!hasMap() || m_opening) {
        painter.fillRect(target, QColor(0xE8, 0xEC, 0xEF));
        return;
    }
    painter.save();
    painter.setClipRect(target);
    // The part of the screen the picture covers once scaled by f.
    QRectF area(target);
    const double f = m_gestures.factor();
    if (f != 1.0) {
        painter.translate(m_zoomFocus.x, m_zoomFocus.y);
        painter.scale(f, f);
        painter.translate(-m_zoomFocus.x, -m_zoomFocus.y);
        const double l = m_zoomFocus.x + (x - m_zoomFocus.x) / f;
        const double t = m_zoomFocus.y + (y - m_zoomFocus.y) / f;
        area = QRectF(l, t, w / f, h / f);
    }
    const QRect drawRect = area.toAlignedRect();
    // Screen point s shows level-z pixel s + offset * scale.
    const QPoint offset(int(std::lround(m_view.offset_x * m_view.scale)) + drawRect.left(),
                        int(std::lround(m_view.offset_y * m_view.scale)) + drawRect.top());
    // At one to one the map and what draws into the frame's pixels go in
    // together, band by band.
    IconBlitter blitter;
    if (f == 1.0) blitter.Begin(painter, target);
    const bool direct = m_raster.Begin(blitter);
    bool loading = false;
    m_squareCopies.clear();
    m_renderer.Draw(painter, drawRect, offset, m_view.zoom_mode, loading,
                    direct ? &m_squareCopies : nullptr);
    for (const CCachedKartile::SquareCopy& c : m_squareCopies)
        if (!m_raster.Copy(*c.image, c.target)) painter.drawImage(c.target, *c.image);

    ++m_view.frame;
    prepareOverlaysForFrame();
    if (blitter.active()) IconBlitter::current = &blitter;
    if (direct) FrameRaster::current = &m_raster;

    int drawn = 0;
    COverlayTool* tool = usingTool();
    Overlay* selected = nullptr;
    for (Overlay& o : m_overlays) {
        if (tool && o.object == tool->selected()) selected = &o;
        if (drawn >= kMaxOverlaysDrawn || !o.on_screen || o.mapping.crowded) continue;
        if (!o.object->drawsIntoFrameRaster()) m_raster.Flush();
        o.object->Draw(&painter, m_view, o.mapping);
        ++drawn;
    }
    m_raster.End();
    FrameRaster::current = nullptr;
    IconBlitter::current = nullptr;
    if (tool && tool->selected()) {
        if (selected)
            tool->onDraw(&painter, selected->mapping);
        else
            COverlayTool::Deselect();
    }
    CGlobalLatLongHighlight::Draw(painter, *this);
    painter.restore();
}

// ---------------------------------------------------------------- overlays

namespace {
// Marks and route waypoints crowd alike: both draw as marks.
bool isMarkLike(const COverlayObject& object) {
    return object.type == COverlayObject::kMark || object.type == COverlayObject::kWaypoint;
}
}  // namespace

// One pass finds what may be on screen this frame. Marks label themselves
// only while few are on screen; in a crowd of thousands only the uppermost
// mark of each small square is drawn.
void CKartileView::prepareOverlaysForFrame() {
    const FRect visible = m_view.ScreenToImage(m_view.screen_rect);
    int marksOnScreen = 0;
    for (Overlay& o : m_overlays) {
        o.mapping.crowded = false;
        o.on_screen = o.object->isVisible() && o.mapping.map_to_screen(m_view, visible);
        if (o.on_screen && isMarkLike(*o.object) && !o.mapping.screen_points.empty())
            ++marksOnScreen;
    }
    COverlayMark::on_screen_in_frame = marksOnScreen;
    if (marksOnScreen <= COverlayMark::kCrowdedMarks) return;
    const double cell = COverlayMark::kCrowdCell * graphicsResolution;
    const int columns = int(m_screen.width() / cell) + 3, rows = int(m_screen.height() / cell) + 3;
    std::vector<bool> taken(size_t(columns) * size_t(rows), false);
    for (auto it = m_overlays.rbegin(); it != m_overlays.rend(); ++it) {
        COverlayObject::CMapping& m = it->mapping;
        if (!it->on_screen || !isMarkLike(*it->object) || m.screen_points.empty()) continue;
        const int cx = int(std::floor((m.screen_points[0].x - m_screen.left) / cell)) + 1;
        const int cy = int(std::floor((m.screen_points[0].y - m_screen.top) / cell)) + 1;
        if (cx < 0 || cy < 0 || cx >= columns || cy >= rows) continue;
        const size_t at = size_t(cy) * size_t(columns) + size_t(cx);
        m.crowded = taken[at];
        taken[at] = true;
    }
}

void CKartileView::mapOverlay(Overlay& overlay) {
    m_hitIndexValid = false;
    overlay.mapping.clear();
    if (m_projection.isInitialised()) overlay.object->Map(overlay.mapping, m_projection);
    overlay.mapping.move_screen();
}

void CKartileView::remapOverlays() {
    for (Overlay& o : m_overlays) mapOverlay(o);
}

void CKartileView::clearOverlayMappings() {
    for (Overlay& o : m_overlays) o.mapping.clear();
    m_hitIndexValid = false;
}

// Points on screen filed by square, so that a tap among thousands of marks
// looks at a few; lines and the rest are always looked at.
void CKartileView::buildHitIndex() {
    m_hitColumns = std::max(1, int(std::ceil(m_screen.width() / kHitCell)));
    m_hitRows = std::max(1, int(std::ceil(m_screen.height() / kHitCell)));
    const size_t cells = size_t(m_hitColumns) * size_t(m_hitRows);
    std::vector<std::pair<int, size_t>> filed;  // (cell, overlay)
    m_hitOthers.clear();
    for (size_t i = 0; i < m_overlays.size(); ++i) {
        COverlayObject::CMapping& m = m_overlays[i].mapping;
        if (!m_overlays[i].object->isVisible() || !m.map_to_screen(m_view)) continue;
        if (m.hit_kind != COverlayObject::CMapping::kPoints) {
            if (m.hit_kind != COverlayObject::CMapping::kNotHittable) m_hitOthers.push_back(i);
            continue;
        }
        const size_t n = std::min(m.screen_points.size(), size_t(std::max(m.hit_count, 0)));
        for (size_t p = 0; p < n; ++p) {
            const int cell = hitCell(m.screen_points[p].x, m.screen_points[p].y);
            if (cell < 0) {
                m_hitOthers.push_back(i);  // off the grid: always looked at
                break;
            }
            filed.emplace_back(cell, i);
        }
    }
    // Counting sort into one array with a start per cell.
    m_hitStart.assign(cells + 1, 0);
    for (const auto& f : filed) ++m_hitStart[size_t(f.first) + 1];
    for (size_t c = 0; c < cells; ++c) m_hitStart[c + 1] += m_hitStart[c];
    m_hitEntries.resize(filed.size());
    std::vector<size_t> next(m_hitStart.begin(), m_hitStart.end() - 1);
    for (const auto& f : filed) m_hitEntries[next[size_t(f.first)]++] = f.second;
    m_hitIndexValid = true;
}

int CKartileView::hitCell(double sx, double sy) const {
    const double fx = std::floor((sx - m_screen.left) / kHitCell);
    const double fy = std::floor((sy - m_screen.top) / kHitCell);
    if (!(fx >= 0 && fy >= 0 && fx < m_hitColumns && fy < m_hitRows)) return -1;
    return int(fy) * m_hitColumns + int(fx);
}

std::vector<size_t> CKartileView::hitCandidates(double sx, double sy, double tolerance2) {
    if (!m_hitIndexValid) buildHitIndex();
    std::vector<size_t> found = m_hitOthers;
    const double r = std::sqrt(std::max(tolerance2, 0.0));
    if (!std::isfinite(sx) || !std::isfinite(sy) || !std::isfinite(r)) return {};
    const int x0 = int(std::floor((sx - r - m_screen.left) / kHitCell));
    const int x1 = int(std::floor((sx + r - m_screen.left) / kHitCell));
    const int y0 = int(std::floor((sy - r - m_screen.top) / kHitCell));
    const int y1 = int(std::floor((sy + r - m_screen.top) / kHitCell));
    for (int cy = std::max(y0, 0); cy <= std::min(y1, m_hitRows - 1); ++cy)
        for (int cx = std::max(x0, 0); cx <= std::min(x1, m_hitColumns - 1); ++cx) {
            const size_t cell = size_t(cy * m_hitColumns + cx);
            found.insert(found.end(), m_hitEntries.begin() + ptrdiff_t(m_hitStart[cell]),
                         m_hitEntries.begin() + ptrdiff_t(m_hitStart[cell + 1]));
        }
    std::sort(found.begin(), found.end(), std::greater<size_t>());
    found.erase(std::unique(found.begin(), found.end()), found.end());
    return found;
}

void CKartileView::AddOverlay(COverlayObject* object) {
    if (!m_overlaySet.insert(object).second) return;
    auto at =
        std::upper_bound(m_overlays.begin(), m_overlays.end(), object->draw_order,
                         [](uint32_t key, const Overlay& o) { return key < o.object->draw_order; });
    at = m_overlays.insert(at, Overlay{object, {}});
    mapOverlay(*at);
}

void CKartileView::RemoveOverlay(COverlayObject* object) {
    if (m_pressed == object) m_pressed = nullptr;
    if (m_overlaySet.erase(object) == 0) return;
    // From the back: a list is emptied newest first, so this stays cheap.
    auto it = std::find_if(m_overlays.rbegin(), m_overlays.rend(),
                           [object](const Overlay& o) { return o.object == object; });
    if (it != m_overlays.rend()) m_overlays.erase(std::next(it).base());
    m_hitIndexValid = false;
}

void CKartileView::OnUpdate(COverlayObject& object) {
    switch (object.last_action) {
        case COverlayObject::kRemoved:
            RemoveOverlay(&object);
            break;
        case COverlayObject::kAllCleared:
            // Every user object went; moving targets stay.
            std::erase_if(m_overlays, [this](const Overlay& o) {
                const bool user = o.object->isUserObject();
                if (user) m_overlaySet.erase(o.object);
                return user;
            });
            m_pressed = nullptr;
            m_hitIndexValid = false;
            break;
        case COverlayObject::kChanged:
        case COverlayObject::kDisplayChanged: {
            if (!m_overlaySet.contains(&object)) {
                if (object.last_action == COverlayObject::kChanged) AddOverlay(&object);
            } else if (object.last_action == COverlayObject::kChanged) {
                auto it = std::find_if(m_overlays.begin(), m_overlays.end(),
                                       [&](const Overlay& o) { return o.object == &object; });
                if (it != m_overlays.end()) mapOverlay(*it);
            }
            break;
        }
        default:
            return;
    }
    requestRedraw();
}

// ---------------------------------------------------------------- zoom

void CKartileView::DoZoom(int step) {
    const int z = m_view.zoom_mode + step;
    if (step == 0 || z < kMinZoom || z > m_zmax) return;
    const FPoint focus = screenToImage(m_zoomFocus.x, m_zoomFocus.y);
    const FPoint marked = screenToImage(m_marked.x, m_marked.y);
    setZoom(z);
    m_view.AdjustOffset(m_zoomFocus.x, m_zoomFocus.y, focus.x, focus.y);
    m_scrollRest = FPoint();
    if (m_hasMarked) {
        const FPoint s = m_view.ImageToScreen(marked.x, marked.y);
        setMarkedPoint(s.x, s.y);
    }
    screenMoved();
}

bool CKartileView::focusPosition(double& lat, double& lon) {
    m_viewFocus = m_zoomFocus;
    return ScreenTolatlong(m_viewFocus.x, m_viewFocus.y, lat, lon);
}

CChartOutline* CKartileView::nextMap(int direction, double lat, double lon) const {
    const double scale = m_renderer.getKtlScaleAtCenter();
    return direction > 0 ? catalogue()->ScaleOut(lat, lon, scale)
                         : catalogue()->ScaleIn(lat, lon, scale);
}

bool CKartileView::openNamedMap(CChartOutline* outline) {
    if (!outline) return false;
    GetCurrentMapView();
    onOpen(outline->path, false, {});
    return true;
}

void CKartileView::SmoothZoom(int direction) {
    const FPoint p = m_hasMarked ? m_marked : m_center;
    SmoothZoomAtPoint(direction, p.x, p.y);
}

void CKartileView::SmoothZoomAtPoint(int direction, double sx, double sy) {
    m_gestures.cancelTouch();
    m_gestures.animate();
    m_zoomFocus = FPoint(sx, sy);
    const int z = m_view.zoom_mode;
    double lat, lon;
    if (change_scale_by_zooming && hasMap() && focusPosition(lat, lon) && catalogue()) {
        if (direction > 0 && z >= m_zmax - 1) {
            if (openNamedMap(nextMap(+1, lat, lon))) return;
        } else if (direction < 0 && z < 0) {
            if (openNamedMap(nextMap(-1, lat, lon))) return;
            if (catalogue()->size() == 1 && z == kMinZoom) {
                ShowZoomHintIfAppropriate();
                return;
            }
        }
    }
    if (direction > 0 && z < m_zmax) {
        m_gestures.scaleFactor(1.5);
        DoZoom(+1);
    } else if (direction < 0 && z >= kMinZoom + 1) {
        m_gestures.scaleFactor(0.75);
        DoZoom(-1);
    }
    requestRedraw();
}

bool CKartileView::ChangeMapScale(int direction) {
    double lat, lon;
    if (!hasMap() || !catalogue() || !GetCenterLatLon(lat, lon)) return false;
    CChartOutline* outline = nextMap(direction, lat, lon);
    if (!outline) return false;
    m_viewFocus = m_center;
    return openNamedMap(outline);
}

void CKartileView::ShowZoomHintIfAppropriate() {
    const double t = double(time(nullptr));
    if (t - timeOfLastZoomHint <= kZoomHintInterval) return;
    timeOfLastZoomHint = t;
    PersistantData::SaveAll();
    MessageBoxOK(nullptr, "",
                 "To view additional maps, tap the Maps button, then \"Tessarine\".\n\n"
                 "Sign-in or Create an Account when prompted.");
}

// ---------------------------------------------------------------- pinch

void CKartileView::onPinchBegin(double sx, double sy, double d) {
    const FPoint p(sx, sy);
    if (!m_gestures.pinchBegin(p, d, m_view.zoom_mode, now())) return;
    m_scrollRest = FPoint();
    m_zoomFocus = p;
}

void CKartileView::onPinchMove(double sx, double sy, double d) {
    if (!m_gestures.isPinching()) {
        onPinchBegin(sx, sy, d);
        return;
    }
    onSingleTouchMove(sx, sy);
    m_zoomFocus = FPoint(sx, sy);
    stepLevels(m_gestures.pinchMove(d, m_view.zoom_mode, kMinZoom));
    requestRedraw();
}

void CKartileView::stepLevels(int steps) {
    for (; steps < 0; ++steps) DoZoom(-1);
    for (; steps > 0; --steps) DoZoom(+1);
}

void CKartileView::onPinchEnd() {
    if (!m_gestures.pinchEnd()) return;
    const int z = m_view.zoom_mode;
    const double f = m_gestures.factor();
    double lat, lon;
    if (change_scale_by_zooming && hasMap() && focusPosition(lat, lon) && catalogue()) {
        CChartOutline* outline = nullptr;
        if (f < 0.7 && z >= m_zmax - 1)
            outline = nextMap(+1, lat, lon);
        else if (f > 1.75 && z < 0)
            outline = nextMap(-1, lat, lon);
        if (openNamedMap(outline)) return;
        if (catalogue()->size() == 1 && z == kMinZoom) ShowZoomHintIfAppropriate();
    }
    stepLevels(m_gestures.settlePinch(z, kMinZoom, m_zmax));
    requestRedraw();
}

// ---------------------------------------------------------------- pan and fling

void CKartileView::onSingleTouchDown(double sx, double sy) {
    m_gestures.touchDown(FPoint(sx, sy), now());
    m_scrollRest = FPoint();
}

void CKartileView::onSingleTouchMove(double sx, double sy) {
    if (!m_gestures.isTouching()) return;
    const bool wasMoving = m_gestures.hasMoved();
    const FPoint d = m_gestures.touchMove(FPoint(sx, sy), now(), touchPrecision2);
    // Pressing the selected object and dragging moves it, not the map.
    COverlayTool* tool = usingTool();
    if (m_pressed && tool && tool->selected() == m_pressed) {
        if (m_gestures.hasMoved()) tool->Move(d.x, d.y);
        requestRedraw();
        return;
    }
    // Dragging the map away from the boat stops following it.
    if (!wasMoving && m_gestures.hasMoved()) m_locked = false;
    DoScroll(d.x, d.y);
}

bool CKartileView::onSingleTouchUp() {
    const bool tap = m_gestures.touchUp(now());
    if (m_pressed) {
        m_pressed->onMouseUp(this);
        m_pressed = nullptr;
    }
    return tap;
}

void CKartileView::DoScroll(double dx, double dy) {
    // Whole-pixel snapping would swallow slow movements; what it holds back
    // is carried into the next scroll.
    double ax = dx + m_scrollRest.x, ay = dy + m_scrollRest.y;
    const double wantX = ax, wantY = ay;
    m_view.ApplyDelta(ax, ay);
    m_scrollRest = FPoint(wantX - ax, wantY - ay);
    if (ax == 0 && ay == 0) return;
    moveMarkedPoint(ax, ay);
    // The selection's tool follows its object on screen by itself; moving it
    // here would move the object with every pan.
    screenMoved();
}

void CKartileView::stopAnimation() {
    m_gestures.stop();
    m_scrollRest = FPoint();
}

void CKartileView::onTimer() {
    AdvanceAnimation(1.0);
    PollRenderer();
}

void CKartileView::AdvanceAnimation(double ticks) {
    const ViewGestures::Tick tick = m_gestures.advance(ticks);
    if (!tick.ran) return;
    DoScroll(tick.scroll.x, tick.scroll.y);
    if (tick.ends) stopAnimation();
    requestRedraw();
}

void CKartileView::PollRenderer() {
    if (m_renderer.TimerCallback()) requestRedraw();
}

// ---------------------------------------------------------------- taps and presses

bool CKartileView::onTap(double sx, double sy, double tolerance2) {
    if (!hasMap()) return false;
    const FPoint screen(sx, sy);
    DblPoint where;
    ScreenTolatlong(sx, sy, where.y, where.x);
    COverlayTool* tool = usingTool();
    const COverlayObject* selected = tool ? tool->selected() : nullptr;
    // Repeated taps on a pile go down through it, starting below the selection.
    size_t below = m_overlays.size();
    if (selected)
        for (size_t i = 0; i < m_overlays.size(); ++i)
            if (m_overlays[i].object == selected) below = i;
    for (size_t i : hitCandidates(sx, sy, tolerance2)) {
        if (i >= below) continue;
        COverlayObject* object = m_overlays[i].object;
        if (hits(m_overlays[i], sx, sy, tolerance2) && object->onTap(this, screen, where))
            return true;
    }
    // A tap on the open map lets the selection go; one on the selection keeps it.
    if (tool) {
        for (Overlay& o : m_overlays)
            if (o.object == selected && hits(o, sx, sy, tolerance2)) return true;
        COverlayTool::Deselect();
        requestRedraw();
    }
    return false;
}

void CKartileView::centerMouseDown(double sx, double sy) {
    double lat = 0, lon = 0;
    if (!hasMap() || !ScreenTolatlong(sx, sy, lat, lon)) return;
    CMarkManager::theManager.CreateNewMark(this, lat, lon);
    requestRedraw();
}

void CKartileView::rightMouseDown(double sx, double sy) {
    double lat = 0, lon = 0;
    if (!hasMap() || !ScreenTolatlong(sx, sy, lat, lon)) return;
    const FPoint screen(sx, sy);
    const DblPoint where(lon, lat);
    for (size_t i : hitCandidates(sx, sy, clickPrecision2)) {
        COverlayObject* object = m_overlays[i].object;
        if (hits(m_overlays[i], sx, sy, clickPrecision2) &&
            object->onRightClick(this, screen, where)) {
            requestRedraw();
            return;
        }
    }
    auto menu = std::make_shared<CMenuTree>("Map");
    menu->Append("New Mark Here", [this, lat, lon] {
        CMarkManager::theManager.CreateNewMark(this, lat, lon);
        requestRedraw();
    });
    menu->Append("Go To Here", [this, lat, lon] {
        COverlayMark* mark = CMarkManager::theManager.CreateNewMark(this, lat, lon);
        if (mark) CMarkManager::theManager.SetGoto(mark);
        requestRedraw();
    });
    menu->Append("Centre Map Here", [this, sx, sy] {
        LockOnToGPS(false);
        DoScroll((m_screen.left + m_screen.right) / 2 - sx,
                 (m_screen.top + m_screen.bottom) / 2 - sy);
    });
    CMenuTree::Show(nullptr, menu);
}

bool CKartileView::onDeleteKey() {
    COverlayTool* tool = usingTool();
    COverlayMark* mark = tool ? tool->GetSelectedMark() : nullptr;
    if (!mark || mark->isLocked()) return false;
    ConfirmDeleteMark(*mark, nullptr, [this](bool) { requestRedraw(); });
    return true;
}

COverlayMark* CKartileView::CreateNewMark() {
    if (!hasMap()) return nullptr;
    const FPoint at = m_hasMarked ? m_marked
                                  : FPoint((m_screen.left + m_screen.right) / 2,
                                           (m_screen.top + m_screen.bottom) / 2);
    double lat = 0, lon = 0;
    if (!ScreenTolatlong(at.x, at.y, lat, lon)) return nullptr;
    COverlayMark* mark = CMarkManager::theManager.CreateNewMark(this, lat, lon);
    requestRedraw();
    return mark;
}

void CKartileView::onMouseDown(double sx, double sy) {
    m_gestures.press(FPoint(sx, sy));
    m_pressed = nullptr;
    if (hasMap()) {
        const FPoint screen(sx, sy);
        DblPoint where;
        ScreenTolatlong(sx, sy, where.y, where.x);
        COverlayTool* tool = usingTool();
        if (tool && tool->selected())
            for (Overlay& o : m_overlays)
                if (o.object == tool->selected() && o.mapping.map_to_screen(m_view) &&
                    o.mapping.HitTest_mapped(float(sx), float(sy), clickPrecision2)) {
                    m_pressed = o.object;
                    return;
                }
        for (size_t i : hitCandidates(sx, sy, clickPrecision2)) {
            COverlayObject* object = m_overlays[i].object;
            if (hits(m_overlays[i], sx, sy, clickPrecision2) &&
                object->onMouseDown(this, screen, where)) {
                m_pressed = object;
                return;
            }
        }
    }
    onSingleTouchDown(sx, sy);
}

// ---------------------------------------------------------------- navigation

void CKartileView::GotoLocation(double lat, double lon, bool reset) {
    if (m_opening || lat > 90) return;
    if (hasMap() && m_renderer.CurrentChartDoesContain(lat, lon)) {
        if (!reset) {
            placeAt(lat, lon, m_centringTarget);
        } else {
            m_locked = false;
            setZoom(0);
            placeAt(lat, lon, m_center);
        }
        screenMoved();
        return;
    }
    GetCurrentMapView();
    GotoBestMap(lat, lon, m_pendingScale, {});
}

void CKartileView::GotoLocation(const CBounds& bounds, int windowWidth, int windowHeight) {
    if (bounds.isEmpty()) return;
    setScreenRect(0, 0, windowWidth, windowHeight);
    m_centringTarget = m_center;
    const Vertex c = bounds.center();
    CSimpleGrid grid(c.y, c.x);
    const double latMetres = (bounds.top - bounds.bottom) * grid.MetresPerDegreeLat();
    const double lonMetres = (bounds.right - bounds.left) * grid.MetresPerDegreeLon();
    double metresPerPixel = 0;
    if (windowHeight > 0) metresPerPixel = std::max(metresPerPixel, latMetres / windowHeight);
    if (windowWidth > 0) metresPerPixel = std::max(metresPerPixel, lonMetres / windowWidth);
    m_locked = false;
    const double scale = 1.5 * metresPerPixel / 1852;
    // The view to restore on whichever map shows the area.
    m_savedLat = c.y;
    m_savedLon = c.x;
    m_savedScale = scale;
    m_viewFocus = m_center;
    GotoBestMap(c.y, c.x, scale, {});
}

void CKartileView::GotoBestMap(double lat, double lon, double scale, Callback callback) {
    // No place: the caller still hears back, once, like every other outcome.
    if (!(std::fabs(lat) <= 90 && std::fabs(lon) <= 400) || (lat == 0 && lon == 0)) {
        if (callback) callback(false);
        return;
    }
    m_pendingLat = lat;
    m_pendingLon = lon;
    m_pendingScale = scale;
    CChartOutline* best =
        catalogue() ? catalogue()->FindBestChart(lat, lon, scale, false) : nullptr;
    if (!best) {
        m_opening = true;
        DownloadBestFreeMap(lat, lon, std::move(callback));
        return;
    }
    if (m_renderer.map() && best->path == m_renderer.map()->path()) {
        SetCurrentMapView();
        requestRedraw();
        if (callback) callback(true);
        return;
    }
    onOpen(best->path, false, std::move(callback));
}

void CKartileView::LockOnToGPS(bool on) {
    m_locked = on;
    if (!on) return;
    m_gestures.stopFling();
    m_centringTarget = m_center;
    if (m_ownLat > 90) return;
    if (hasMap() && m_renderer.CurrentChartDoesContain(m_ownLat, m_ownLon)) {
        GotoLocation(m_ownLat, m_ownLon, false);
        return;
    }
    // Another map: keep the displayed scale, centred on the position.
    GetCurrentMapView();
    m_savedLat = m_ownLat;
    m_savedLon = m_ownLon;
    m_viewFocus = m_centringTarget;
    GotoBestMap(m_ownLat, m_ownLon, m_pendingScale, {});
}

void CKartileView::GetCurrentMapView() {
    if (!hasMap()) return;
    const FPoint p = screenToImage(m_viewFocus.x, m_viewFocus.y);
    m_projection.xy_to_latlong(p.x, p.y, m_savedLat, m_savedLon);
    m_savedScale = m_renderer.getScaleAt(p.x, p.y) * std::ldexp(1.0, m_view.zoom_mode);
}

void CKartileView::SetCurrentMapView() {
    if (!hasMap()) return;
    FPoint p;
    const bool onMap = m_savedLat < 90 && m_projection.latlong_to_xy(m_savedLat, m_savedLon, p) &&
                       p.x >= 0 && p.y >= 0 && p.x < m_projection.width() &&
                       p.y < m_projection.height();
    if (onMap) {
        int z = 0;
        if (m_savedScale > 0) {
            m_gestures.stopFling();
            double r = m_projection.get_scale(p.x, p.y) / m_savedScale;
            if (r > 1.5) {
                r /= 2;
                z = -1;
                if (r > 1.5) {
                    r /= 2;
                    z = -2;
                }
            }
            while (r < 0.75 && z < m_zmax) {
                r *= 2;
                ++z;
            }
        }
        setZoom(z);
        m_view.AdjustOffset(m_viewFocus.x, m_viewFocus.y, p.x, p.y);
    } else {
        setZoom(m_zmax - 1);
        m_viewFocus = m_center;
        // The image centre at the screen centre.
        m_view.AdjustOffset(m_center.x, m_center.y, m_projection.width() / 2.0,
                            m_projection.height() / 2.0);
    }
    m_scrollRest = FPoint();
    screenMoved();
}

void CKartileView::RestoreCurrentMapView() {
    if (m_renderer.map() || m_pendingLat >= 90) return;
    GotoBestMap(m_pendingLat, m_pendingLon, m_pendingScale, {});
}

void CKartileView::CloseAndReOpenCurrentMap() {
    if (!m_renderer.map()) return;
    const std::string path = m_renderer.map()->path();
    GetCurrentMapView();
    onOpen(path, false, {});  // closes the map first
}

// ---------------------------------------------------------------- opening maps

void CKartileView::onOpen(const std::string& path, bool flag, Callback callback) {
    Close();
    m_opening = true;
    m_requestedPath = path;
    stopAnimation();
    m_renderer.Open(flag ? this : nullptr, path, [this, callback = std::move(callback)](bool ok) {
        open_ktl_callback(ok, callback);
    });
}

void CKartileView::Close() {
    m_renderer.Close();
    m_projection = CPolynomialProjection();
    clearOverlayMappings();
}

void CKartileView::open_ktl_callback(bool ok, const Callback& callback) {
    m_opening = false;
    CKartile* map = m_renderer.map();
    if (!ok || !map || !map->isOpen()) {
        CChartList* list = catalogue();
        CChartOutline* entry = list ? list->FindFile(m_requestedPath) : nullptr;
        const bool fallback = !m_lastShownPath.empty() && m_requestedPath != m_lastShownPath &&
                              getFileSize(m_lastShownPath) >= 0;
        // The catalogue forgets the map; the file stays, the error may pass.
        const std::string downloads = CChartList::DownloadedMapsFolder() + "/";
        if (entry && (!fallback || m_requestedPath.rfind(downloads, 0) == 0))
            list->DeleteChart(entry);
        if (fallback) onOpen(m_lastShownPath, false, {});
        if (callback) callback(false);
        return;
    }
    m_projection.init(map->georef(), map->width(), map->height(), map->latitudeShift(),
                      map->longitudeShift());
    m_zmax = (map->flags() & 0x40) ? 2 : 3;
    if ((map->flags() & 0x40) && CKartile::getKtlFileSize(map->path()) > kReasonableUseBytes)
        MessageBoxOK(nullptr, "Reasonable use policy",
                     "You have reached the maximum amount of this map permitted to be stored on "
                     "your device at any one time. To download more, you must first delete the "
                     "map to clear out all previously downloaded areas.");
    remapOverlays();
    SetCurrentMapView();
    requestRedraw();
    m_lastShownPath = map->path();
    if (m_locked && m_ownLat <= 90 && !m_renderer.CurrentChartDoesContain(m_ownLat, m_ownLon))
        m_locked = false;
    if (callback) callback(true);
}

void CKartileView::DownloadBestFreeMap(double lat, double lon, Callback callback) {
    if (free_map_lookup) {
        free_map_lookup(this, lat, lon, [this, callback](bool ok) {
            if (!ok) m_opening = false;
            if (callback) callback(ok);
        });
        return;
    }
    // Nothing will come: the view must accept a map added later.
    m_opening = false;
    if (callback) callback(false);
}

// ---------------------------------------------------------------- own position

void CKartileView::OnUpdate(CDataGPSPosition& position) {
    m_ownLat = position.latitude;
    m_ownLon = position.longitude;
    if (m_ownLat > 90) return;
    if (!m_renderer.map() && !m_opening) {
        double lat = m_ownLat, lon = m_ownLon;
        if (std::fabs(lat) + std::fabs(lon) < 0.001) {
            lat = app_default_lat;
            lon = app_default_lon;
        }
        m_pendingLat = lat;
        m_pendingLon = lon;
        m_pendingScale = 0;
        CChartList* list = catalogue();
        CChartOutline* best = list ? list->FindBestChart(lat, lon, 0, false) : nullptr;
        if (!best && list) {
            best = list->FindBestChart(app_default_lat, app_default_lon, 0.18274, false);
            if (best) {
                m_locked = false;
                m_pendingLat = app_default_lat;
                m_pendingLon = app_default_lon;
                m_pendingScale = 0.18274;
            }
        }
        if (!best || best->path == m_requestedPath) {
            m_opening = true;
            DownloadBestFreeMap(m_pendingLat, m_pendingLon, {});
        } else {
            m_savedLat = m_pendingLat;
            m_savedLon = m_pendingLon;
            m_savedScale = 0;
            m_viewFocus = m_locked ? m_centringTarget : m_center;
            onOpen(best->path, false, {});
        }
        return;
    }
    if (m_locked) GotoLocation(m_ownLat, m_ownLon, false);
}

// ---------------------------------------------------------------- saved state

bool CKartileView::Serialize(IOStream& stream) {
    std::string path, second = m_lastShownPath;
    double lat = 999, lon = 999, scale = 0;
    double markedX = m_marked.x, markedY = m_marked.y;
    bool marked = m_hasMarked;
    double right = m_screen.right, bottom = m_screen.bottom;
    if (stream.isWriting()) {
        if (m_renderer.map()) path = m_renderer.map()->path();
        const FPoint focus = m_viewFocus;
        m_viewFocus = m_center;
        GetCurrentMapView();
        m_viewFocus = focus;
        lat = m_savedLat;
        lon = m_savedLon;
        scale = m_savedScale;
    }
    {
        Section section(stream);
        stream.declaremagic(kStateMagic);
        stream.declarefilename(path);
        stream.declare(lat);
        stream.declare(lon);
        stream.declare(scale);
        stream.declare(marked);
        stream.declare(markedX);
        stream.declare(markedY);
        stream.declarefilename(second);
        stream.declare(right);
        stream.declare(bottom);
    }
    if (!stream.ok() || !stream.isReading()) return stream.ok();
    if (!std::isfinite(lat) || !std::isfinite(lon) || !std::isfinite(scale) || scale < 0)
        return false;
    if (std::isfinite(right) && std::isfinite(bottom) && right > 0 && bottom > 0)
        m_viewFocus = FPoint(right / 2, bottom / 2);
    m_savedLat = lat;
    m_savedLon = lon;
    m_savedScale = scale;
    if (marked && std::isfinite(markedX) && std::isfinite(markedY)) {
        m_marked = FPoint(markedX, markedY);
        m_hasMarked = true;
    }
    if (!path.empty() && getFileSize(path) >= 0)
        onOpen(path, false, {});
    else if (lat < 90)
        GotoBestMap(lat, lon, scale, {});
    return true;
}
