// Named points of start-up and shutdown where subsystems plug in their work.
//
// Start-up and shutdown run in a fixed order; the steps that belong to a
// subsystem (settings, the map catalogue, marks, tracks, the last position,
// elevation, the data connection, the application model) register a function
// at their point with a static AppHookRegistration next to the code they
// run. A point with nothing registered does nothing.
#pragma once

#include <QStringList>

class QQuickWindow;

enum class AppHook {
    LoadSettings,          // all settings from "orvanta.ini"
    CreateMapCatalogue,    // the catalogue of installed maps
    LoadMarks,             // "marks.ovtf"
    LoadTracks,            // "tracks.ovtf"
    LoadLastPosition,      // "gpsdata.ovtf" into the own-position object
    OpenElevationData,     // the optional elevation store
    SceneReady,            // main window exists: connection, model, device state
    ProcessCommandLine,    // start-up arguments and those of a second start
    CloseConnection,       // first step of shutdown
    SaveMarks,
    SaveTracks,
    SaveLastPosition,
    SaveSettings,
    SaveLayout,
    Count
};

// What a hook gets: the main window once it exists, and the argument list
// for ProcessCommandLine. Its first element is the program path, kept for
// the record: it is never to be opened as a file.
struct AppHookContext {
    QQuickWindow* window = nullptr;
    QStringList arguments;
};

class AppHookRegistration {
public:
    using Function = void (*)(const AppHookContext&);
    AppHookRegistration(AppHook point, Function function);

private:
    friend void RunAppHooks(AppHook, const AppHookContext&);
    friend int CountAppHooks(AppHook);
    AppHook m_point;
    Function m_function;
    AppHookRegistration* m_next;
};

// Runs every function registered at a point, in registration order.
void RunAppHooks(AppHook point, const AppHookContext& context = {});
int CountAppHooks(AppHook point);
