// COrvantaAppModel: the one object through which the Qt Quick front end
// drives the program (QML type "AppModel" in module "Orvanta", made once by
// main.qml; `theApp` points to it while it lives).
//
// Pages slide between two DisplayPages items (attachCurrentPageToItem): a
// page change shows the new page on the alternate item, one width to the
// right, swaps the items' roles and reports `transition` (old, new, +1/-1)
// for the front end to animate; the front end calls detachItem on the old
// one when the slide ends. With one item the page changes in place. Map
// operations go to the view of the largest map item on the current page,
// switching to the last page that has one where the operation allows.
//
// It also is the front end's presenter of message boxes (messagebox.h):
// each box becomes `messageBoxRequested` and comes back as
// answerMessageBox, whose callback runs exactly once.
#pragma once

#include <QPointer>
#include <QQuickItem>
#include <QRectF>
#include <QStringList>
#include <QTimer>
#include <QVariantList>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include <QLoggingCategory>
#include "app/base/datasource.h"
#include "app/base/deviceservices.h"
#include "app/base/statusmessage.h"
#include "data/distancetostart.h"
#include "displays/displayview.h"
#include "displays/quick/displayviewpage.h"

// What the window shows (menus, message boxes), for scripts that drive it:
// QT_LOGGING_RULES="orvanta.shell.debug=true".
Q_DECLARE_LOGGING_CATEGORY(lcShell)

class CBounds;
class CDisplayViewArrangementSet;
class CKartileView;
class CMapPackageDownload;
class COverlayMark;
class QNetworkAccessManager;
class QNetworkReply;

