#include "maps/kartile3area.h"

#include <algorithm>
#include <cmath>

#include "maps/chunkfile.h"
#include "maps/kartile.h"
#include "maps/simplegrid.h"

namespace {

constexpr double kSide = CChunkFile::kChunkSide;

struct P {
    double x, y;
};

double cross(P o, P a, P b) {
    return (a.x - o.x) * (b.y - o.y) - (a.y - o.y) * (b.x - o.x);
}

bool onSegment(P a, P b, P p) {
    return std::min(a.x, b.x) <= p.x && p.x <= std::max(a.x, b.x) && std::min(a.y, b.y) <= p.y &&
           p.y <= std::max(a.y, b.y);
}

bool segmentsCross(P a, P b, P c, P d) {
    const double d1 = cross(c, d, a), d2 = cross(c, d, b), d3 = cross(a, b, c), d4 = cross(a, b, d);
    if (((d1 > 0 && d2 < 0) || (d1 < 0 && d2 > 0)) && ((d3 > 0 && d4 < 0) || (d3 < 0 && d4 > 0)))
        return true;
    return (d1 == 0 && onSegment(c, d, a)) || (d2 == 0 && onSegment(c, d, b)) ||
           (d3 == 0 && onSegment(a, b, c)) || (d4 == 0 && onSegment(a, b, d));
}

double pointToSegment(P p, P a, P b) {
    const double dx = b.x - a.x, dy = b.y - a.y;
    const double len2 = dx * dx + dy * dy;
    double t = len2 > 0 ? ((p.x - a.x) * dx + (p.y - a.y) * dy) / len2 : 0;
    t = std::clamp(t, 0.0, 1.0);
    return std::hypot(p.x - (a.x + t * dx), p.y - (a.y + t * dy));
}

// Whether any point of segment a-b lies in the closed box (Liang-Barsky).
bool segmentMeetsBox(P a, P b, double x0, double y0, double x1, double y1) {
    double t0 = 0, t1 = 1;
    const double dx = b.x - a.x, dy = b.y - a.y;
    const double p[4] = {-dx, dx, -dy, dy};
    const double q[4] = {a.x - x0, x1 - a.x, a.y - y0, y1 - a.y};
    for (int i = 0; i < 4; ++i) {
        if (p[i] == 0) {
            if (q[i] < 0) return false;
            continue;
        }
        const double t = q[i] / p[i];
        if (p[i] < 0)
            t0 = std::max(t0, t);
        else
            t1 = std::min(t1, t);
        if (t0 > t1) return false;
    }
    return true;
}

bool insideConvex(const P (&quad)[4], P p) {
    bool negative = false, positive = false;
    for (int i = 0; i < 4; ++i) {
        const double c = cross(quad[i], quad[(i + 1) % 4], p);
        negative |= c < 0;
        positive |= c > 0;
    }
    return !(negative && positive);
}

// Distance between segment a-b and a convex quadrilateral; 0 when they meet.
double segmentToQuad(P a, P b, const P (&quad)[4]) {
    if (insideConvex(quad, a) || insideConvex(quad, b)) return 0;
    double best = 1e300;
    for (int i = 0; i < 4; ++i) {
        const P c = quad[i], d = quad[(i + 1) % 4];
        if (segmentsCross(a, b, c, d)) return 0;
        best = std::min(
            {best, pointToSegment(a, c, d), pointToSegment(b, c, d), pointToSegment(c, a, b)});
    }
    return best;
}

bool toPixels(const CKartile& map, const Vertex& v, P& p) {
    map.latlong_to_xy(v.y, v.x, p.x, p.y);
    return std::isfinite(p.x) && std::isfinite(p.y);
}

// Chunk columns and rows covering [x0, x1] x [y0, y1] pixels, clipped to
// the image; false when the box misses it.
bool chunkRange(const CKartile& map, double x0, double y0, double x1, double y1, int& c0, int& r0,
                int& c1, int& r1) {
    if (x1 < 0 || y1 < 0 || x0 >= map.width() || y0 >= map.height()) return false;
    const int columns = (map.widthInTiles() + 15) / 16, rows = (map.heightInTiles() + 15) / 16;
    c0 = int(std::clamp(std::floor(x0 / kSide), 0.0, double(columns - 1)));
    c1 = int(std::clamp(std::floor(x1 / kSide), 0.0, double(columns - 1)));
    r0 = int(std::clamp(std::floor(y0 / kSide), 0.0, double(rows - 1)));
    r1 = int(std::clamp(std::floor(y1 / kSide), 0.0, double(rows - 1)));
    return true;
}

ChunkKey keyOf(int row, int column) {
    return MakeChunkKey(row, column);
}

}  // namespace

