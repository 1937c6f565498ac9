// COverlayMovingTarget: a symbol that moves on the map (the own position,
// AIS targets): its live position, speed and directions, mapped as three
// image points:
//   0  the position;
//   1  the end of the velocity vector (the distance covered in
//      "vector_scale" minutes along the best direction), or (0, 0);
//   2  a point one range-ring radius to the right of the position, or (0, 0).
// The mapping also keeps the direction of north at the position, so that
// symbols drawn in screen space turn with the map.
#pragma once

#include "app/base/graphicscolor.h"
#include "data/datagpsposition.h"
#include "maps/simplegrid.h"
#include "overlays/overlayobject.h"

class COverlayMovingTarget : public COverlayObject, public CDataGPSPosition {
public:
    // Metres covered in a minute at one knot.
    static constexpr double kMetresPerKnotMinute = 30.866666666666667;

    COverlayMovingTarget(object_type objectType, int layer, const GraphicsColor& drawingColor);
    ~COverlayMovingTarget() override;

    void Map(CMapping& mapping, const CPolynomialProjection& projection) const override;
    void DrawVelocityVector(QPainter* painter, const CViewParams& view,
                            const CMapping& mapping) const;
    void DrawRangeRing(QPainter* painter, const CViewParams& view, const CMapping& mapping) const;

    // Sine and cosine of the best direction as the map shows it: turned by
    // the direction of north kept in the mapping.
    void screenDirection(const CMapping& mapping, double& sine, double& cosine) const;
    // Any direction (its sine and cosine from north) so turned.
    static void turnedByNorth(const CMapping& mapping, double sine, double cosine, double& sn,
                              double& cs);

    // The colour of the symbol and its vector and rings.
    virtual GraphicsColor drawingColor() const { return color; }

    CSimpleGrid grid;     // centred on the position
    GraphicsColor color;  // the drawing colour

    // Shared settings, kept with the own position's ("COverlayGPSPosition").
    static bool show_vector;
    static float vector_scale;       // minutes of travel the vector shows
    static float range_ring_radius;  // nautical miles
    static int num_range_rings;      // 0..kMaxRangeRings

    static constexpr int kMaxRangeRings = 10;
    // The count comes from a settings file and drives a drawing loop, so it
    // is held to 0..kMaxRangeRings whenever it is set or loaded.
    static void SetNumRangeRings(int count);
    static int rangeRings();
};
