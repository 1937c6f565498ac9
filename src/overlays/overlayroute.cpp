#include "overlays/overlayroute.h"

#include <QGuiApplication>
#include <QPainter>
#include <QPainterPath>
#include <algorithm>
#include <cmath>

#include "app/base/pointerdevicetypedetection.h"
#include "app/base/screenresolution.h"
#include "app/base/statusmessage.h"
#include "geo/units.h"
#include "maps/geometry.h"
#include "maps/polynomialprojection.h"
#include "mapview/kartileview.h"
#include "overlays/markmanager.h"
#include "overlays/overlaytool.h"
#include "overlays/overlaytrack.h"
#include "overlays/routedrawingtool.h"

namespace {

const CSerializableType<COverlayRoute> cType(COverlayRoute::kTypeId, "route");

const CSyncableDispatcher cDispatcher(COverlayRoute::kTypeId,
                                      [](CSyncable* object, COverlayObject::update_action action) {
                                          static_cast<COverlayRoute*>(object)->Dispatch(action);
                                      });

constexpr double kDegToRad = M_PI / 180;
// Screen pixels a leg needs before it carries a direction arrow.
constexpr double kArrowSpacing = 60;

double dot(const Vertex& a, const Vertex& b) {
    return a.x * b.x + a.y * b.y;
}

// Squared distance (metres squared) from p to the segment a-b.
double distanceToSegment2(const Vertex& p, const Vertex& a, const Vertex& b) {
    const Vertex ab(b.x - a.x, b.y - a.y), ap(p.x - a.x, p.y - a.y);
    const double length2 = dot(ab, ab);
    const double t = length2 > 0 ? std::clamp(dot(ap, ab) / length2, 0.0, 1.0) : 0.0;
    const double dx = ap.x - t * ab.x, dy = ap.y - t * ab.y;
    return dx * dx + dy * dy;
}

}  // namespace

void COverlayRoute::segment::compute(const Vertex& p, const Vertex& prevDir) {
    const Vertex b(dir.x + prevDir.x, dir.y + prevDir.y);
    const Vertex along(stop.x - start.x, stop.y - start.y);
    const Vertex back(start.x - p.x, start.y - p.y);
    in_zone = dot(along, b) * dot(b, back) <= 0;
    const double cross = dir.x * back.y - dir.y * back.x;
    offset_sq = cross * cross;
}

COverlayRoute::COverlayRoute() : COverlayObject(kRoute, kRouteLayer) {}

COverlayRoute::~COverlayRoute() {
    for (auto& wp : waypoints) wp->route = nullptr;
}

void COverlayRoute::adopt(COverlayMark& wp) {
    wp.route = this;
    wp.type = kWaypoint;
}

// ---------------------------------------------------------------- storage

bool COverlayRoute::Serialize(IOStream& stream) {
    Section section(stream);
    bool ok = stream.declare(name);
    {
        Section look(stream);
        ok = ok && stream.declarecolor(color) && stream.declare(line_width) &&
             stream.declare(line_style);
        ok = look.Close() && ok;
    }
    if (ok && stream.isWriting()) {
        // Waypoints are written without their own sync section.
        uint32_t n = uint32_t(waypoints.size());
        stream.declare(n);
        for (auto& wp : waypoints) wp->Serialize(stream);
    } else if (ok && !stream.atEnd()) {
        CSerializableDeclareStatic<COverlayMark> list(waypoints);
        ok = list.Serialize(stream);
    }
    ok = ok && stream.declare(comment) && stream.declare(is_followed);
    ok = ok && SerializeSyncableIfPresent(stream);
    ok = ok && stream.declare(category);
    if (stream.isReading()) {
        for (auto& wp : waypoints) {
            adopt(*wp);
            if (wp->created < created) created = wp->created;
        }
        segments.clear();
    }
    return section.Close() && ok;
}

