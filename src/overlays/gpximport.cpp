#include "overlays/gpximport.h"

#include <QDebug>

#include "app/base/stringutils.h"
#include "overlays/iconmanager.h"
#include "overlays/markmanager.h"
#include "overlays/overlaytool.h"
#include "overlays/overlaytrack.h"
#include "overlays/trackmanager.h"

namespace {

constexpr size_t kCompactAbovePoints = 1000;
constexpr double kCompactBelowInterval = 5;  // seconds between points, on average
constexpr double kCompactTolerance = 2;      // metres

void setCategory(CSyncable& object, const std::string& type, const std::string* override) {
    object.category = override ? *override : type;
}

// read_wpt: what a mark or a waypoint takes from its record.
void fillMark(COverlayMark& mark, const GpxWaypoint& wp, const std::string* category) {
    const bool waypoint = mark.route != nullptr;
    mark.lat = wp.lat;
    mark.lon = wp.lon;
    if (wp.time != 0) mark.created = wp.time;
    if (mark.modified < mark.created) mark.modified = mark.created;
    mark.name += wp.name;
    if (!wp.comment.empty()) mark.comment = wp.comment;
    if (!wp.link.empty()) mark.link = wp.link;
    if (!waypoint) setCategory(mark, wp.type, category);
    if (wp.has_color) mark.color.setRgb(wp.color.red(), wp.color.green(), wp.color.blue());
    if (wp.has_proximity) {
        // A negative proximity is an anchor alarm's swinging radius.
        if (wp.proximity >= 0) {
            mark.inner_radius = 0;
            mark.alarm_radius = float(wp.proximity);
        } else {
            mark.inner_radius = float(-wp.proximity);
            mark.alarm_radius = float(2 * -wp.proximity + 1000);
        }
    }
    if (!wp.sym.empty()) mark.icon = CIconManager::to_file_name(wp.sym);
    mark.icon_image = nullptr;
}

template <class Path>
void fillLine(Path& path, const GpxLineStyle& style) {
    if (style.has_color) path.color = style.color;
    if (style.has_opacity)
        path.color.setRgb(path.color.red(), path.color.green(), path.color.blue(),
                          int(style.opacity * 255 + 0.5f));
    if (style.has_width) path.line_width = style.width;
    if (style.pattern >= 0) path.line_style = style.pattern;
}

template <class Path, class Record>
void fillPathTexts(Path& path, const Record& record, const std::string* category) {
    path.name = record.name;
    path.comment = record.comment;
    setCategory(path, record.type, category);
    fillLine(path, record.style);
}

// The object of that identity, tombstones included.
template <class T>
T* findById(const std::vector<std::unique_ptr<T>>& list, uint64_t id) {
    if (id == 0) return nullptr;
    for (const auto& object : list)
        if (object->object_id == id) return object.get();
    return nullptr;
}

bool selectionIsIn(COverlayTool& tool, const COverlayRoute& route) {
    const COverlayMark* mark = tool.GetSelectedMark();
    return mark && mark->route == &route;
}

bool selectionIsIn(COverlayTool& tool, const COverlayTrack& track) {
    const CTrackSection* section = tool.GetSelectedTrackSection();
    return section && section->track == &track;
}

void removeParts(COverlayRoute& route) {
    for (auto& wp : route.waypoints) wp->Dispatch(COverlayObject::kRemoved);
    route.waypoints.clear();
    route.ClearSegments();
}

void removeParts(COverlayTrack& track) {
    track.ClearData();
}

// A known route or track, tombstone or not, is refilled with new parts: a
// selection in the old ones goes first, then they go (dispatched as removed).
template <class Path>
void reviveForRefill(Path& path) {
    if (COverlayTool::the_tool && selectionIsIn(*COverlayTool::the_tool, path))
        COverlayTool::Deselect();
    path.UndeleteSyncItem();
    removeParts(path);
}

void importMark(const GpxWaypoint& wp, const GpxImportOptions& options, CBounds& bounds) {
    CMarkManager& manager = CMarkManager::theManager;
    COverlayMark* mark = findById(manager.marks, wp.object_id);
    if (mark) {
        mark->UndeleteSyncItem();
        mark->ClearData();
    } else {
        auto fresh = std::make_unique<COverlayMark>();
        fresh->CopyAppearance(manager.default_mark);
        if (wp.object_id) fresh->SetObjectID(wp.object_id);
        fresh->GetObjectID();
        manager.marks.push_back(std::move(fresh));
        mark = manager.marks.back().get();
    }
    fillMark(*mark, wp, options.category);
    mark->getLonLatBounds(bounds);
    manager.marks_changed = true;
    mark->Dispatch(COverlayObject::kChanged);
}

void importRoute(const GpxRoute& record, const GpxImportOptions& options, CBounds& bounds) {
    CMarkManager& manager = CMarkManager::theManager;
    COverlayRoute* route = findById(manager.routes, record.object_id);
    std::unique_ptr<COverlayRoute> fresh;
    if (route) {
        // Its waypoints are replaced: nothing may keep pointing at the old ones.
        if (manager.go_to.route == route) manager.CancelNavigation();
        if (manager.route_in_progress == route) manager.route_in_progress = nullptr;
        reviveForRefill(*route);
    } else {
        fresh = std::make_unique<COverlayRoute>();
        fresh->CopyAppearance(manager.default_route);
        if (record.object_id) fresh->SetObjectID(record.object_id);
        route = fresh.get();
    }
    fillPathTexts(*route, record, options.category);
    for (const GpxWaypoint& point : record.points) {
        auto wp = std::make_unique<COverlayMark>();
        wp->CopyAppearance(manager.default_waypoint);
        wp->route = route;
        fillMark(*wp, point, options.category);
        route->waypoints.push_back(std::move(wp));
    }
    if (!route->waypoints.empty() && route->waypoints.front()->created != 0)
        route->created = route->waypoints.front()->created;
    if (route->modified < route->created) route->modified = route->created;
    route->getLonLatBounds(bounds);
    if (fresh) {
        manager.AddRoute(std::move(fresh));
    } else {
        manager.routes_changed = true;
        route->Dispatch(COverlayObject::kChanged);
    }
}

void importTrack(const GpxTrack& record, const GpxImportOptions& options, CBounds& bounds) {
    CTrackManager& manager = CTrackManager::theManager;
    COverlayTrack* track = findById(manager.tracks, record.object_id);
    std::unique_ptr<COverlayTrack> fresh;
    if (track) {
        reviveForRefill(*track);
    } else {
        fresh = std::make_unique<COverlayTrack>();
        fresh->CopyAppearance(manager.default_track, fresh->created);
        if (record.object_id) fresh->SetObjectID(record.object_id);
        track = fresh.get();
    }
    FillTrackFromGpx(*track, record, options.category);
    if (GpxTrackNeedsCompacting(record)) track->CompactData(kCompactTolerance);
    track->getLonLatBounds(bounds);
    if (fresh) {
        manager.AddTrack(std::move(fresh));
    } else {
        manager.tracks_changed = true;
        track->Dispatch(COverlayObject::kChanged);
    }
}

}  // namespace

