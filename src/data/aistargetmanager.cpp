#include "data/aistargetmanager.h"

#include <QFile>
#include <QXmlStreamReader>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <vector>

#include "app/base/deviceservices.h"
#include "app/base/heartbeat.h"
#include "app/base/persistantdata.h"
#include "app/base/settingsmenu.h"
#include "data/alertmark.h"
#include "data/overlaygpsposition.h"
#include "nmea/tcpipconnection.h"
#include "overlays/overlaytool.h"
#include "overlays/trackmanager.h"

float CAISTargetManager::cpa_alarm_distance = 300;
float CAISTargetManager::cpa_classB_distance = 100;
float CAISTargetManager::cpa_alarm_time = 1200;
float CAISTargetManager::cpa_min_closing_velocity_knots = 1;
bool CAISTargetManager::alarm_beep = true;
bool CAISTargetManager::record_tracks = false;
bool CAISTargetManager::show_ais_range_ring = false;
bool CAISTargetManager::enable_settings = false;

CAISTargetManager CAISTargetManager::theManager;

namespace {

constexpr double kDegToRad = 0.017453292519943295;
constexpr double kTrackPointSeconds = 10;  // a target's track keeps a point this often

class Persistant : public PersistantData {
public:
    Persistant() : PersistantData("CAISTargetManager") {}
    void DeclareData() override {
        using M = CAISTargetManager;
        Declare("alarm_distance", M::cpa_alarm_distance);
        Declare("cpa_classB_distance", M::cpa_classB_distance);
        Declare("alarm_time", M::cpa_alarm_time);
        Declare("min_closing_velocity_knots", M::cpa_min_closing_velocity_knots);
        Declare("alarm_beep", M::alarm_beep);
        Declare("record_tracks", M::record_tracks);
        Declare("show_ais_range_ring", M::show_ais_range_ring);
        Declare("enable_settings", M::enable_settings);
    }
};
Persistant s_persistant;

// Impossible positions (the "not available" 91 and 181 among them) leave
// the position as it was.
bool validPosition(double lat, double lon) {
    return lat >= -90 && lat < 90 && lon >= -180 && lon < 180;
}

// Colours made once: a QColor from an ARGB value costs more than the rest
// of a position report's bookkeeping.
const QColor& colourOf(QRgb argb) {
    static std::vector<std::pair<QRgb, QColor>> made;  // a dozen at most
    for (const auto& [value, colour] : made)
        if (value == argb) return colour;
    made.emplace_back(argb, QColor::fromRgba(argb));
    return made.back().second;
}

bool isManOverboard(const CAISTarget& t) {
    return t.mmsi_text.compare(0, 3, "972") == 0;
}

std::string formatted(const char* format, auto... values) {
    char text[512];
    std::snprintf(text, sizeof text, format, values...);
    return text;
}

void setDetailsClassB(CAISTarget& t) {
    t.details = formatted("\"%s\" Type:%s, LOA:%dm\nClass B MMSI:%u", t.name.c_str(),
                          t.ship_type_text.c_str(), int(t.to_bow) + int(t.to_stern), t.mmsi);
}

void takePosition(CAISTarget& t, const CNEMA_AIS::CAIS_Sentence& m, bool withHeading) {
    if (validPosition(m.latitude, m.longitude)) {
        t.latitude = m.latitude;
        t.longitude = m.longitude;
    }
    t.course = m.course < 360 ? m.course : 999;
    t.speed = m.speed;
    t.damping.heading = withHeading ? float(m.heading) : 511.0f;
}

void takeStatic(CAISTarget& t, const CNEMA_AIS::CAIS_Sentence& m) {
    t.ship_type_text = m.ship_type_text;
    t.to_bow = m.to_bow;
    t.to_stern = m.to_stern;
    t.to_port = m.to_port;
    t.to_starboard = m.to_starboard;
}

// The TCP source hands the instant target list it fetched to the manager.
struct InstantTargetsHook {
    InstantTargetsHook() {
        CTCPIPConnection::read_instant_targets = [](const std::string& file) {
            return CAISTargetManager::theManager.ReadInstantTargets(file);
        };
    }
} s_instantTargetsHook;

}  // namespace

CAISTargetManager::CAISTargetManager() = default;

CAISTargetManager::~CAISTargetManager() = default;

CAISTarget* CAISTargetManager::Find(uint32_t mmsi) {
    auto it = m_index.find(mmsi);
    return it == m_index.end() ? nullptr : it->second;
}

CAISTarget& CAISTargetManager::findOrInsert(uint32_t mmsi) {
    if (CAISTarget* known = Find(mmsi)) return *known;
    CAISTarget& t = targets.try_emplace(mmsi).first->second;
    m_index.emplace(mmsi, &t);
    t.mmsi = mmsi;
    t.mmsi_text = std::to_string(mmsi);
    // The expiry check runs only while there are targets to expire.
    if (!m_expiry) m_expiry = std::make_unique<Expiry>(*this, kExpiryTicks);
    return t;
}

