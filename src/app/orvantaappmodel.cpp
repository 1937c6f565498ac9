#include "app/orvantaappmodel.h"

#include <QtQml/qqml.h>
#include <QColor>
#include <QCoreApplication>
#include <QDebug>
#include <QDir>
#include <QFileInfo>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QQuickWindow>
#include <QScreen>
#include <QUrlQuery>

#include "app/appfiles.h"
#include "app/base/directories.h"
#include "app/base/fileutils.h"
#include "app/base/messagebox.h"
#include "app/base/persistantdata.h"
#include "app/base/statusmessage.h"
#include "app/base/stringutils.h"
#include "app/mainmenus.h"
#include "app/singleapplication.h"
#include "app/userengagement.h"
#include "data/overlaygpsposition.h"
#include "displays/displayviewarrangementset.h"
#include "displays/itemarrangement.h"
#include "displays/quick/displayviewpage.h"
#include "maps/chartlist.h"
#include "mapview/displayviewkartile.h"
#include "mapview/dvikartilewindow.h"
#include "mapview/kartileview.h"
#include "nmea/dataconnection.h"
#include "nmea/nmeasimulation.h"
#include "online/mappackagedownload.h"
#include "overlays/gpximport.h"
#include "overlays/markmanager.h"
#include "overlays/markmenu.h"
#include "overlays/overlayfiles.h"
#include "overlays/serializable.h"

COrvantaAppModel* theApp = nullptr;
int COrvantaAppModel::engagementInterval_ms = 60000;

namespace {

void registerQmlType() {
    qmlRegisterType<COrvantaAppModel>("Orvanta", 1, 0, "AppModel");
}
Q_COREAPP_STARTUP_FUNCTION(registerQmlType)

const char kProblem[] = "Problem";

// Settings of the window and theme, persisted as "COrvantaAppModel".
struct ModelSettings {
    bool darkTheme = false;
    int windowX = 0, windowY = 0, windowWidth = 0, windowHeight = 0;  // 0 x 0: never saved
    std::string helpAddress = "https://orvanta.org/help/";
};
ModelSettings s_settings;

class AppModelPersistor : public PersistantData {
public:
    AppModelPersistor() : PersistantData("COrvantaAppModel") {}
    void DeclareData() override {
        Declare("dark_theme", s_settings.darkTheme);
        Declare("window_x", s_settings.windowX);
        Declare("window_y", s_settings.windowY);
        Declare("window_width", s_settings.windowWidth);
        Declare("window_height", s_settings.windowHeight);
        Declare("help_address", s_settings.helpAddress);
    }
};
AppModelPersistor s_persistor;

void markSettingsChanged(const char* key) {
    if (PersistantData* p = PersistantData::find_persistor(key)) p->changed = true;
}

// The marks of a marks file: the object list, then the template.
class MarksFile : public CSerializable {
public:
    bool Serialize(IOStream& stream) override {
        Section section(stream);
        CSerializableDeclareStatic<COverlayMark> list(marks);
        if (!list.Serialize(stream)) return false;
        COverlayMark defaults;
        defaults.Serialize(stream);
        return section.Close();
    }
    std::vector<std::unique_ptr<COverlayMark>> marks;
};

// name in the folder, or "stem-2.ext"... when a file of that name is there.
QString freePath(const QDir& folder, const QString& name) {
    const QFileInfo info(name);
    QString path = folder.filePath(name);
    for (int n = 2; QFileInfo::exists(path) || QFileInfo::exists(path + ".tmp"); ++n)
        path = folder.filePath(info.completeBaseName() + '-' + QString::number(n) + '.' +
                               info.suffix());
    return path;
}

QString nameOf(const QString& path) {
    return QFileInfo(path).fileName();
}

}  // namespace

