#include "overlays/gpxreader.h"

#include <QFile>
#include <iterator>

#include "overlays/gpxoutput.h"
#include "overlays/syncable.h"
#include "overlays/xmlnode.h"

namespace {

enum class Tag {
    Other,
    Gpx,
    Wpt,
    Rte,
    Rtept,
    Trk,
    Trkseg,
    Trkpt,
    Name,
    Desc,
    Cmt,
    Src,
    Type,
    Time,
    Ele,
    Sym,
    Link,
    Url,
    Number,
    Fill,
    Line,
    Color,
    Opacity,
    Width,
    Pattern,
    Proximity,
};

constexpr std::pair<std::string_view, Tag> kTags[] = {
    {"gpx", Tag::Gpx},
    {"wpt", Tag::Wpt},
    {"rte", Tag::Rte},
    {"rtept", Tag::Rtept},
    {"trk", Tag::Trk},
    {"trkseg", Tag::Trkseg},
    {"trkpt", Tag::Trkpt},
    {"name", Tag::Name},
    {"desc", Tag::Desc},
    {"cmt", Tag::Cmt},
    {"src", Tag::Src},
    {"type", Tag::Type},
    {"time", Tag::Time},
    {"ele", Tag::Ele},
    {"sym", Tag::Sym},
    {"link", Tag::Link},
    {"url", Tag::Url},
    {"number", Tag::Number},
    {"fill", Tag::Fill},
    {"line", Tag::Line},
    {"color", Tag::Color},
    {"opacity", Tag::Opacity},
    {"width", Tag::Width},
    {"pattern", Tag::Pattern},
    {"Proximity", Tag::Proximity},
};

Tag tagOf(std::string_view name) {
    for (const auto& [text, tag] : kTags)
        if (EqualsNoCase(name, text)) return tag;
    return Tag::Other;
}

// The elements whose text the reader keeps.
bool isField(Tag tag) {
    return tag >= Tag::Name && tag != Tag::Fill && tag != Tag::Line;
}

std::string_view trimmed(std::string_view text) {
    const size_t from = text.find_first_not_of(" \t\r\n");
    if (from == std::string_view::npos) return {};
    return text.substr(from, text.find_last_not_of(" \t\r\n") - from + 1);
}

double attributeNumber(const std::vector<XmlAttribute>& attributes, std::string_view name) {
    double value = 0;
    for (const XmlAttribute& a : attributes)
        if (EqualsNoCase(a.name, name)) return ParseXmlNumber(a.raw, value) ? value : 0;
    return 0;
}

// desc, and cmt when it says something else; an identity marker and what
// follows it is not part of the text.
std::string joinComment(const std::string& desc, const std::string& cmt) {
    std::string comment = desc;
    if (!cmt.empty() && cmt != desc) comment += comment.empty() ? cmt : " " + cmt;
    const size_t marker = comment.find("Source: ovid:");
    if (marker != std::string::npos) comment = std::string(trimmed(comment.substr(0, marker)));
    return comment;
}

// The texts every kind of object reads the same way.
struct Texts {
    std::string desc, cmt, src, number;
    void clear() { desc.clear(), cmt.clear(), src.clear(), number.clear(); }
    uint64_t objectId() const {
        const uint64_t id = CSyncable::ParseObjectID(src);
        return id ? id : CSyncable::ParseObjectID(desc);
    }
};

class GpxHandler : public XmlHandler {
public:
    explicit GpxHandler(GpxData& data) : m_data(data) {}

    void startElement(std::string_view name, const std::vector<XmlAttribute>& attrs) override {
        const Tag tag = tagOf(name);
        m_stack.push_back(tag);
        m_text.clear();
        if (m_gpxDepth < 0) {
            if (tag == Tag::Gpx && m_gpxDepth == -1) {
                m_gpxDepth = int(m_stack.size());
                m_data.has_gpx = true;
            }
            return;
        }
        if (int(m_stack.size()) == m_gpxDepth + 1) return startObject(tag, attrs);
        switch (tag) {
            case Tag::Rtept:
                if (m_route && !m_waypoint && !m_inPoint) {
                    m_route->points.emplace_back();
                    startWaypoint(m_route->points.back(), attrs);
                }
                break;
            case Tag::Trkseg:
                if (m_track) ++m_track->segments;
                break;
            case Tag::Trkpt:
                if (m_track && !m_inPoint && !m_waypoint) {
                    m_pointDepth = int(m_stack.size());
                    m_point = CTrackPoint();
                    m_point.lat = attributeNumber(attrs, "lat");
                    m_point.lon = attributeNumber(attrs, "lon");
                    m_point.setAltitude(-9999);
                    m_inPoint = true;
                }
                break;
            case Tag::Link:
                for (const XmlAttribute& a : attrs)
                    if (EqualsNoCase(a.name, "href")) XML_decode_ampersand(a.raw, m_href);
                m_linkDepth = m_href.empty() ? int(m_stack.size()) : 0;
                break;
            default:
                break;
        }
    }

