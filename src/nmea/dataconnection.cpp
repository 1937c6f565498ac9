#include "nmea/dataconnection.h"

#include <errno.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QDebug>
#include <cstring>

#include "app/base/apphooks.h"
#include "app/base/backgroundactivity.h"
#include "app/base/directories.h"
#include "app/base/filedialogs.h"
#include "app/base/fileutils.h"
#include "app/base/persistantdata.h"
#include "app/base/statusmessage.h"
#include "data/overlaygpsposition.h"

CDataConnection::CConnectionType* CDataConnection::CConnectionType::first_type = nullptr;
std::unique_ptr<CDataConnection> CDataConnection::theConnection;
int32_t CDataConnection::gps_connection_type = CDataConnection::kDefaultType;
std::list<std::string> CDataConnection::output_filters;
FILE* CDataConnection::debug_file = nullptr;
CDataConnection::MenuPresenter CDataConnection::menu_presenter;
CDataConnection::DialogPresenter CDataConnection::dialog_presenter;
bool (*CDataConnection::track_being_recorded)() = nullptr;

namespace {

const char kDebugFileName[] = "nmea_debug.txt";

class DataConnectionPersistor : public PersistantData {
public:
    DataConnectionPersistor() : PersistantData("CDataConnection") {}
    void DeclareData() override {
        Declare("gps_connection_type", CDataConnection::gps_connection_type);
        Declare("output_filters", CDataConnection::output_filters);
    }
};
DataConnectionPersistor s_persistor;

const CDataConnection::CConnectionTypeOf<CNoConnection> s_noneType("None", CDataConnection::kNone,
                                                                   6);

// The chosen connection opens once the window is up and closes first at exit.
const AppHookRegistration s_openAtStart(AppHook::OpenConnection, [](const AppHookContext&) {
    CDataConnection::AppWasResumed();
    CDataConnection::UpdatedBackgroundSettings();
});
const AppHookRegistration s_closeAtExit(AppHook::CloseConnection, [](const AppHookContext&) {
    CDataConnection::AppWasDestroyed();
});

}  // namespace

// ---- catalogue ------------------------------------------------------------

CDataConnection::CConnectionType::CConnectionType(const char* typeName, int32_t typeId,
                                                  int menuRank)
    : name(typeName), id(typeId), rank(menuRank) {
    CConnectionType** at = &first_type;
    while (*at && (*at)->rank <= rank) at = &(*at)->next;
    next = *at;
    *at = this;
}

CDataConnection::CConnectionType::~CConnectionType() {
    for (CConnectionType** at = &first_type; *at; at = &(*at)->next)
        if (*at == this) {
            *at = next;
            break;
        }
}

CDataConnection::CConnectionType* CDataConnection::CConnectionType::Find(int32_t id) {
    for (CConnectionType* t = first_type; t; t = t->next)
        if (t->id == id) return t;
    return nullptr;
}

// ---- one connection ---------------------------------------------------------

CDataConnection::CDataConnection() = default;

CDataConnection::~CDataConnection() {
    stopDebug(nullptr);
}

void CDataConnection::OnUpdate(CNMEA_Raw& sentence) {
    if (sentence.source == this) return;
    bool accept = false;
    output_filter.apply(sentence.text, accept);
    if (accept) Output(sentence.text);
}

void CDataConnection::Configure(OV_HWND, const std::function<void(bool)>& done) {
    if (done) done(true);
}

bool CDataConnection::Output(const char*) {
    return false;
}

// ---- the current connection ---------------------------------------------------

CDataConnection* CDataConnection::Create(int32_t id) {
    CConnectionType* type = CConnectionType::Find(id);
    if (!type) return nullptr;
    CDataConnection* connection = type->New();
    connection->type_id = id;
    return connection;
}

void CDataConnection::DestroyConnection() {
    if (!theConnection) return;
    // Moved out first, so that nothing reached from Close() sees a half-gone connection.
    std::unique_ptr<CDataConnection> old = std::move(theConnection);
    old->Close();
}

void CDataConnection::CreateConnection() {
    DestroyConnection();
    theConnection.reset(Create(gps_connection_type));
    if (!theConnection && gps_connection_type != kDefaultType) {
        gps_connection_type = kDefaultType;
        theConnection.reset(Create(kDefaultType));
    }
    if (!theConnection) {
        SetStatusMessage("The GPS Connection Type is not available");
        return;
    }
    if (output_filters.empty()) theConnection->StopOutput();
    for (const std::string& rule : output_filters) theConnection->output_filter.add(rule.c_str());
    theConnection->Open();
    SetStatusMessage(theConnection->status);
}

