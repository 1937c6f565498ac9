// The GPS family: text items showing the own position, course, speed, time,
// altitude, fix accuracy, satellites and an odometer. Each listens to its
// data source while its page is on show and formats with CUnits::Default.
#pragma once

#include <string>

#include "app/base/datasource.h"
#include "data/datagpsposition.h"
#include "data/datagpssatellitesignals.h"
#include "displays/displayview.h"

namespace NDisplayGPS {

// A text item that shows the own position record whenever it changes.
class PositionTextItem : public CDisplayView::CItemText, public Listener<CDataGPSPosition> {
public:
    explicit PositionTextItem(CDisplayView::CItemSettings& settings);
    void OnUpdate(CDataGPSPosition& position) override { Show(position); }
    virtual void Show(const CDataGPSPosition& position) = 0;
};

#define ORVANTA_GPS_ITEM(Name, Id)                            \
    class Name : public PositionTextItem {                    \
    public:                                                   \
        static constexpr int kTypeId = Id;                    \
        explicit Name(CDisplayView::CItemSettings& settings); \
        void Show(const CDataGPSPosition& position) override; \
    };
ORVANTA_GPS_ITEM(COG, 41)
ORVANTA_GPS_ITEM(SOG, 42)
ORVANTA_GPS_ITEM(Position, 43)
ORVANTA_GPS_ITEM(Status, 44)
ORVANTA_GPS_ITEM(Altitude, 45)
ORVANTA_GPS_ITEM(Time, 46)
ORVANTA_GPS_ITEM(AvgCourse, 48)
ORVANTA_GPS_ITEM(AvgSpeed, 49)
ORVANTA_GPS_ITEM(TimeSeconds, 68)
#undef ORVANTA_GPS_ITEM

class CompassHeading : public CDisplayView::CItemText, public Listener<CDataSpeedDirection> {
public:
    static constexpr int kTypeId = 47;
    explicit CompassHeading(CDisplayView::CItemSettings& settings);
    void OnUpdate(CDataSpeedDirection& direction) override;
};

class NumSatellites : public CDisplayView::CItemText, public Listener<CDataGPSSatelliteSignals> {
public:
    static constexpr int kTypeId = 76;
    explicit NumSatellites(CDisplayView::CItemSettings& settings);
    void OnUpdate(CDataGPSSatelliteSignals& signals) override;
    // Mean strength (dB-Hz, integer division) of the five strongest channels
    // that carry a signal; 0 with none.
    static int SignalMean(const CDataGPSSatelliteSignals& signals);
};

// Position on two lines: a text longer than 9 characters breaks at the first
// blank at or after 3/8 of its length when the item is narrower than 3.5
// times its height.
std::string PositionLines(const std::string& text, double width, double height);

// "3:45pm" -> value "3:45", title "Time: PM"; a 24-hour text keeps "Time".
void SplitTimeOfDay(const std::string& formatted, std::string& title, std::string& value);

}  // namespace NDisplayGPS