    void text(std::string_view raw, bool cdata) override {
        std::string* into = &m_text;
        if (m_linkDepth > 0)
            into = &m_href;
        else if (m_stack.empty() || !isField(m_stack.back()) || m_gpxDepth < 0)
            return;
        if (cdata)
            into->append(raw);
        else
            XML_decode_ampersand(raw, *into);
    }

    void endElement(std::string_view) override {
        const Tag tag = m_stack.back();
        const Tag parent = m_stack.size() >= 2 ? m_stack[m_stack.size() - 2] : Tag::Other;
        if (m_gpxDepth >= 0) endOf(tag, parent);
        if (int(m_stack.size()) == m_gpxDepth) m_gpxDepth = -2;  // only the first gpx counts
        m_stack.pop_back();
    }

private:
    void startObject(Tag tag, const std::vector<XmlAttribute>& attrs) {
        m_texts.clear();
        switch (tag) {
            case Tag::Wpt:
                m_data.marks.emplace_back();
                startWaypoint(m_data.marks.back(), attrs);
                break;
            case Tag::Rte:
                m_data.routes.emplace_back();
                m_route = &m_data.routes.back();
                m_pathDepth = int(m_stack.size());
                break;
            case Tag::Trk:
                m_data.tracks.emplace_back();
                m_track = &m_data.tracks.back();
                m_pathDepth = int(m_stack.size());
                break;
            default:
                break;
        }
    }

    void startWaypoint(GpxWaypoint& wp, const std::vector<XmlAttribute>& attrs) {
        m_waypoint = &wp;
        m_waypointDepth = int(m_stack.size());
        m_waypointTexts.clear();
        wp.lat = attributeNumber(attrs, "lat");
        wp.lon = attributeNumber(attrs, "lon");
    }

    void endOf(Tag tag, Tag parent) {
        const int depth = int(m_stack.size());  // of the element ending
        switch (tag) {
            case Tag::Wpt:
            case Tag::Rtept:
                if (m_waypoint && depth == m_waypointDepth) {
                    finishWaypoint(*m_waypoint, m_waypointTexts);
                    m_waypoint = nullptr;
                }
                return;
            case Tag::Trkpt:
                if (m_inPoint && depth == m_pointDepth) {
                    m_track->points.push_back(m_point);
                    m_inPoint = false;
                }
                return;
            case Tag::Rte:
                if (m_route && int(m_stack.size()) == m_gpxDepth + 1) {
                    finishPath(*m_route, "Route #");
                    m_route = nullptr;
                }
                return;
            case Tag::Trk:
                if (m_track && int(m_stack.size()) == m_gpxDepth + 1) {
                    finishPath(*m_track, "Track #");
                    m_track = nullptr;
                }
                return;
            case Tag::Link:
                if (m_linkDepth == 0 || m_linkDepth == depth) endLink(parent);
                return;
            default:
                break;
        }
        if (m_linkDepth > 0 || !isField(tag)) return;
        // A field belongs to the innermost object open, as its child or,
        // for extensions, deeper.
        if (m_inPoint) {
            if (depth == m_pointDepth + 1) pointField(tag);
        } else if (m_waypoint) {
            if (depth == m_waypointDepth + 1)
                waypointField(tag);
            else
                waypointExtension(tag, parent);
        } else if (m_route || m_track) {
            if (depth == m_pathDepth + 1)
                pathField(tag);
            else if (parent == Tag::Line)
                lineStyle(tag);
        }
    }

    void endLink(Tag parent) {
        m_linkDepth = 0;
        std::string href = std::string(trimmed(m_href));
        m_href.clear();
        if (m_waypoint && (parent == Tag::Wpt || parent == Tag::Rtept) && m_waypoint->link.empty())
            m_waypoint->link = std::move(href);
    }

    void pointField(Tag tag) {
        double value = 0;
        if (tag == Tag::Time)
            m_point.time = CXMLnode::parse_time(m_text);
        else if (tag == Tag::Ele && ParseXmlNumber(m_text, value))
            m_point.setAltitude(float(value));
    }

    void waypointField(Tag tag) {
        GpxWaypoint& wp = *m_waypoint;
        double value = 0;
        switch (tag) {
            case Tag::Name:
                wp.name += trimmed(m_text);
                break;
            case Tag::Desc:
                m_waypointTexts.desc = trimmed(m_text);
                break;
            case Tag::Cmt:
                m_waypointTexts.cmt = trimmed(m_text);
                break;
            case Tag::Src:
                m_waypointTexts.src = m_text;
                break;
            case Tag::Type:
                wp.type = trimmed(m_text);
                break;
            case Tag::Time:
                wp.time = CXMLnode::parse_time(m_text);
                break;
            case Tag::Sym:
                wp.sym = trimmed(m_text);
                break;
            case Tag::Url:
                if (wp.link.empty()) wp.link = trimmed(m_text);
                break;
            case Tag::Ele:
                if (ParseXmlNumber(m_text, value)) wp.elevation = value;
                break;
            default:
                break;
        }
    }

