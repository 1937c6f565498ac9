// What the application model makes of the files and links handed to it:
// the kind of a file (by its content first, its extension second), the
// command a link asks for, the name a downloaded file may be saved under,
// and where the window may open.
#pragma once

#include <QRect>
#include <QString>

enum class AppFileKind {
    Missing,    // nothing at the path
    MapFolder,  // a folder: its maps join the catalogue
    MapFile,    // a classic map file
    NmeaLog,    // recorded NMEA, replayed as the simulation
    Layout,     // a whole page layout (.pstf)
    Page,       // one page (.dvpage)
    Marks,      // files of the typed serializer, by their magic
    Routes,
    Tracks,
    LastPosition,
    MapPackage,  // a list of maps on a server (.ovpkg), downloaded beside it
    Gpx,         // GPX marks, routes and tracks, by its root element
    Unknown,
};

AppFileKind ClassifyFile(const QString& path);
// "map file", "page file"...: for messages and the debug log.
const char* AppFileKindName(AppFileKind kind);

// An "ovmap", "http" or "https" link: the last component of its path,
// lower-cased, and its query. False for anything else.
bool ParseActivityLink(const QString& argument, QString* command, QString* query);

// The name a file fetched for a link is saved under in the data folder: the
// base name with only letters, digits and "_-+." kept, no leading dot, and
// one of the extensions the program opens. Empty when the extension is not
// one of them.
QString SafeDownloadName(const QString& name);

// The window's place and size: the saved rectangle, else `fallback`
// centred, shrunk to fit the available area and moved inside it.
QRect FitWindowToScreen(const QRect& saved, const QSize& fallback, const QRect& available);