bool COverlayRoute::getLonLatBounds(CBounds& bounds) const {
    bool any = false;
    for (const auto& wp : waypoints)
        if (wp->HasPosition()) {
            bounds.add(Vertex(wp->lon, wp->lat));
            any = true;
        }
    return any;
}

std::string COverlayRoute::getSubText(const CSimpleGrid&) const {
    std::string text;
    CUnits::Default->FormatDistance(float(getTotalLengthMeters()), text);
    return text;
}

// ---------------------------------------------------------------- drawing

void COverlayRoute::Map(CMapping& mapping, const CPolynomialProjection& projection) const {
    mapping.clear();
    for (const auto& wp : waypoints) {
        if (!wp->HasPosition()) continue;
        double x = 0, y = 0;
        projection.latlong_to_xy(wp->lat, wp->lon, x, y);
        mapping.image_points.emplace_back(x, y);
    }
    // The route being built takes every tap; others are hit through their waypoints.
    const CMarkManager& manager = CMarkManager::theManager;
    mapping.hit_kind =
        manager.route_in_progress == this ? CMapping::kAlways : CMapping::kNotHittable;
    mapping.set_bounds();
}

void COverlayRoute::Draw(QPainter* painter, const CViewParams&, CMapping& mapping) const {
    const auto& screen = mapping.screen_points;
    if (screen.size() < 2) return;
    const double r = graphicsResolution;
    QPolygonF line;
    line.reserve(qsizetype(screen.size()));
    for (const DblPoint& p : screen) line.append(QPointF(p.x, p.y));
    const QColor colour = color.toQColor();
    QPen pen(colour, line_width * r);
    pen.setStyle(COverlayTrack::PenStyle(line_style));
    pen.setCapStyle(Qt::RoundCap);
    pen.setJoinStyle(Qt::RoundJoin);
    painter->save();
    painter->setRenderHint(QPainter::Antialiasing);
    painter->setPen(pen);
    painter->drawPolyline(line);
    // An arrow at the middle of every leg long enough to carry one.
    painter->setPen(Qt::NoPen);
    painter->setBrush(colour);
    const double size = (4 + 2 * line_width) * r;
    for (qsizetype i = 1; i < line.size(); ++i) {
        const QPointF a = line[i - 1], b = line[i];
        const QPointF d = b - a;
        const double length = std::hypot(d.x(), d.y());
        if (length < kArrowSpacing * r) continue;
        const QPointF u = d / length, n(-u.y(), u.x());
        const QPointF tip = (a + b) / 2 + u * size;
        const QPointF base = (a + b) / 2 - u * size;
        painter->drawPolygon(QPolygonF{tip, base + n * size, base - n * size});
    }
    painter->restore();
}

void COverlayRoute::Dispatch(update_action action) {
    if (action == kChanged) segments.clear();
    COverlayObject::Dispatch(action);
    for (auto& wp : waypoints) wp->Dispatch(action);
}

// ---------------------------------------------------------------- building

bool COverlayRoute::onTap(CKartileView* view, const FPoint& screen, const DblPoint& where) {
    if (CMarkManager::theManager.route_in_progress != this) return false;
    if (!COverlayTool::isSelected(this)) addWaypointAt(view, screen, where);
    return true;
}

COverlayMark* COverlayRoute::addWaypointAt(CKartileView* view, const FPoint& screen,
                                           const DblPoint& where) {
    CMarkManager& manager = CMarkManager::theManager;
    COverlayMark* before = manager.insertion_point;
    if (before && before->route != this) before = manager.insertion_point = nullptr;
    // A tap right beside the waypoint before only bends the leg.
    bool shaping = false;
    const COverlayMark* previous = before ? getWaypointBefore(before) : nullptr;
    double sx = 0, sy = 0;
    if (previous && view && view->LatLongToScreen(previous->lat, previous->lon, sx, sy)) {
        const double dx = sx - screen.x, dy = sy - screen.y;
        shaping = dx * dx + dy * dy < 4 * view->clickPrecision2;
    }
    COverlayMark* wp = AddWaypoint(where.y, where.x, before, !shaping);
    if (before && !COverlayTool::isSelected(this)) manager.FinishRouteBuilding();
    std::string length;
    CUnits::Default->FormatDistance(float(getTotalLengthMeters()), length);
    SetStatusMessage("Total distance: " + length);
    return wp;
}

