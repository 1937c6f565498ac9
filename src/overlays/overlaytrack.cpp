#include "overlays/overlaytrack.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "app/base/stringutils.h"
#include "data/overlaygpsposition.h"
#include "geo/units.h"
#include "maps/geometry.h"
#include "overlays/trackmanager.h"
#include "overlays/trackoverview.h"

namespace {

const CSerializableType<COverlayTrack> cType(COverlayTrack::kTypeId, "track");

const CSyncableDispatcher cDispatcher(COverlayTrack::kTypeId,
                                      [](CSyncable* object, COverlayObject::update_action action) {
                                          static_cast<COverlayTrack*>(object)->Dispatch(action);
                                      });

constexpr double kKnotsToMs = 0.5144444444444445;
// Two join points closer than this (squared degrees) are one point.
constexpr double kSamePoint2 = 1e-12;

const COverlayGPSPosition& livePosition() {
    return COverlayGPSPosition::theLatestPosition;
}

bool liveFix() {
    const COverlayGPSPosition& p = livePosition();
    return p.HasFix() && p.HasPosition() && p.time > 0;
}

}  // namespace

COverlayTrack::COverlayTrack() = default;

CTrackOverview& COverlayTrack::overview() const {
    if (!m_overview) m_overview = std::make_unique<CTrackOverview>();
    return *m_overview;
}

COverlayTrack::~COverlayTrack() {
    // The sections leave the map views before they go.
    for (auto it = sections.rbegin(); it != sections.rend(); ++it)
        (*it)->Dispatch(COverlayObject::kRemoved);
}

Qt::PenStyle COverlayTrack::PenStyle(int line_style) {
    switch (line_style) {
        case 1:
            return Qt::DashLine;
        case 2:
            return Qt::DotLine;
        case 3:
            return Qt::DashDotLine;
        case 4:
            return Qt::DashDotDotLine;
        default:
            return Qt::SolidLine;
    }
}

bool COverlayTrack::Serialize(IOStream& stream) {
    Section section(stream);
    bool ok = stream.declare(name) && stream.declarecolor(color) && stream.declare(line_width);
    if (ok && stream.isWriting()) {
        uint32_t n = uint32_t(sections.size());
        stream.declare(n);
        for (auto& s : sections) s->Serialize(stream);
    } else if (ok && !stream.atEnd()) {
        sections.clear();
        uint32_t n = 0;
        ok = CSerializableListCount(stream, n);
        // A damaged section fails the whole track: its points after the
        // damage can't be trusted to join up.
        for (uint32_t i = 0; ok && i < n; ++i) {
            auto s = std::make_unique<CTrackSection>();
            ok = s->Serialize(stream) && stream.ok();
            s->track = this;
            sections.push_back(std::move(s));
        }
    }
    ok = ok && stream.declare(comment) && stream.declare(line_style);
    ok = ok && SerializeSyncableIfPresent(stream);
    ok = ok && stream.declare(category);
    if (stream.isReading()) {
        if (const CTrackPoint* first = firstPoint(); first && first->time != 0)
            created = first->time;
        grid_set = false;
        resetStats();
    }
    return section.Close() && ok;
}

bool COverlayTrack::getLonLatBounds(CBounds& bounds) const {
    bool any = false;
    for (const auto& s : sections)
        for (int i = 0; i < s->count; ++i) {
            bounds.add(Vertex(s->points[i].lon, s->points[i].lat));
            any = true;
        }
    return any;
}

std::string COverlayTrack::getSubText(const CSimpleGrid&) const {
    double d = total_distance;
    if (d == 0) {
        double moving = 0, fastest = 0;
        d = const_cast<COverlayTrack*>(this)->getStats(moving, fastest);
    }
    std::string text;
    CUnits::Default->FormatDistance(float(d), text);
    return text;
}

// ---------------------------------------------------------------- points

const CTrackPoint* COverlayTrack::firstPoint() const {
    for (const auto& s : sections)
        if (s->count > 0) return &s->points[0];
    return nullptr;
}