COrvantaAppModel::COrvantaAppModel(QQuickItem* parent) : QQuickItem(parent) {
    theApp = this;
    setMessageBoxPresenter([](OV_HWND, const std::string& title, const std::string& text,
                              const std::vector<std::string>& buttons,
                              std::function<void(int)> done) {
        if (theApp)
            theApp->presentMessageBox(title, text, buttons, std::move(done));
        else if (done)
            done(0);
    });
    if (auto* app = qobject_cast<SingleApplication*>(QCoreApplication::instance()))
        connect(app, &SingleApplication::receivedMessage, this,
                [this](const QByteArray& message) { messageFromAnotherInstance(0, message); });
    // What the menus' entries do beyond the menus.
    MainMenuHooks& hooks = MainMenuHooks::instance();
    hooks.helpAddress = s_settings.helpAddress;
    hooks.openUrl = [](const std::string& address) { openURL(address); };
    hooks.confirm = [](OV_HWND parent, const std::string& title, const std::string& text,
                       const std::string&, std::function<void(bool)> done) {
        MessageBoxYesNo(parent, title, text, std::move(done));
    };
    hooks.importFile = [](OV_HWND window, const std::string& path) {
        if (theApp) theApp->importFileOfAnyType(window, QString::fromStdString(path));
    };
    hooks.showOverlaysList = [](OV_HWND parent) {
        if (theApp) theApp->showOverlaysList(static_cast<QQuickItem*>(parent));
    };
    openMarkLink = [](const std::string& address) { openURL(address); };
    installOnlineHooks(true);
    m_engagement.setSingleShot(true);
    m_engagement.setInterval(engagementInterval_ms);
    connect(&m_engagement, &QTimer::timeout, this,
            [this] { CUserEngagement::instance().onEngaged(this); });
    connect(this, &COrvantaAppModel::applicationDidBecomeActive, &m_engagement,
            qOverload<>(&QTimer::start));
    connect(this, &COrvantaAppModel::applicationWillResignActive, &m_engagement, &QTimer::stop);
    m_engagement.start();
}

COrvantaAppModel::~COrvantaAppModel() {
    setMessageBoxPresenter({});
    MainMenuHooks& hooks = MainMenuHooks::instance();
    hooks.helpAddress.clear();
    hooks.openUrl = {};
    hooks.confirm = {};
    hooks.importFile = {};
    hooks.showOverlaysList = {};
    openMarkLink = {};
    installOnlineHooks(false);
    // Callers waiting for an answer hear the last button, as if cancelled.
    auto boxes = std::move(m_boxes);
    m_boxes.clear();
    if (theApp == this) theApp = nullptr;
    for (auto& [id, done] : boxes)
        if (done) done(-1);
}

// ---------------------------------------------------------------- properties

void COrvantaAppModel::setShowDoneButton(bool show) {
    if (show == m_showDoneButton) return;
    m_showDoneButton = show;
    Q_EMIT showDoneButtonChanged();
}

void COrvantaAppModel::setScreenDimmer(double level) {
    if (level == m_screenDimmer) return;
    m_screenDimmer = level;
    Q_EMIT screenDimmerChanged();
}

bool COrvantaAppModel::hasPages() const {
    CDisplayViewPageSet* set = arrangement().getPageSet();
    return set && set->pages.size() > 1;
}

QString COrvantaAppModel::statusText() const {
    return QString::fromStdString(GetStatusMessage());
}

bool COrvantaAppModel::darkTheme() const {
    return s_settings.darkTheme;
}

void COrvantaAppModel::setDarkTheme(bool dark) {
    if (dark == s_settings.darkTheme) return;
    s_settings.darkTheme = dark;
    s_persistor.changed = true;
    Q_EMIT themeChanged();
}

bool COrvantaAppModel::fullScreen() const {
    return CKartileView::full_screen;
}

void COrvantaAppModel::setFullScreen(bool on) {
    if (on == CKartileView::full_screen) return;
    CKartileView::full_screen = on;
    markSettingsChanged("CKartileView:full_screen");
    PersistantData::SaveAll();
    Q_EMIT fullscreenChanged();
}

void COrvantaAppModel::setUiControlsTimeout(int ms) {
    if (ms == m_controlsTimeout) return;
    m_controlsTimeout = ms;
    Q_EMIT appTimoutChanged();
}

QVariantList COrvantaAppModel::notifications() const {
    QVariantList list;
    for (const auto& n : CUserNotifications::instance().notifications())
        list.append(QVariantMap{{"id", n.id},
                                {"title", QString::fromStdString(n.title)},
                                {"text", QString::fromStdString(n.text)}});
    return list;
}

