#include "geo/units.h"

#include <QDate>
#include <QDateTime>
#include <QTime>
#include <cmath>
#include <cstring>

#include "app/base/datasource.h"
#include "app/base/menutree.h"
#include "app/base/timeutils.h"
#include "geo/magneticmodel.h"
#include "geo/numbertext.h"

const char* const CUnits::kDistanceNames[kDistanceUnits] = {"Mi", "NM", "km", "m", "ft", "yds"};
const float CUnits::kDistanceFactors[kDistanceUnits] = {
    0.000621371204f, 0.00053995679f, 0.001f, 1.0f, 3.281f, 1.0936f};
const char* const CUnits::kSpeedNames[kSpeedUnits] = {"mph", "kts", "km/h", "m/s"};
const float CUnits::kSpeedFactors[kSpeedUnits] = {1.15077949f, 1.0f, 1.852f, 0.51444447f};
const char* const CUnits::kDepthNames[kDepthUnits] = {"ft", "m", "fathom"};
const float CUnits::kDepthFactors[kDepthUnits] = {3.281f, 1.0f, 0.546833336f};

namespace {

constexpr char kDegreeSign[] = "\xC2\xB0";  // U+00B0 in UTF-8
CUnits::PositionFormatType* g_firstFormat = nullptr;

int clampIndex(int index, int count) {
    return index < 0 ? 0 : index >= count ? count - 1 : index;
}

}  // namespace

// ---------------------------------------------------------------------------
// Position formats

CUnits::PositionFormatType::PositionFormatType(const char* formatName)
    : name(formatName), next(g_firstFormat) {
    g_firstFormat = this;
}

CUnits::PositionFormatType::~PositionFormatType() {
    for (PositionFormatType** p = &g_firstFormat; *p; p = &(*p)->next) {
        if (*p == this) {
            *p = next;
            break;
        }
    }
}

CUnits::PositionFormatType* CUnits::PositionFormatType::First() {
    return g_firstFormat;
}

CUnits::PositionFormatType* CUnits::PositionFormatType::FindExact(const std::string& formatName) {
    for (PositionFormatType* f = g_firstFormat; f; f = f->next)
        if (formatName == f->name) return f;
    return nullptr;
}

CUnits::PositionFormatType* CUnits::PositionFormatType::Find(const std::string& formatName) {
    if (PositionFormatType* f = FindExact(formatName)) return f;
    return FindExact("Deg,Min");
}

void CUnits::append_angle(std::string& text, double value, const char* letters, int mode) {
    if (mode == 3) {
        appendFormat(text, "%8.5f", value);
        return;
    }
    char letter = letters[0];
    if (value < 0) {
        value = -value;
        letter = letters[1];
    }
    double d = std::floor(value);
    double m = (value - d) * 60;
    if (mode == 0) {
        appendFormat(text, "%8.5f%s", value, kDegreeSign);
    } else if (mode == 1) {
        if (m > 59.9995) {
            d += 1;
            m = 0;
        }
        appendFormat(text, "%d%s%06.3f'", int(d), kDegreeSign, m);
    } else {
        double mi = std::floor(m);
        double s = (m - mi) * 60;
        if (s > 59.95) {
            mi += 1;
            s = 0;
            if (mi == 60) {
                d += 1;
                mi = 0;
            }
        }
        appendFormat(text, "%d%s%d'%04.1f\"", int(d), kDegreeSign, int(mi), s);
    }
    text += letter;
}

void CUnits::appendPosition(std::string& text, double lat, double lon, int mode) {
    append_angle(text, lat, "NS", mode);
    text += ", ";
    append_angle(text, lon, "EW", mode);
}

char CUnits::scan_deg_min_sec(const char* text, double& value) {
    value = 999;
    std::string buffer(text);
    // The degree sign reads as a separator.
    const size_t degree = buffer.find(kDegreeSign);
    if (degree != std::string::npos) buffer.replace(degree, 2, "d");
    // 30'.5 is a way of writing 30.5 minutes (0x92 is the Windows-1252 quote).
    for (size_t i = 0; i + 1 < buffer.size(); ++i) {
        if ((buffer[i] == '\x92' || buffer[i] == '\'') && buffer[i + 1] == '.') {
            buffer.erase(i, 1);
            break;
        }
    }

    // As scanf "%lf%c%lf%c%lf": degrees, separator, minutes, separator, seconds.
    double parts[3] = {0, 0, 0};
    int read = 0;
    const char* p = buffer.c_str();
    for (int i = 0; i < 3; ++i) {
        if (i > 0) {
            if (!*p) break;
            ++p;  // the separator, any character
        }
        if (!scanDouble(p, parts[i])) break;
        ++read;
    }
    if (read >= 1) value = parts[0] + parts[1] / 60 + parts[2] / 3600;

    for (const char* c = text; *c; ++c) {
        const unsigned char u = static_cast<unsigned char>(*c);
        if (u >= 0x80) continue;  // bytes of the degree sign and the like
        const char upper = char(std::toupper(u));
        if (upper >= 'A' && upper <= 'Z' && upper != 'D' && upper != 'E') return upper;
    }
    return 0;
}

