#include "overlays/overlaymark.h"

#include <QFont>
#include <QFontMetricsF>
#include <QPainter>
#include <algorithm>
#include <cmath>

#include "app/base/heartbeat.h"
#include "app/base/screenresolution.h"
#include "geo/units.h"
#include "maps/polynomialprojection.h"
#include "overlays/iconblit.h"
#include "overlays/iconmanager.h"
#include "overlays/markmanager.h"
#include "overlays/marktool.h"
#include "overlays/overlayroute.h"
#include "overlays/overlaytool.h"

namespace {

const CSerializableType<COverlayMark> cType(COverlayMark::kTypeId, "mark");

const CSyncableDispatcher cDispatcher(COverlayMark::kTypeId,
                                      [](CSyncable* object, COverlayObject::update_action action) {
                                          static_cast<COverlayMark*>(object)->Dispatch(action);
                                      });

constexpr double kBoundsMarginDegrees = 0.001;

const QFont& labelFont() {
    static const QFont font = [] {
        QFont f("Arial");
        f.setPointSizeF(12 * graphicsResolution);
        return f;
    }();
    return font;
}

// White on dark colours, black on light ones.
QColor textColourOn(const GraphicsColor& c) {
    return c.red() + c.green() + c.blue() < 360 ? Qt::white : Qt::black;
}

// A box of the mark's colour holding text, centred on the point.
void drawLabelBox(QPainter* painter, const QPointF& at, const std::string& text,
                  const GraphicsColor& colour) {
    const QString label = QString::fromStdString(text);
    const QFontMetricsF metrics(labelFont());
    const double r = graphicsResolution;
    QRectF box = metrics.boundingRect(label);
    box.moveCenter(at);
    QRectF outer = box.adjusted(-5 * r, -5 * r, 5 * r, 5 * r);
    if (outer.width() < outer.height()) {
        const double grow = (outer.height() - outer.width()) / 2;
        outer.adjust(-grow, 0, grow, 0);
    }
    const double radius = std::min(14 * r, outer.height() / 2);
    painter->setPen(Qt::NoPen);
    painter->setBrush(colour.toQColor());
    painter->drawRoundedRect(outer, radius, radius);
    painter->setFont(labelFont());
    painter->setPen(textColourOn(colour));
    painter->drawText(outer, Qt::AlignCenter, label);
}

// The name beside an icon, with a halo so that it reads on any chart.
void drawNameBeside(QPainter* painter, const QPointF& at, const std::string& name) {
    if (name.empty()) return;
    const double r = graphicsResolution;
    const QString text = QString::fromStdString(name);
    painter->setFont(labelFont());
    const QPointF origin(at.x() + 12 * r, at.y() + 5 * r);
    painter->setPen(QColor(255, 255, 255, 200));
    for (int dx = -1; dx <= 1; ++dx)
        for (int dy = -1; dy <= 1; ++dy)
            if (dx || dy) painter->drawText(origin + QPointF(dx * r, dy * r), text);
    painter->setPen(QColor(11, 61, 92));
    painter->drawText(origin, text);
}

}  // namespace

COverlayMark::PropertiesEditor COverlayMark::propertiesEditor;
int COverlayMark::label_threshold = 60;
int COverlayMark::on_screen_in_frame = 0;

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

