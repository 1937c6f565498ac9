// The user's units and position format, and the text forms of values.
//
// Raw values are metres (distances, depths, heights), knots (speeds),
// degrees true (bearings), degrees Celsius (temperatures) and seconds
// (durations; times of day are seconds since 1970 UTC). CUnits::Default is
// the user's choice; it is also a data source: every change made through the
// menu actions saves the settings and is dispatched to Listener<CUnits>.
//
// Positions are WGS84 latitude and longitude in degrees. A position format
// turns them into text and back; each format is one static object that
// registers itself in a list at construction (see PositionFormatType).
#pragma once

#include <string>
#include <vector>

#include "app/base/globalsettingstype.h"
#include "app/base/persistantdata.h"

class CUnits {
public:
    // Stored families beyond Metric name a short unit themselves, so the
    // type must hold any unit index.
    enum e_dist_units : int { Statute = 0, Nautical = 1, Metric = 2 };

    // Indices into the unit tables.
    enum { DistMi = 0, DistNM = 1, DistKm = 2, DistM = 3, DistFt = 4, DistYds = 5 };
    enum { SpeedMph = 0, SpeedKts = 1, SpeedKmh = 2, SpeedMs = 3 };
    enum { DepthFt = 0, DepthM = 1, DepthFathom = 2 };
    static constexpr int kDistanceUnits = 6, kSpeedUnits = 4, kDepthUnits = 3;

    // Unit names and factors: per metre for distances and depths, per knot
    // for speeds. The foot is 3.281 per metre, and the fathom 3.281 / 6.
    static const char* const kDistanceNames[kDistanceUnits];
    static const float kDistanceFactors[kDistanceUnits];
    static const char* const kSpeedNames[kSpeedUnits];
    static const float kSpeedFactors[kSpeedUnits];
    static const char* const kDepthNames[kDepthUnits];
    static const float kDepthFactors[kDepthUnits];

    // A way of writing positions. Registered at construction, newest first.
    class PositionFormatType {
    public:
        explicit PositionFormatType(const char* formatName);
        virtual ~PositionFormatType();
        PositionFormatType(const PositionFormatType&) = delete;
        PositionFormatType& operator=(const PositionFormatType&) = delete;

        // Replaces text by the position's text form; false (with a text that
        // says why, such as "<off grid>") when this format cannot show it.
        virtual bool format(double lat, double lon, std::string& text) const = 0;
        // Reads a position; false, leaving lat and lon as they were, when the
        // text does not fit. Never throws.
        virtual bool scan(const char* text, double& lat, double& lon) const = 0;

        const char* name;
        PositionFormatType* next;

        static PositionFormatType* First();
        // The format of exactly that name, else "Deg,Min".
        static PositionFormatType* Find(const std::string& formatName);
        // The format of exactly that name, else null.
        static PositionFormatType* FindExact(const std::string& formatName);
    };

    // Latitude and longitude in degrees (mode 0), degrees and minutes (1),
    // degrees, minutes and seconds (2).
    class PosFmtLatLon : public PositionFormatType {
    public:
        PosFmtLatLon(const char* formatName, int angleMode);
        bool format(double lat, double lon, std::string& text) const override;
        bool scan(const char* text, double& lat, double& lon) const override;
        const int mode;
    };
    class PosFmtDeg : public PosFmtLatLon {
    public:
        PosFmtDeg() : PosFmtLatLon("Degrees", 0) {}
    };
    class PosFmtDegMin : public PosFmtLatLon {
    public:
        PosFmtDegMin() : PosFmtLatLon("Deg,Min", 1) {}
    };
    class PosFmtDegMinSec : public PosFmtLatLon {
    public:
        PosFmtDegMinSec() : PosFmtLatLon("Deg,Min,Sec", 2) {}
    };

    // One angle with its hemisphere letter (letters[0] for >= 0, letters[1]
    // below); mode 3 is the signed value "%8.5f" without a letter.
    static void append_angle(std::string& text, double value, const char* letters, int mode);
    // "<latitude>, <longitude>" with the letters "NS" and "EW".
    static void appendPosition(std::string& text, double lat, double lon, int mode);
    // Reads degrees[sep minutes[sep seconds]] into value (999 when nothing is
    // read); returns the first letter of the text other than D and E, upper
    // case, or 0.
    static char scan_deg_min_sec(const char* text, double& value);

    CUnits();