CUnits::PosFmtLatLon::PosFmtLatLon(const char* formatName, int angleMode)
    : PositionFormatType(formatName), mode(angleMode) {}

bool CUnits::PosFmtLatLon::format(double lat, double lon, std::string& text) const {
    text.clear();
    appendPosition(text, lat, lon, mode);
    return true;
}

bool CUnits::PosFmtLatLon::scan(const char* text, double& lat, double& lon) const {
    if (!text || !*text) return false;
    // The parts split at the first comma, or at an earlier space that follows
    // a hemisphere letter or a number.
    const char* split = nullptr;
    for (const char* c = text; *c && !split; ++c) {
        if (*c == ',' || (*c == ' ' && c > text && std::strchr("nNsS0123456789.", c[-1])))
            split = c;
    }
    if (!split) return false;

    const std::string first(text, size_t(split - text));
    double value = 999;
    char letter = scan_deg_min_sec(first.c_str(), value);
    if (!(value >= -89 && value <= 89)) return false;
    // Both parts are read before either is stored: a refusal changes nothing.
    const double latitude = letter == 'S' ? -value : value;

    letter = scan_deg_min_sec(split + 1, value);
    if (!(value >= -360 && value <= 360)) return false;
    lat = latitude;
    lon = letter == 'W' ? -value : value;
    return true;
}

// Registered before the default units below, which look "Deg,Min" up.
static CUnits::PosFmtDeg s_formatDegrees;
static CUnits::PosFmtDegMin s_formatDegMin;
static CUnits::PosFmtDegMinSec s_formatDegMinSec;

CUnits CDefaultUnits::u;
CUnits* CUnits::Default = &CDefaultUnits::u;
static CDefaultUnits s_unitsPersistor;

void CDefaultUnits::DeclareData() {
    int family = int(u.unit_family);
    Declare("units", family, 0, CUnits::kDistanceUnits - 1);
    Declare("speed", u.speed_unit, 0, CUnits::kSpeedUnits - 1);
    Declare("depth", u.depth_unit, 0, CUnits::kDepthUnits - 1);
    std::string format = u.position_format ? u.position_format->name : "Deg,Min";
    Declare("posnfmt", format);
    Declare("bearings", u.bearing_mode, 0, 1);
    Declare("temperature", u.temperature_unit, 0, 1);
    Declare("magnetic_variation", u.magnetic_variation);
    Declare("bearing_lat", u.bearing_lat);
    Declare("bearing_lon", u.bearing_lon);
    Declare("bearing_time", u.bearing_time);
    if (!s_saving) {
        u.unit_family = CUnits::e_dist_units(family);
        u.DeriveShortUnit();
        u.position_format = CUnits::PositionFormatType::Find(format);
        if (!std::isfinite(u.magnetic_variation) || std::fabs(u.magnetic_variation) > 180)
            u.magnetic_variation = 0;
    }
}

// ---------------------------------------------------------------------------
// Units

CUnits::CUnits() : position_format(PositionFormatType::Find("Deg,Min")) {}

int CUnits::longUnit() const {
    return clampIndex(int(unit_family), kDistanceUnits);
}
int CUnits::shortUnit() const {
    return clampIndex(short_unit, kDistanceUnits);
}

void CUnits::FormatDistanceValue(float metres, std::string& value) const {
    const double v = double(metres * kDistanceFactors[longUnit()]);
    if (v >= 1000)
        value = stringFormat("%.0f", v);
    else
        value = stringFormat("%.3g", v < 0.001 ? 0.0 : v);
}

