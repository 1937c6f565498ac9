#include "app/markpresenters.h"

#include <QtQml/qqml.h>
#include <QCoreApplication>
#include <QFile>
#include <QQmlEngine>
#include <algorithm>
#include <cmath>

#include "app/markiconprovider.h"
#include "app/orvantaappmodel.h"
#include "data/overlaygpsposition.h"
#include "displays/displayviewarrangementset.h"
#include "displays/displayviewpageset.h"
#include "elevation/profileitem.h"
#include "geo/units.h"
#include "maps/simplegrid.h"
#include "mapview/dvikartilewindow.h"
#include "mapview/kartileview.h"
#include "overlays/gpxexport.h"
#include "overlays/iconmanager.h"
#include "overlays/markmanager.h"
#include "overlays/markmenu.h"
#include "overlays/overlaymark.h"
#include "overlays/overlaytool.h"
#include "overlays/trackmanager.h"
#include "overlays/tracktool.h"

namespace {

void registerQmlType() {
    qmlRegisterType<CMarkPresenters>("Orvanta", 1, 0, "MarkPresenters");
}
Q_COREAPP_STARTUP_FUNCTION(registerQmlType)

QString q(const std::string& s) {
    return QString::fromStdString(s);
}

// Radii beyond this are typing mistakes, not alarms.
constexpr double kMaxRadiusMetres = 100000;

bool radiusField(const QVariantMap& fields, const char* key, float& out) {
    if (!fields.contains(key)) return true;
    bool ok = false;
    const double v = fields.value(key).toDouble(&ok);
    if (!ok || !std::isfinite(v) || v < 0 || v > kMaxRadiusMetres) return false;
    out = float(v);
    return true;
}

}  // namespace

CMarkPresenters::CMarkPresenters(QObject* parent) : QObject(parent) {
    m_changed.setSingleShot(true);
    m_changed.setInterval(100);
    connect(&m_changed, &QTimer::timeout, this, &CMarkPresenters::overlaysChanged);
    COverlayMark::propertiesEditor = [this](OV_HWND, COverlayMark& mark, bool isTemplate,
                                            std::function<void(bool)> done) {
        const int id = m_nextEdit++;
        PendingEdit edit;
        edit.ovid = isTemplate ? 0 : mark.GetObjectID();
        edit.templateMark = isTemplate ? &mark : nullptr;
        edit.done = std::move(done);
        m_edits[id] = std::move(edit);
        QVariantMap fields = fieldsOf(mark);
        fields["isTemplate"] = isTemplate;
        Q_EMIT editRequested(id, fields);
    };
    CMarkManager::doneButtonPresenter = [](std::function<void()> done) {
        if (theApp) theApp->setDoneCallback(std::move(done));
    };
    COverlayTrack::renameEditor = [this](OV_HWND, const std::string& current,
                                         std::function<void(const std::string&)> done) {
        const int id = m_nextEdit++;
        m_renames[id] = std::move(done);
        Q_EMIT renameRequested(id, q(current));
    };
}

CMarkPresenters::~CMarkPresenters() {
    COverlayMark::propertiesEditor = nullptr;
    CMarkManager::doneButtonPresenter = nullptr;
    COverlayTrack::renameEditor = nullptr;
    for (auto& [id, edit] : m_edits)
        if (edit.done) edit.done(false);
}

void CMarkPresenters::OnUpdate(COverlayObject& object) {
    const bool listed =
        object.type == COverlayObject::kMark || object.type == COverlayObject::kRoute;
    if (listed && !m_changed.isActive()) m_changed.start();
}

QStringList CMarkPresenters::iconNames() const {
    QStringList names;
    for (const std::string& name : CIconManager::IconNames()) names << q(name);
    names << "Name"
          << "Notes"
          << "None";
    return names;
}