void CAISTargetManager::OnUpdate(CDataGPSPosition& p) {
    if (p.fix_status == CDataGPSPosition::kNoFix || !validPosition(p.latitude, p.longitude)) return;
    grid.SetOrigin(p.latitude, p.longitude);
    const bool moving = p.course < 900 && p.speed > 0;
    const double v = moving ? p.speed * kKnotsToMs : 0;
    own_vx = v * std::sin(p.course * kDegToRad);
    own_vy = v * std::cos(p.course * kDegToRad);
    m_ownSet = true;
}

void CAISTargetManager::OnUpdate(CNEMA_AIS::VDM& m) {
    if (m.msg_type == 0) return;
    CAISTarget& t = findOrInsert(m.mmsi);
    t.time = Listener<CNEMA_AIS::VDM>::pDatasource->Timestamp();
    t.state = int8_t(m.msg_type);
    applyMessage(t, m);
    afterMessage(t);
}

void CAISTargetManager::applyMessage(CAISTarget& t, const CNEMA_AIS::CAIS_Sentence& m) {
    switch (m.msg_type) {
        case 1:
        case 2:
        case 3:
            t.class_text = CAISTarget::kClassA;
            takePosition(t, m, true);
            t.nav_status = m.nav_status;
            t.colour = colourOf(CAISTarget::StatusColour(m.nav_status));
            t.nav_status_text = CAISTarget::StatusText(m.nav_status);
            if (const char* beacon = CAISTarget::BeaconClass(t.mmsi_text)) {
                t.class_text = beacon;
                t.colour = colourOf(CAISTarget::kAlarmColour);
            }
            break;
        case 5:
            t.class_text = CAISTarget::kClassA;
            t.name = m.name;
            takeStatic(t, m);
            t.details = formatted(
                "\"%s\" Type:%s LOA:%dm\nCallsign:%s, MMSI:%u\nDest:%s, ETA:%02d:%02d %d/%d",
                t.name.c_str(), t.ship_type_text.c_str(), int(t.to_bow) + int(t.to_stern),
                m.callsign, t.mmsi, m.destination, int(m.eta_hour), int(m.eta_minute),
                int(m.eta_day), int(m.eta_month));
            break;
        case 9:
            t.class_text = CAISTarget::kAircraft;
            takePosition(t, m, false);
            t.altitude = m.altitude;
            t.colour = colourOf(CAISTarget::kAircraftColour);
            break;
        case 18:
        case 19:
            t.class_text = CAISTarget::kClassB;
            t.nav_status_text = "n/a";
            takePosition(t, m, true);
            t.colour = colourOf(CAISTarget::kClassBColour);
            if (m.msg_type == 19) {
                t.name = m.name;
                takeStatic(t, m);
                setDetailsClassB(t);
            }
            break;
        case 21:
            t.class_text = CAISTarget::kAidToNavigation;
            if (validPosition(m.latitude, m.longitude)) {
                t.latitude = m.latitude;
                t.longitude = m.longitude;
            }
            t.name = m.name;
            t.colour = colourOf(CAISTarget::kAidColour);
            t.damping.heading = 511;
            t.speed = 0;
            t.details = formatted("\"%s\" Aid to Navigation, Type:%d, MMSI:%u", t.name.c_str(),
                                  int(m.aid_type), t.mmsi);
            t.ship_type_text = CAISTarget::kAidToNavigation;
            t.to_bow = t.to_stern = m.dimension;
            t.to_port = t.to_starboard = uint8_t(std::min<int>(m.dimension, 255));
            break;
        case 24:
            if (m.part_number == 0) {
                t.name = m.name;
            } else if (m.part_number == 1) {
                takeStatic(t, m);
            }
            setDetailsClassB(t);
            break;
        default:
            break;
    }
}

void CAISTargetManager::afterMessage(CAISTarget& t) {
    // Static data alone does not put a target on the map.
    if (!t.class_text) return;
    t.OnUpdatedPosition();
    if (t.HasFix() && m_ownSet) detect_collision(t);
    if (record_tracks && t.HasFix()) recordTrack(t);
    t.DispatchChange();
    if (!enable_settings) {
        enable_settings = true;
        SaveSettingsOf("CAISTargetManager");
    }
}