void CUnits::FormatDistance(float metres, std::string& value, std::string& unit) const {
    int index = longUnit();
    double v = double(metres * kDistanceFactors[index]);
    if (v <= 0.1) {
        index = shortUnit();
        v = double(metres * kDistanceFactors[index]);
    }
    value = stringFormat(v >= 100 ? "%.0f" : v >= 10 ? "%.1f" : "%.2f", v);
    unit = kDistanceNames[index];
}

void CUnits::FormatDistance(float metres, std::string& text) const {
    std::string unit;
    FormatDistance(metres, text, unit);
    text += ' ';
    text += unit;
}

const char* CUnits::GetSpeedUnit() const {
    return kSpeedNames[clampIndex(speed_unit, kSpeedUnits)];
}

void CUnits::FormatSpeedValue(float knots, std::string& value) const {
    const double v = double(knots * kSpeedFactors[clampIndex(speed_unit, kSpeedUnits)]);
    value = stringFormat(v < 1 ? "%.02f" : "%.01f", v);
}

void CUnits::FormatSpeed(float knots, std::string& text) const {
    FormatSpeedValue(knots, text);
    text += GetSpeedUnit();
}

const char* CUnits::GetDepthUnit() const {
    return kDepthNames[clampIndex(depth_unit, kDepthUnits)];
}

void CUnits::FormatDepthValue(float metres, std::string& value) const {
    if (metres <= -9999) {
        value = "---";
        return;
    }
    double v = double(metres * kDepthFactors[clampIndex(depth_unit, kDepthUnits)]);
    if (std::fabs(v) >= 10) {
        value = stringFormat("%.0f", v);
    } else {
        if (std::fabs(v) < 0.01) v = 0;  // never "-0.0"
        value = stringFormat("%.1f", v);
    }
}

void CUnits::FormatDepth(float metres, std::string& text) const {
    FormatDepthValue(metres, text);
    if (text != "---") text += GetDepthUnit();
}

const char* CUnits::GetTemperatureUnit() const {
    return temperature_unit == 1 ? "\xC2\xB0"
                                   "F"
                                 : "\xC2\xB0"
                                   "C";
}

void CUnits::FormatTemperatureValue(float celsius, std::string& value) const {
    const double v = temperature_unit == 1 ? double(celsius) * 1.8 + 32 : double(celsius);
    value = stringFormat("%.1f", v);
}

const char* CUnits::GetBearingUnit() const {
    return bearing_mode == 1 ? "\xC2\xB0"
                               "M"
                             : "\xC2\xB0"
                               "T";
}

void CUnits::FormatBearingValue(double degrees, std::string& value) const {
    value.clear();
    if (!(degrees < 900)) return;  // unknown (and NaN)
    if (bearing_mode == 1) degrees -= double(magnetic_variation);
    // Any variation and any winding comes back into [0, 360).
    degrees = std::fmod(degrees, 360.0);
    if (degrees < 0) degrees += 360;
    int rounded = int(degrees + 0.4999);
    if (rounded >= 360) rounded -= 360;
    value = stringFormat("%03d", rounded);
}

void CUnits::FormatBearing(double degrees, std::string& text) const {
    FormatBearingValue(degrees, text);
    if (!text.empty()) text += GetBearingUnit();
}

int CUnits::format_scale(double nmPerPixel, std::string& label, int max_pixels) const {
    label = "0";
    if (!(nmPerPixel > 1e-20 && nmPerPixel < 1e20) || max_pixels <= 0) return 0;
    int unit = longUnit();
    double L = double(kDistanceFactors[unit]) * (nmPerPixel * 1852) * max_pixels;
    if (L <= 0.1) {
        unit = shortUnit();
        L = double(kDistanceFactors[unit]) * (nmPerPixel * 1852) * max_pixels;
    }
    if (!std::isfinite(L) || L <= 0) return 0;
    // r is the share of the bar that n units take; bring it into [0.1, 1]
    // and then n to 1, 2 or 5 × 10^k.
    double r = 1 / L, n = 1;
    for (int i = 0; r > 1 && i < 400; ++i) {
        r *= 0.1;
        n *= 0.1;
    }
    for (int i = 0; r < 0.1 && i < 400; ++i) {
        r *= 10;
        n *= 10;
    }
    if (r < 0.2) {
        r *= 5;
        n *= 5;
    }
    if (r < 0.5) {
        r *= 2;
        n *= 2;
    }
    if (!(r >= 1e-5 && r <= 1e10)) return 0;
    label = stringFormat(n >= 1000 ? "%.0f %s" : "%.3g %s", n, kDistanceNames[unit]);
    return int(r * max_pixels);
}