void COrvantaAppModel::OnUpdate(CStatusMessage&) {
    Q_EMIT statusTextChanged();
}

void COrvantaAppModel::OnUpdate(CUserNotifications&) {
    Q_EMIT notificationsChanged();
}

void COrvantaAppModel::clearStatusText() {
    SetStatusMessage({});
}

void COrvantaAppModel::dismissNotification(qlonglong id) {
    CancelSystemNotification(id);
}

// ---------------------------------------------------------------- pages

CDisplayViewArrangementSet& COrvantaAppModel::arrangement() const {
    return m_pages ? m_pages->layout() : CDisplayViewArrangementSet::theLayout();
}

void COrvantaAppModel::attachCurrentPageToItem(QQuickItem* current, QQuickItem* alternate) {
    for (CDisplayViewPage* item : {m_pages.data(), m_alternate.data()})
        if (item) disconnect(item, nullptr, this, nullptr);
    m_pages = qobject_cast<CDisplayViewPage*>(current);
    m_alternate = qobject_cast<CDisplayViewPage*>(alternate);
    if (m_alternate == m_pages) m_alternate = nullptr;
    if (!m_pages) return;
    for (CDisplayViewPage* item : {m_pages.data(), m_alternate.data()})
        if (item)
            connect(item, &CDisplayViewPage::turnRequested, this,
                    [this](int direction) { direction > 0 ? nextPage() : previousPage(); });
    connectCurrentPage();
    if (m_alternate) {
        m_alternate->setStandby(true);
        m_pages->setStandby(false);
        if (!m_pages->page()) m_pages->showPage(nullptr);
    }
    Q_EMIT pagesChanged();
    auto commands = std::move(m_pendingCommands);
    m_pendingCommands.clear();
    for (auto& [command, query] : commands) runActivityCommand(command, query);
}

// The current item's page changes and the end of arranging reach the model.
void COrvantaAppModel::connectCurrentPage() {
    connect(m_pages, &CDisplayViewPage::pageChanged, this, &COrvantaAppModel::pagesChanged);
    // Arranging ended by the page bar: the Done button has nothing left to end.
    connect(m_pages, &CDisplayViewPage::arrangingChanged, this, [this] {
        if (m_editingLayout && m_pages && !m_pages->arranging()) {
            m_editingLayout = false;
            setDoneCallback({});
        }
    });
}

void COrvantaAppModel::detachItem(QQuickItem* item) {
    if (!item) return;
    if (item == m_alternate.data()) {
        // The slide is over: the page that went away keeps no live items.
        m_alternate->showView(nullptr);
        return;
    }
    if (item != m_pages.data()) return;
    for (CDisplayViewPage* page : {m_pages.data(), m_alternate.data()})
        if (page) disconnect(page, nullptr, this, nullptr);
    m_pages = nullptr;
    m_alternate = nullptr;
}

void COrvantaAppModel::nextPage() {
    if (hasPages()) turnTo(nullptr, 1);
}

void COrvantaAppModel::previousPage() {
    if (hasPages()) turnTo(nullptr, -1);
}

// The page set steps (or goes to `page`); the new page is shown on the
// alternate item, placed one width to the right, and the items swap roles.
void COrvantaAppModel::turnTo(CDisplayView* page, int direction) {
    CDisplayViewPageSet* set = arrangement().getPageSet();
    if (page)
        set->setPage(page);
    else if (direction > 0)
        set->nextPage();
    else
        set->previousPage();
    if (!m_pages) return;
    if (!m_alternate) {
        // One item: the page changes in place.
        m_pages->showPage(nullptr);
        Q_EMIT transition(m_pages, m_pages, direction);
        return;
    }
    CDisplayView* target = set->getCurrentPage();
    if (target == m_pages->page()) return;
    m_alternate->setSize(m_pages->size());
    m_alternate->setPosition(QPointF(m_pages->x() + m_pages->width(), m_pages->y()));
    // Shown on the alternate item: attached, resized and drawn.
    m_alternate->showView(target);
    CDisplayViewPage* old = m_pages;
    disconnect(old, &CDisplayViewPage::pageChanged, this, nullptr);
    disconnect(old, &CDisplayViewPage::arrangingChanged, this, nullptr);
    m_pages = m_alternate;
    m_alternate = old;
    m_alternate->setStandby(true);
    m_pages->setStandby(false);
    connectCurrentPage();
    if (old->hasActiveFocus()) m_pages->forceActiveFocus();
    Q_EMIT transition(old, m_pages, direction);
    Q_EMIT pagesChanged();
}