void CAISTargetManager::OnUpdate(CNEMA_AIS::VDO& m) {
    COverlayGPSPosition& own = COverlayGPSPosition::theLatestPosition;
    if (m.msg_type == 0) return;
    if (own.HasFix() && own.fix_owner != this) return;
    own.fix_owner = this;
    const int type = m.msg_type;
    if ((type >= 1 && type <= 3) || type == 18) {
        if (validPosition(m.latitude, m.longitude)) own.set_latlon(m.latitude, m.longitude);
        own.fix_status = CDataGPSPosition::kGPSFix;
        own.set_course(m.course < 360 ? m.course : 999, m.speed);
        own.set_heading(m.heading < 360 ? float(m.heading) : 999.0f,
                        Listener<CNEMA_AIS::VDO>::pDatasource->Timestamp());
        if (type != 18) own.time = Listener<CNEMA_AIS::VDO>::pDatasource->Timestamp();
    }
    own.DispatchPositionUpdate();
}

void CAISTargetManager::detect_collision(CAISTarget& t) {
    double d = 0, b = 0;
    grid.distance_and_bearing(t.latitude, t.longitude, d, b);
    t.range = float(d);
    t.bearing = float(b);
    const bool beacon = isManOverboard(t) && d < kManOverboardRange;
    if (!beacon && t.speed < 0.1f) {
        t.tcpa = 0;
        t.cpa = float(CAISTarget::kNoCPA);
        cancelAlarm(t);
        return;
    }
    // Offset and relative velocity in the own vessel's grid.
    double x = 0, y = 0;
    grid.latlon_to_xy(t.latitude, t.longitude, x, y);
    const double v = t.speed * kKnotsToMs;
    const double vx = v * t.course_sin - own_vx, vy = v * t.course_cos - own_vy;
    const double v2 = vx * vx + vy * vy;
    double tcpa = 0, cpa = CAISTarget::kNoCPA;
    if (v2 > 1e-6) {
        tcpa = -(x * vx + y * vy) / v2;
        if (tcpa > 0) cpa = std::hypot(x + vx * tcpa, y + vy * tcpa);
    }
    if (cpa < CAISTarget::kNoCPA) {
        cpa -= double(t.to_bow) + double(t.to_stern);
        if (cpa < 0) cpa = 0.0001;
    }
    t.tcpa = float(tcpa);
    t.cpa = float(cpa);
    if (beacon) {
        manOverboard(t);
        return;
    }
    if (tcpa <= 0) {
        cancelAlarm(t);
        return;
    }
    const double distance = t.alarmDistance();
    if (tcpa < cpa_alarm_time && cpa < distance &&
        std::sqrt(v2) > cpa_min_closing_velocity_knots * kKnotsToMs) {
        raiseAlarm(t);
    } else if (tcpa < 2 * cpa_alarm_time && cpa < 2 * distance) {
        t.colour = colourOf(CAISTarget::kNearThreatColour);
    }
    // A raised alarm holds until the closest approach has passed, so that a
    // CPA hovering about the limit does not sound it again and again.
}

void CAISTargetManager::raiseAlarm(CAISTarget& t) {
    t.colour = colourOf(CAISTarget::kAlarmColour);
    t.alarm = true;
    if (!alarm_beep) return;
    ShowSystemNotification(
        t.mmsi, formatted("AIS collision alert, %s", t.class_text),
        formatted("%s, CPA %d m, %d min", t.name.empty() ? "Unknown name" : t.name.c_str(),
                  int(std::lround(t.cpa)), int(std::lround(t.tcpa / 60))));
}

void CAISTargetManager::cancelAlarm(CAISTarget& t) {
    if (t.alarm && alarm_beep) CancelSystemNotification(t.mmsi);
    t.alarm = false;
}

void CAISTargetManager::manOverboard(CAISTarget& t) {
    t.alarm = true;
    ShowSystemNotification(
        t.mmsi, "AIS Man Overboard",
        FormatAlertDistance(t.range) + " away, bearing " + FormatAlertBearing(t.bearing));
    PlaceAlertMark(formatted("AIS MOB: %u", t.mmsi), t.latitude, t.longitude, t.range < kGotoRange);
}

void CAISTargetManager::RecomputeAll() {
    if (!m_ownSet) return;
    for (auto& [mmsi, t] : targets)
        if (t.class_text && t.HasFix() && t.state != CAISTarget::kLostContact) detect_collision(t);
}

void CAISTargetManager::recordTrack(CAISTarget& t) {
    CTrackManager& tracks = CTrackManager::theManager;
    COverlayTrack* track = nullptr;
    if (auto it = m_tracks.find(t.mmsi); it != m_tracks.end())
        track = tracks.FindTrackById(it->second);
    if (!track) {
        auto made = std::make_unique<COverlayTrack>();
        made->CopyAppearance(tracks.default_track, t.time);
        made->name = "AIS " + (t.name.empty() ? t.mmsi_text : t.name);
        made->do_not_sync = true;
        made->other_vessel = true;
        made->color = GraphicsColor::fromQColor(t.colour);
        track = tracks.AddTrack(std::move(made));
        m_tracks[t.mmsi] = track->GetObjectID();
    }
    const CTrackPoint* last = track->lastPoint();
    if (last && t.time - last->time < kTrackPointSeconds) return;
    CTrackPoint point;
    point.lat = t.latitude;
    point.lon = t.longitude;
    point.time = t.time;
    track->addPoint(point, true);
    tracks.tracks_changed = true;
}

