// CMarkPresenters (QML "MarkPresenters"): the shell's side of the marks. It
// installs the mark property dialog and serves the overlays list: every mark
// with its distance and time, sorted, each shown or hidden, navigated to,
// edited, shown on the map or deleted. Objects are named by their identity
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
class COverlayTrack;

class CMarkPresenters : public QObject, public Listener<COverlayObject> {
    Q_OBJECT
    Q_PROPERTY(QStringList iconNames READ iconNames CONSTANT)

public:
    explicit CMarkPresenters(QObject* parent = nullptr);
    ~CMarkPresenters() override;

    void OnUpdate(COverlayObject& object) override;

    QStringList iconNames() const;
    Q_INVOKABLE QString iconUrl(const QString& name) const;

    // The overlays list, sorted by "name", "distance" or "time" (newest first).
    Q_INVOKABLE QVariantList overlays(const QString& sortKey) const;
    Q_INVOKABLE void setShown(const QString& ovid, bool shown);
    Q_INVOKABLE void goTo(const QString& ovid);
    Q_INVOKABLE void cancelNavigation();
    Q_INVOKABLE void edit(const QString& ovid);
    Q_INVOKABLE void showOnMap(const QString& ovid);
    Q_INVOKABLE void remove(const QString& ovid);
    Q_INVOKABLE void newMark();
    // Asks for a file and writes the object as GPX; everything for "".
    Q_INVOKABLE void exportGpx(const QString& ovid);

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

private:
    struct PendingEdit {
        uint64_t ovid = 0;
        COverlayMark* templateMark = nullptr;  // a template has no identity
        std::function<void(bool)> done;
    };
    COverlayMark* find(const QString& ovid) const;
    COverlayTrack* findTrack(const QString& ovid) const;
    void appendTracks(QVariantList& list) const;

    std::map<int, PendingEdit> m_edits;
    int m_nextEdit = 1;
    QTimer m_changed;  // gathers a burst of updates into one signal
};