void COrvantaAppModel::OnUpdate(StartReached& start) {
    CDisplayViewPageSet* set = arrangement().getPageSet();
    if (set) transitionToPage(set->bestPageForSignature(start.page_signature));
}

bool COrvantaAppModel::transitionToPage(CDisplayView* page) {
    CDisplayViewPageSet* set = arrangement().getPageSet();
    if (!page || !set || page->pageSet() != set) return false;
    turnTo(page, 1);
    return set->getCurrentPage() == page;
}

CDisplayView::CItem* COrvantaAppModel::FindLargestItemOfType(int typeId, bool switchPage) {
    CDisplayViewPageSet* set = arrangement().getPageSet();
    if (!set) return nullptr;
    CDisplayView* current = set->getCurrentPage();
    int size = -1;
    if (current)
        if (CDisplayView::CItem* item = current->FindLargestItemOfType(typeId, size)) return item;
    if (!switchPage) return nullptr;
    // Items live only on the page on show: the others are asked by their settings.
    CDisplayView* found = nullptr;
    for (auto& page : set->pages) {
        if (page.get() == current) continue;
        for (auto& settings : page->arrangement().settings)
            if (int(settings->GetTypeId()) == typeId) found = page.get();
    }
    if (!found || !transitionToPage(found)) return nullptr;
    size = -1;
    return found->FindLargestItemOfType(typeId, size);
}

CKartileView* COrvantaAppModel::mapView(bool switchPage) {
    auto* map = dynamic_cast<CDisplayViewKartile*>(
        FindLargestItemOfType(CDisplayViewKartile::kTypeId, switchPage));
    return map ? &map->view() : nullptr;
}

void COrvantaAppModel::focusOnMainPage() {
    if (m_pages) m_pages->forceActiveFocus();
}

void COrvantaAppModel::focusOnTopDialogOrMainPage() {
    if (!m_boxes.empty())
        Q_EMIT focusTopDialog();
    else
        focusOnMainPage();
}

void COrvantaAppModel::editLayout() {
    if (!m_pages || m_pages->arranging()) return;
    m_pages->setArranging(true);
    m_editingLayout = true;
    setDoneCallback([this] {
        m_editingLayout = false;
        if (m_pages) m_pages->setArranging(false);
    });
}

void COrvantaAppModel::quitApp() {
    confirmQuit(nullptr);
}

// ---------------------------------------------------------------- busy and done

void COrvantaAppModel::setAppBusy(const QString& message) {
    m_busyText = message;
    if (++m_busy == 1) Q_EMIT appBusyChanged();
}

void COrvantaAppModel::clearAppBusy() {
    if (m_busy == 0) return;
    if (--m_busy > 0) return;
    m_busyText.clear();
    Q_EMIT appBusyChanged();
    focusOnTopDialogOrMainPage();
}

void COrvantaAppModel::setDoneCallback(std::function<void()> completion) {
    m_doneCallback = std::move(completion);
    setShowDoneButton(bool(m_doneCallback));
}

void COrvantaAppModel::onDoneButton() {
    auto completion = std::move(m_doneCallback);
    m_doneCallback = nullptr;
    setShowDoneButton(false);
    if (completion) completion();
}

// ---------------------------------------------------------------- menus

void COrvantaAppModel::onMenuButtonClicked(QQuickItem* button) {
    Q_EMIT menuRequested(QStringLiteral("main"), button);
}

void COrvantaAppModel::onOverlaysButtonClicked(QQuickItem* button) {
    Q_EMIT menuRequested(QStringLiteral("overlays"), button);
}

