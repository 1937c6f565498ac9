#include "app/appfiles.h"

#include <QFile>
#include <QFileInfo>
#include <QUrl>
#include <algorithm>
#include <cstring>

#include "data/overlaygpsposition.h"
#include "displays/displayview.h"
#include "displays/displayviewarrangementset.h"
#include "maps/ktlformat.h"
#include "online/mappackage.h"
#include "overlays/overlayfiles.h"
#include "overlays/serializable.h"

namespace {

constexpr int kMaxStem = 25;

struct KnownMagic {
    uint32_t magic;
    AppFileKind kind;
};

constexpr KnownMagic kSerializerMagics[] = {
    {kMarksFileMagic, AppFileKind::Marks},
    {kRoutesFileMagic, AppFileKind::Routes},
    {kTracksFileMagic, AppFileKind::Tracks},
    {COverlayGPSPosition::kFileMagic, AppFileKind::LastPosition},
    {CDisplayViewArrangementSet::kLayoutFileMagic, AppFileKind::Layout},
    {CDisplayView::kPageFileMagic, AppFileKind::Page},
};

const char* const kDownloadExtensions[] = {"ktl",  "gpx",  "ovtf", "ovpkg", "dvpage",
                                           "pstf", "nmea", "log",  "txt"};

uint32_t u32At(const QByteArray& bytes, int offset) {
    uint32_t v = 0;
    if (bytes.size() >= offset + 4) std::memcpy(&v, bytes.constData() + offset, 4);
    return v;
}

// The serializer's files: the header, then a section holding one magic.
AppFileKind serializerKind(const QByteArray& head, const QString& suffix) {
    if (head.size() >= 13 && uint8_t(head[4]) == CSerializable::kSectionTag && u32At(head, 5) == 9)
        for (const KnownMagic& known : kSerializerMagics)
            if (known.magic == u32At(head, 9)) return known.kind;
    // Layouts and pages written without a magic section.
    if (suffix == QLatin1String("pstf")) return AppFileKind::Layout;
    if (suffix == QLatin1String("dvpage")) return AppFileKind::Page;
    return AppFileKind::Unknown;
}

}  // namespace

AppFileKind ClassifyFile(const QString& path) {
    const QFileInfo info(path);
    if (!info.exists()) return AppFileKind::Missing;
    if (info.isDir()) return AppFileKind::MapFolder;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) return AppFileKind::Unknown;
    const QByteArray head = file.read(512);  // the first line of a log too
    const QString suffix = info.suffix().toLower();
    if (ktl::magicMatches(u32At(head, 0))) return AppFileKind::MapFile;
    if (u32At(head, 0) == uint32_t(kMapPackageMagic)) return AppFileKind::MapPackage;
    if (u32At(head, 0) == CSerializable::kFileHeader) return serializerKind(head, suffix);
    if (suffix == QLatin1String("nmea") || suffix == QLatin1String("log") ||
        suffix == QLatin1String("txt")) {
        // Text whose first line is a sentence; other text files are not ours.
        const QByteArray line = head.left(head.indexOf('\n'));
        const bool sentence = line.contains('$') || line.contains('!');
        return sentence ? AppFileKind::NmeaLog : AppFileKind::Unknown;
    }
    // The root element, whatever its prefix; an XML file named .gpx whose root
    // lies beyond the first bytes too.
    if (head.toLower().contains("<gpx") || head.toLower().contains(":gpx ") ||
        (suffix == QLatin1String("gpx") && head.contains("<?xml")))
        return AppFileKind::Gpx;
    return AppFileKind::Unknown;
}

const char* AppFileKindName(AppFileKind kind) {
    // In the order of the enum.
    static const char* const names[] = {
        "missing file", "map folder", "map file",     "NMEA log",    "page layout",
        "page file",    "marks file", "routes file",  "tracks file", "position file",
        "map package",  "GPX file",   "unknown file",
    };
    static_assert(std::size(names) == size_t(AppFileKind::Unknown) + 1);
    return names[int(kind)];
}

bool ParseActivityLink(const QString& argument, QString* command, QString* query) {
    const QUrl url(argument, QUrl::StrictMode);
    if (!url.isValid()) return false;
    const QString scheme = url.scheme().toLower();
    if (scheme != QLatin1String("ovmap") && scheme != QLatin1String("http") &&
        scheme != QLatin1String("https"))
        return false;
    const QString path = url.path();
    if (command) *command = path.mid(path.lastIndexOf('/') + 1).toLower();
    if (query) *query = url.query();
    return true;
}

QString SafeDownloadName(const QString& name) {
    // Only the last component counts, whichever separator the sender used.
    QString base = name;
    base = base.mid(std::max(base.lastIndexOf('/'), base.lastIndexOf('\\')) + 1);
    const qsizetype dot = base.lastIndexOf('.');
    if (dot < 0) return {};
    const QString extension = base.mid(dot + 1).toLower();
    if (std::none_of(std::begin(kDownloadExtensions), std::end(kDownloadExtensions),
                     [&](const char* e) { return extension == QLatin1String(e); }))
        return {};
    QString stem;
    for (QChar c : base.left(dot)) {
        if (stem.size() >= kMaxStem) break;
        const bool kept = (c.unicode() < 128 && c.isLetterOrNumber()) || c == '_' || c == '-' ||
                          c == '+' || (c == '.' && !stem.isEmpty());
        if (kept) stem += c;
    }
    while (stem.endsWith('.')) stem.chop(1);
    if (stem.isEmpty()) stem = QStringLiteral("download");
    return stem + '.' + extension;
}

QRect FitWindowToScreen(const QRect& saved, const QSize& fallback, const QRect& available) {
    QRect r = saved;
    if (saved.width() <= 0 || saved.height() <= 0) {
        r = QRect(QPoint(0, 0), fallback);
        r.moveCenter(available.center());
    }
    r.setWidth(std::min(r.width(), available.width()));
    r.setHeight(std::min(r.height(), available.height()));
    if (r.right() > available.right()) r.moveRight(available.right());
    if (r.bottom() > available.bottom()) r.moveBottom(available.bottom());
    if (r.left() < available.left()) r.moveLeft(available.left());
    if (r.top() < available.top()) r.moveTop(available.top());
    return r;
}