namespace {

struct ElapsedParts {
    double D, H, M, S;
};

ElapsedParts splitElapsed(double t) {
    ElapsedParts p;
    p.D = std::floor((t + 0.5) / 86400);
    const double r1 = t - p.D * 86400;
    p.H = std::floor((r1 + 0.5) / 3600);
    const double r2 = r1 - p.H * 3600;
    p.M = std::floor((r2 + 0.5) / 60);
    p.S = r2 - 60 * p.M;
    if (p.S < 0) p.S = 0;
    return p;
}

// Minutes rounded to the nearest, carried into hours and days.
void roundMinutes(ElapsedParts& p) {
    if (p.S > 30) p.M += 1;
    if (p.M >= 60) {
        p.M -= 60;
        p.H += 1;
    }
    if (p.H >= 24 && p.D >= 1) {
        p.H -= 24;
        p.D += 1;
    }
}

}  // namespace

void CUnits::FormatElapsedTime(double seconds, std::string& text) {
    if (!std::isfinite(seconds)) {
        text = "---";
        return;
    }
    if (seconds < 0) {
        FormatElapsedTime(-seconds, text);
        text.insert(0, "Negative ");
        return;
    }
    ElapsedParts p = splitElapsed(seconds);
    if (p.D >= 1 || p.H >= 10) roundMinutes(p);
    if (p.D >= 1)
        text = stringFormat("%.0fD %.0fh:%02.0f", p.D, p.H, p.M);
    else if (p.H >= 10)
        text = stringFormat("%.0fh:%02.0f", p.H, p.M);
    else if (p.H >= 1)
        text = stringFormat("%.0f:%02.0f:%02.0f", p.H, p.M, p.S);
    else if (p.M >= 1)
        text = stringFormat("%.0f:%02.0f", p.M, p.S);
    else
        text = stringFormat("%.0fs", p.S);
}

void CUnits::FormatElapsedTimeHoursMins(double seconds, std::string& text) {
    if (!std::isfinite(seconds)) {
        text = "---";
        return;
    }
    ElapsedParts p = splitElapsed(std::fabs(seconds));
    roundMinutes(p);
    if (p.D >= 1)
        text = stringFormat("%.0fD %.0fh:%02.0f", p.D, p.H, p.M);
    else
        text = stringFormat("%.0fh:%02.0f", p.H, p.M);
    if (seconds < 0) text.insert(0, "Negative ");
}

namespace {

QDateTime localTime(double time) {
    return QDateTime::fromMSecsSinceEpoch(qint64(std::llround(time * 1000))).toLocalTime();
}

}  // namespace

void CUnits::FormatTimeOfDay(double time, std::string& text) {
    if (!std::isfinite(time)) {
        text = "--:--";
        return;
    }
    const QTime t = localTime(time).time();
    int hour = t.hour();
    const bool pm = hour >= 12;
    if (hour >= 13) hour -= 12;
    text = stringFormat("%d:%02d%s", hour, t.minute(), pm ? "pm" : "am");
}

void CUnits::Get24hTime(double time, std::string& text) {
    if (!std::isfinite(time)) {
        text = "--:--";
        return;
    }
    const QTime t = localTime(time).time();
    text = stringFormat("%02d:%02d:%02d", t.hour(), t.minute(), t.second());
}

void CUnits::FormatDate(double time, std::string& text) {
    if (!std::isfinite(time)) {
        text = "---";
        return;
    }
    text = localTime(time).date().toString(Qt::TextDate).toStdString();
}

void CUnits::FormatPosition(double lat, double lon, std::string& text) const {
    const PositionFormatType* f = position_format ? position_format : PositionFormatType::Find("");
    f->format(lat, lon, text);
}

bool CUnits::ScanPosition(const char* text, double& lat, double& lon) const {
    const PositionFormatType* f = position_format ? position_format : PositionFormatType::Find("");
    return f->scan(text, lat, lon);
}

// ---------------------------------------------------------------------------
// Magnetic variation

void CUnits::SetBearingLocation(double lat, double lon, double time) {
    const double dlat = lat - bearing_lat, dlon = lon - bearing_lon;
    if (dlat * dlat + dlon * dlon < 1) return;
    if (!(std::fabs(lat) <= 90 && std::fabs(lon) <= 360)) return;
    magnetic_variation = float(get_magnetic_declination(lat, lon, 0.1, magneticYearOfTime(time)));
    bearing_lat = lat;
    bearing_lon = lon;
    bearing_time = time;
    MarkSettingsChanged();
}