void CAISTargetManager::remove(std::map<unsigned, CAISTarget>::iterator at) {
    CAISTarget& t = at->second;
    // A selected target takes its selection and the tool with it.
    if (CAISTarget::selected_target == &t) CAISTarget::selected_target = nullptr;
    if (COverlayTool::isSelected(&t)) COverlayTool::Deselect();
    if (t.alarm) CancelSystemNotification(t.mmsi);
    t.state = CAISTarget::kRemoving;
    t.fix_status = CDataGPSPosition::kNoFix;
    t.DispatchChange(COverlayObject::kRemoved);
    m_index.erase(at->first);
    targets.erase(at);
}

void CAISTargetManager::OnHeartbeat() {
    const double now = CHeartbeat::Timestamp();
    for (auto it = targets.begin(); it != targets.end();) {
        CAISTarget& t = it->second;
        const double age = now - t.time;
        if (age > kExpirySeconds) {
            remove(it++);
            continue;
        }
        if (age > kLostContactSeconds && t.state != CAISTarget::kLostContact) {
            t.speed = 0;
            t.colour = colourOf(CAISTarget::kLostColour);
            t.nav_status_text = "Lost contact";
            t.state = CAISTarget::kLostContact;
            if (t.alarm) CancelSystemNotification(t.mmsi);
            t.alarm = false;
            if (t.class_text) t.DispatchChange();
        }
        ++it;
    }
}

void CAISTargetManager::ClearAll() {
    // Newest numbers first: map views drop what they hold from the back.
    while (!targets.empty()) remove(std::prev(targets.end()));
    m_ownSet = false;
    grid = CSimpleGrid();
    own_vx = own_vy = 0;
    m_tracks.clear();
    m_expiry.reset();
}

bool CAISTargetManager::ReadInstantTargets(const std::string& file) {
    QFile in(QString::fromStdString(file));
    if (!in.open(QIODevice::ReadOnly)) return false;
    return ReadInstantTargetsText(in.readAll().toStdString());
}

namespace {

// The child elements of one <Target> that the list fills in.
struct InstantTarget {
    uint32_t mmsi = 0;
    std::string name, type, callsign;
};

void readInstantTarget(QXmlStreamReader& xml, InstantTarget& out) {
    while (xml.readNextStartElement()) {
        const QString tag = xml.name().toString();
        const std::string text =
            xml.readElementText(QXmlStreamReader::SkipChildElements).trimmed().toStdString();
        if (tag.compare("MMSI", Qt::CaseInsensitive) == 0)
            out.mmsi = uint32_t(std::strtoul(text.c_str(), nullptr, 10));
        else if (tag.compare("Name", Qt::CaseInsensitive) == 0)
            out.name = text;
        else if (tag.compare("VesselTypeString", Qt::CaseInsensitive) == 0)
            out.type = text;
        else if (tag.compare("CallSign", Qt::CaseInsensitive) == 0)
            out.callsign = text;
    }
}

}  // namespace

bool CAISTargetManager::ReadInstantTargetsText(const std::string& text) {
    QXmlStreamReader xml(QByteArray::fromStdString(text));
    if (!xml.readNextStartElement() || xml.name().toString() != "Watchmate") return false;
    while (xml.readNextStartElement()) {
        if (xml.name().toString().compare("Target", Qt::CaseInsensitive) != 0) {
            xml.skipCurrentElement();
            continue;
        }
        InstantTarget it;
        readInstantTarget(xml, it);
        if (xml.hasError()) break;  // a target cut short is not taken
        if (it.mmsi == 0) continue;
        CAISTarget& t = findOrInsert(it.mmsi);
        if (t.name.empty()) t.name = it.name;
        if (t.ship_type_text.empty()) t.ship_type_text = it.type;
        if (!t.class_text) t.class_text = CAISTarget::kInstant;
        if (t.details.empty()) {
            if (const char* beacon = CAISTarget::BeaconClass(t.mmsi_text)) {
                t.details = beacon;
                t.colour = colourOf(CAISTarget::kAlarmColour);
            } else {
                t.details = formatted("\"%s\" Type:%s Callsign:%s, MMSI:%u", t.name.c_str(),
                                      t.ship_type_text.c_str(), it.callsign.c_str(), t.mmsi);
            }
        }
        if (t.time == 0) t.time = CHeartbeat::Timestamp();
        t.DispatchChange();
    }
    return !xml.hasError();
}
