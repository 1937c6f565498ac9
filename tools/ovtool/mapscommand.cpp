// ovtool maps list [FOLDER...]: the map catalogue as JSON, in scale order.
// ovtool maps best LAT LON [--scale S] [--any-type] [--folder DIR]...: the
// map the view would open there. Without folders, the program's own search
// folders (and its settings) are used.
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include "app/base/persistantdata.h"
#include "maps/chartlist.h"
#include "ovtoolcommand.h"

namespace {

int runList(const QStringList& args);
int runBest(const QStringList& args);

const OvtoolCommand listCommand("maps list", "[FOLDER...]",
                                "list the map catalogue as JSON, most detailed first", runList);
const OvtoolCommand bestCommand("maps best",
                                "LAT LON [--scale NM_PER_PIXEL] [--any-type] [--folder DIR]...",
                                "the best map at a place (JSON)", runBest);

// The program's catalogue, or one of the given folders only.
void buildCatalogue(CChartList& list, const QStringList& folders) {
    PersistantData::LoadAll("orvanta");
    if (folders.isEmpty()) {
        list.init();
        return;
    }
    for (const QString& folder : folders) {
        if (!list.AddSearchFolder(folder.toStdString()))
            ovtoolError(QString("%1 is not a folder, or is listed already").arg(folder));
    }
    list.Refresh();
}

QJsonObject describe(const CChartOutline& o) {
    return QJsonObject{
        {"name", QString::fromStdString(o.name)},
        {"path", QString::fromStdString(o.path)},
        {"map_type", QString::fromStdString(o.map_type)},
        {"scale", o.scale},
        {"flags", double(o.flags)},
        {"fully_downloaded", o.fully_downloaded},
        {"type_selected", o.typeIsSelected()},
        {"bounds", QJsonArray{o.bounds.left, o.bounds.right, o.bounds.bottom, o.bounds.top}},
    };
}

int runList(const QStringList& args) {
    CChartList list;
    buildCatalogue(list, args);
    QJsonArray maps;
    for (const auto& o : list.charts()) maps.append(describe(*o));
    QJsonArray duplicates;
    for (const std::string& d : list.duplicates()) duplicates.append(QString::fromStdString(d));
    QJsonArray folders;
    for (const auto& f : list.folders()) folders.append(QString::fromStdString(f.path));
    const QJsonObject out{
        {"folders", folders}, {"maps", maps}, {"duplicates_left_out", duplicates}};
    ovtoolPrint(QString::fromUtf8(QJsonDocument(out).toJson(QJsonDocument::Indented)));
    return 0;
}

int runBest(const QStringList& args) {
    if (args.size() < 2) return ovtoolUsageError(bestCommand);
    bool okLat = false, okLon = false;
    const double lat = args[0].toDouble(&okLat);
    const double lon = args[1].toDouble(&okLon);
    if (!okLat || !okLon) return ovtoolUsageError(bestCommand);
    double scale = 0;
    bool anyType = false;
    QStringList folders;
    for (int i = 2; i < args.size(); ++i) {
        bool ok = true;
        if (args[i] == "--scale" && i + 1 < args.size())
            scale = args[++i].toDouble(&ok);
        else if (args[i] == "--folder" && i + 1 < args.size())
            folders << args[++i];
        else if (args[i] == "--any-type")
            anyType = true;
        else
            ok = false;
        if (!ok) return ovtoolUsageError(bestCommand);
    }
    CChartList list;
    buildCatalogue(list, folders);
    const CChartOutline* best = list.FindBestChart(lat, lon, scale, anyType);
    if (!best) {
        ovtoolPrint("null");
        return 1;
    }
    ovtoolPrint(QString::fromUtf8(QJsonDocument(describe(*best)).toJson(QJsonDocument::Indented)));
    return 0;
}

}  // namespace