void COrvantaAppModel::onPagesButton(QQuickItem* button) {
    Q_EMIT menuRequested(QStringLiteral("pages"), button);
}

void COrvantaAppModel::showOverlaysList(QQuickItem* parent) {
    Q_EMIT menuRequested(QStringLiteral("overlayList"), parent);
}

bool COrvantaAppModel::dropMarkAtPosition() {
    const COverlayGPSPosition& own = COverlayGPSPosition::theLatestPosition;
    if (!own.HasPosition()) {
        SetStatusMessage("No position to drop a mark at");
        return false;
    }
    CKartileView* view = mapView(false);
    const COverlayMark* mark =
        CMarkManager::theManager.CreateNewMark(view, own.latitude, own.longitude);
    if (view && view->redraw) view->redraw();
    return mark != nullptr;
}

void COrvantaAppModel::showHelpForTag(const QString& tag) {
    openURL(s_settings.helpAddress + tag.toStdString());
}

// ---------------------------------------------------------------- map

void COrvantaAppModel::onPressPlusButton() {
    if (CKartileView* view = mapView(false)) view->SmoothZoom(-1);
}

void COrvantaAppModel::onPressMinusButton() {
    if (CKartileView* view = mapView(false)) view->SmoothZoom(1);
}

void COrvantaAppModel::onLongPressPlusButton() {
    if (CKartileView* view = mapView(false)) view->ChangeMapScale(-1);
}

void COrvantaAppModel::onLongPressMinusButton() {
    if (CKartileView* view = mapView(false)) view->ChangeMapScale(1);
}

void COrvantaAppModel::onPressUserButton() {
    if (CKartileView* view = mapView(true)) view->LockOnToGPS(true);
}

void COrvantaAppModel::onLongPressUserButton() {
    double lat = 0, lon = 0;
    if (CKartileView* view = mapView(false))
        if (view->GetCenterLatLon(lat, lon)) addMark(lat, lon);
}

COverlayMark* COrvantaAppModel::addMark(double lat, double lon, const std::string& name) {
    auto mark = std::make_unique<COverlayMark>();
    mark->lat = lat;
    mark->lon = lon;
    mark->name = name.empty() ? ExpandDateAndTime("Mark %yyyy-MM-dd hh:mm%") : name;
    COverlayMark* raw = mark.get();
    CMarkManager::theManager.marks.push_back(std::move(mark));
    CMarkManager::theManager.marks_changed = true;
    raw->Dispatch(COverlayObject::kChanged);
    return raw;
}

COverlayMark* COrvantaAppModel::AddNewMark() {
    double lat = 0, lon = 0;
    if (CKartileView* view = mapView(true))
        if (view->GetCenterLatLon(lat, lon)) return addMark(lat, lon);
    const auto& live = COverlayGPSPosition::theLatestPosition;
    if (live.latitude < 90) return addMark(live.latitude, live.longitude);
    return nullptr;
}

void COrvantaAppModel::ShowAreaOnTheMap(const CBounds& bounds) {
    if (CKartileView* view = mapView(true)) {
        const FRect screen = view->screenRect();
        view->GotoLocation(bounds, int(screen.right - screen.left),
                           int(screen.bottom - screen.top));
    }
}

bool COrvantaAppModel::GetAreaShownOnTheMap(CBounds& bounds) {
    bounds = CBounds();
    if (CKartileView* view = mapView(true)) return view->GetCenterAreaOfView(bounds);
    const auto& live = COverlayGPSPosition::theLatestPosition;
    if (live.latitude > 90) return false;
    bounds.add(Vertex(live.longitude, live.latitude));
    return true;
}

// ---------------------------------------------------------------- command line

void COrvantaAppModel::messageFromAnotherInstance(quint32, const QByteArray& message) {
    // All of it: a QByteArray alone would be read only up to its first NUL.
    const QString text = QString::fromUtf8(message.constData(), message.size());
    qDebug().noquote() << "Command line from another instance:"
                       << QString(text).replace(QChar(0), QLatin1Char(' '));
    if (QQuickWindow* w = window()) {
        w->setWindowStates(w->windowStates() & ~Qt::WindowMinimized);
        w->raise();
        w->requestActivate();
    }
    // Arguments are separated by NULs; an older start separated them by spaces.
    processCommandLine(text.split(text.contains(QChar(0)) ? QChar(0) : QChar(' ')));
}