void CUnits::ChangedBearingUnits() {
    if (std::fabs(bearing_lat) <= 90 && std::fabs(bearing_lon) <= 360)
        magnetic_variation = float(get_magnetic_declination(bearing_lat, bearing_lon, 0.1,
                                                            magneticYearOfTime(GetTimeNow())));
    bearing_time = 0;
    MarkSettingsChanged();
}

// ---------------------------------------------------------------------------
// Families and the menu

void CUnits::DeriveShortUnit() {
    switch (unit_family) {
        case Statute:
            short_unit = DistFt;
            break;
        case Nautical:
            short_unit = DistYds;
            break;
        case Metric:
            short_unit = DistM;
            break;
        default:
            short_unit = clampIndex(int(unit_family), kDistanceUnits);
            break;
    }
}

void CUnits::set_unit_family(e_dist_units family) {
    unit_family = family;
    DeriveShortUnit();
    switch (family) {
        case Statute:
            speed_unit = SpeedMph;
            depth_unit = DepthFt;
            temperature_unit = 1;
            break;
        case Nautical:
            speed_unit = SpeedKts;
            break;
        case Metric:
            speed_unit = SpeedKmh;
            depth_unit = DepthM;
            temperature_unit = 0;
            break;
    }
}

namespace {
constexpr char kFormatActionPrefix[] = "Units:Position format:";
}

bool CUnits::DoMenuAction(const std::string& action) {
    if (action == "Units:Metric") {
        set_unit_family(Metric);
    } else if (action == "Units:Nautical") {
        set_unit_family(Nautical);
    } else if (action == "Units:Statute") {
        set_unit_family(Statute);
    } else if (action == "Units:Bearings:True North") {
        bearing_mode = 0;
    } else if (action == "Units:Bearings:Magnetic") {
        bearing_mode = 1;
        ChangedBearingUnits();
    } else if (action == "Units:Heights:Meters") {
        depth_unit = DepthM;
    } else if (action == "Units:Heights:Feet") {
        depth_unit = DepthFt;
    } else if (action.rfind(kFormatActionPrefix, 0) == 0) {
        PositionFormatType* f =
            PositionFormatType::FindExact(action.substr(sizeof kFormatActionPrefix - 1));
        if (!f) return false;
        position_format = f;
    } else {
        return false;
    }
    Changed();
    return true;
}

bool CUnits::IsMenuActionChecked(const std::string& action) const {
    if (action == "Units:Metric") return unit_family == Metric;
    if (action == "Units:Nautical") return unit_family == Nautical;
    if (action == "Units:Statute") return unit_family == Statute;
    if (action == "Units:Bearings:True North") return bearing_mode == 0;
    if (action == "Units:Bearings:Magnetic") return bearing_mode == 1;
    if (action == "Units:Heights:Meters") return depth_unit == DepthM;
    if (action == "Units:Heights:Feet") return depth_unit == DepthFt;
    if (action.rfind(kFormatActionPrefix, 0) == 0)
        return position_format &&
               action.substr(sizeof kFormatActionPrefix - 1) == position_format->name;
    return false;
}

std::vector<std::string> CUnits::CUnitSettingsType::MenuActions() {
    std::vector<std::string> actions = {"Units:Metric",
                                        "Units:Nautical",
                                        "Units:Statute",
                                        "Units:Bearings:True North",
                                        "Units:Bearings:Magnetic",
                                        "Units:Heights:Meters",
                                        "Units:Heights:Feet"};
    for (const PositionFormatType* f = PositionFormatType::First(); f; f = f->next)
        actions.push_back(std::string(kFormatActionPrefix) + f->name);
    return actions;
}

CMenuTree* CUnits::CUnitSettingsType::addMenu(CMenuTree* menu, const std::string& path, OV_HWND) {
    for (const std::string& action : MenuActions())
        menu->Add(path + action, [action] { CUnits::Default->DoMenuAction(action); }).checked =
            CUnits::Default->IsMenuActionChecked(action);
    return menu;
}

static CUnits::CUnitSettingsType s_unitSettingsPage;

void CUnits::MarkSettingsChanged() {
    if (this == Default) s_unitsPersistor.changed = true;
}

void CUnits::Changed() {
    if (this != Default) return;
    MarkSettingsChanged();
    PersistantData::SaveAll();
    Listener<CUnits>::Dispatch(*this);
}