void COverlayRoute::InsertWPAfter(COverlayMark* wp) {
    CMarkManager& manager = CMarkManager::theManager;
    manager.EditRoute(this);
    manager.insertion_point = getWaypointAfter(wp);
}

bool COverlayRoute::onMouseDown(CKartileView* view, const FPoint& screen, const DblPoint& where) {
    if (CMarkManager::theManager.route_in_progress != this || !view) return false;
    const bool control = QGuiApplication::queryKeyboardModifiers().testFlag(Qt::ControlModifier);
    if (!control && !PointerDeviceTypeDetection::current().pen) return false;
    new CRouteDrawingTool(view, this, screen);
    stroke_start = addWaypointAt(view, screen, where);
    return true;
}

void COverlayRoute::onMouseUp(CKartileView* view) {
    if (!stroke_start) return;
    CMarkManager& manager = CMarkManager::theManager;
    COverlayMark* before = manager.insertion_point;
    COverlayMark* last = before ? getWaypointBefore(before) : waypoints.back().get();
    if (last && last != stroke_start && view) {
        // About two pixels at the scale on show, in metres.
        double lat0 = 0, lon0 = 0, lat1 = 0, lon1 = 0;
        const FRect& r = view->viewParams().screen_rect;
        const double cx = (r.left + r.right) / 2, cy = (r.top + r.bottom) / 2;
        view->ScreenTolatlong(cx, cy, lat0, lon0);
        view->ScreenTolatlong(cx + 1, cy, lat1, lon1);
        const double perPixel = CSimpleGrid(lat0, lon0).distance(lat0, lon0, lat1, lon1);
        compactPointsBetween(stroke_start, last, 4 * perPixel * perPixel);
        setDefaultWPnameAndIcon(last);
        Dispatch(kChanged);
    }
    stroke_start = nullptr;
    if (COverlayTool::isSelected(this)) COverlayTool::Deselect();
    if (before) manager.FinishRouteBuilding();
    manager.SaveRoutesIfNeeded();
}

COverlayMark* COverlayRoute::AddWaypointFromMark(COverlayMark& mark) {
    COverlayMark* wp = AddWaypoint(mark.lat, mark.lon, CMarkManager::theManager.insertion_point);
    const std::string& n = mark.name;
    const bool automatic = n.size() >= 2 && n[0] == 'P' && n[1] < ':';
    if (n.size() > 1 && !automatic) wp->name = n;
    SetNameFromEndWaypoints();
    CMarkManager& manager = CMarkManager::theManager;
    if (!mark.isLocked()) manager.DeleteMark(&mark);
    manager.routes_changed = true;
    Dispatch(kChanged);
    return wp;
}

// ---------------------------------------------------------------- waypoints

void COverlayRoute::setDefaultWPnameAndIcon(COverlayMark* wp) {
    const COverlayMark& tmpl = CMarkManager::theManager.default_waypoint;
    std::string text = tmpl.name.empty() ? CMarkManager::kDefaultWaypointTemplate : tmpl.name;
    if (const size_t at = text.find("%R"); at != std::string::npos) text.replace(at, 2, name);
    if (const size_t hash = text.rfind('#'); hash != std::string::npos)
        text.replace(hash, 1, std::to_string(waypoints.size()));
    wp->name = text;
    wp->SetIcon(tmpl.icon, tmpl.color);
}