QString CMarkPresenters::iconUrl(const QString& name, const QString& colour) const {
    QQmlEngine* engine = qmlEngine(this);
    if (!engine) return {};
    CMarkIconProvider::installOn(*engine);
    return CMarkIconProvider::url(name, colour.isEmpty() ? QStringLiteral("#dc2828") : colour);
}

COverlayMark* CMarkPresenters::find(const QString& ovid) const {
    return CMarkManager::theManager.FindMarkById(CSyncable::ParseObjectID(ovid.toStdString()));
}

QVariantList CMarkPresenters::overlays(const QString& sortKey) const {
    const COverlayGPSPosition& own = COverlayGPSPosition::theLatestPosition;
    const bool havePosition = own.HasPosition();
    CSimpleGrid grid;
    if (havePosition) grid.SetOrigin(own.latitude, own.longitude);
    struct Row {
        COverlayMark* mark;
        double distance;
    };
    std::vector<Row> rows;
    for (const auto& mark : CMarkManager::theManager.marks) {
        if (mark->deleted) continue;
        double d = -1;
        if (havePosition && mark->HasPosition()) {
            double x = 0, y = 0;
            grid.latlon_to_xy(mark->lat, mark->lon, x, y);
            d = std::hypot(x, y);
        }
        rows.push_back({mark.get(), d});
    }
    if (sortKey == "distance")
        std::stable_sort(rows.begin(), rows.end(), [](const Row& a, const Row& b) {
            // Marks without a distance go last.
            if ((a.distance < 0) != (b.distance < 0)) return b.distance < 0;
            return a.distance < b.distance;
        });
    else if (sortKey == "time")
        std::stable_sort(rows.begin(), rows.end(), [](const Row& a, const Row& b) {
            return a.mark->modified > b.mark->modified;
        });
    else
        std::stable_sort(rows.begin(), rows.end(), [](const Row& a, const Row& b) {
            return QString::localeAwareCompare(q(a.mark->name), q(b.mark->name)) < 0;
        });
    QVariantList list;
    for (const Row& row : rows) {
        std::string sub;
        if (row.distance >= 0) CUnits::Default->FormatDistance(float(row.distance), sub);
        std::string date;
        CUnits::FormatDate(row.mark->modified, date);
        if (!date.empty()) sub += (sub.empty() ? "" : "  \u2022  ") + date;
        list.append(QVariantMap{
            {"ovid", q(row.mark->GetObjectIDstr())},
            {"kind", "mark"},
            {"name", q(row.mark->name)},
            {"subtext", q(sub)},
            {"shown", row.mark->visible},
            {"navigating", row.mark->isNavigatingToMark()},
            {"alarm", row.mark->alarm_radius > 0},
            {"icon", iconUrl(q(row.mark->icon), row.mark->color.toQColor().name(QColor::HexRgb))}});
    }
    appendRoutes(list);
    appendTracks(list);
    return list;
}

// The routes follow the marks, by name, with their length and waypoints.
void CMarkPresenters::appendRoutes(QVariantList& list) const {
    std::vector<COverlayRoute*> routes;
    for (const auto& route : CMarkManager::theManager.routes)
        if (!route->deleted) routes.push_back(route.get());
    std::stable_sort(routes.begin(), routes.end(),
                     [](const COverlayRoute* a, const COverlayRoute* b) {
                         return QString::localeAwareCompare(q(a->name), q(b->name)) < 0;
                     });
    for (COverlayRoute* route : routes) {
        std::string sub;
        CUnits::Default->FormatDistance(float(route->getTotalLengthMeters()), sub);
        sub += "  \u2022  " + std::to_string(route->waypoints.size()) + " waypoints";
        list.append(QVariantMap{{"ovid", q(route->GetObjectIDstr())},
                                {"kind", "route"},
                                {"name", q(route->name)},
                                {"subtext", q(sub)},
                                {"shown", route->visible},
                                {"navigating", route->is_followed},
                                {"alarm", false},
                                {"icon", QString()}});
    }
}

