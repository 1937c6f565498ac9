// Kinds whose live items this program does not build yet: instruments,
// track statistics, the race start, the elevation profile, the drop-mark
// button and some toolbar buttons. Their entries keep the ids and sizes so that pages holding them
// load and save unchanged; they stay out of the kind menu.
#include "displays/itemkind.h"

namespace {

template <int Id>
using Planned = CPlainItemSettings<Id>;
using Kind = CDisplayView::CItemSettingsType;

const Kind k33("Instruments:Boat Speed", 33, 5, 200, 100, MakeItemSettings<Planned<33>>, false);
const Kind k34("Instruments:Apparent Wind Angle", 34, 5, 200, 100, MakeItemSettings<Planned<34>>,
               false);
const Kind k35("Instruments:Apparent Wind Speed", 35, 5, 200, 100, MakeItemSettings<Planned<35>>,
               false);
const Kind k36("Instruments:Depth of water", 36, 5, 200, 100, MakeItemSettings<Planned<36>>, false);
const Kind k50("Track: Logging Button", 50, 5, 200, 100, MakeItemSettings<Planned<50>>, false);
const Kind k51("Track: Distance travelled", 51, 5, 200, 100, MakeItemSettings<Planned<51>>, false);
const Kind k52("Track: Moving Time", 52, 5, 200, 100, MakeItemSettings<Planned<52>>, false);
const Kind k53("Track: Elapsed Time", 53, 5, 200, 100, MakeItemSettings<Planned<53>>, false);
const Kind k54("Track: Time not moving", 54, 5, 200, 100, MakeItemSettings<Planned<54>>, false);
const Kind k55("Track: Avg Moving Speed", 55, 5, 200, 100, MakeItemSettings<Planned<55>>, false);
const Kind k56("Track: Max Speed", 56, 5, 200, 100, MakeItemSettings<Planned<56>>, false);
const Kind k78("Instruments:Water Temperature", 78, 5, 200, 100, MakeItemSettings<Planned<78>>,
               false);
const Kind k80("Instruments:Rudder Angle", 80, 5, 200, 100, MakeItemSettings<Planned<80>>, false);
const Kind k81("Instruments:Average Rudder Angle", 81, 5, 200, 100, MakeItemSettings<Planned<81>>,
               false);
const Kind k82("Instruments:Engine RPM", 82, 5, 200, 100, MakeItemSettings<Planned<82>>, false);
const Kind k84("Instruments:Timer:Time to start", 84, 5, 200, 100, MakeItemSettings<Planned<84>>,
               false);
const Kind k86("Instruments:True Wind Direction", 86, 5, 200, 100, MakeItemSettings<Planned<86>>,
               false);
const Kind k87("Instruments:True Wind Speed", 87, 5, 200, 100, MakeItemSettings<Planned<87>>,
               false);
const Kind k89("Instruments:Timer:Distance to line", 89, 5, 200, 100, MakeItemSettings<Planned<89>>,
               false);
const Kind k90("Instruments:Timer:ETA Early/Late at Start", 90, 5, 200, 100,
               MakeItemSettings<Planned<90>>, false);
const Kind k91("Instruments:Timer:Ping Start Line Right Mark", 91, 5, 200, 100,
               MakeItemSettings<Planned<91>>, false);
const Kind k92("Instruments:Timer:Ping Start Line Left Mark", 92, 5, 200, 100,
               MakeItemSettings<Planned<92>>, false);
const Kind k93("Instruments:Timer:Start countdown sequence", 93, 5, 200, 100,
               MakeItemSettings<Planned<93>>, false);
const Kind k95("Sensors:Barometric Pressure", 95, 5, 200, 100, MakeItemSettings<Planned<95>>,
               false);
const Kind k99("Instruments:Dial True Wind", 99, 4, 200, 200, MakeItemSettings<Planned<99>>, false);
const Kind k100("Instruments:Dial App Wind", 100, 4, 200, 200, MakeItemSettings<Planned<100>>,
                false);
const Kind k101("Instruments:Dials:Boat speed", 101, 4, 200, 200, MakeItemSettings<Planned<101>>,
                false);
const Kind k102("GPS:Speedometer", 102, 4, 200, 200, MakeItemSettings<Planned<102>>, false);
const Kind k103("GPS: Drop Mark Button", 103, 7, 100, 70, MakeItemSettings<Planned<103>>, false);
const Kind k105("Instruments:Axis:True Wind Dir vs Axis", 105, 5, 200, 100,
                MakeItemSettings<Planned<105>>, false);
const Kind k106("Instruments:Axis:Heading vs Axis", 106, 5, 200, 100,
                MakeItemSettings<Planned<106>>, false);
const Kind k107("Instruments:Timer:Start Line Bias vs Axis", 107, 5, 200, 100,
                MakeItemSettings<Planned<107>>, false);
const Kind k108("Instruments:Timer:Start-Line Bias vs True Wind", 108, 5, 200, 100,
                MakeItemSettings<Planned<108>>, false);
const Kind k109("Instruments:Axis:Axis", 109, 5, 200, 100, MakeItemSettings<Planned<109>>, false);
const Kind k110("Instruments:Axis:COG vs Axis", 110, 5, 200, 100, MakeItemSettings<Planned<110>>,
                false);
const Kind k112("Instruments:True Wind Range", 112, 5, 200, 100, MakeItemSettings<Planned<112>>,
                false);
const Kind k113("Instruments:True Wind Gust", 113, 5, 200, 100, MakeItemSettings<Planned<113>>,
                false);
const Kind k117("Track: Resume Button", 117, 5, 200, 100, MakeItemSettings<Planned<117>>, false);
const Kind k128("Track: Average Speed Overall", 128, 5, 200, 100, MakeItemSettings<Planned<128>>,
                false);
const Kind k130("Track: Ascent", 130, 5, 200, 100, MakeItemSettings<Planned<130>>, false);
const Kind k131("Track: Descent", 131, 5, 200, 100, MakeItemSettings<Planned<131>>, false);
const Kind k133("Other:Profile", 133, 6, 600, 250, MakeItemSettings<Planned<133>>, false);
const Kind k134("Instruments:Axis:VMG along Axis", 134, 5, 200, 100, MakeItemSettings<Planned<134>>,
                false);

// Toolbar buttons that wait for the overlays list, place search, marks,
// routes and the lock screen.
const Kind k122("Toolbar: Overlays Button", 122, 7, 100, 70, MakeItemSettings<Planned<122>>, false);
const Kind k125("Toolbar: Search", 125, 7, 70, 50, MakeItemSettings<Planned<125>>, false);
const Kind k126("Toolbar: Add Mark", 126, 7, 70, 50, MakeItemSettings<Planned<126>>, false);
const Kind k127("Toolbar: Add Route", 127, 7, 70, 50, MakeItemSettings<Planned<127>>, false);
const Kind k129("Toolbar: Lock Screen", 129, 7, 70, 50, MakeItemSettings<Planned<129>>, false);

}  // namespace
