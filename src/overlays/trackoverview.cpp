#include "overlays/trackoverview.h"

#include <QPainter>
#include <algorithm>
#include <cmath>

#include "app/base/screenresolution.h"
#include "overlays/overlaytrack.h"
#include "overlays/tracktool.h"

namespace {

// Thin solid lines without antialiasing are drawn as one-pixel passes side
// by side, on whole pixels: the raster engine draws those directly, while a
// wide pen goes through the stroker at tens of microseconds a section.
bool drawThin(QPainter* painter, const QPolygonF& line, const QColor& colour, double width,
              Qt::PenStyle style) {
    const int passes = int(std::lround(width));
    if (style != Qt::SolidLine || passes < 1 || passes > 3 ||
        painter->testRenderHint(QPainter::Antialiasing))
        return false;
    const int first = -(passes - 1) / 2;
    QPolygon pixels;
    pixels.reserve(line.size());
    for (const QPointF& p : line) {
        const QPoint q(int(std::lround(p.x())) + first, int(std::lround(p.y())) + first);
        if (pixels.isEmpty() || q != pixels.back()) pixels.append(q);
    }
    if (pixels.size() < 2) pixels.append(pixels.back());
    painter->setPen(QPen(colour, 0));  // cosmetic: one pixel
    for (int i = 0; i < passes; ++i)
        for (int j = 0; j < passes; ++j) {
            if (i || j) {
                // Step through the grid of offsets one pixel at a time.
                pixels.translate(j == 0 ? 1 - passes : 1, j == 0 ? 1 : 0);
            }
            painter->drawPolyline(pixels);
        }
    return true;
}

void drawWide(QPainter* painter, const QPolygonF& line, const QColor& colour, double width,
              Qt::PenStyle style) {
    QPen pen(colour, width);
    pen.setStyle(style);
    // Round joins cost a curve per point; at track widths bevels look alike.
    pen.setCapStyle(Qt::FlatCap);
    pen.setJoinStyle(Qt::BevelJoin);
    painter->setPen(pen);
    painter->drawPolyline(line);
}

// Room around the line for the pen and the selection's shadow.
double pictureMargin(const COverlayTrack& track) {
    return std::ceil((1.1 * track.line_width + 4) * graphicsResolution);
}

}  // namespace

void drawTrackLine(QPainter* painter, const QPolygonF& line, const COverlayTrack& track,
                   bool selected) {
    const double r = graphicsResolution;
    if (selected)
        drawWide(painter, line, QColor(0, 0, 0, 0x5F), (1.1 * track.line_width + 1.4) * r,
                 Qt::SolidLine);
    const QColor colour = track.color.toQColor();
    const Qt::PenStyle style = COverlayTrack::PenStyle(track.line_style);
    if (!drawThin(painter, line, colour, track.line_width * r, style))
        drawWide(painter, line, colour, track.line_width * r, style);
}

void CTrackOverview::noteProjection(const CPolynomialProjection& projection) {
    double probe[4] = {double(projection.width()), double(projection.height()), 0, 0};
    projection.latlong_to_xy(0.0, 0.0, probe[2], probe[3]);
    if (std::equal(probe, probe + 4, m_projectionProbe) && m_projection.isInitialised()) return;
    std::copy(probe, probe + 4, m_projectionProbe);
    m_projection = projection;
    m_pointsValid = false;
    m_picture = QImage();
}

CTrackOverview::Fingerprint CTrackOverview::fingerprintOf(const COverlayTrack& track,
                                                          bool antialiased) const {
    Fingerprint f;
    const QColor c = track.color.toQColor();
    f.color = c.rgba();
    f.width = track.line_width;
    f.style = track.line_style;
    f.selected = CTrackTool::isTrackSelected(&track);
    f.antialiased = antialiased;
    return f;
}

void CTrackOverview::projectPoints(const COverlayTrack& track) {
    m_points.clear();
    m_points.reserve(size_t(track.getTotalPoints()));
    m_projected.clear();
    m_bounds = FRect();
    projectFrom(track, 0, 0);
    m_pointsValid = true;
}

bool CTrackOverview::projectAddedPoints(const COverlayTrack& track) {
    const auto& sections = track.sections;
    if (m_projected.empty() || sections.size() < m_projected.size()) return false;
    const size_t last = m_projected.size() - 1;
    for (size_t i = 0; i <= last; ++i) {
        if (sections[i].get() != m_projected[i].first) return false;
        if (i < last ? sections[i]->count != m_projected[i].second
                     : sections[i]->count < m_projected[i].second)
            return false;
    }
    const int from = m_projected[last].second;
    m_projected.pop_back();
    projectFrom(track, last, from);
    return true;
}

// The points of sections from `section` on, from `point` of the first.
void CTrackOverview::projectFrom(const COverlayTrack& track, size_t section, int point) {
    const size_t before = m_points.size();
    for (size_t k = section; k < track.sections.size(); ++k, point = 0) {
        const CTrackSection& s = *track.sections[k];
        // Each section after the first repeats its predecessor's last point.
        for (int i = std::max(point, m_points.empty() ? 0 : 1); i < s.count; ++i) {
            double x = 0, y = 0;
            m_projection.latlong_to_xy(s.points[i].lat, s.points[i].lon, x, y);
            m_points.emplace_back(x, y);
        }
        m_projected.emplace_back(&s, s.count);
    }
    if (before == 0) {
        m_bounds = FRect::Around(m_points);
        return;
    }
    for (size_t i = before; i < m_points.size(); ++i) m_bounds.Include(m_points[i]);
}

