// The application model's side of the online services: opening map
// packages (closing and reopening the maps they may replace), the
// find-place dialog over the shown map's place names, and the map view's
// lookup of a free map where no installed map covers the place.
#include <QFileInfo>
#include <QUrl>
#include <utility>

#include "app/base/statusmessage.h"
#include "app/base/stringutils.h"
#include "app/mainmenus.h"
#include "app/orvantaappmodel.h"
#include "maps/chartlist.h"
#include "maps/kartile.h"
#include "maps/webworker.h"
#include "mapview/kartileview.h"
#include "online/freemaplookup.h"
#include "online/mappackagedownload.h"
#include "online/progressdialogdata.h"
#include "online/progresspresenter.h"
#include "online/searchproviders.h"
#include "overlays/markmanager.h"
#include "overlays/overlaymark.h"

namespace {

void lookUpFreeMap(CKartileView* view, double lat, double lon, const CKartileView::Callback& done) {
    // The map-list service lives on the map server.
    const QUrl service(QString::fromStdString(CWebWorker::serverSetting()));
    FetchBestFreeMap(service, lat, lon, CChartList::DownloadedMapsFolder(),
                     [view, done](const std::string& path) {
                         // The view may have gone while the map came.
                         if (path.empty() || !theApp || theApp->mapView(false) != view) {
                             if (done) done(false);
                             return;
                         }
                         if (CChartList* list = CChartList::the_list) list->Refresh();
                         view->onOpen(path, true, done);
                     });
}

// The user's marks whose names hold the text; a hidden one is shown when chosen.
std::vector<SearchableObject> findMarks(const std::string& text) {
    std::vector<SearchableObject> found;
    for (const auto& mark : CMarkManager::theManager.marks) {
        if (mark->deleted || !mark->HasPosition() || findNocase(mark->name, text) < 0) continue;
        COverlayMark* m = mark.get();
        found.push_back({m->name, CBounds(m->lon, m->lon, m->lat, m->lat), [m] {
                             if (m->visible) return;
                             m->visible = true;
                             CMarkManager::theManager.marks_changed = true;
                             m->Dispatch(COverlayObject::kChanged);
                         }});
    }
    return found;
}

int s_marksProvider = 0;

}  // namespace

void COrvantaAppModel::installOnlineHooks(bool on) {
    SearchProviders::Unregister(s_marksProvider);
    s_marksProvider = on ? SearchProviders::Register("Marks", 10, findMarks) : 0;
    MainMenuHooks::instance().search = on ? [](OV_HWND) {
        if (theApp) theApp->onSearchButton();
    } : std::function<void(OV_HWND)>();
    CMapPackageDownload::closeAllMapsPendingDownload = on ? [] {
        if (theApp) theApp->closeAllMapsPendingDownload();
    } : std::function<void()>();
    CMapPackageDownload::reopenAllMapsAfterDownload = on ? [] {
        if (theApp) theApp->reopenAllMapsAfterDownload();
    } : std::function<void()>();
    CKartileView::free_map_lookup = on ? lookUpFreeMap : CKartileView::FreeMapLookup();
}

bool COrvantaAppModel::openPackage(const QString& path) {
    if (m_package && !m_package->finished()) {
        refuse("A map package is already downloading.");
        return false;
    }
    m_packageFolder = QFileInfo(path).absolutePath().toStdString();
    auto progress = std::make_shared<CProgressDialogData>("Download maps");
    m_package = std::make_unique<CMapPackageDownload>(
        path.toStdString(),
        [this, name = QFileInfo(path).fileName().toStdString()](bool ok) {
            if (CChartList* list = CChartList::the_list) {
                list->AddSearchFolder(m_packageFolder);
                list->Refresh();
            }
            const int written = int(m_package->filesWritten().size());
            const int listed = int(m_package->package().files.size());
            if (ok)
                SetStatusMessage(name + ": " +
                                 (written == 0
                                      ? "all " + std::to_string(listed) + " files are up to date"
                                      : std::to_string(written) + " of " + std::to_string(listed) +
                                            " files downloaded or repaired"));
            else
                refuse("Downloading the maps of " + name + " failed:\n" +
                       m_package->errorMessage());
        },
        progress);
    ShowProgressDialog(nullptr, progress);
    m_package->Start();
    return true;
}

void COrvantaAppModel::closeAllMapsPendingDownload() {
    m_closedMap.clear();
    CKartileView* view = mapView(false);
    if (!view || !view->renderer().map()) return;
    const std::string path = view->renderer().map()->path();
    if (path.rfind(m_packageFolder + "/", 0) != 0) return;
    m_closedMap = path;
    view->GetCurrentMapView();
    view->Close();
}

void COrvantaAppModel::reopenAllMapsAfterDownload() {
    if (m_closedMap.empty()) return;
    const std::string path = std::exchange(m_closedMap, {});
    if (CKartileView* view = mapView(false)) view->onOpen(path, false, {});
}

QString COrvantaAppModel::placeDatabaseForShownMap() {
    CKartileView* view = mapView(false);
    CChartList* list = CChartList::the_list;
    if (!view || !view->renderer().map() || !list) return {};
    return QString::fromStdString(list->getAssocFile(view->renderer().map()->path(), "ovnm"));
}

void COrvantaAppModel::onSearchButton() {
    Q_EMIT findPlaceRequested(placeDatabaseForShownMap());
}
