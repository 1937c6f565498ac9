// CMarkPresenters (QML "MarkPresenters"): the shell's side of the marks. It
// installs the mark property dialog and the track rename dialog, and serves
// the overlays list: every mark with its distance and time, sorted, then
// the routes and tracks, each shown or hidden, navigated to (a route is
// followed), edited, shown on the map or deleted. Objects are named by their identity
// text ("ovid:..."), which outlives any pointer.
#pragma once

#include <QObject>
#include <QStringList>
#include <QTimer>
#include <QVariantList>
#include <QVariantMap>
#include <functional>
#include <map>

#include "app/base/datasource.h"
#include "overlays/overlayobject.h"

class COverlayMark;
class COverlayRoute;
class COverlayTrack;

class CMarkPresenters : public QObject, public Listener<COverlayObject> {
    Q_OBJECT
    Q_PROPERTY(QStringList iconNames READ iconNames CONSTANT)

public:
    explicit CMarkPresenters(QObject* parent = nullptr);
    ~CMarkPresenters() override;

    void OnUpdate(COverlayObject& object) override;

    QStringList iconNames() const;
    // The icon as the map draws it in that colour ("#rrggbb"; the default
    // red when empty).
    Q_INVOKABLE QString iconUrl(const QString& name, const QString& colour = QString()) const;

    // The overlays list, sorted by "name", "distance" or "time" (newest first).
    Q_INVOKABLE QVariantList overlays(const QString& sortKey) const;
    Q_INVOKABLE void setShown(const QString& ovid, bool shown);
    Q_INVOKABLE void goTo(const QString& ovid);
    Q_INVOKABLE void cancelNavigation();
    Q_INVOKABLE void edit(const QString& ovid);
    Q_INVOKABLE void showOnMap(const QString& ovid);
    Q_INVOKABLE void remove(const QString& ovid);
    Q_INVOKABLE void newMark();
    // A route's ground or a track's altitude profile in the current page's
    // profile item (one is added across the top of the page when it has none).
    Q_INVOKABLE void showProfile(const QString& ovid);
    // Asks for a file and writes the object as GPX; everything for "".
    Q_INVOKABLE void exportGpx(const QString& ovid);
    // The same for the objects picked in the list, in the list's order.
    Q_INVOKABLE void exportGpxSelection(const QStringList& ovids);

    // The rename dialog's answer (a track's "Rename").
    Q_INVOKABLE void answerRename(int renameId, const QString& text, bool accepted);

    // The property dialog's answer: the fields as editRequested gave them.
    Q_INVOKABLE QString answerEdit(int editId, const QVariantMap& fields, bool accepted);

    // The dialog's fields for a mark (name, comment, link, icon, colour,
    // category, innerRadius, alarmRadius in metres, locked).
    static QVariantMap fieldsOf(const COverlayMark& mark);
    // Applies edited fields; an empty text when they were taken, otherwise
    // what is wrong with them (the mark is left as it was).
    static QString applyFields(COverlayMark& mark, const QVariantMap& fields);

Q_SIGNALS:
    void overlaysChanged();
    void editRequested(int editId, const QVariantMap& fields);
    void renameRequested(int renameId, const QString& current);

private:
    struct PendingEdit {
        uint64_t ovid = 0;
        COverlayMark* templateMark = nullptr;  // a template has no identity
        std::function<void(bool)> done;
    };
    COverlayMark* find(const QString& ovid) const;
    COverlayTrack* findTrack(const QString& ovid) const;
    COverlayRoute* findRoute(const QString& ovid) const;
    void appendTracks(QVariantList& list) const;
    void appendRoutes(QVariantList& list) const;
    // The route verbs of the list; false when ovid names no route.
    bool routeShown(const QString& ovid, bool shown);
    bool routeShowOnMap(const QString& ovid);

    std::map<int, PendingEdit> m_edits;
    std::map<int, std::function<void(const std::string&)>> m_renames;
    int m_nextEdit = 1;
    QTimer m_changed;  // gathers a burst of updates into one signal
};