COverlayMark* COverlayRoute::AddWaypoint(double lat, double lon, const COverlayMark* before,
                                         bool named) {
    auto wp = std::make_unique<COverlayMark>();
    wp->CopyAppearance(CMarkManager::theManager.default_waypoint);
    wp->lat = lat;
    wp->lon = lon;
    adopt(*wp);
    auto at = std::find_if(waypoints.begin(), waypoints.end(),
                           [&](const auto& w) { return w.get() == before; });
    COverlayMark* added = waypoints.insert(at, std::move(wp))->get();
    if (named) {
        setDefaultWPnameAndIcon(added);
    } else {
        added->name.clear();
        added->icon = "None";
    }
    SetModifiedNow();
    CMarkManager::theManager.routes_changed = true;
    Dispatch(kChanged);
    return added;
}

bool COverlayRoute::DeleteWaypoint(COverlayMark* wp) {
    if (waypoints.size() < 3) {
        CMarkManager::theManager.DeleteRoute(this);
        return false;
    }
    auto at = std::find_if(waypoints.begin(), waypoints.end(),
                           [&](const auto& w) { return w.get() == wp; });
    if (at == waypoints.end()) return true;
    CMarkManager& manager = CMarkManager::theManager;
    if (manager.go_to.mark == wp) manager.CancelNavigation();
    if (manager.insertion_point == wp) manager.insertion_point = getWaypointAfter(wp);
    if (stroke_start == wp) stroke_start = nullptr;
    waypoints.erase(at);
    SetModifiedNow();
    manager.routes_changed = true;
    Dispatch(kChanged);
    return true;
}

COverlayMark* COverlayRoute::getWaypointBefore(const COverlayMark* wp) const {
    for (size_t i = 1; i < waypoints.size(); ++i)
        if (waypoints[i].get() == wp) return waypoints[i - 1].get();
    return nullptr;
}

COverlayMark* COverlayRoute::getWaypointAfter(const COverlayMark* wp) const {
    for (size_t i = 0; i + 1 < waypoints.size(); ++i)
        if (waypoints[i].get() == wp) return waypoints[i + 1].get();
    return nullptr;
}

void COverlayRoute::SetNameFromEndWaypoints() {
    if (waypoints.size() < 2) return;
    name = waypoints.front()->name + " to " + waypoints.back()->name;
    SetModifiedNow();
}

void COverlayRoute::ReverseWaypoints() {
    std::reverse(waypoints.begin(), waypoints.end());
    if (const size_t at = name.find(" to "); at != std::string::npos)
        name = name.substr(at + 4) + " to " + name.substr(0, at);
    SetModifiedNow();
    CMarkManager::theManager.routes_changed = true;
    Dispatch(kChanged);
}

bool COverlayRoute::JoinRoute(COverlayRoute* other) {
    // Joining a route to itself would delete the route it joins onto.
    if (!other || other == this) return false;
    CMarkManager& manager = CMarkManager::theManager;
    manager.FinishRouteBuilding();
    for (size_t i = 1; i < other->waypoints.size(); ++i) {
        adopt(*other->waypoints[i]);
        waypoints.push_back(std::move(other->waypoints[i]));
    }
    other->waypoints.resize(std::min<size_t>(other->waypoints.size(), 1));
    manager.DeleteRoute(other);
    SetModifiedNow();
    manager.routes_changed = true;
    Dispatch(kChanged);
    return true;
}

COverlayRoute* COverlayRoute::SplitRoute(COverlayMark* wp) {
    auto at = std::find_if(waypoints.begin(), waypoints.end(),
                           [&](const auto& w) { return w.get() == wp; });
    if (at == waypoints.end() || at + 1 == waypoints.end()) return nullptr;
    auto part = std::make_unique<COverlayRoute>();
    part->CopyAppearance(*this);
    part->category = category;
    part->name = name + "-split";
    auto copy = std::make_unique<COverlayMark>();
    copy->CopyAppearance(*wp);
    copy->name = wp->name;
    copy->lat = wp->lat;
    copy->lon = wp->lon;
    part->adopt(*copy);
    part->waypoints.push_back(std::move(copy));
    for (auto it = at + 1; it != waypoints.end(); ++it) {
        part->adopt(**it);
        part->waypoints.push_back(std::move(*it));
    }
    waypoints.erase(at + 1, waypoints.end());
    SetModifiedNow();
    COverlayRoute* added = CMarkManager::theManager.AddRoute(std::move(part));
    Dispatch(kChanged);
    return added;
}

