// The instrument family's text items: boat speed, depth, water
// temperature, apparent and true wind, gusts, rudder, engine speed and the
// barometer. Each listens to a parsed instrument sentence or to the true
// wind objects while its page is on show; values are in the user's units.
#pragma once

#include "app/base/datasource.h"
#include "data/datagpsposition.h"
#include "data/datatruewind.h"
#include "displays/displayview.h"
#include "nmea/nmea_instruments.h"

namespace NDisplayInstruments {

// A text item fed by one kind of sentence (or live value) T.
template <class T>
class SourceTextItem : public CDisplayView::CItemText, public Listener<T> {
public:
    SourceTextItem(CDisplayView::CItemSettings& settings, const char* title, const char* units)
        : CItemText(settings) {
        SetTitleUnits(title, units);
    }
    void OnUpdate(T& value) override { Show(value); }
    virtual void Show(const T& value) = 0;
};

#define ORVANTA_INSTRUMENT_ITEM(Name, Id, Source)             \
    class Name : public SourceTextItem<Source> {              \
    public:                                                   \
        static constexpr int kTypeId = Id;                    \
        explicit Name(CDisplayView::CItemSettings& settings); \
        void Show(const Source& value) override;              \
    };
ORVANTA_INSTRUMENT_ITEM(BoatSpeed, 33, CNMEA_Instruments::VHW)
ORVANTA_INSTRUMENT_ITEM(WaterTemperature, 78, CNMEA_Instruments::MTW)
ORVANTA_INSTRUMENT_ITEM(ApparentWindAngle, 34, CNMEA_Instruments::MWV)
ORVANTA_INSTRUMENT_ITEM(ApparentWindSpeed, 35, CNMEA_Instruments::MWV)
ORVANTA_INSTRUMENT_ITEM(TrueWindDirection, 86, CDataTrueWind)
ORVANTA_INSTRUMENT_ITEM(TrueWindSpeed, 87, CDataTrueWind)
ORVANTA_INSTRUMENT_ITEM(TrueWindRange, 112, CDataTrueWind)
ORVANTA_INSTRUMENT_ITEM(TrueWindGust, 113, CDataTrueWind)
ORVANTA_INSTRUMENT_ITEM(RudderAngle, 80, CNMEA_Instruments::RSA)
ORVANTA_INSTRUMENT_ITEM(AverageRudderAngle, 81, CNMEA_Instruments::RSA)
ORVANTA_INSTRUMENT_ITEM(EngineRPM, 82, CNMEA_Instruments::RPM)
#undef ORVANTA_INSTRUMENT_ITEM

// Depth from DBT, or from DPT with its offset (to the waterline when
// positive, to the keel when negative).
class WaterDepth : public SourceTextItem<CNMEA_Instruments::DBT>,
                   public Listener<CNMEA_Instruments::DPT> {
public:
    static constexpr int kTypeId = 36;
    explicit WaterDepth(CDisplayView::CItemSettings& settings);
    void Show(const CNMEA_Instruments::DBT& dbt) override;
    void OnUpdate(CNMEA_Instruments::DPT& dpt) override;
    using SourceTextItem<CNMEA_Instruments::DBT>::OnUpdate;
};

}  // namespace NDisplayInstruments

namespace NDisplayBarometer {

// The platform barometer in hPa (mBar), read on every position update.
class Pressure : public CDisplayView::CItemText, public Listener<CDataGPSPosition> {
public:
    static constexpr int kTypeId = 95;
    explicit Pressure(CDisplayView::CItemSettings& settings);
    void OnUpdate(CDataGPSPosition&) override { Show(); }
    void Show();
};

}  // namespace NDisplayBarometer
