// Files named on the command line (at start-up, or by a second start):
//   a folder            its maps join the catalogue for this run;
//   a map file (.ktl)   its folder joins the catalogue and the map opens;
//   an NMEA log         it is replayed as the "Simulation File" connection
//   (.nmea .log .txt)   and the map follows the position.
// Anything else is reported in the debug log and left alone.
#pragma once

#include <QStringList>

class CKartileView;

// Returns how many arguments were acted on. The first argument is the
// program path and is skipped.
int ProcessCommandLineFiles(const QStringList& arguments, CKartileView* view);