const CTrackPoint* COverlayTrack::lastPoint() const {
    for (auto it = sections.rbegin(); it != sections.rend(); ++it)
        if ((*it)->count > 0) return &(*it)->points[(*it)->count - 1];
    return nullptr;
}

void COverlayTrack::addPoint(const CTrackPoint& point, bool dispatch) {
    CTrackManager::theManager.tracks_changed = true;
    if (point.time > modified) modified = point.time;
    if (sections.empty()) {
        sections.push_back(std::make_unique<CTrackSection>());
        sections.back()->track = this;
    }
    CTrackSection* last = sections.back().get();
    if (last->isFull()) {
        const CTrackPoint join = last->points[last->count - 1];
        if (dispatch) last->Dispatch(COverlayObject::kChanged);
        sections.push_back(std::make_unique<CTrackSection>());
        last = sections.back().get();
        last->track = this;
        last->addPoint(join);
    }
    last->addPoint(point);
    if (dispatch) last->Dispatch(COverlayObject::kChanged);
}

bool COverlayTrack::isRecording() const {
    return CTrackManager::doRecordTrack && !deleted && !CTrackManager::theManager.tracks.empty() &&
           CTrackManager::theManager.tracks.back().get() == this;
}

bool COverlayTrack::isTrivial() const {
    if (sections.size() >= 2 || isRecording()) return false;
    if (sections.empty()) return true;
    const CTrackSection& only = *sections.front();
    if (only.count == 5 && category.rfind("Chunk info", 0) == 0) return true;
    return only.count < 2;
}

void COverlayTrack::Dispatch(COverlayObject::update_action action) {
    for (auto& s : sections) s->Dispatch(action);
    CTrackManager::theManager.tracks_changed = true;
}

int COverlayTrack::getTotalPoints() const {
    int n = 0;
    for (const auto& s : sections) n += s->count;
    return n;
}

void COverlayTrack::ClearData() {
    for (auto& s : sections) s->Dispatch(COverlayObject::kRemoved);
    sections.clear();
    resetStats();
}

// ---------------------------------------------------------------- statistics

void COverlayTrack::SetGridOrigin() {
    if (grid_set) return;
    if (const CTrackPoint* first = firstPoint()) {
        grid.SetOrigin(first->lat, first->lon);
        grid_set = true;
    }
}

double COverlayTrack::getStats(double& moving_time_out, double& max_speed_out) {
    SetGridOrigin();
    double d = 0, moving = 0, fastest = 0;
    for (auto& s : sections) {
        d += s->getStats(grid, moving, fastest);
        s->distance = -1;
    }
    total_distance = d;
    moving_time = moving;
    max_speed = fastest;
    moving_time_out = moving;
    max_speed_out = fastest;
    return d;
}

double COverlayTrack::getTotalDistance() {
    if (total_distance == 0) getStats(moving_time, max_speed);
    return total_distance;
}

double COverlayTrack::getTimeOfStart() const {
    const CTrackPoint* first = firstPoint();
    return first ? first->time : 0;
}

double COverlayTrack::getTimeOfEnd() const {
    const CTrackPoint* last = lastPoint();
    return last ? last->time : 0;
}

double COverlayTrack::getElapsedTime() const {
    const double start = getTimeOfStart();
    double end = getTimeOfEnd();
    if (isRecording() && liveFix()) end = livePosition().time;
    if (start <= 0 || end <= 0) return 0;
    return end - start;
}

double COverlayTrack::getMovingTime() const {
    double t = moving_time;
    if (isRecording() && liveFix() &&
        livePosition().speed * kKnotsToMs > CTrackSection::kMovingSpeed)
        t += std::max(0.0, livePosition().time - getTimeOfEnd());
    return t;
}

double COverlayTrack::getStoppedTime() const {
    double t = getTimeOfEnd() - getTimeOfStart() - moving_time;
    if (isRecording() && liveFix() &&
        livePosition().speed * kKnotsToMs <= CTrackSection::kMovingSpeed)
        t += std::max(0.0, livePosition().time - getTimeOfEnd());
    return std::max(0.0, t);
}

