#include "data/compasscalibration.h"

#include <cmath>

#include "app/base/attributes.h"
#include "data/compassdamping.h"

float CompassCalibration::Adjust(float heading) const {
    const float h = WrapDegrees360(heading);
    if (!std::isfinite(h)) return heading;
    int i = int(h / 30.0f);
    if (i > 11) i = 11;
    const float f = h - 30.0f * float(i);
    return h + (f * cal[i + 1] + (30.0f - f) * cal[i]) / 30.0f;
}

std::string CompassCalibration::ToString() const {
    std::string text;
    for (int i = 0; i < kPoints - 1; ++i) text += CAttributes::FormatDecimal("%f", cal[i]) + ",";
    return text;
}

bool CompassCalibration::FromString(const std::string& text) {
    float values[kPoints - 1];
    size_t pos = 0;
    for (int i = 0; i < kPoints - 1; ++i) {
        const size_t comma = text.find(',', pos);
        double v = 0;
        // A correction beyond a full turn is no calibration; it also keeps
        // huge values from turning into an infinite float.
        if (!CAttributes::ParseDecimal(text.substr(pos, comma - pos), v) || !(std::fabs(v) <= 360))
            return false;
        values[i] = float(v);
        if (comma == std::string::npos) {
            if (i != kPoints - 2) return false;
            break;
        }
        pos = comma + 1;
    }
    for (int i = 0; i < kPoints - 1; ++i) cal[i] = values[i];
    cal[kPoints - 1] = cal[0];
    return true;
}
