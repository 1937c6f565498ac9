// ovtool ktl info FILE: the header of a map, its size and georeferencing as JSON.
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include "ktlcommand.h"
#include "maps/kartile.h"
#include "maps/ktlformat.h"
#include "ovtoolcommand.h"

namespace {

int runInfo(const QStringList& args);

const OvtoolCommand infoCommand("ktl info", "FILE",
                                "describe a .ktl map as JSON (header, size, bounds, scale)",
                                runInfo);

QString hex(uint32_t v) {
    return QString("0x%1").arg(v, 8, 16, QChar('0'));
}

int runInfo(const QStringList& args) {
    if (args.size() != 1) return ovtoolUsageError(infoCommand);
    CKartile* map = ktlOpenMap(args[0]);
    if (!map) return 1;

    QJsonObject strings;
    const std::pair<const char*, uint32_t> fields[] = {
        {"title", ktl::kOffTitle},
        {"name", ktl::kOffName},
        {"identifier", ktl::kOffIdentifier},
        {"edition", ktl::kOffEdition},
        {"revision", ktl::kOffRevision},
        {"copyright", ktl::kOffCopyright},
        {"scale", ktl::kOffScale},
        {"depthUnits", ktl::kOffDepthUnits},
        {"heightUnits", ktl::kOffHeightUnits},
        {"sourceFile", ktl::kOffSourceFile},
    };
    for (const auto& [key, field] : fields)
        strings[key] = QString::fromStdString(map->headerString(field));
    strings["mapType"] = QString::fromStdString(map->GetMapType());

    CPolygon outline;
    map->getBoundaryPolygon(outline);
    const CBounds b = outline.getBounds();
    QJsonArray points;
    for (const Vertex& v : outline.vertices) points.append(QJsonArray{v.y, v.x});

    QJsonObject info;
    info["path"] = args[0];
    info["fileSize"] = double(map->fileSize());
    info["magic"] = hex(map->magic());
    info["versionWord"] = hex(map->versionWord());
    info["version"] = int(ktl::versionOf(map->versionWord()));
    info["kind"] = int(ktl::kindOf(map->versionWord()));
    info["flags"] = hex(map->flags());
    info["widthTiles"] = map->widthInTiles();
    info["heightTiles"] = map->heightInTiles();
    info["width"] = map->width();
    info["height"] = map->height();
    info["displayTitle"] = QString::fromStdString(map->GetTitle());
    info["strings"] = strings;
    info["bounds"] =
        QJsonObject{{"west", b.left}, {"east", b.right}, {"south", b.bottom}, {"north", b.top}};
    info["outline"] = points;  // [latitude, longitude] pairs
    info["referenceLongitude"] = map->referenceLongitude();
    // Nautical miles per pixel at the centre of the image.
    info["scaleAtCentre"] = map->get_scale(map->width() / 2, map->height() / 2);
    info["datumShift"] = map->hasDatumShift()
                             ? QJsonValue(QJsonObject{{"latitude", map->latitudeShift()},
                                                      {"longitude", map->longitudeShift()}})
                             : QJsonValue();
    map->Destroy();
    ovtoolPrint(QString::fromUtf8(QJsonDocument(info).toJson(QJsonDocument::Indented)));
    return 0;
}

}  // namespace
