#include "overlays/ovtfdump.h"

#include <QJsonArray>
#include <cstring>

#include "overlays/overlayfiles.h"
#include "overlays/serializable.h"

namespace {

constexpr int kMaxDepth = 32;
constexpr int64_t kHexShown = 64;

struct KnownFile {
    uint32_t magic;
    const char* name;
};
constexpr KnownFile kKnownFiles[] = {
    {kMarksFileMagic, "marks.ovtf"},   {kRoutesFileMagic, "routes.ovtf"},
    {kTracksFileMagic, "tracks.ovtf"}, {0x23592A83, "gpsdata.ovtf"},
    {0x47F8FB82, "page_layout.pstf"},  {0x71831AB9, "page.dvpage"},
};

QString hex32(uint32_t v) {
    return QString::asprintf("0x%08X", v);
}

class Walker {
public:
    explicit Walker(const std::string& bytes) : b(bytes) {}

    template <class T>
    T at(int64_t pos) const {
        T v;
        std::memcpy(&v, b.data() + pos, sizeof v);
        return v;
    }

    QJsonArray items(int64_t from, int64_t to, int depth) const {
        QJsonArray out;
        int64_t pos = from;
        int64_t rawStart = -1;
        const auto flush = [&](int64_t end) {
            if (rawStart >= 0) out.append(raw(rawStart, end));
            rawStart = -1;
        };
        while (pos < to) {
            int64_t used = 0;
            QJsonObject item;
            if (depth < kMaxDepth &&
                (section(pos, to, depth, item, used) || record(pos, to, depth, item, used) ||
                 text(pos, to, item, used))) {
                flush(pos);
                out.append(item);
                pos += used;
                continue;
            }
            if (rawStart < 0) rawStart = pos;
            ++pos;
        }
        flush(to);
        return out;
    }

private:
    bool section(int64_t pos, int64_t to, int depth, QJsonObject& item, int64_t& used) const {
        if (to - pos < 5 || uint8_t(b[size_t(pos)]) != CSerializable::kSectionTag) return false;
        const uint32_t length = at<uint32_t>(pos + 1);
        if (length < 5 || int64_t(length) > to - pos) return false;
        used = length;
        QJsonObject s{{"offset", double(pos)}, {"length", double(length)}};
        if (length == 33 && syncFields(pos + 5, s)) {
            item["sync"] = s;
        } else {
            s["items"] = items(pos + 5, pos + length, depth + 1);
            item["section"] = s;
        }
        return true;
    }

    // The sync section: id, do_not_sync, modified, deleted, created, visible, locked.
    bool syncFields(int64_t p, QJsonObject& s) const {
        for (int flag : {8, 17, 26, 27})
            if (uint8_t(b[size_t(p + flag)]) > 1) return false;
        s["object_id"] = QString::asprintf("ovid:%llX", (unsigned long long)at<uint64_t>(p));
        s["do_not_sync"] = b[size_t(p + 8)] != 0;
        s["modified"] = at<double>(p + 9);
        s["deleted"] = b[size_t(p + 17)] != 0;
        s["created"] = at<double>(p + 18);
        s["visible"] = b[size_t(p + 26)] != 0;
        s["locked"] = b[size_t(p + 27)] != 0;
        return true;
    }

    bool record(int64_t pos, int64_t to, int depth, QJsonObject& item, int64_t& used) const {
        if (to - pos < 9) return false;
        const CSerializable::Type* type = CSerializable::Type::Find(at<uint32_t>(pos));
        const uint32_t length = at<uint32_t>(pos + 4);
        if (!type || length < 1 || int64_t(length) > to - pos - 8) return false;
        used = 8 + int64_t(length);
        item["record"] = QJsonObject{{"offset", double(pos)},
                                     {"type_id", double(type->id())},
                                     {"type", QString::fromUtf8(type->name())},
                                     {"length", double(length)},
                                     {"items", items(pos + 8, pos + used, depth + 1)}};
        return true;
    }

    // int32 length and that many printable bytes of valid UTF-8.
    bool text(int64_t pos, int64_t to, QJsonObject& item, int64_t& used) const {
        if (to - pos < 5) return false;
        const int32_t n = at<int32_t>(pos);
        if (n < 1 || n > CSerializable::kMaxStringLength || n > to - pos - 4) return false;
        const char* p = b.data() + pos + 4;
        for (int64_t i = 0; i < n; ++i) {
            const uint8_t c = uint8_t(p[i]);
            if ((c < 0x20 && c != '\t' && c != '\n' && c != '\r') || c == 0x7F) return false;
        }
        const QString decoded = QString::fromUtf8(p, n);
        if (decoded.contains(QChar::ReplacementCharacter) ||
            decoded.toUtf8() != QByteArray::fromRawData(p, n))
            return false;
        used = 4 + n;
        item["text"] = decoded;
        return true;
    }

    QJsonObject raw(int64_t from, int64_t to) const {
        const int64_t shown = std::min(to - from, kHexShown);
        QJsonObject r{
            {"offset", double(from)},
            {"size", double(to - from)},
            {"hex", QString::fromLatin1(QByteArray(b.data() + from, int(shown)).toHex(' '))}};
        if (to - from == 4) r["uint32"] = double(at<uint32_t>(from));
        if (to - from == 8) r["double"] = at<double>(from);
        return r;
    }

    const std::string& b;
};

}  // namespace

const char* OvtfFileForMagic(uint32_t magic) {
    for (const KnownFile& f : kKnownFiles)
        if (f.magic == magic) return f.name;
    return nullptr;
}

QJsonObject DescribeOvtf(const std::string& bytes) {
    QJsonObject out{{"size", double(bytes.size())}};
    uint32_t header = 0;
    if (bytes.size() >= 4) std::memcpy(&header, bytes.data(), 4);
    out["file_header"] = header == CSerializable::kFileHeader;
    if (header != CSerializable::kFileHeader) return out;

    Walker walker(bytes);
    int64_t pos = 4;
    // The magic section: a section holding one uint32.
    if (bytes.size() >= 13 && uint8_t(bytes[4]) == CSerializable::kSectionTag &&
        walker.at<uint32_t>(5) == 9) {
        const uint32_t magic = walker.at<uint32_t>(9);
        out["magic"] = hex32(magic);
        if (const char* file = OvtfFileForMagic(magic)) out["file"] = file;
        pos = 13;
    }
    out["items"] = walker.items(pos, int64_t(bytes.size()), 0);
    return out;
}