COverlayRoute* CMarkPresenters::findRoute(const QString& ovid) const {
    return CMarkManager::theManager.FindRouteById(CSyncable::ParseObjectID(ovid.toStdString()));
}

bool CMarkPresenters::routeShown(const QString& ovid, bool shown) {
    COverlayRoute* route = findRoute(ovid);
    if (!route) return false;
    if (route->visible == shown) return true;
    if (!shown && COverlayTool::the_tool && COverlayTool::the_tool->GetSelectedMark() &&
        COverlayTool::the_tool->GetSelectedMark()->route == route)
        COverlayTool::Deselect();
    route->setVisible(shown);
    route->SetModifiedNow();
    CMarkManager::theManager.routes_changed = true;
    route->Dispatch(COverlayObject::kChanged);
    CMarkManager::theManager.SaveRoutesIfNeeded();
    return true;
}

bool CMarkPresenters::routeShowOnMap(const QString& ovid) {
    COverlayRoute* route = findRoute(ovid);
    if (!route) return false;
    if (route->waypoints.empty()) return true;
    if (!route->visible) routeShown(ovid, true);
    const uint64_t id = route->GetObjectID();
    CDVI_Kartile_Window::withMainView([id](CKartileView& view) {
        COverlayRoute* target = CMarkManager::theManager.FindRouteById(id);
        if (!target || target->waypoints.empty()) return;
        COverlayMark* first = target->waypoints.front().get();
        view.LockOnToGPS(false);
        view.GotoLocation(first->lat, first->lon, false);
        first->Select(&view);
        if (view.redraw) view.redraw();
    });
    return true;
}

// The tracks follow the marks, newest first, with their length and date.
void CMarkPresenters::appendTracks(QVariantList& list) const {
    std::vector<COverlayTrack*> tracks;
    for (const auto& track : CTrackManager::theManager.tracks)
        if (!track->deleted) tracks.push_back(track.get());
    std::stable_sort(tracks.begin(), tracks.end(),
                     [](const COverlayTrack* a, const COverlayTrack* b) {
                         return a->getTimeOfStart() > b->getTimeOfStart();
                     });
    for (COverlayTrack* track : tracks) {
        std::string sub;
        CUnits::Default->FormatDistance(float(track->getTotalDistance()), sub);
        std::string date;
        CUnits::FormatDate(track->getTimeOfStart(), date);
        if (!date.empty()) sub += "  \u2022  " + date;
        if (track->isRecording()) sub += "  \u2022  recording";
        list.append(QVariantMap{{"ovid", q(track->GetObjectIDstr())},
                                {"kind", "track"},
                                {"name", q(track->name)},
                                {"subtext", q(sub)},
                                {"shown", track->visible},
                                {"navigating", false},
                                {"alarm", false},
                                {"icon", QString()}});
    }
}

COverlayTrack* CMarkPresenters::findTrack(const QString& ovid) const {
    return CTrackManager::theManager.FindTrackById(CSyncable::ParseObjectID(ovid.toStdString()));
}

void CMarkPresenters::setShown(const QString& ovid, bool shown) {
    if (routeShown(ovid, shown)) return;
    if (COverlayTrack* track = findTrack(ovid)) {
        if (track->visible == shown) return;
        if (!shown) COverlayTool::Deselect();
        track->setVisible(shown);
        track->Dispatch(COverlayObject::kChanged);
        CTrackManager::theManager.SaveIfNeeded();
        return;
    }
    COverlayMark* mark = find(ovid);
    if (!mark || mark->visible == shown) return;
    if (!shown && COverlayTool::isSelected(mark)) COverlayTool::Deselect();
    mark->setVisible(shown);
    MarkEdited(*mark);
}

void CMarkPresenters::goTo(const QString& ovid) {
    if (COverlayRoute* route = findRoute(ovid)) CMarkManager::theManager.SetFollowRoute(route);
    if (COverlayMark* mark = find(ovid)) CMarkManager::theManager.SetGoto(mark);
    m_changed.start();
}