void COverlayMark::Draw(QPainter* painter, const CViewParams&, CMapping& mapping) const {
    if (mapping.screen_points.empty()) return;
    const QPointF at(mapping.screen_points.front().x, mapping.screen_points.front().y);
    if (icon == "None") return;
    if (icon == "Name" || icon == "Notes") {
        const std::string& text = icon == "Name" ? name : comment;
        if (!text.empty()) drawLabelBox(painter, at, text, color);
        return;
    }
    // In a crowd of thousands icons can't be told apart: each mark is a dot
    // of its colour until the user zooms in.
    if (on_screen_in_frame > kCrowdedMarks) {
        const QPoint centre(int(std::floor(at.x() + 0.5)), int(std::floor(at.y() + 0.5)));
        const int size = std::max(5, int(7 * graphicsResolution + 0.5));
        const QRgb fill = qRgb(color.red(), color.green(), color.blue()), edge = qRgb(11, 40, 60);
        if (IconBlitter::current)
            IconBlitter::current->DrawDot(*painter, centre, size, fill, edge);
        else
            IconBlitter().DrawDot(*painter, centre, size, fill, edge);
        return;
    }
    const double resolution = graphicsResolution;
    if (!icon_image) {
        FPoint hot;
        const QImage* image = CIconManager::GetIcon(icon, color, resolution, hot);
        if (!image) {
            const CMarkManager& manager = CMarkManager::theManager;
            image = CIconManager::GetIcon(manager.default_mark.icon, color, resolution, hot);
            if (!image) image = CIconManager::GetIcon("Flag", color, resolution, hot);
        }
        icon_image = image;
        hot_spot = hot;
    }
    // Whole pixels keep the painter on its plain copy path.
    if (icon_image) {
        const QPoint topLeft(int(std::lround(at.x() - hot_spot.x)),
                             int(std::lround(at.y() - hot_spot.y)));
        if (IconBlitter::current)
            IconBlitter::current->Draw(*painter, *icon_image, topLeft);
        else
            painter->drawImage(topLeft, *icon_image);
    }
    if (on_screen_in_frame <= label_threshold) drawNameBeside(painter, at, name);
}

void COverlayMark::CopyAppearance(const COverlayMark& from) {
    icon = from.icon;
    color = from.color;
    template_flags[0] = from.template_flags[0];
    template_flags[1] = from.template_flags[1];
    inner_radius = from.inner_radius;
    alarm_radius = from.alarm_radius;
    category = from.category;
    comment = from.comment;
    link = from.link;
    icon_image = nullptr;
}

void COverlayMark::Select(CKartileView* view) {
    if (!COverlayTool::isSelected(this)) {
        COverlayTool::Deselect();
        new CMarkTool(view, this);  // becomes the_tool, which owns it
    }
    if (HasPosition() && CUnits::Default)
        CUnits::Default->SetBearingLocation(lat, lon, CHeartbeat::Timestamp());
    Dispatch(kDisplayChanged);
}

bool COverlayMark::onTap(CKartileView* view, const FPoint&, const DblPoint&) {
    // While a route is built, a tapped mark becomes its next waypoint.
    COverlayRoute* building = CMarkManager::theManager.route_in_progress;
    if (building && route != building) {
        building->AddWaypointFromMark(*this);
        return true;
    }
    if (!COverlayTool::isSelected(this)) Select(view);
    return true;
}

bool COverlayMark::onMouseDown(CKartileView* view, const FPoint&, const DblPoint&) {
    if (!COverlayTool::isSelected(this)) Select(view);
    return true;
}

void COverlayMark::onMenuDown(OV_HWND parent) {
    CMarkTool::ShowMarkMenu(this, parent);
}

bool COverlayMark::onRightClick(CKartileView* view, const FPoint&, const DblPoint&) {
    Select(view);
    CMarkTool::ShowMarkMenu(this, nullptr);
    return true;
}

void COverlayMark::EditMarkProperties(OV_HWND parent, std::function<void(bool)> done,
                                      bool isTemplate) {
    if (!propertiesEditor) {
        if (done) done(false);
        return;
    }
    propertiesEditor(parent, *this, isTemplate, std::move(done));
}

// A waypoint also shows, and is locked, with its route.
bool COverlayMark::isVisible() const {
    return visible && (!route || route->isVisible());
}

bool COverlayMark::isLocked() const {
    return locked || (route && route->locked);
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
    ok = ok && SerializeSyncableIfPresent(stream, !route);
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