bool COverlayTrack::getAltitudeMetrics(double& ascent, double& descent, double& max_altitude) {
    SetGridOrigin();
    ascent = descent = 0;
    max_altitude = -9999;
    bool all = true;
    for (auto& s : sections)
        if (!s->addAltitudeMetrics(grid, ascent, descent, max_altitude)) all = false;
    return all;
}

bool COverlayTrack::hasAltitude() {
    double up = 0, down = 0, top = 0;
    return firstPoint() && getAltitudeMetrics(up, down, top);
}

const CTrackPoint* COverlayTrack::FindClosestPoint(const CSimpleGrid& g, double lat, double lon,
                                                   CTrackSection*& section, int& index) const {
    const CTrackPoint* best = nullptr;
    double best2 = 1e300;
    double px = 0, py = 0;
    g.latlon_to_xy(lat, lon, px, py);
    for (const auto& s : sections)
        for (int i = 0; i < s->count; ++i) {
            double x = 0, y = 0;
            g.latlon_to_xy(s->points[i].lat, s->points[i].lon, x, y);
            const double d2 = (x - px) * (x - px) + (y - py) * (y - py);
            if (d2 < best2) {
                best2 = d2;
                best = &s->points[i];
                section = s.get();
                index = i;
            }
        }
    return best;
}

// ---------------------------------------------------------------- editing

bool COverlayTrack::CompactData(double tolerance) {
    SetGridOrigin();
    bool changed = false;
    for (auto& s : sections) changed = s->CompactData(grid, tolerance) || changed;
    if (!changed) return false;
    CTrackSection::repackageSections(sections, this);
    resetStats();
    SetModifiedNow();
    Dispatch(COverlayObject::kChanged);
    return true;
}

std::unique_ptr<COverlayTrack> COverlayTrack::SplitTrack(CTrackSection* section, int index) {
    auto at = std::find_if(sections.begin(), sections.end(),
                           [&](const auto& s) { return s.get() == section; });
    if (at == sections.end() || index < 0 || index >= section->count) return nullptr;
    auto part = std::make_unique<COverlayTrack>();
    part->CopyAppearance(*this, 0);
    part->category = category;
    part->name = name + "-split";
    auto head = std::make_unique<CTrackSection>();
    head->track = part.get();
    for (int i = index; i < section->count; ++i) head->addPoint(section->points[i]);
    part->sections.push_back(std::move(head));
    for (auto it = at + 1; it != sections.end(); ++it) {
        (*it)->track = part.get();
        part->sections.push_back(std::move(*it));
    }
    sections.erase(at + 1, sections.end());
    section->count = index + 1;
    section->resetCaches();
    resetStats();
    part->resetStats();
    SetModifiedNow();
    return part;
}

bool COverlayTrack::JoinTrack(COverlayTrack& other) {
    if (&other == this) return false;
    SetModifiedNow();
    const CTrackPoint* last = lastPoint();
    const CTrackPoint* first = other.firstPoint();
    if (last && first) {
        const double dlat = last->lat - first->lat, dlon = last->lon - first->lon;
        if (dlat * dlat + dlon * dlon > kSamePoint2) addPoint(*first, false);
    }
    for (auto& s : other.sections) {
        s->track = this;
        sections.push_back(std::move(s));
    }
    other.sections.clear();
    resetStats();
    Dispatch(COverlayObject::kChanged);
    return true;
}

bool COverlayTrack::sameData(const COverlayTrack& other) const {
    if (!sameSyncableData(other) || getTotalPoints() != other.getTotalPoints()) return false;
    const CTrackPoint* a = firstPoint();
    const CTrackPoint* b = other.firstPoint();
    const CTrackPoint* c = lastPoint();
    const CTrackPoint* d = other.lastPoint();
    if (!a || !b) return a == b;
    return a->lat == b->lat && a->lon == b->lon && a->time == b->time && c->lat == d->lat &&
           c->lon == d->lon && c->time == d->time;
}

void COverlayTrack::CopyAppearance(const COverlayTrack& from, double when) {
    color = from.color;
    line_width = from.line_width;
    line_style = from.line_style;
    do_not_sync = from.do_not_sync;
    category = ExpandDateAndTime(from.category, when);
}