void CTrackOverview::paintPicture(const COverlayTrack& track, double scale, bool antialiased) {
    const double margin = pictureMargin(track);
    m_origin = QPointF(std::floor(m_bounds.left * scale) - margin,
                       std::floor(m_bounds.top * scale) - margin);
    const int w = int(std::ceil(m_bounds.right * scale - m_origin.x() + margin));
    const int h = int(std::ceil(m_bounds.bottom * scale - m_origin.y() + margin));
    m_picture = QImage(std::max(w, 1), std::max(h, 1), QImage::Format_ARGB32_Premultiplied);
    m_picture.fill(Qt::transparent);
    m_scale = scale;
    paintLine(track, 0, antialiased);
}

bool CTrackOverview::paintAddedPoints(const COverlayTrack& track, const Fingerprint& now) {
    if (m_painted == 0 || m_painted > m_points.size()) return false;
    // A dash would start afresh, and a shadow darken the line, at the join.
    if (now.selected || COverlayTrack::PenStyle(track.line_style) != Qt::SolidLine) return false;
    const double margin = pictureMargin(track);
    const QRectF room = QRectF(m_picture.rect()).adjusted(margin, margin, -margin, -margin);
    for (size_t i = m_painted; i < m_points.size(); ++i)
        if (!room.contains(m_points[i].x * m_scale - m_origin.x(),
                           m_points[i].y * m_scale - m_origin.y()))
            return false;
    paintLine(track, m_painted - 1, now.antialiased);
    return true;
}

// The line from point `from` on, onto the picture.
void CTrackOverview::paintLine(const COverlayTrack& track, size_t from, bool antialiased) {
    const double skip = std::max(1.0, 0.5 * track.line_width * graphicsResolution);
    QPolygonF line;
    for (size_t i = from; i < m_points.size(); ++i) {
        const QPointF p(m_points[i].x * m_scale - m_origin.x(),
                        m_points[i].y * m_scale - m_origin.y());
        if (!line.isEmpty() && i + 1 < m_points.size()) {
            const QPointF d = p - line.back();
            if (std::abs(d.x()) < skip && std::abs(d.y()) < skip) continue;
        }
        line.append(p);
    }
    m_painted = m_points.size();
    if (line.size() < 2) return;
    QPainter painter(&m_picture);
    painter.setRenderHint(QPainter::Antialiasing, antialiased);
    drawTrackLine(&painter, line, track, CTrackTool::isTrackSelected(&track));
}

bool CTrackOverview::Draw(QPainter* painter, const COverlayObject::CViewParams& view,
                          const COverlayTrack& track) {
    // Every section of the track on screen asks; the first of a frame decides.
    if (m_lastView == &view && m_lastFrame == view.frame) return m_handled;
    m_lastView = &view;
    m_lastFrame = view.frame;
    m_handled = drawPicture(painter, view, track);
    return m_handled;
}

bool CTrackOverview::drawPicture(QPainter* painter, const COverlayObject::CViewParams& view,
                                 const COverlayTrack& track) {
    if (track.sections.size() < kMinSections || !m_projection.isInitialised()) return false;
    const bool antialiased = painter->testRenderHint(QPainter::Antialiasing);
    const Fingerprint now = fingerprintOf(track, antialiased);
    // While recording, a fix adds a point: the rest stays as it was.
    if (!m_pointsValid || !projectAddedPoints(track)) {
        projectPoints(track);
        m_picture = QImage();
    }
    const double w = (m_bounds.right - m_bounds.left) * view.scale;
    const double h = (m_bounds.bottom - m_bounds.top) * view.scale;
    if (w * h > kMaxPixels || w > 16384 || h > 16384) {
        m_picture = QImage();
        return false;
    }
    const bool current = !m_picture.isNull() && m_scale == view.scale && now == m_pictureMadeFrom;
    if (!current || (m_painted < m_points.size() && !paintAddedPoints(track, now)))
        paintPicture(track, view.scale, antialiased);
    m_pictureMadeFrom = now;
    // Picture pixel p shows at screen p + origin - offset * scale.
    const QPoint at(int(std::lround(m_origin.x() - view.offset_x * view.scale)),
                    int(std::lround(m_origin.y() - view.offset_y * view.scale)));
    const QRect screen(int(std::floor(view.screen_rect.left)),
                       int(std::floor(view.screen_rect.top)),
                       int(std::ceil(view.screen_rect.right - view.screen_rect.left)),
                       int(std::ceil(view.screen_rect.bottom - view.screen_rect.top)));
    // Mid-pinch the painter is scaled and shows more than the screen rectangle.
    const QRect whole(at, m_picture.size());
    const QRect shown = painter->transform().isIdentity() ? whole.intersected(screen) : whole;
    if (!shown.isEmpty()) painter->drawImage(shown.topLeft(), m_picture, shown.translated(-at));
    return true;
}
