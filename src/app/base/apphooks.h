// The steps of start-up and shutdown where subsystems plug in their work.
//
// The list below is the order: start-up and shutdown run the steps in the
// order written here, never in the order files happened to link. Each step
// has one user, which registers its function with a static
// AppHookRegistration next to the code it runs; a step with nothing
// registered does nothing. Work that depends on other work gets a step of
// its own after it, rather than a second function at the same step.
#pragma once

#include <QStringList>

class QQuickWindow;

enum class AppHook {
    // Start-up, before the scene is loaded.
    LoadSettings,        // all settings from "orvanta.ini"
    ApplyMapServer,      // the map server setting: before any map can open
    CreateMapCatalogue,  // the catalogue of installed maps
    LoadMarks,           // "marks.ovtf"
    LoadTracks,          // "tracks.ovtf"
    LoadLastPosition,    // "gpsdata.ovtf" into the own-position object
    OpenElevationData,   // the optional elevation store
    // Once the main window exists.
    OpenConnection,  // the data connection chosen in the settings
    // Shutdown.
    CloseConnection,
    SaveMarks,
    SaveTracks,
    SaveLastPosition,
    SaveSettings,
    SaveLayout,
    Count
};

// What a hook gets: the main window once it exists, and the argument list
// of the command line. Its first element is the program path, kept for
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

// Runs the function registered at one step; RunAppHookRange runs the
// steps from `first` to `last` in the written order.
void RunAppHooks(AppHook point, const AppHookContext& context = {});
void RunAppHookRange(AppHook first, AppHook last, const AppHookContext& context = {});
int CountAppHooks(AppHook point);
