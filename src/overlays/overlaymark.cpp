#include "overlays/overlaymark.h"

#include <algorithm>
#include <cmath>

#include "maps/polynomialprojection.h"
#include "overlays/overlaytool.h"

namespace {

const CSerializableType<COverlayMark> cType(COverlayMark::kTypeId, "mark");

const CSyncableDispatcher cDispatcher(COverlayMark::kTypeId,
                                      [](CSyncable* object, COverlayObject::update_action action) {
                                          static_cast<COverlayMark*>(object)->Dispatch(action);
                                      });

constexpr double kBoundsMarginDegrees = 0.001;

}  // namespace

COverlayMark::COverlayMark() : COverlayObject(kMark, kMarkLayer) {}

COverlayMark::~COverlayMark() = default;

void COverlayMark::Map(CMapping& mapping, const CPolynomialProjection& projection) const {
    mapping.clear();
    FPoint point;
    if (!HasPosition() || !projection.latlong_to_xy(lat, lon, point)) return;
    mapping.image_points.push_back(point);
    mapping.hit_kind = CMapping::kPoints;
    mapping.hit_count = 1;
    mapping.set_bounds();
}

void COverlayMark::Draw(QPainter*, const CViewParams&, CMapping&) const {}

// A waypoint also shows, and is locked, with its route; routes are not kept yet.
bool COverlayMark::isVisible() const {
    return visible;
}

bool COverlayMark::isLocked() const {
    return locked;
}

bool COverlayMark::Serialize(IOStream& stream) {
    Section section(stream);
    double creation = created;
    bool ok = stream.declare(name) && stream.declare(lat) && stream.declare(lon) &&
              stream.declare(creation) && stream.declare(link) && stream.declare(comment) &&
              stream.declare(is_goto) && stream.declare(locked) && stream.declare(icon) &&
              stream.declarecolor(color) && stream.declare(inner_radius) &&
              stream.declare(alarm_radius);
    if (ok && stream.isReading() && creation != 0 && creation < created) created = creation;
    // Waypoints are written without the sync section; it is read when there.
    if (ok && stream.isWriting() && !route) ok = SerializeSyncable(stream);
    if (ok && stream.isReading() && !stream.atEnd() &&
        uint8_t(stream.bytes()[size_t(stream.position())]) == kSectionTag)
        ok = SerializeSyncable(stream);
    ok = ok && stream.declare(category);
    if (stream.isReading()) icon_image = nullptr;
    return section.Close() && ok;
}

bool COverlayMark::getLonLatBounds(CBounds& bounds) const {
    if (!HasPosition()) return false;
    bounds.left = std::min(bounds.left, lon - kBoundsMarginDegrees);
    bounds.right = std::max(bounds.right, lon + kBoundsMarginDegrees);
    bounds.bottom = std::min(bounds.bottom, lat - kBoundsMarginDegrees);
    bounds.top = std::max(bounds.top, lat + kBoundsMarginDegrees);
    return true;
}

bool COverlayMark::sameData(const COverlayMark& other) const {
    if (!route && !sameSyncableData(other)) return false;
    return std::fabs(lat - other.lat) <= kSamePlaceDegrees &&
           std::fabs(lon - other.lon) <= kSamePlaceDegrees;
}

void COverlayMark::ClearData() {
    lat = lon = kNoPosition;
    inner_radius = alarm_radius = 0;
    name.clear();
    comment.clear();
    link.clear();
    category.clear();
    if (COverlayTool::isSelected(this)) COverlayTool::Deselect();
}

void COverlayMark::SetIcon(const std::string& iconName, const GraphicsColor& iconColor) {
    icon = iconName;
    color = iconColor;
    icon_image = nullptr;
    SetModifiedNow();
    Dispatch(kDisplayChanged);
}