void CMarkPresenters::cancelNavigation() {
    CMarkManager::theManager.CancelNavigation();
    m_changed.start();
}

void CMarkPresenters::edit(const QString& ovid) {
    if (COverlayRoute* route = findRoute(ovid)) {
        CMarkManager::theManager.EditRoute(route);
        routeShowOnMap(ovid);
        return;
    }
    const uint64_t id = CSyncable::ParseObjectID(ovid.toStdString());
    if (COverlayMark* mark = find(ovid))
        mark->EditMarkProperties(nullptr, [id](bool changed) {
            COverlayMark* edited = CMarkManager::theManager.FindMarkById(id);
            if (edited && changed) MarkEdited(*edited);
        });
}

void CMarkPresenters::showOnMap(const QString& ovid) {
    if (routeShowOnMap(ovid)) return;
    if (COverlayTrack* track = findTrack(ovid)) {
        if (!track->lastPoint()) return;
        if (!track->visible) setShown(ovid, true);
        CDVI_Kartile_Window::withMainView([this, ovid](CKartileView& view) {
            COverlayTrack* target = findTrack(ovid);
            if (!target || !target->lastPoint()) return;
            const CTrackPoint end = *target->lastPoint();
            view.LockOnToGPS(false);
            view.GotoLocation(end.lat, end.lon, false);
            CTrackTool::SelectAt(&view, target->sections.back().get(), end.lat, end.lon);
            if (view.redraw) view.redraw();
        });
        return;
    }
    COverlayMark* mark = find(ovid);
    if (!mark || !mark->HasPosition()) return;
    const uint64_t id = mark->GetObjectID();
    if (!mark->visible) setShown(ovid, true);
    CDVI_Kartile_Window::withMainView([id](CKartileView& view) {
        COverlayMark* target = CMarkManager::theManager.FindMarkById(id);
        if (!target) return;
        view.LockOnToGPS(false);
        view.GotoLocation(target->lat, target->lon, false);
        target->Select(&view);
        if (view.redraw) view.redraw();
    });
}

void CMarkPresenters::remove(const QString& ovid) {
    if (COverlayTrack* track = findTrack(ovid)) {
        COverlayTrack::ConfirmDelete(track, nullptr);
        return;
    }
    if (COverlayRoute* route = findRoute(ovid)) {
        ConfirmDeleteRoute(*route, nullptr);
        return;
    }
    if (COverlayMark* mark = find(ovid)) ConfirmDeleteMark(*mark, nullptr);
}

void CMarkPresenters::showProfile(const QString& ovid) {
    using Kind = COverlayProfileSource::Kind;
    COverlayRoute* route = findRoute(ovid);
    COverlayTrack* track = route ? nullptr : findTrack(ovid);
    CDisplayViewPageSet* set = CDisplayViewArrangementSet::theLayout().getPageSet();
    CDisplayView* page = set ? set->getCurrentPage() : nullptr;
    if ((!route && !track) || !page) return;
    CDisplayProfileItem* item = CDisplayProfileItem::findProfileItemToUse(*page);
    if (!item) return;
    if (route)
        item->chooseSource(Kind::Route, route->GetObjectID(), ProfileQuantity::GroundHeight);
    else
        item->chooseSource(Kind::Track, track->GetObjectID(), ProfileQuantity::Altitude);
}

void CMarkPresenters::answerRename(int renameId, const QString& text, bool accepted) {
    auto it = m_renames.find(renameId);
    if (it == m_renames.end()) return;
    auto done = std::move(it->second);
    m_renames.erase(it);
    const QString name = text.trimmed();
    if (accepted && !name.isEmpty() && done) done(name.toStdString());
}