    // Settings.
    PositionFormatType* position_format;
    e_dist_units unit_family = Statute;  // also the index of the long distance unit
    int short_unit = DistFt;             // distance unit for short distances
    int speed_unit = SpeedMph;
    int depth_unit = DepthFt;      // also used for heights
    int bearing_mode = 0;          // 0 true north, 1 magnetic
    int temperature_unit = 1;      // 0 Celsius, 1 Fahrenheit
    float magnetic_variation = 0;  // degrees east; subtracted from true bearings in magnetic mode
    double bearing_lat = 999, bearing_lon = 999;  // where the variation was computed
    double bearing_time = 999;                    // when (seconds since 1970)

    static CUnits* Default;

    // Distances, given metres.
    void FormatDistanceValue(float metres, std::string& value) const;
    void FormatDistance(float metres, std::string& value, std::string& unit) const;
    void FormatDistance(float metres, std::string& text) const;
    // Speeds, given knots.
    void FormatSpeedValue(float knots, std::string& value) const;
    void FormatSpeed(float knots, std::string& text) const;
    const char* GetSpeedUnit() const;
    // Depths and heights, given metres; -9999 or less is "---".
    void FormatDepthValue(float metres, std::string& value) const;
    void FormatDepth(float metres, std::string& text) const;
    const char* GetDepthUnit() const;
    // Temperatures, given degrees Celsius.
    void FormatTemperatureValue(float celsius, std::string& value) const;
    const char* GetTemperatureUnit() const;
    // Bearings, given degrees true: "%03d" in [000, 359]; empty for an
    // unknown bearing (900 or more).
    void FormatBearingValue(double degrees, std::string& value) const;
    void FormatBearing(double degrees, std::string& text) const;
    const char* GetBearingUnit() const;
    // The scale-bar label for nautical miles per pixel and a bar of at most
    // max_pixels; returns the bar's length in pixels (0 when nothing sensible
    // can be drawn).
    int format_scale(double nmPerPixel, std::string& label, int max_pixels) const;

    // Durations in seconds and times (seconds since 1970) in local time.
    static void FormatElapsedTime(double seconds, std::string& text);
    static void FormatElapsedTimeHoursMins(double seconds, std::string& text);
    static void FormatTimeOfDay(double time, std::string& text);
    static void Get24hTime(double time, std::string& text);
    static void FormatDate(double time, std::string& text);

    // Positions in the chosen format.
    void FormatPosition(double lat, double lon, std::string& text) const;
    bool ScanPosition(const char* text, double& lat, double& lon) const;

    // Recomputes the magnetic variation once the position has moved a degree
    // or more; time in seconds since 1970.
    void SetBearingLocation(double lat, double lon, double time);
    // Recomputes the variation at the stored position now.
    void ChangedBearingUnits();

    e_dist_units get_unit_family() const { return unit_family; }
    // The family sets the long, short, speed and (not nautical) depth and
    // temperature units.
    void set_unit_family(e_dist_units family);
    // short_unit from the family, as after loading the settings.
    void DeriveShortUnit();

    // The "Units" menu: "Units:Metric", "Units:Nautical", "Units:Statute",
    // "Units:Bearings:True North", "Units:Bearings:Magnetic",
    // "Units:Heights:Meters", "Units:Heights:Feet" and "Units:Position
    // format:<name>". Applies the action, saves and dispatches; false for an
    // action that is not one of these.
    bool DoMenuAction(const std::string& action);
    // Whether the action's choice is the current one (for check marks).
    bool IsMenuActionChecked(const std::string& action) const;

    // The "Units" settings page (order 60). Its entries are MenuActions(),
    // each applied with DoMenuAction on CUnits::Default.
    class CUnitSettingsType : public CGlobalSettingsType {
    public:
        CUnitSettingsType() : CGlobalSettingsType("Units", 60) {}
        CMenuTree* addMenu(CMenuTree* menu, const std::string& path, OV_HWND parent) override;
        // In menu order; the position formats in registration order.
        static std::vector<std::string> MenuActions();
    };

    // Saves the settings and tells the listeners (the default units only).
    void Changed();

private:
    int longUnit() const;
    int shortUnit() const;
    void MarkSettingsChanged();
};

// Keeps CUnits::Default in "orvanta.ini" under "CDefaultUnits:units",
// "speed", "depth", "posnfmt", "bearings", "temperature",
// "magnetic_variation", "bearing_lat", "bearing_lon" and "bearing_time".
class CDefaultUnits : public PersistantData {
public:
    CDefaultUnits() : PersistantData("CDefaultUnits") {}
    void DeclareData() override;

    static CUnits u;
};