void COrvantaAppModel::processCommandLine(const QStringList& arguments) {
    for (qsizetype i = 1; i < arguments.size(); ++i) {
        const QString& argument = arguments[i];
        if (argument.isEmpty()) continue;
        QString command, query;
        if (QFileInfo::exists(argument))
            importFileOfAnyType(nullptr, argument);
        else if (ParseActivityLink(argument, &command, &query))
            onActivityCommand(command, query);
        else
            qDebug().noquote() << "Not opened (no such file):" << argument;
    }
}

void COrvantaAppModel::onActivityCommand(const QString& command, const QString& query) {
    if (!m_pages) {
        m_pendingCommands.emplace_back(command, query);
        return;
    }
    runActivityCommand(command, query);
}

void COrvantaAppModel::runActivityCommand(const QString& command, const QString& query) {
    const QUrlQuery keys(query);
    auto value = [&](const char* key) {
        return keys.queryItemValue(QLatin1String(key), QUrl::FullyDecoded);
    };
    if (command == QLatin1String("open")) {
        const QUrl link(value("link"), QUrl::StrictMode);
        QString name = value("name");
        if (name.isEmpty()) name = link.fileName();
        if (!link.isValid() ||
            (link.scheme() != QLatin1String("http") && link.scheme() != QLatin1String("https"))) {
            refuse("The link does not name a file to download.");
            return;
        }
        const QString safe = SafeDownloadName(name);
        if (safe.isEmpty()) {
            refuse("Orvanta can't open a file named \"" + name.toStdString() + "\".");
            return;
        }
        MessageBoxYesNo(nullptr, "Download",
                        "Download \"" + safe.toStdString() + "\" from " +
                            link.host().toStdString() + " and open it?",
                        [this, link, safe](bool yes) {
                            if (yes) download(link, safe);
                        });
    } else if (command == QLatin1String("mark")) {
        double lat = 0, lon = 0;
        CKartileView* view = mapView(true);
        if (!view || !view->GetCenterLatLon(lat, lon)) {
            refuse("A mark needs a map on show.");
            return;
        }
        COverlayMark* mark = addMark(lat, lon, value("name").toStdString());
        const QColor color(value("color"));
        if (!value("icon").isEmpty() || color.isValid())
            mark->SetIcon(value("icon").toStdString(),
                          color.isValid() ? GraphicsColor::fromQColor(color) : mark->color);
        bool ok = false;
        const double scale = value("scale").toDouble(&ok);
        if (ok && scale > 0) view->GotoBestMap(lat, lon, scale, {});
    } else {
        qDebug().noquote() << "Unknown link command:" << command;
    }
}

QString COrvantaAppModel::downloadFolder() {
    // A folder of their own: a download never replaces the program's own files.
    return QString::fromStdString(getAppDirectory("downloads"));
}

void COrvantaAppModel::download(const QUrl& link, const QString& name) {
    if (!m_network) m_network = new QNetworkAccessManager(this);
    QNetworkRequest request(link);
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute,
                         QNetworkRequest::NoLessSafeRedirectPolicy);
    QNetworkReply* reply = m_network->get(request);
    setAppBusy("Downloading " + name);
    const QString target = freePath(QDir(downloadFolder()), name);
    connect(reply, &QNetworkReply::finished, this,
            [this, reply, target] { downloadFinished(reply, target); });
}

void COrvantaAppModel::downloadFinished(QNetworkReply* reply, const QString& target) {
    reply->deleteLater();
    clearAppBusy();
    if (reply->error() != QNetworkReply::NoError) {
        refuse("Downloading " + nameOf(target).toStdString() +
               " failed: " + reply->errorString().toStdString());
        return;
    }
    if (!write_to_file(target.toStdString(), reply->readAll().toStdString())) {
        refuse("Could not save " + target.toStdString());
        return;
    }
    importFileOfAnyType(nullptr, target);
}

