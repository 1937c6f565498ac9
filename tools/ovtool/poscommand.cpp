// ovtool pos: positions in every registered format, and the magnetic
// variation, for scripts and for checking a reference by hand.
//   pos formats                               the format names
//   pos format --format NAME LAT LON          WGS84 degrees to text
//   pos parse --format NAME TEXT...           text to WGS84 degrees
//   pos declination LAT LON [--time T]        degrees east at T (s since 1970)
// Each takes --json for one JSON object on stdout. Exit 0 on success, 1 when
// the position cannot be shown or the text does not read, 2 on bad usage.
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <cmath>

#include "app/base/timeutils.h"
#include "geo/magneticmodel.h"
#include "geo/numbertext.h"
#include "geo/units.h"
#include "ovtoolcommand.h"

namespace {

struct Options {
    bool json = false;
    QString format;
    bool hasTime = false;
    double time = 0;
    QStringList rest;  // the positional arguments
    QString error;
};

bool readNumber(const QString& text, double& value) {
    const QByteArray bytes = text.toUtf8();
    const char* p = bytes.constData();
    if (!scanDouble(p, value)) return false;
    skipSpace(p);
    return *p == 0 && std::isfinite(value);
}

Options parseOptions(const QStringList& args) {
    Options o;
    for (int i = 0; i < args.size(); ++i) {
        const QString& a = args[i];
        if (a == "--json") {
            o.json = true;
        } else if (a == "--format" || a == "--time") {
            if (i + 1 >= args.size()) {
                o.error = a + " needs a value";
                break;
            }
            const QString value = args[++i];
            if (a == "--format") {
                o.format = value;
            } else if (!readNumber(value, o.time)) {
                o.error = "--time takes seconds since 1970";
            } else {
                o.hasTime = true;
            }
        } else {
            o.rest << a;
        }
    }
    return o;
}

void printJson(const QJsonObject& object) {
    ovtoolPrint(QString::fromUtf8(QJsonDocument(object).toJson(QJsonDocument::Compact)));
}

// The named format, or null with a message listing the known ones.
const CUnits::PositionFormatType* formatOf(const Options& o) {
    if (o.format.isEmpty()) {
        ovtoolError("--format NAME is required (see ovtool pos formats)");
        return nullptr;
    }
    const auto* f = CUnits::PositionFormatType::FindExact(o.format.toStdString());
    if (!f) ovtoolError(QString("unknown format '%1' (see ovtool pos formats)").arg(o.format));
    return f;
}

extern const OvtoolCommand formatsCommand, formatCommand, parseCommand, declinationCommand;

int runFormats(const QStringList& args) {
    const Options o = parseOptions(args);
    if (!o.error.isEmpty() || !o.rest.isEmpty()) return ovtoolUsageError(formatsCommand);
    QStringList names;
    for (auto* f = CUnits::PositionFormatType::First(); f; f = f->next)
        names << QString::fromUtf8(f->name);
    names.sort();
    if (o.json) {
        printJson({{"formats", QJsonArray::fromStringList(names)}});
    } else {
        for (const QString& name : names) ovtoolPrint(name);
    }
    return 0;
}

int runFormat(const QStringList& args) {
    const Options o = parseOptions(args);
    double lat = 0, lon = 0;
    if (!o.error.isEmpty() || o.rest.size() != 2 || !readNumber(o.rest[0], lat) ||
        !readNumber(o.rest[1], lon)) {
        if (!o.error.isEmpty()) ovtoolError(o.error);
        return ovtoolUsageError(formatCommand);
    }
    const auto* f = formatOf(o);
    if (!f) return 2;
    std::string text;
    const bool ok = f->format(lat, lon, text);
    if (o.json) {
        printJson({{"format", QString::fromUtf8(f->name)},
                   {"lat", lat},
                   {"lon", lon},
                   {"ok", ok},
                   {"text", QString::fromStdString(text)}});
    } else {
        ovtoolPrint(QString::fromStdString(text));
    }
    return ok ? 0 : 1;
}

int runParse(const QStringList& args) {
    const Options o = parseOptions(args);
    if (!o.error.isEmpty() || o.rest.isEmpty()) {
        if (!o.error.isEmpty()) ovtoolError(o.error);
        return ovtoolUsageError(parseCommand);
    }
    const auto* f = formatOf(o);
    if (!f) return 2;
    const QString text = o.rest.join(' ');
    double lat = 999, lon = 999;
    const bool ok = f->scan(text.toUtf8().constData(), lat, lon);
    if (o.json) {
        QJsonObject object{{"format", QString::fromUtf8(f->name)}, {"text", text}, {"ok", ok}};
        if (ok) {
            object["lat"] = lat;
            object["lon"] = lon;
        }
        printJson(object);
    } else if (ok) {
        ovtoolPrint(QString::fromStdString(stringFormat("%.7f %.7f", lat, lon)));
    } else {
        ovtoolError(QString("'%1' is not a position in %2").arg(text, QString::fromUtf8(f->name)));
    }
    return ok ? 0 : 1;
}

int runDeclination(const QStringList& args) {
    const Options o = parseOptions(args);
    double lat = 0, lon = 0;
    if (!o.error.isEmpty() || o.rest.size() != 2 || !readNumber(o.rest[0], lat) ||
        !readNumber(o.rest[1], lon) || std::fabs(lat) > 90) {
        if (!o.error.isEmpty()) ovtoolError(o.error);
        return ovtoolUsageError(declinationCommand);
    }
    const double time = o.hasTime ? o.time : GetTimeNow();
    const double year = magneticYearOfTime(time);
    // The height the program uses for its variation: 100 m.
    const double declination = get_magnetic_declination(lat, lon, 0.1, year);
    if (o.json) {
        printJson({{"lat", lat},
                   {"lon", lon},
                   {"time", time},
                   {"year", year},
                   {"declination", declination}});
    } else {
        ovtoolPrint(QString::fromStdString(stringFormat("%.2f", declination)));
    }
    return 0;
}

const OvtoolCommand formatsCommand("pos formats", "[--json]", "list the position formats",
                                   runFormats);
const OvtoolCommand formatCommand("pos format", "--format NAME LAT LON [--json]",
                                  "write a WGS84 position in a position format", runFormat);
const OvtoolCommand parseCommand("pos parse", "--format NAME TEXT... [--json]",
                                 "read a position written in a position format", runParse);
const OvtoolCommand declinationCommand("pos declination", "LAT LON [--time T] [--json]",
                                       "magnetic variation in degrees east (World Magnetic Model)",
                                       runDeclination);

}  // namespace