void CDataConnection::SaveSettings() {
    s_persistor.changed = true;
    PersistantData::SaveAll();
}

void CDataConnection::SelectConnectionType(OV_HWND parent, const std::function<void(bool)>& done) {
    std::vector<CConnectionType*> types;
    std::vector<std::string> entries;
    int checked = -1;
    for (CConnectionType* t = CConnectionType::first_type; t; t = t->next) {
        if (t->id <= 0) continue;
        if (t->id == gps_connection_type) checked = int(types.size());
        types.push_back(t);
        entries.emplace_back(t->name);
    }
    auto chosen = [parent, types, done](int index) {
        if (index < 0 || index >= int(types.size())) {
            if (done) done(false);
            return;
        }
        onConnectionSelected(parent, types[size_t(index)], done);
    };
    if (!menu_presenter) {
        chosen(-1);
        return;
    }
    menu_presenter(parent, "GPS Connection", entries, checked, chosen);
}

void CDataConnection::onConnectionSelected(OV_HWND parent, CConnectionType* type,
                                           const std::function<void(bool)>& done) {
    gps_connection_type = 0;
    DestroyConnection();
    if (!type) {
        if (done) done(false);
        return;
    }
    theConnection.reset(Create(type->id));
    if (!theConnection) {
        if (done) done(false);
        return;
    }
    CDataConnection* configured = theConnection.get();
    const int32_t id = type->id;
    configured->Configure(parent, [configured, id, done](bool ok) {
        // The user may have chosen another type while this dialog was open.
        if (!ok || theConnection.get() != configured) {
            if (done) done(false);
            return;
        }
        const bool opened = configured->Open();
        if (opened) {
            gps_connection_type = id;
            SaveSettings();
        }
        SetStatusMessage(configured->status);
        if (done) done(opened);
    });
}

void CDataConnection::AppWasPaused() {
    UpdatedBackgroundSettings();
    const bool keepRunning =
        HasBackgroundActivity() || (COverlayGPSPosition::record_in_background_mode &&
                                    track_being_recorded && track_being_recorded());
    if (keepRunning) {
        if (theConnection) theConnection->ContinueWhilePaused();
        return;
    }
    if (theConnection && !theConnection->inactive) DestroyConnection();
}

void CDataConnection::AppWasResumed() {
    if (!theConnection)
        CreateConnection();
    else if (!theConnection->inactive)
        theConnection->resumeFromBackground();
}

void CDataConnection::AppWasDestroyed() {
    DestroyConnection();
}

void CDataConnection::ShowDialog(OV_HWND parent, std::shared_ptr<CConnectionDialog> dialog,
                                 std::function<void(int)> done) {
    if (!dialog_presenter) {
        done(1);
        return;
    }
    CConnectionDialog& shown = *dialog;
    // The dialog lives until the presenter reports back.
    dialog_presenter(parent, shown, [dialog = std::move(dialog), done = std::move(done)](int code) {
        done(code);
    });
}

// ---- debug log ------------------------------------------------------------------

std::string CDataConnection::DebugLogPath() {
    return getTmpDirectory() + "/" + kDebugFileName;
}

void CDataConnection::startDebug() {
    if (debug_file) return;
    const std::string path = DebugLogPath();
    // Whatever sits at the fixed name goes first (a link planted there is
    // removed, not followed); O_EXCL then refuses anything planted meanwhile.
    if (::unlink(path.c_str()) != 0 && errno != ENOENT) return;
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (fd < 0) return;
    debug_file = ::fdopen(fd, "w");
    if (!debug_file) ::close(fd);
}

void CDataConnection::DebugLog(const char* line) {
    if (!debug_file) return;
    std::fputs(line, debug_file);
    std::fputc('\n', debug_file);
}

bool CDataConnection::MoveFile(const std::string& from, const std::string& to) {
    if (::rename(from.c_str(), to.c_str()) == 0) return true;
    if (errno != EXDEV) return false;
    if (!CopyFile(from, to)) return false;
    ::unlink(from.c_str());
    return true;
}

void CDataConnection::stopDebug(OV_HWND parent) {
    if (!debug_file) return;
    std::fclose(debug_file);
    debug_file = nullptr;
    if (!parent) return;
    ExportFileAs(parent, "text/plain", kDebugFileName, [](const std::string& destination) {
        if (destination.empty()) return;
        if (!MoveFile(DebugLogPath(), destination))
            qWarning().noquote() << "Could not move the NMEA log to"
                                 << QString::fromStdString(destination);
    });
}