int COverlayRoute::compactPointsBetween(const COverlayMark* from, const COverlayMark* to,
                                        double tolerance2) {
    auto index = [&](const COverlayMark* wp) {
        for (size_t i = 0; i < waypoints.size(); ++i)
            if (waypoints[i].get() == wp) return int(i);
        return -1;
    };
    const int first = index(from), last = index(to);
    if (first < 0 || last <= first + 1) return 0;
    const CSimpleGrid g(from->lat, from->lon);
    std::vector<Vertex> at(size_t(last - first + 1));
    for (int i = first; i <= last; ++i)
        g.latlon_to_xy(waypoints[size_t(i)]->lat, waypoints[size_t(i)]->lon,
                       at[size_t(i - first)].x, at[size_t(i - first)].y);
    // Douglas-Peucker over the stroke: the point farthest from the line
    // between the points kept round it stays when beyond the tolerance.
    std::vector<bool> keep(at.size(), false);
    keep.front() = keep.back() = true;
    std::vector<std::pair<size_t, size_t>> spans{{0, at.size() - 1}};
    while (!spans.empty()) {
        const auto [a, b] = spans.back();
        spans.pop_back();
        size_t farthest = a;
        double worst = tolerance2;
        for (size_t i = a + 1; i < b; ++i)
            if (const double d2 = distanceToSegment2(at[i], at[a], at[b]); d2 > worst) {
                worst = d2;
                farthest = i;
            }
        if (farthest == a) continue;
        keep[farthest] = true;
        spans.emplace_back(a, farthest);
        spans.emplace_back(farthest, b);
    }
    int removed = 0;
    CMarkManager& manager = CMarkManager::theManager;
    for (int i = last - 1; i > first; --i) {
        COverlayMark* wp = waypoints[size_t(i)].get();
        // Only unnamed shaping points go; named waypoints are the user's.
        if (keep[size_t(i - first)] || !wp->name.empty() || manager.go_to.mark == wp ||
            manager.insertion_point == wp)
            continue;
        waypoints.erase(waypoints.begin() + i);
        ++removed;
    }
    if (removed) {
        SetModifiedNow();
        manager.routes_changed = true;
    }
    return removed;
}

void COverlayRoute::SetAllWaypointsLike(const COverlayMark* wp) {
    if (!wp) return;
    for (auto& w : waypoints) w->SetIcon(wp->icon, wp->color);
    Dispatch(kDisplayChanged);
}

void COverlayRoute::CopyAppearance(const COverlayRoute& from) {
    color = from.color;
    line_width = from.line_width;
    line_style = from.line_style;
    do_not_sync = from.do_not_sync;
}

// ---------------------------------------------------------------- lengths

double COverlayRoute::getTotalLengthMeters() const {
    if (waypoints.size() < 2) return 0;
    const CSimpleGrid g(waypoints.front()->lat, waypoints.front()->lon);
    double total = 0;
    for (size_t i = 1; i < waypoints.size(); ++i)
        total += g.distance(waypoints[i - 1]->lat, waypoints[i - 1]->lon, waypoints[i]->lat,
                            waypoints[i]->lon);
    return total;
}

double COverlayRoute::TotalLengthofSegments() {
    if (segments.empty()) InitSegments();
    return segments.empty() ? 0 : segments.front().length + segments.front().distance_after;
}

