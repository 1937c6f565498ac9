#include "data/fasttrig.h"

#include <array>
#include <cmath>
#include <numbers>

namespace {

const std::array<float, 91>& sineTable() {
    static const std::array<float, 91> table = [] {
        std::array<float, 91> t{};
        for (int d = 0; d < 90; ++d) t[size_t(d)] = float(std::sin(d * std::numbers::pi / 180));
        t[90] = 1.0f;  // so that a unit component always finds its angle
        return t;
    }();
    return table;
}

// Smallest whole angle 0..90 whose sine is at least s.
int smallestAngleReaching(float s) {
    const std::array<float, 91>& sine = sineTable();
    int low = 0, high = 90;
    while (low < high) {
        const int mid = (low + high) / 2;
        if (sine[size_t(mid)] >= s)
            high = mid;
        else
            low = mid + 1;
    }
    return low;
}

}  // namespace

int fast_atan2(float y, float x) {
    const float ax = std::fabs(x), ay = std::fabs(y);
    if (!(ax > 0 || ay > 0)) return 0;  // zero or NaN
    const float length = std::hypot(ax, ay);
    if (!std::isfinite(length)) return 0;
    // The angle from north inside the quadrant, from the larger component.
    const int a =
        ax >= ay ? smallestAngleReaching(ax / length) : 90 - smallestAngleReaching(ay / length);
    int bearing;
    if (x >= 0)
        bearing = y >= 0 ? a : 180 - a;
    else
        bearing = y >= 0 ? 360 - a : 180 + a;
    return bearing == 360 ? 0 : bearing;
}

void fast_sin_cos(int degrees, float& sine, float& cosine) {
    const std::array<float, 91>& table = sineTable();
    const int d = ((degrees % 360) + 360) % 360;
    const int q = d % 90;
    const float s = table[size_t(q)], c = table[size_t(90 - q)];
    switch (d / 90) {
        case 0:
            sine = s, cosine = c;
            break;
        case 1:
            sine = c, cosine = -s;
            break;
        case 2:
            sine = -s, cosine = -c;
            break;
        default:
            sine = -c, cosine = s;
            break;
    }
}