std::string GpxImportCounts::Summary() const {
    return std::to_string(marks) + " mark" + plural_s(marks) + ", " + std::to_string(routes) +
           " route" + plural_s(routes) + ", " + std::to_string(tracks) + " track" +
           plural_s(tracks) + " imported";
}

void FillTrackFromGpx(COverlayTrack& track, const GpxTrack& record, const std::string* category) {
    fillPathTexts(track, record, category);
    for (const CTrackPoint& point : record.points) track.addPoint(point, false);
    if (!record.points.empty() && record.points.front().time != 0)
        track.created = record.points.front().time;
    if (track.modified < track.created) track.modified = track.created;
    track.resetStats();
}

bool GpxTrackNeedsCompacting(const GpxTrack& record) {
    const size_t n = record.points.size();
    if (n <= kCompactAbovePoints) return false;
    const double elapsed = record.points.back().time - record.points.front().time;
    return elapsed / double(n) < kCompactBelowInterval;
}

bool ImportGpxData(const GpxData& data, CBounds& bounds, const GpxImportOptions& options) {
    for (const GpxWaypoint& wp : data.marks) importMark(wp, options, bounds);
    for (const GpxRoute& route : data.routes) importRoute(route, options, bounds);
    for (const GpxTrack& track : data.tracks) importTrack(track, options, bounds);
    if (options.counts) {
        options.counts->marks = int(data.marks.size());
        options.counts->routes = int(data.routes.size());
        options.counts->tracks = int(data.tracks.size());
    }
    if (options.save) {
        CMarkManager::theManager.SaveIfNeeded();
        CMarkManager::theManager.SaveRoutesIfNeeded();
        CTrackManager::theManager.SaveIfNeeded();
    }
    const bool any = !data.marks.empty() || !data.routes.empty() || !data.tracks.empty();
    if (!any && options.error) *options.error = "The file holds no marks, routes or tracks";
    return any;
}

bool ImportGPXFile(const std::string& path, CBounds& bounds, const GpxImportOptions& options) {
    GpxData data;
    std::string why;
    if (!ReadGPXFile(path, data, &why)) {
        qDebug().noquote() << "GPX import of" << QString::fromStdString(path)
                           << "failed:" << QString::fromStdString(why);
        if (options.counts) *options.counts = GpxImportCounts();
        if (options.error) *options.error = why;
        return false;
    }
    return ImportGpxData(data, bounds, options);
}

bool ImportGPXFile(const std::string& path) {
    CBounds bounds;
    return ImportGPXFile(path, bounds);
}

bool ImportGPXFile(const std::string& path, GpxImportResult& result) {
    GpxImportOptions options;
    options.counts = &result.counts;
    options.error = &result.error;
    return ImportGPXFile(path, result.bounds, options);
}

bool ImportGPXFileIntoCategory(const std::string& path, const std::string& category) {
    CBounds bounds;
    GpxImportOptions options;
    options.category = &category;
    return ImportGPXFile(path, bounds, options);
}