double COverlayRoute::getDistanceUpToWaypoint(const COverlayMark* wp) const {
    if (waypoints.empty()) return 0;
    const CSimpleGrid g(waypoints.front()->lat, waypoints.front()->lon);
    double total = 0;
    for (size_t i = 1; i < waypoints.size(); ++i) {
        if (waypoints[i - 1].get() == wp) return total;
        total += g.distance(waypoints[i - 1]->lat, waypoints[i - 1]->lon, waypoints[i]->lat,
                            waypoints[i]->lon);
    }
    return total;
}

void COverlayRoute::ConvertToTrack(COverlayTrack& track) const {
    for (const auto& wp : waypoints) {
        CTrackPoint p;
        p.lat = wp->lat;
        p.lon = wp->lon;
        track.addPoint(p, false);
    }
}

bool COverlayRoute::sameData(const COverlayRoute& other) const {
    if (!sameSyncableData(other) || waypoints.size() != other.waypoints.size()) return false;
    for (size_t i = 0; i < waypoints.size(); ++i)
        if (!waypoints[i]->sameData(*other.waypoints[i])) return false;
    return true;
}

// ---------------------------------------------------------------- legs

bool COverlayRoute::InitSegments() {
    segments.clear();
    if (waypoints.size() < 2) return false;
    CBounds bounds;
    if (!getLonLatBounds(bounds)) return false;
    grid.SetOrigin((bounds.bottom + bounds.top) / 2, (bounds.left + bounds.right) / 2);
    for (size_t i = 1; i < waypoints.size(); ++i) {
        segment s;
        grid.latlon_to_xy(waypoints[i - 1]->lat, waypoints[i - 1]->lon, s.start.x, s.start.y);
        grid.latlon_to_xy(waypoints[i]->lat, waypoints[i]->lon, s.stop.x, s.stop.y);
        s.length = std::hypot(s.stop.x - s.start.x, s.stop.y - s.start.y);
        if (s.length <= kMinLegLength) continue;
        s.dir = Vertex((s.stop.x - s.start.x) / s.length, (s.stop.y - s.start.y) / s.length);
        s.end = waypoints[i].get();
        segments.push_back(s);
    }
    double after = 0;
    for (auto it = segments.rbegin(); it != segments.rend(); ++it) {
        it->distance_after = after;
        after += it->length;
    }
    return !segments.empty();
}

bool COverlayRoute::FindNearestLeg(double lat, double lon, double course, LegChoice& choice) {
    if (segments.empty() && !InitSegments()) return false;
    Vertex p;
    grid.latlon_to_xy(lat, lon, p.x, p.y);
    for (size_t i = 0; i < segments.size(); ++i)
        segments[i].compute(p, segments[i == 0 ? 0 : i - 1].dir);
    const segment& first = segments.front();
    double best = (first.start.x - p.x) * (first.start.x - p.x) +
                  (first.start.y - p.y) * (first.start.y - p.y);
    int chosen = -1;
    const bool haveCourse = course < 900;
    const Vertex heading =
        haveCourse ? Vertex(std::sin(course * kDegToRad), std::cos(course * kDegToRad)) : Vertex();
    for (size_t i = 0; i < segments.size(); ++i) {
        const segment& s = segments[i];
        if (!s.in_zone || (i + 1 < segments.size() && segments[i + 1].in_zone)) continue;
        double cost = s.offset_sq;
        if (haveCourse && dot(heading, s.dir) < 0) cost = 4 * s.offset_sq + 900;
        if (best > cost) {
            best = cost;
            chosen = int(i);
        }
    }
    choice = LegChoice();
    if (chosen < 0) {
        choice.next = waypoints.front().get();
        choice.distance_after = first.length + first.distance_after;
        return true;
    }
    const segment& leg = segments[size_t(chosen)];
    choice.next = leg.end;
    choice.distance_after = leg.distance_after;
    choice.prev = chosen == 0 ? waypoints.front().get() : segments[size_t(chosen) - 1].end;
    choice.following_leg =
        size_t(chosen) + 1 < segments.size() ? &segments[size_t(chosen) + 1] : nullptr;
    return true;
}