void CMarkPresenters::exportGpx(const QString& ovid) {
    if (ovid.isEmpty()) {
        ExportGPXWithDialog(nullptr, "Orvanta",
                            [] { return OverlayObjectsForExport(true, true, true); });
        return;
    }
    const uint64_t id = CSyncable::ParseObjectID(ovid.toStdString());
    if (const CSyncable* object = FindOverlayObjectById(id))
        ExportGPXWithDialog(nullptr, object->name, [id]() -> std::vector<const CSyncable*> {
            if (const CSyncable* found = FindOverlayObjectById(id)) return {found};
            return {};
        });
}

void CMarkPresenters::exportGpxSelection(const QStringList& ovids) {
    std::vector<uint64_t> ids;
    for (const QString& ovid : ovids) ids.push_back(CSyncable::ParseObjectID(ovid.toStdString()));
    if (ids.empty()) return;
    const std::string name = ids.size() == 1 && FindOverlayObjectById(ids[0])
                                 ? FindOverlayObjectById(ids[0])->name
                                 : std::string("Orvanta");
    // Looked up again once the file is chosen: the list may have changed.
    ExportGPXWithDialog(nullptr, name, [ids]() {
        std::vector<const CSyncable*> objects;
        for (uint64_t id : ids)
            if (const CSyncable* found = FindOverlayObjectById(id)) objects.push_back(found);
        return objects;
    });
}

void CMarkPresenters::newMark() {
    CDVI_Kartile_Window::withMainView([](CKartileView& view) { view.CreateNewMark(); });
}

QVariantMap CMarkPresenters::fieldsOf(const COverlayMark& mark) {
    return {{"name", q(mark.name)},
            {"comment", q(mark.comment)},
            {"link", q(mark.link)},
            {"icon", q(mark.icon)},
            {"colour", mark.color.toQColor().name(QColor::HexRgb)},
            {"category", q(mark.category)},
            {"innerRadius", double(mark.inner_radius)},
            {"alarmRadius", double(mark.alarm_radius)},
            {"locked", mark.locked}};
}

QString CMarkPresenters::applyFields(COverlayMark& mark, const QVariantMap& fields) {
    float inner = mark.inner_radius, alarm = mark.alarm_radius;
    if (!radiusField(fields, "innerRadius", inner) || !radiusField(fields, "alarmRadius", alarm))
        return "The alarm radii must be numbers of metres from 0 to 100000.";
    GraphicsColor colour = mark.color;
    if (fields.contains("colour") &&
        !colour.SetHash(fields.value("colour").toString().toStdString()))
        return "The colour is not one this program knows.";
    const QString name = fields.value("name", q(mark.name)).toString().trimmed();
    if (name.isEmpty()) return "A mark needs a name.";
    mark.name = name.toStdString();
    mark.comment = fields.value("comment", q(mark.comment)).toString().toStdString();
    mark.link = fields.value("link", q(mark.link)).toString().trimmed().toStdString();
    mark.category = fields.value("category", q(mark.category)).toString().trimmed().toStdString();
    if (fields.contains("icon")) mark.icon = fields.value("icon").toString().toStdString();
    if (fields.contains("locked")) mark.locked = fields.value("locked").toBool();
    mark.color = colour;
    mark.inner_radius = inner;
    mark.alarm_radius = alarm;
    mark.icon_image = nullptr;
    return {};
}

QString CMarkPresenters::answerEdit(int editId, const QVariantMap& fields, bool accepted) {
    auto it = m_edits.find(editId);
    if (it == m_edits.end()) return {};
    COverlayMark* mark = it->second.templateMark
                             ? it->second.templateMark
                             : CMarkManager::theManager.FindMarkById(it->second.ovid);
    QString problem;
    if (accepted && mark) {
        problem = applyFields(*mark, fields);
        if (!problem.isEmpty()) return problem;  // the dialog stays open
    }
    PendingEdit edit = std::move(it->second);
    m_edits.erase(it);
    if (edit.done) edit.done(accepted && mark);
    return {};
}
