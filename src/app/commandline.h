// Files named on the command line (at start-up, or by a second start):
//   a folder            its maps join the catalogue for this run;
//   a map file (.ktl)   its folder joins the catalogue and the map opens;
//   an NMEA log         it is replayed as the "Simulation File" connection
//   (.nmea .log .txt)   and the map follows the position.
// Anything else is reported in the debug log and left alone.
#pragma once

#include <QStringList>
#include <functional>

class CKartileView;

// What a file asks of the map view; run now or when a map is next on show.
using MapViewAction = std::function<void(CKartileView&)>;

// Returns how many arguments were acted on. The first argument is the
// program path and is skipped. onMap receives the map view's part of each.
int ProcessCommandLineFiles(const QStringList& arguments,
                            const std::function<void(MapViewAction)>& onMap);
