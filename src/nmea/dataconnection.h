// CDataConnection: the one live input of the program, the *current
// connection*, and the catalogue of connection types it is made from.
//
// A connection turns its input into NMEA 0183 lines and hands each to
// CNMEASentence::DispatchSentence with itself as the source; it also listens
// to outgoing sentences (CNMEA_Raw) and writes those its output filter
// accepts back to the device. Transports (serial, TCP, UDP, the location
// service, a simulation file) derive from it and register a type with a
// static CConnectionTypeOf<T> next to their class.
//
// Contract for a transport: clear `inactive` once it delivers; put a failure
// text into `status` before Open() returns false; DebugLog() every received
// line before dispatching it.
//
// Everything here runs on the main thread.
#pragma once

#include <cstdint>
#include <cstdio>
#include <functional>
#include <list>
#include <memory>
#include <string>
#include <vector>

#include "app/base/datasource.h"
#include "nmea/nmea_filter.h"
#include "nmea/nmea_raw.h"

using OV_HWND = void*;

// The data side of a connection's settings dialog. The front end shows it,
// lets the user change the fields of the derived dialog and reports the
// dismissal code: 0 accepted, anything else rejected.
class CConnectionDialog {
public:
    virtual ~CConnectionDialog() = default;
    std::string title;
};

class CDataConnection : public Listener<CNMEA_Raw> {
public:
    // One entry of the catalogue per transport. The list is kept in menu
    // order by `rank`, whatever order the static objects are built in.
    class CConnectionType {
    public:
        CConnectionType(const char* typeName, int32_t typeId, int rank);
        virtual ~CConnectionType();
        CConnectionType(const CConnectionType&) = delete;
        CConnectionType& operator=(const CConnectionType&) = delete;

        virtual CDataConnection* New() const = 0;
        static CConnectionType* Find(int32_t id);

        const char* name;  // menu label
        int32_t id;        // ASCII letter code, persisted as the chosen type
        int rank;
        CConnectionType* next = nullptr;

        static CConnectionType* first_type;
    };

    template <class T>
    class CConnectionTypeOf : public CConnectionType {
    public:
        using CConnectionType::CConnectionType;
        CDataConnection* New() const override { return new T; }
    };

    // Type ids.
    static constexpr int32_t kSerial = 'S';
    static constexpr int32_t kLocationService = 'G';
    static constexpr int32_t kUDP = 'O';
    static constexpr int32_t kTCP = 'I';
    static constexpr int32_t kSimulation = 'J';
    static constexpr int32_t kNone = 'F';
    static constexpr int32_t kDefaultType = kLocationService;

    CDataConnection();
    ~CDataConnection() override;

    // An outgoing sentence: written out when it did not come from this
    // connection and the output filter, starting from reject, accepts it.
    void OnUpdate(CNMEA_Raw& sentence) override;

    // Lets the user set the connection up; done(true) when it may be opened.
    virtual void Configure(OV_HWND parent, const std::function<void(bool)>& done);
    virtual bool Open() = 0;
    virtual void Close() = 0;
    // Writes text (a whole sentence with CR LF) to the device.
    virtual bool Output(const char* text);
    virtual void ContinueWhilePaused() {}
    virtual void resumeFromBackground() {}

    // Stops listening to outgoing sentences for good (no output filter).
    void StopOutput() { Detach(); }

    bool inactive = true;  // not yet delivering
    std::string status;    // last status or error text for the user
    bool debuggable = false;
    bool simulated = false;    // positions from here get the simulated fix status
    std::string display_name;  // short name of the input (serial: the device's file name)
    CNMEA_filter output_filter;
    int32_t type_id = 0;

    // ---- the current connection ----

    static std::unique_ptr<CDataConnection> theConnection;
    static int32_t gps_connection_type;            // persisted; 0 = none chosen
    static std::list<std::string> output_filters;  // persisted rules for every new connection

    // A new, unopened connection of type id, or null for an unknown id.
    static CDataConnection* Create(int32_t id);
    // Replaces the current connection by one of the persisted type and opens it.
    static void CreateConnection();
    // The "GPS Connection" menu of the catalogue (needs a menu presenter).
    static void SelectConnectionType(OV_HWND parent, const std::function<void(bool)>& done);
    static void onConnectionSelected(OV_HWND parent, CConnectionType* type,
                                     const std::function<void(bool)>& done);
    static bool usingDefaultType() { return gps_connection_type == kDefaultType; }
    // Drops the current connection (closed and deleted); safe when none.
    static void DestroyConnection();

    static void AppWasPaused();
    static void AppWasResumed();
    static void AppWasDestroyed();
    static void UpdatedBackgroundSettings() {}  // nothing to do on this platform

    // Marks the settings changed and saves them all.
    static void SaveSettings();

    // ---- the NMEA debug log "nmea_debug.txt" in the temporary folder ----

    static void startDebug();
    // Closes the log; with a parent, offers it to the user to keep elsewhere.
    static void stopDebug(OV_HWND parent);
    static bool isDebugging() { return debug_file != nullptr; }
    static void DebugLog(const char* line);
    static std::string DebugLogPath();
    // Moves a file, copying and deleting when a rename cannot cross file systems.
    static bool MoveFile(const std::string& from, const std::string& to);

    static FILE* debug_file;

    // ---- what the user interface and other parts plug in ----

    // Shows an action-sheet menu; chosen is the entry's index or -1.
    using MenuPresenter = std::function<void(OV_HWND parent, const std::string& title,
                                             const std::vector<std::string>& entries, int checked,
                                             std::function<void(int chosen)> done)>;
    static MenuPresenter menu_presenter;
    // Shows a settings dialog; reports the dismissal code. Without one every
    // dialog is rejected.
    using DialogPresenter = std::function<void(OV_HWND parent, CConnectionDialog& dialog,
                                               std::function<void(int code)> done)>;
    static DialogPresenter dialog_presenter;
    static void ShowDialog(OV_HWND parent, std::shared_ptr<CConnectionDialog> dialog,
                           std::function<void(int code)> done);
    // True while a track is being recorded (filled by the track manager).
    static bool (*track_being_recorded)();
};

// The "None" connection: delivers nothing.
class CNoConnection : public CDataConnection {
public:
    bool Open() override {
        inactive = false;
        return true;
    }
    void Close() override {}
};
