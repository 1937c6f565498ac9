// ovtool places: place-name files (".ovnm") from a tab-separated list, and
// the find-place search over one, as the dialog does it.
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <algorithm>
#include <map>

#include "app/base/fileutils.h"
#include "online/dlgfindplace.h"
#include "online/geonamedatabase.h"
#include "ovtoolcommand.h"

namespace {

int runMake(const QStringList& args);
int runFind(const QStringList& args);

const OvtoolCommand makeCommand(
    "places make", "INPUT.tsv -o FILE.ovnm",
    "a place-name file from lines of name, category, lat, lon, scale (tab-separated)", runMake);
const OvtoolCommand findCommand("places find", "FILE.ovnm TEXT",
                                "the find-place results for TEXT (JSON)", runFind);

struct Line {
    GeoNameRecord place;
    double scale = 0;
};

// "name<TAB>category<TAB>lat<TAB>lon[<TAB>scale]"; "#" starts a comment.
bool parseLine(const QString& text, Line& line, QString& category) {
    const QStringList f = text.split('\t');
    if (f.size() < 4 || f.size() > 5 || f[0].trimmed().isEmpty() || f[1].trimmed().isEmpty())
        return false;
    bool latOk = false, lonOk = false, scaleOk = true;
    line.place.name = f[0].trimmed().toStdString();
    category = f[1].trimmed();
    line.place.lat = f[2].toDouble(&latOk);
    line.place.lon = f[3].toDouble(&lonOk);
    if (f.size() == 5) line.scale = f[4].toDouble(&scaleOk);
    return latOk && lonOk && scaleOk && std::abs(line.place.lat) <= 90 &&
           std::abs(line.place.lon) <= 360;
}

int runMake(const QStringList& args) {
    if (args.size() != 3 || args[1] != "-o") return ovtoolUsageError(makeCommand);
    QFile input(args[0]);
    if (!input.open(QIODevice::ReadOnly | QIODevice::Text)) {
        ovtoolError("can't read " + args[0]);
        return 1;
    }
    std::vector<std::string> categories;
    std::map<QString, int> categoryIndex;
    std::vector<Line> lines;
    for (int number = 1; !input.atEnd(); ++number) {
        const QString text = QString::fromUtf8(input.readLine()).trimmed();
        if (text.isEmpty() || text.startsWith('#')) continue;
        Line line;
        QString category;
        if (!parseLine(text, line, category)) {
            ovtoolError(QString("%1:%2: expected name, category, lat, lon and scale")
                            .arg(args[0])
                            .arg(number));
            return 1;
        }
        if (!category.isEmpty()) {
            auto [it, added] = categoryIndex.emplace(category, int(categories.size()));
            if (added) categories.push_back(category.toStdString());
            line.place.category = it->second;
        }
        lines.push_back(std::move(line));
    }
    // The search lists matches in file order: places seen from further out first.
    std::stable_sort(lines.begin(), lines.end(),
                     [](const Line& a, const Line& b) { return a.scale > b.scale; });
    std::vector<GeoNameRecord> places;
    for (Line& l : lines) places.push_back(std::move(l.place));
    if (!write_to_file(args[2].toStdString(), GeoNameDatabaseBytes(categories, places))) {
        ovtoolError("could not write " + args[2]);
        return 1;
    }
    std::fprintf(stderr, "%s: %d places in %d categories\n", qPrintable(args[2]),
                 int(places.size()), int(categories.size()));
    return 0;
}

int runFind(const QStringList& args) {
    if (args.size() != 2) return ovtoolUsageError(findCommand);
    CDlgFindPlace search;
    search.init(args[0].toStdString());
    if (!search.hasDatabase()) {
        ovtoolError(QString::fromStdString(search.database().error()));
        return 1;
    }
    search.onChangedSearch(args[1].toStdString());
    QJsonArray groups;
    for (const CDlgFindPlace::Group& g : search.groups()) {
        QJsonArray results;
        for (const CDlgFindPlace::Result& r : g.results) {
            const Vertex c = r.bounds.center();
            results.append(
                QJsonObject{{"name", QString::fromStdString(r.name)}, {"lat", c.y}, {"lon", c.x}});
        }
        groups.append(
            QJsonObject{{"title", QString::fromStdString(g.title)}, {"results", results}});
    }
    QJsonObject out{{"search", args[1]}, {"groups", groups}};
    if (!search.hint().empty()) out["hint"] = QString::fromStdString(search.hint());
    if (search.database().damaged()) out["damaged"] = true;
    ovtoolPrint(QString::fromUtf8(QJsonDocument(out).toJson(QJsonDocument::Compact)));
    return 0;
}

}  // namespace