std::vector<ChunkKey> CKartile3Area::UnderPolygon(const CKartile& map, const CPolygon& area) {
    std::vector<ChunkKey> keys;
    if (!map.isOpen() || area.vertices.empty()) return keys;
    std::vector<P> pts;
    CPolygon pixels;
    double x0 = 1e300, y0 = 1e300, x1 = -1e300, y1 = -1e300;
    for (const Vertex& v : area.vertices) {
        P p;
        if (!toPixels(map, v, p)) return keys;
        pts.push_back(p);
        pixels.vertices.emplace_back(p.x, p.y);
        x0 = std::min(x0, p.x);
        y0 = std::min(y0, p.y);
        x1 = std::max(x1, p.x);
        y1 = std::max(y1, p.y);
    }
    int c0, r0, c1, r1;
    if (!chunkRange(map, x0, y0, x1, y1, c0, r0, c1, r1)) return keys;
    for (int r = r0; r <= r1; ++r)
        for (int c = c0; c <= c1; ++c) {
            const double bx0 = c * kSide, by0 = r * kSide, bx1 = bx0 + kSide, by1 = by0 + kSide;
            // The polygon reaches into the square, or the square lies inside it.
            bool meets = pixels.doesContain(bx0 + kSide / 2, by0 + kSide / 2);
            for (size_t i = 0; i < pts.size() && !meets; ++i)
                meets = segmentMeetsBox(pts[i], pts[(i + 1) % pts.size()], bx0, by0, bx1, by1);
            if (meets) keys.push_back(keyOf(r, c));
        }
    return keys;
}

std::vector<ChunkKey> CKartile3Area::AlongRoute(const CKartile& map, const CPolyline& route,
                                                double widthMetres) {
    std::vector<ChunkKey> keys;
    if (!map.isOpen() || route.vertices.empty() || !(widthMetres >= 0)) return keys;
    std::vector<P> pts;
    for (const Vertex& v : route.vertices) {
        P p;
        if (!toPixels(map, v, p)) return keys;
        pts.push_back(p);
    }
    if (pts.size() == 1) pts.push_back(pts[0]);
    std::vector<ChunkKey> found;
    for (size_t i = 1; i < pts.size(); ++i) {
        const P a = pts[i - 1], b = pts[i];
        // Metres east and north per pixel along x and along y, at the middle.
        const int mx = int(std::lround((a.x + b.x) / 2)), my = int(std::lround((a.y + b.y) / 2));
        constexpr int kStep = 64;
        double lat, lon, latX, lonX, latY, lonY;
        map.xy_to_latlong(mx, my, lat, lon);
        map.xy_to_latlong(mx + kStep, my, latX, lonX);
        map.xy_to_latlong(mx, my + kStep, latY, lonY);
        const CSimpleGrid grid(lat, lon);
        if (!grid.IsValid()) continue;
        double ex, nx, ey, ny;
        grid.latlon_to_xy(latX, lonX, ex, nx);
        grid.latlon_to_xy(latY, lonY, ey, ny);
        ex /= kStep, nx /= kStep, ey /= kStep, ny /= kStep;
        auto metric = [&](P p) {
            const double dx = p.x - mx, dy = p.y - my;
            return P{ex * dx + ey * dy, nx * dx + ny * dy};
        };
        // The smallest stretch of the pixel-to-metre map bounds the reach in pixels.
        const double s = ex * ex + nx * nx + ey * ey + ny * ny, det = std::fabs(ex * ny - ey * nx);
        const double smallest =
            std::sqrt(std::max(0.0, (s - std::sqrt(std::max(0.0, s * s - 4 * det * det))) / 2));
        if (!(smallest > 0)) continue;
        const double reach = widthMetres / smallest;
        int c0, r0, c1, r1;
        if (!chunkRange(map, std::min(a.x, b.x) - reach, std::min(a.y, b.y) - reach,
                        std::max(a.x, b.x) + reach, std::max(a.y, b.y) + reach, c0, r0, c1, r1))
            continue;
        const P ma = metric(a), mb = metric(b);
        for (int r = r0; r <= r1; ++r)
            for (int c = c0; c <= c1; ++c) {
                const double bx0 = c * kSide, by0 = r * kSide;
                const P quad[4] = {metric({bx0, by0}), metric({bx0 + kSide, by0}),
                                   metric({bx0 + kSide, by0 + kSide}), metric({bx0, by0 + kSide})};
                if (segmentToQuad(ma, mb, quad) <= widthMetres) found.push_back(keyOf(r, c));
            }
    }
    std::sort(found.begin(), found.end());
    found.erase(std::unique(found.begin(), found.end()), found.end());
    return found;
}