    void waypointExtension(Tag tag, Tag parent) {
        GpxWaypoint& wp = *m_waypoint;
        double value = 0;
        if (tag == Tag::Color && parent == Tag::Fill) {
            wp.has_color = wp.color.SetHash("#" + std::string(trimmed(m_text)));
        } else if (tag == Tag::Proximity && ParseXmlNumber(m_text, value)) {
            wp.has_proximity = true;
            wp.proximity = value;
        }
    }

    void pathField(Tag tag) {
        switch (tag) {
            case Tag::Name:
                pathName() += trimmed(m_text);
                break;
            case Tag::Desc:
                m_texts.desc = trimmed(m_text);
                break;
            case Tag::Cmt:
                m_texts.cmt = trimmed(m_text);
                break;
            case Tag::Src:
                m_texts.src = m_text;
                break;
            case Tag::Number:
                m_texts.number = trimmed(m_text);
                break;
            case Tag::Type:
                (m_track ? m_track->type : m_route->type) = trimmed(m_text);
                break;
            default:
                break;
        }
    }

    std::string& pathName() { return m_track ? m_track->name : m_route->name; }

    void lineStyle(Tag tag) {
        GpxLineStyle& style = m_track ? m_track->style : m_route ? m_route->style : m_noStyle;
        double value = 0;
        const std::string_view text = trimmed(m_text);
        switch (tag) {
            case Tag::Color:
                style.has_color = style.color.SetHash("#" + std::string(text)) || style.has_color;
                break;
            case Tag::Opacity:
                if (ParseXmlNumber(text, value) && value >= 0 && value <= 1) {
                    style.has_opacity = true;
                    style.opacity = float(value);
                }
                break;
            case Tag::Width:
                if (ParseXmlNumber(text, value) && value > 0 && value < 1000) {
                    style.has_width = true;
                    style.width = float(value);
                }
                break;
            case Tag::Pattern:
                if (const int index = GpxLinePatternIndex(text); index >= 0) style.pattern = index;
                break;
            default:
                break;
        }
    }

    void finishWaypoint(GpxWaypoint& wp, const Texts& texts) {
        wp.comment = joinComment(texts.desc, texts.cmt);
        wp.object_id = texts.objectId();
    }

    template <class Path>
    void finishPath(Path& path, const char* numberedName) {
        path.comment = joinComment(m_texts.desc, m_texts.cmt);
        path.object_id = m_texts.objectId();
        if (path.name.empty() && !m_texts.number.empty()) path.name = numberedName + m_texts.number;
    }

    GpxData& m_data;
    std::vector<Tag> m_stack;
    int m_gpxDepth = -1;  // the stack depth of the gpx element; -2 once it closed
    std::string m_text;
    std::string m_href;
    int m_linkDepth = 0;  // while a link without href collects its text
    Texts m_texts, m_waypointTexts;
    GpxWaypoint* m_waypoint = nullptr;
    GpxRoute* m_route = nullptr;
    GpxTrack* m_track = nullptr;
    CTrackPoint m_point;
    bool m_inPoint = false;
    // Stack depths of the open object, waypoint and track point.
    int m_pathDepth = 0, m_waypointDepth = 0, m_pointDepth = 0;
    GpxLineStyle m_noStyle;
};

}  // namespace

bool ReadGPX(std::string_view document, GpxData& data, std::string* error) {
    data = GpxData();
    GpxHandler handler(data);
    if (!ScanXml(document, handler, error)) {
        data = GpxData();
        return false;
    }
    if (!data.has_gpx) {
        if (error) *error = "no gpx element";
        return false;
    }
    return true;
}

bool ReadGPXFile(const std::string& path, GpxData& data, std::string* error) {
    QFile file(QString::fromStdString(path));
    if (!file.open(QIODevice::ReadOnly)) {
        if (error) *error = file.errorString().toStdString();
        data = GpxData();
        return false;
    }
    // Mapped rather than read: a track file may be large.
    const qint64 size = file.size();
    if (size > 0) {
        if (uchar* mapped = file.map(0, size)) {
            const bool ok = ReadGPX(
                std::string_view(reinterpret_cast<const char*>(mapped), size_t(size)), data, error);
            file.unmap(mapped);
            return ok;
        }
    }
    const QByteArray bytes = file.readAll();
    return ReadGPX(std::string_view(bytes.constData(), size_t(bytes.size())), data, error);
}
