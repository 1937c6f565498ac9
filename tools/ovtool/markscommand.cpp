// ovtool marks list|add|delete|goto: the user's marks in a profile's
// "marks.ovtf", read and written as the program does. While the program runs
// with that profile, changes are refused: it would write its own copy over
// them.
#include <QCoreApplication>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <cmath>

#include "app/base/persistantdata.h"
#include "app/base/profilelock.h"
#include "overlays/markmanager.h"
#include "ovtoolcommand.h"

namespace {

QString takeOption(QStringList& args, const QString& option) {
    const qsizetype at = args.indexOf(option);
    if (at < 0 || at + 1 >= args.size()) return {};
    const QString value = args[at + 1];
    args.remove(at, 2);
    return value;
}

CMarkManager& loadMarks() {
    PersistantData::LoadAll("orvanta");
    CMarkManager::theManager.LoadFromFile();
    return CMarkManager::theManager;
}

bool refuseWhileRunning() {
    if (!ProfileLock::HeldByAnother()) return false;
    ovtoolError("Orvanta is running with this profile; change its marks there, or quit it first");
    return true;
}

int save(CMarkManager& manager) {
    if (manager.SaveIfNeeded()) return 0;
    ovtoolError("could not write " + QString::fromStdString(CMarkManager::FilePath()));
    return 1;
}

QJsonObject markJson(COverlayMark& mark) {
    return QJsonObject{{"name", QString::fromStdString(mark.name)},
                       {"lat", mark.lat},
                       {"lon", mark.lon},
                       {"icon", QString::fromStdString(mark.icon)},
                       {"alarm_radius", double(mark.alarm_radius)},
                       {"inner_radius", double(mark.inner_radius)},
                       {"goto", mark.is_goto},
                       {"ovid", QString::fromStdString(mark.GetObjectIDstr())}};
}

// By identity text, else by exact name.
COverlayMark* findMark(CMarkManager& manager, const QString& key) {
    const uint64_t id = CSyncable::ParseObjectID(key.toStdString());
    if (id) return manager.FindMarkById(id);
    return manager.FindMark(key.toStdString());
}

int runList(const QStringList& argsIn) {
    QStringList args = argsIn;
    if (!ovtoolTakeProfile(args) || !args.isEmpty()) {
        ovtoolError("usage: marks list [--profile P]");
        return 2;
    }
    CMarkManager& manager = loadMarks();
    // Marks from an older file get their identities now, kept if we may write.
    if (manager.marks_changed && !ProfileLock::HeldByAnother()) manager.SaveIfNeeded();
    QJsonArray list;
    for (auto& mark : manager.marks)
        if (!mark->deleted) list.append(markJson(*mark));
    ovtoolPrint(QString::fromUtf8(QJsonDocument(list).toJson(QJsonDocument::Indented)).trimmed());
    return 0;
}

int runAdd(const QStringList& argsIn) {
    QStringList args = argsIn;
    const QString icon = takeOption(args, "--icon");
    const QString alarm = takeOption(args, "--alarm"), inner = takeOption(args, "--inner");
    if (!ovtoolTakeProfile(args) || args.size() != 3) {
        ovtoolError(
            "usage: marks add NAME LAT LON [--icon I] [--alarm M] [--inner M] [--profile P]");
        return 2;
    }
    bool okLat = false, okLon = false;
    const double lat = args[1].toDouble(&okLat), lon = args[2].toDouble(&okLon);
    if (!okLat || !okLon || !(std::fabs(lat) <= 90) || !(std::fabs(lon) <= 180)) {
        ovtoolError("a position is a latitude from -90 to 90 and a longitude from -180 to 180");
        return 2;
    }
    bool okAlarm = true, okInner = true;
    const double alarmRadius = alarm.isEmpty() ? 0 : alarm.toDouble(&okAlarm);
    const double innerRadius = inner.isEmpty() ? 0 : inner.toDouble(&okInner);
    if (!okAlarm || !okInner || !(alarmRadius >= 0 && alarmRadius <= 100000) ||
        !(innerRadius >= 0 && innerRadius <= 100000)) {
        ovtoolError("alarm radii are metres from 0 to 100000");
        return 2;
    }
    if (refuseWhileRunning()) return 1;
    CMarkManager& manager = loadMarks();
    COverlayMark* mark = manager.CreateNewMark(nullptr, lat, lon);
    mark->alarm_radius = float(alarmRadius);
    mark->inner_radius = float(innerRadius);
    mark->name = args[0].toStdString();
    if (!icon.isEmpty()) mark->icon = icon.toStdString();
    manager.marks_changed = true;
    const int status = save(manager);
    if (status == 0)
        ovtoolPrint(QString::fromUtf8(QJsonDocument(markJson(*mark)).toJson()).trimmed());
    return status;
}

int runDelete(const QStringList& argsIn) {
    QStringList args = argsIn;
    if (!ovtoolTakeProfile(args) || args.size() != 1) {
        ovtoolError("usage: marks delete NAME|OVID [--profile P]");
        return 2;
    }
    if (refuseWhileRunning()) return 1;
    CMarkManager& manager = loadMarks();
    COverlayMark* mark = findMark(manager, args[0]);
    if (!mark) {
        ovtoolError("no mark " + args[0]);
        return 1;
    }
    manager.DeleteMark(mark);
    return save(manager);
}

int runGoto(const QStringList& argsIn) {
    QStringList args = argsIn;
    if (!ovtoolTakeProfile(args) || args.size() != 1) {
        ovtoolError("usage: marks goto NAME|OVID [--profile P]");
        return 2;
    }
    if (refuseWhileRunning()) return 1;
    CMarkManager& manager = loadMarks();
    COverlayMark* mark = findMark(manager, args[0]);
    if (!mark || !manager.SetGoto(mark)) {
        ovtoolError("no mark " + args[0] + " with a position");
        return 1;
    }
    return save(manager);
}

const OvtoolCommand listCommand("marks list", "[--profile P]",
                                "the marks as JSON: name, lat, lon, icon, radii, ovid", runList);
const OvtoolCommand addCommand("marks add",
                               "NAME LAT LON [--icon I] [--alarm M] [--inner M] [--profile P]",
                               "adds a mark", runAdd);
const OvtoolCommand deleteCommand("marks delete", "NAME|OVID [--profile P]", "deletes a mark",
                                  runDelete);
const OvtoolCommand gotoCommand("marks goto", "NAME|OVID [--profile P]",
                                "makes a mark the go-to destination", runGoto);

}  // namespace