class COrvantaAppModel : public QQuickItem,
                         public Listener<CStatusMessage>,
                         public Listener<CUserNotifications>,
                         public Listener<StartReached> {
    Q_OBJECT
    Q_PROPERTY(bool showDoneButton READ showDoneButton WRITE setShowDoneButton NOTIFY
                   showDoneButtonChanged)
    Q_PROPERTY(
        double screenDimmer READ screenDimmer WRITE setScreenDimmer NOTIFY screenDimmerChanged)
    Q_PROPERTY(bool hasPages READ hasPages NOTIFY pagesChanged)
    Q_PROPERTY(QString statusText READ statusText NOTIFY statusTextChanged)
    Q_PROPERTY(bool darkTheme READ darkTheme WRITE setDarkTheme NOTIFY themeChanged)
    Q_PROPERTY(bool fullScreen READ fullScreen WRITE setFullScreen NOTIFY fullscreenChanged)
    Q_PROPERTY(bool appBusy READ appBusy NOTIFY appBusyChanged)
    Q_PROPERTY(int uiControlsTimeout_ms READ uiControlsTimeout WRITE setUiControlsTimeout NOTIFY
                   appTimoutChanged)
    // What the busy period is about (the latest setAppBusy message).
    Q_PROPERTY(QString busyText READ busyText NOTIFY appBusyChanged)
    // The in-app notifications, oldest first: {id, title, text}.
    Q_PROPERTY(QVariantList notifications READ notifications NOTIFY notificationsChanged)

public:
    explicit COrvantaAppModel(QQuickItem* parent = nullptr);
    ~COrvantaAppModel() override;

    bool showDoneButton() const { return m_showDoneButton; }
    void setShowDoneButton(bool show);
    double screenDimmer() const { return m_screenDimmer; }
    void setScreenDimmer(double level);
    bool hasPages() const;
    QString statusText() const;
    bool darkTheme() const;
    void setDarkTheme(bool dark);
    bool fullScreen() const;
    void setFullScreen(bool on);
    bool appBusy() const { return m_busy > 0; }
    QString busyText() const { return m_busyText; }
    int uiControlsTimeout() const { return m_controlsTimeout; }
    void setUiControlsTimeout(int ms);
    QVariantList notifications() const;

    // The user's arrangement set: the one the attached page item shows.
    CDisplayViewArrangementSet& arrangement() const;
    CDisplayViewPage* pageItem() const { return m_pages; }
    CDisplayViewPage* alternatePageItem() const { return m_alternate; }

    // The largest item of the type on the current page; with switchPage, when
    // the current page has none, the last page of the set with one becomes
    // current and its item is returned.
    CDisplayView::CItem* FindLargestItemOfType(int typeId, bool switchPage);
    // The view of the map item found that way, or null.
    CKartileView* mapView(bool switchPage);
    // Makes the page current (sliding with +1); false when it is not in the
    // current page set.
    bool transitionToPage(CDisplayView* page);

    // Busy periods nest; appBusyChanged comes on 0 -> 1 and 1 -> 0 only.
    void setAppBusy(const QString& message = {});
    void clearAppBusy();

    // Shows the Done button; its press runs `completion` once and hides it.
    void setDoneCallback(std::function<void()> completion);

    // Marks: at the map's centre, else at the live position with a fix.
    COverlayMark* AddNewMark();
    COverlayMark* addMark(double lat, double lon, const std::string& name = {});
    void ShowAreaOnTheMap(const CBounds& bounds);
    bool GetAreaShownOnTheMap(CBounds& bounds);

    // Files and links given at start-up or by a second start; the first
    // argument is the program path and is skipped.
    void processCommandLine(const QStringList& arguments);
    // One file of any kind the program opens; false (with a message box)
    // for what it can't.
    bool importFileOfAnyType(void* window, const QString& path);
    // Commands of links: "open" (link, name) fetches a file after asking and
    // opens it; "mark" (name, icon, color, scale) adds a mark at the map's
    // centre. Held until the page item is attached.
    void onActivityCommand(const QString& command, const QString& query);
    // Where fetched files go: "downloads" in the data folder, nowhere else;
    // a name already there gets a number rather than replacing the file.
    static QString downloadFolder();

    void focusOnMainPage();
    void focusOnTopDialogOrMainPage();

    // Around a package download: the map on show is closed when it lies in
    // the package's folder (it may be replaced) and opened again after.
    void closeAllMapsPendingDownload();
    void reopenAllMapsAfterDownload();
    // The place-name file of the map on show: its associated ".ovnm", or "".
    QString placeDatabaseForShownMap();

    // The engagement timer: single shot, started at construction and when the
    // application becomes active, stopped when it resigns active; on expiry
    // the user may be asked for feedback. Its interval is read when a model is made.
    static int engagementInterval_ms;
    bool engagementTimerActive() const { return m_engagement.isActive(); }

    // From the messagebox.h callers.
    void presentMessageBox(const std::string& title, const std::string& text,
                           const std::vector<std::string>& buttons,
                           std::function<void(int)> answered);
    int openMessageBoxes() const { return int(m_boxes.size()); }

    void OnUpdate(CStatusMessage& message) override;
    void OnUpdate(CUserNotifications& notifications) override;
    // At the race start: the page of the current set that best matches the
    // one chosen for the start.
    void OnUpdate(StartReached& start) override;

public Q_SLOTS:
    void onMenuButtonClicked(QQuickItem* button);
    void onOverlaysButtonClicked(QQuickItem* button);
    void onPagesButton(QQuickItem* button);
    void showOverlaysList(QQuickItem* parent);
    // A new mark at the own position (the long press of the position button).
    bool dropMarkAtPosition();
    void attachCurrentPageToItem(QQuickItem* current, QQuickItem* alternate);
    void detachItem(QQuickItem* item);
    void nextPage();
    void previousPage();
    void onDoneButton();
    void showHelpForTag(const QString& tag);
    void messageFromAnotherInstance(quint32 instanceId, const QByteArray& message);
    void onPressPlusButton();
    void onPressMinusButton();
    void onLongPressPlusButton();
    void onLongPressMinusButton();
    void onPressUserButton();
    void onLongPressUserButton();
    void clearStatusText();
    // The "Search" entry and the search button: the find-place dialog.
    void onSearchButton();

    // The front end's side of message boxes and of files dropped on it.
    void answerMessageBox(int id, int button);
    void importUrls(const QVariantList& urls);
    void dismissNotification(qlonglong id);
    // "Edit Layout": arranging until the Done button; "Quit App": asks first.
    void editLayout();
    void quitApp();
    // Opens the window where it was when closed, fitted into its screen's
    // available area, full screen when set; saveWindowGeometry keeps the place.
    void placeWindow();
    void saveWindowGeometry(const QRectF& geometry);

Q_SIGNALS:
    void transition(QQuickItem* oldItem, QQuickItem* newItem, int direction);
    void showDoneButtonChanged();
    void screenDimmerChanged();
    void enableInactivityTimeout(bool enable);
    void setInteractive(bool interactive);
    void screenLocked(bool locked);
    void pagesChanged();
    void statusTextChanged();
    void applicationDidBecomeActive();
    void applicationWillResignActive();
    void themeChanged();
    void fullscreenChanged();
    void appBusyChanged();
    void appTimoutChanged();
    void notificationsChanged();
    // "main", "overlays", "pages", "overlayList": for the menus of the front end.
    void menuRequested(const QString& menu, QQuickItem* anchor);
    void messageBoxRequested(int id, const QString& title, const QString& text,
                             const QStringList& buttons);
    // The find-place dialog should open over the place-name file (or none).
    void findPlaceRequested(const QString& databasePath);
    // The open message box on top should take the keyboard focus.
    void focusTopDialog();

private:
    void turnTo(CDisplayView* page, int direction);
    void connectCurrentPage();
    void runActivityCommand(const QString& command, const QString& query);
    void download(const QUrl& link, const QString& name);
    void downloadFinished(QNetworkReply* reply, const QString& target);
    bool openMap(const QString& path);
    bool openNmeaLog(const QString& path);
    bool openLayout(const QString& path);
    bool openPage(const QString& path);
    bool importMarks(const QString& path);
    // Says what it brought and shows its area.
    bool importGpx(const QString& path);
    // Map packages, the find-place dialog and the free-map lookup
    // (appmodelonline.cpp).
    void installOnlineHooks(bool on);
    bool openPackage(const QString& path);
    void refuse(const std::string& text);

    QPointer<CDisplayViewPage> m_pages, m_alternate;  // current and alternate page items
    bool m_showDoneButton = false;
    std::function<void()> m_doneCallback;
    bool m_editingLayout = false;  // the Done button ends arranging
    double m_screenDimmer = 0;
    int m_busy = 0;
    QString m_busyText;
    int m_controlsTimeout = 5000;
    std::vector<std::pair<QString, QString>> m_pendingCommands;
    QNetworkAccessManager* m_network = nullptr;
    int m_nextBox = 1;
    std::map<int, std::function<void(int)>> m_boxes;
    std::unique_ptr<CMapPackageDownload> m_package;  // the download under way
    std::string m_packageFolder, m_closedMap;
    QTimer m_engagement;
};

extern COrvantaAppModel* theApp;  // from the model's construction to its destruction
