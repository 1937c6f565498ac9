// Kinds whose live items this program does not build yet: instruments,
// track statistics, the race start, the elevation profile and some toolbar
// buttons. Their entries keep the ids and sizes so
// that pages holding them load and save unchanged; they stay out of the kind
// menu.
#include "displays/itemkind.h"

namespace {

const CPlainItemKind<33> k33("Instruments:Boat Speed");
const CPlainItemKind<34> k34("Instruments:Apparent Wind Angle");
const CPlainItemKind<35> k35("Instruments:Apparent Wind Speed");
const CPlainItemKind<36> k36("Instruments:Depth of water");
const CPlainItemKind<78> k78("Instruments:Water Temperature");
const CPlainItemKind<80> k80("Instruments:Rudder Angle");
const CPlainItemKind<81> k81("Instruments:Average Rudder Angle");
const CPlainItemKind<82> k82("Instruments:Engine RPM");
const CPlainItemKind<84> k84("Instruments:Timer:Time to start");
const CPlainItemKind<86> k86("Instruments:True Wind Direction");
const CPlainItemKind<87> k87("Instruments:True Wind Speed");
const CPlainItemKind<89> k89("Instruments:Timer:Distance to line");
const CPlainItemKind<90> k90("Instruments:Timer:ETA Early/Late at Start");
const CPlainItemKind<91> k91("Instruments:Timer:Ping Start Line Right Mark");
const CPlainItemKind<92> k92("Instruments:Timer:Ping Start Line Left Mark");
const CPlainItemKind<93> k93("Instruments:Timer:Start countdown sequence");
const CPlainItemKind<95> k95("Sensors:Barometric Pressure");
const CPlainItemKind<99> k99("Instruments:Dial True Wind", 4, 200, 200);
const CPlainItemKind<100> k100("Instruments:Dial App Wind", 4, 200, 200);
const CPlainItemKind<101> k101("Instruments:Dials:Boat speed", 4, 200, 200);
const CPlainItemKind<102> k102("GPS:Speedometer", 4, 200, 200);
const CPlainItemKind<105> k105("Instruments:Axis:True Wind Dir vs Axis");
const CPlainItemKind<106> k106("Instruments:Axis:Heading vs Axis");
const CPlainItemKind<107> k107("Instruments:Timer:Start Line Bias vs Axis");
const CPlainItemKind<108> k108("Instruments:Timer:Start-Line Bias vs True Wind");
const CPlainItemKind<109> k109("Instruments:Axis:Axis");
const CPlainItemKind<110> k110("Instruments:Axis:COG vs Axis");
const CPlainItemKind<112> k112("Instruments:True Wind Range");
const CPlainItemKind<113> k113("Instruments:True Wind Gust");
const CPlainItemKind<133> k133("Other:Profile", 6, 600, 250);
const CPlainItemKind<134> k134("Instruments:Axis:VMG along Axis");

// Toolbar buttons that wait for the overlays list, place search, marks,
// routes and the lock screen.
const CPlainItemKind<122> k122("Toolbar: Overlays Button", 7, 100, 70);
const CPlainItemKind<125> k125("Toolbar: Search", 7, 70, 50);
const CPlainItemKind<129> k129("Toolbar: Lock Screen", 7, 70, 50);

}  // namespace