void COrvantaAppModel::importUrls(const QVariantList& urls) {
    for (const QVariant& v : urls) {
        const QUrl url = v.toUrl();
        if (url.isLocalFile())
            importFileOfAnyType(nullptr, url.toLocalFile());
        else if (QString command, query; ParseActivityLink(url.toString(), &command, &query))
            onActivityCommand(command, query);
    }
}

// ---------------------------------------------------------------- files

void COrvantaAppModel::refuse(const std::string& text) {
    MessageBoxOK(nullptr, kProblem, text);
}

bool COrvantaAppModel::importFileOfAnyType(void*, const QString& path) {
    const AppFileKind kind = ClassifyFile(path);
    const QString full = QFileInfo(path).absoluteFilePath();
    qDebug().noquote() << "Opening" << AppFileKindName(kind) << full;
    switch (kind) {
        case AppFileKind::MapFolder:
            if (CChartList* list = CChartList::the_list) {
                list->AddSearchFolder(full.toStdString());
                list->Refresh();
                return true;
            }
            return false;
        case AppFileKind::MapFile:
            return openMap(full);
        case AppFileKind::NmeaLog:
            return openNmeaLog(full);
        case AppFileKind::Layout:
            return openLayout(full);
        case AppFileKind::Page:
            return openPage(full);
        case AppFileKind::Marks:
            return importMarks(full);
        case AppFileKind::MapPackage:
            return openPackage(full);
        case AppFileKind::Gpx:
            return importGpx(full);
        case AppFileKind::Missing:
            refuse("There is no file " + full.toStdString());
            return false;
        case AppFileKind::Routes:
        case AppFileKind::Tracks:
        case AppFileKind::LastPosition:
            refuse(nameOf(full).toStdString() + " is a " + AppFileKindName(kind) +
                   ", which Orvanta can't import yet.");
            return false;
        case AppFileKind::Unknown:
            break;
    }
    refuse("Orvanta can't open " + nameOf(full).toStdString() +
           ": it is not a map, a map folder, an NMEA log, a page file or a marks file.");
    return false;
}

bool COrvantaAppModel::openMap(const QString& path) {
    if (CChartList* list = CChartList::the_list) {
        list->AddSearchFolder(QFileInfo(path).absolutePath().toStdString());
        list->Refresh();
    }
    auto open = [file = path.toStdString()](CKartileView& view) { view.onOpen(file, true, {}); };
    // The page with the largest map comes on show; with no map on any page,
    // the map opens when one is next shown.
    if (CKartileView* view = mapView(true))
        open(*view);
    else
        CDVI_Kartile_Window::withMainView(open);
    return true;
}

bool COrvantaAppModel::openNmeaLog(const QString& path) {
    if (!CNMEASimulation::Setup(path.toStdString())) {
        refuse("Could not replay " + nameOf(path).toStdString());
        return false;
    }
    CDataConnection::gps_connection_type = CDataConnection::kSimulation;
    CDataConnection::CreateConnection();
    if (CKartileView* view = mapView(true))
        view->LockOnToGPS(true);
    else
        CDVI_Kartile_Window::withMainView([](CKartileView& view) { view.LockOnToGPS(true); });
    return true;
}

bool COrvantaAppModel::openLayout(const QString& path) {
    CDisplayViewArrangementSet& layout = arrangement();
    layout.save_layout_if_changed();
    const double w = m_pages ? m_pages->width() : 0, h = m_pages ? m_pages->height() : 0;
    if (m_pages) m_pages->releasePage();
    const bool loaded = layout.LoadFile(path.toStdString(), w, h);
    if (!loaded) {
        // What was saved a moment ago comes back.
        layout.LoadFile(layout.path(CDisplayViewArrangementSet::kLayoutFile), w, h);
        refuse("Could not read the page layout " + nameOf(path).toStdString());
    }
    if (m_pages) m_pages->showPage(nullptr);
    Q_EMIT pagesChanged();
    return loaded;
}

