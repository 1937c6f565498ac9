// CTrackOverview: a long track seen whole, drawn as one picture instead of
// section by section. When thousands of sections share a screen, one draw
// call each costs far more than the few pixels they add, so the whole line
// is drawn once per view scale into an image (points closer than a pixel
// to the last one drawn are skipped) and that image is placed at each frame,
// panning included. Closer in, where the picture would be larger than
// kMaxPixels, the sections draw themselves as before.
//
// Image points are the map image pixels of the projection the sections were
// last mapped with; the picture is in image pixels times the view scale, so
// a pan only moves it.
#pragma once

#include <QImage>
#include <QPointF>
#include <QPolygonF>
#include <cstdint>
#include <utility>
#include <vector>

#include "maps/polynomialprojection.h"
#include "overlays/overlayobject.h"

class COverlayTrack;
class QColor;

class CTrackOverview {
public:
    // Tracks with fewer sections draw section by section.
    static constexpr size_t kMinSections = 32;
    // The largest picture kept (pixels): 16 MB at 4 bytes a pixel.
    static constexpr double kMaxPixels = 4.0e6;

    // From each section's mapping: the projection the view maps with.
    void noteProjection(const CPolynomialProjection& projection);

    // Draws the whole track for this frame of this view, once: true when
    // the track is handled here (the section then draws nothing itself).
    bool Draw(QPainter* painter, const COverlayObject::CViewParams& view,
              const COverlayTrack& track);

    bool hasPicture() const { return !m_picture.isNull(); }

private:
    // The style the cached picture was painted in.
    struct Fingerprint {
        uint32_t color = 0;
        float width = 0;
        int style = 0;
        bool selected = false;
        bool antialiased = false;
        bool operator==(const Fingerprint&) const = default;
    };

    Fingerprint fingerprintOf(const COverlayTrack& track, bool antialiased) const;
    bool drawPicture(QPainter* painter, const COverlayObject::CViewParams& view,
                     const COverlayTrack& track);
    void projectPoints(const COverlayTrack& track);
    // Projects only the points added since (none when the track is as it
    // was), when the track has only grown at its end, as while recording;
    // false when it changed otherwise.
    bool projectAddedPoints(const COverlayTrack& track);
    void projectFrom(const COverlayTrack& track, size_t section, int point);
    void paintPicture(const COverlayTrack& track, double scale, bool antialiased);
    // Draws the points added since onto the picture; false when they fall
    // outside it or the line's style would show the joins.
    bool paintAddedPoints(const COverlayTrack& track, const Fingerprint& now);
    void paintLine(const COverlayTrack& track, size_t from, bool antialiased);

    CPolynomialProjection m_projection;
    double m_projectionProbe[4] = {};  // width, height, image x, y of (0, 0)
    bool m_pointsValid = false;
    std::vector<FPoint> m_points;  // image pixels, the whole line in order
    FRect m_bounds;                // of m_points
    // The sections m_points were made from, with their counts then.
    std::vector<std::pair<const void*, int>> m_projected;

    QImage m_picture;
    QPointF m_origin;  // scaled image pixel of the picture's top left
    double m_scale = 0;
    Fingerprint m_pictureMadeFrom;
    size_t m_painted = 0;  // points of m_points on the picture

    // The frame last drawn: the view (by address) and its frame number.
    const void* m_lastView = nullptr;
    uint64_t m_lastFrame = 0;
    bool m_handled = false;  // that frame drew the picture
};

// The line of a track in its colour, width and style, with the selection's
// shadow under it when selected. Shared by sections and the overview.
void drawTrackLine(QPainter* painter, const QPolygonF& line, const COverlayTrack& track,
                   bool selected);
