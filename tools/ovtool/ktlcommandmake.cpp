// ovtool ktl make: a classic map file from an image (PNG, JPEG, TIFF or any
// format Qt reads) and its georeferencing.
#include <QFileInfo>
#include <QImageReader>

#include "ktlcommand.h"
#include "ktlmakev3.h"
#include "maps/kartile3maker.h"
#include "maps/kartilemaker.h"
#include "ovtoolcommand.h"

namespace {

int runMake(const QStringList& args);

const OvtoolCommand makeCommand(
    "ktl make",
    "IMAGE -o OUT.ktl (--bounds W,E,S,N [--mercator] | --gcp X,Y,LAT,LON ...) [--name S] "
    "[--title S] [--id S] [--edition S] [--revision S] [--scale S] [--type S] [--copyright S] "
    "[--depths S] [--heights S] [--datum-shift DLAT,DLON] [--odd-magic] [--v3 OUTDIR "
    "[--slice-bytes N]]",
    "make a classic .ktl map from an image", runMake);

int runMake(const QStringList& args) {
    CKartileMaker maker;
    QString input, output, v3Dir;
    qint64 sliceBytes = CKartile3Maker::kServerSliceBytes;
    bool mercator = false;
    std::vector<double> bounds;
    std::vector<PolynomialFit::ControlPoint> points;
    // Options whose value is a header string.
    const std::pair<const char*, std::string*> strings[] = {
        {"--name", &maker.name},         {"--title", &maker.title},
        {"--id", &maker.identifier},     {"--edition", &maker.edition},
        {"--revision", &maker.revision}, {"--scale", &maker.scale},
        {"--type", &maker.mapType},      {"--copyright", &maker.copyright},
        {"--depths", &maker.depthUnits}, {"--heights", &maker.heightUnits},
    };
    for (int i = 0; i < args.size(); ++i) {
        const QString& a = args[i];
        QString value;
        std::vector<double> numbers;
        bool known = false;
        for (const auto& [option, target] : strings) {
            if (a != option) continue;
            if (!ktlTakeValue(args, i, value)) return ovtoolUsageError(makeCommand);
            *target = value.toStdString();
            known = true;
        }
        if (known) continue;
        if (a == "-o") {
            if (!ktlTakeValue(args, i, output)) return ovtoolUsageError(makeCommand);
        } else if (a == "--bounds") {
            if (!ktlTakeValue(args, i, value) || !ktlParseNumbers(value, 4, bounds)) {
                ovtoolError("--bounds takes WEST,EAST,SOUTH,NORTH in degrees");
                return 2;
            }
        } else if (a == "--mercator") {
            mercator = true;
        } else if (a == "--gcp") {
            if (!ktlTakeValue(args, i, value) || !ktlParseNumbers(value, 4, numbers)) {
                ovtoolError("--gcp takes X,Y,LATITUDE,LONGITUDE (pixels, degrees)");
                return 2;
            }
            points.push_back({numbers[0], numbers[1], numbers[2], numbers[3]});
        } else if (a == "--datum-shift") {
            if (!ktlTakeValue(args, i, value) || !ktlParseNumbers(value, 2, numbers)) {
                ovtoolError("--datum-shift takes DLAT,DLON in degrees");
                return 2;
            }
            maker.hasDatumShift = true;
            maker.latitudeShift = numbers[0];
            maker.longitudeShift = numbers[1];
        } else if (a == "--v3") {
            if (!ktlTakeValue(args, i, v3Dir)) return ovtoolUsageError(makeCommand);
        } else if (a == "--slice-bytes") {
            QString value;
            bool ok = false;
            if (!ktlTakeValue(args, i, value)) return ovtoolUsageError(makeCommand);
            sliceBytes = value.toLongLong(&ok);
            if (!ok || sliceBytes < 40) {
                ovtoolError("--slice-bytes takes a size of at least 40 bytes");
                return 2;
            }
        } else if (a == "--odd-magic") {
            maker.magic = 0x1423D5FF;
        } else if (a.startsWith('-') || !input.isEmpty()) {
            ovtoolError(QString("unexpected argument '%1'").arg(a));
            return ovtoolUsageError(makeCommand);
        } else {
            input = a;
        }
    }
    if (input.isEmpty() || output.isEmpty() || (bounds.empty() == points.empty())) {
        if (!bounds.empty() && !points.empty()) ovtoolError("give --bounds or --gcp, not both");
        return ovtoolUsageError(makeCommand);
    }
    if (!bounds.empty())
        maker.setBounds(bounds[0], bounds[1], bounds[2], bounds[3],
                        mercator ? CKartileMaker::Projection::Mercator
                                 : CKartileMaker::Projection::Equirectangular);
    else
        maker.setControlPoints(points);

    QImageReader::setAllocationLimit(4096);  // MiB: large scans are the point
    QImageReader reader(input);
    const QImage image = reader.read();
    if (image.isNull()) {
        ovtoolError(QString("can't read %1: %2").arg(input, reader.errorString()));
        return 1;
    }
    maker.sourceFile = QFileInfo(input).fileName().toStdString();
    if (!maker.make(image, output.toStdString())) {
        ovtoolError(QString::fromStdString(maker.error()));
        return 1;
    }
    const int* counts = maker.encodingCounts();
    ovtoolPrint(QString("%1: %2 x %3 pixels, %4 colours, %5 bytes; tiles: %6 single, %7 "
                        "run-length, %8 bit-packed, %9 Huffman; fit error %10 pixels")
                    .arg(output)
                    .arg(image.width())
                    .arg(image.height())
                    .arg(maker.palette().size())
                    .arg(QFileInfo(output).size())
                    .arg(counts[0])
                    .arg(counts[1])
                    .arg(counts[2])
                    .arg(counts[3])
                    .arg(maker.fitError(), 0, 'g', 3));
    // The version-3 twin: a header file and the server's chunk file.
    if (!v3Dir.isEmpty()) return ktlMakeV3(output, v3Dir, sliceBytes);
    return 0;
}

}  // namespace