bool COrvantaAppModel::openPage(const QString& path) {
    CDisplayViewArrangementSet& layout = arrangement();
    layout.save_layout_if_changed();
    CDisplayViewPageSet* set = layout.getPageSet();
    if (!set || !layout.ImportPage(path.toStdString())) {
        refuse("Could not read the page " + nameOf(path).toStdString());
        return false;
    }
    layout.changed = true;
    transitionToPage(set->pages.back().get());
    layout.save_layout_if_changed();
    Q_EMIT pagesChanged();
    return true;
}

bool COrvantaAppModel::importMarks(const QString& path) {
    MarksFile file;
    if (!file.ReadFile(path.toStdString(), kMarksFileMagic)) {
        refuse("Could not read the marks of " + nameOf(path).toStdString());
        return false;
    }
    int added = 0;
    auto& marks = CMarkManager::theManager.marks;
    for (auto& mark : file.marks) {
        if (mark->deleted) continue;
        const bool known = std::any_of(marks.begin(), marks.end(),
                                       [&](const auto& m) { return m->sameData(*mark); });
        if (known) continue;
        COverlayMark* raw = mark.get();
        marks.push_back(std::move(mark));
        raw->Dispatch(COverlayObject::kChanged);
        ++added;
    }
    if (added > 0) CMarkManager::theManager.marks_changed = true;
    SetStatusMessage(std::to_string(added) + " mark" + plural_s(added) + " imported");
    return true;
}

bool COrvantaAppModel::importGpx(const QString& path) {
    GpxImportResult result;
    if (!ImportGPXFile(path.toStdString(), result)) {
        refuse("Could not import " + nameOf(path).toStdString() + ": " + result.error);
        return false;
    }
    SetStatusMessage(result.counts.Summary());
    if (!result.bounds.isEmpty()) ShowAreaOnTheMap(result.bounds);
    return true;
}

// ---------------------------------------------------------------- message boxes

Q_LOGGING_CATEGORY(lcShell, "orvanta.shell", QtWarningMsg)

void COrvantaAppModel::presentMessageBox(const std::string& title, const std::string& text,
                                         const std::vector<std::string>& buttons,
                                         std::function<void(int)> answered) {
    const int id = m_nextBox++;
    m_boxes[id] = std::move(answered);
    QStringList labels;
    for (const std::string& b : buttons) labels << QString::fromStdString(b);
    qCDebug(lcShell).noquote() << "message box:" << QString::fromStdString(title);
    Q_EMIT messageBoxRequested(id, QString::fromStdString(title), QString::fromStdString(text),
                               labels);
}

void COrvantaAppModel::answerMessageBox(int id, int button) {
    auto it = m_boxes.find(id);
    if (it == m_boxes.end()) return;
    auto done = std::move(it->second);
    m_boxes.erase(it);
    if (done) done(button);
    focusOnTopDialogOrMainPage();
}

// ---------------------------------------------------------------- window

void COrvantaAppModel::placeWindow() {
    QQuickWindow* w = window();
    if (!w) return;
    if (QScreen* screen = w->screen()) {
        const QRect saved(s_settings.windowX, s_settings.windowY, s_settings.windowWidth,
                          s_settings.windowHeight);
        // The frame too must fit: the saved rectangle is the inside of the window.
        const QMargins frame = w->frameMargins();
        const QRect inside = screen->availableGeometry().marginsRemoved(frame);
        w->setGeometry(FitWindowToScreen(saved, QSize(1280, 800), inside));
    }
    auto applyFullScreen = [w] {
        w->setWindowStates(CKartileView::full_screen ? Qt::WindowFullScreen : Qt::WindowNoState);
    };
    if (CKartileView::full_screen) applyFullScreen();
    connect(this, &COrvantaAppModel::fullscreenChanged, w, applyFullScreen);
}

void COrvantaAppModel::saveWindowGeometry(const QRectF& geometry) {
    const QRect r = geometry.toRect();
    // Full screen is a setting of its own: the window's place is the one before.
    if (r.width() <= 0 || r.height() <= 0 || CKartileView::full_screen) return;
    s_settings.windowX = r.x();
    s_settings.windowY = r.y();
    s_settings.windowWidth = r.width();
    s_settings.windowHeight = r.height();
    s_persistor.changed = true;
}
