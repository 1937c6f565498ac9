// WriteGPX of marks, routes and tracks, and CSyncable::WriteGPXFile.
#include <cstdio>

#include "overlays/gpxoutput.h"
#include "overlays/overlaymark.h"
#include "overlays/overlayroute.h"
#include "overlays/overlaytrack.h"
#include "overlays/xmlnode.h"

namespace {

std::string hexRgb(const GraphicsColor& c) {
    char text[8];
    std::snprintf(text, sizeof text, "%02x%02x%02x", c.red(), c.green(), c.blue());
    return text;
}

// The schema wants longitudes in [-180, 180).
double schemaLongitude(double lon) {
    while (lon >= 180) lon -= 360;
    while (lon < -180) lon += 360;
    return lon;
}

void writePointStart(FILE* file, const char* element, double lat, double lon) {
    std::fprintf(file, "<%s lat=\"%s\" lon=\"%s\">\n", element, GpxNumber(lat, 10).c_str(),
                 GpxNumber(schemaLongitude(lon), 10).c_str());
}

void writeTime(FILE* file, double time) {
    std::string text;
    CXMLnode::format_time(time, text);
    XMLwrite_tag(file, "time", text);
}

// name, desc, src (for synchronised objects) and type, as routes, tracks
// and marks share them.
void writeIdentity(FILE* file, const CSyncable& object, bool withSource) {
    XMLwrite_tag(file, "name", object.name);
    if (!object.comment.empty()) XMLwrite_tag(file, "desc", object.comment);
    if (withSource && !object.do_not_sync && object.object_id != 0) {
        char id[32];
        std::snprintf(id, sizeof id, "ovid:%llX", (unsigned long long)object.object_id);
        XMLwrite_tag(file, "src", id);
    }
}

void writeType(FILE* file, const CSyncable& object) {
    if (!object.category.empty()) XMLwrite_tag(file, "type", object.category);
}

void writeLineStyle(FILE* file, const GraphicsColor& color, float width, int style) {
    std::fprintf(file,
                 "<extensions> <xstyle:line>"
                 "<xstyle:color>%s</xstyle:color>"
                 "<xstyle:opacity>%s</xstyle:opacity>"
                 "<xstyle:width>%s</xstyle:width>"
                 "<xstyle:pattern>%s</xstyle:pattern>"
                 "</xstyle:line></extensions>\n",
                 hexRgb(color).c_str(), GpxNumber(color.alphaF(), 2).c_str(),
                 GpxNumber(width, 2).c_str(), GpxLinePatternName(style));
}

void writeTrackPoint(FILE* file, const CTrackPoint& p, double time) {
    writePointStart(file, "trkpt", p.lat, p.lon);
    const float altitude = p.altitude();
    if (altitude != 0 && altitude > -9998) XMLwrite_tag(file, "ele", GpxNumber(altitude, 1));
    if (time != 0) writeTime(file, time);
    std::fputs("</trkpt>\n", file);
}

}  // namespace

bool CSyncable::WriteGPXFile(const std::string& path) const {
    CGPXOutput output(path);
    if (!output.file()) return false;
    WriteGPX(output.file());
    return output.Close();
}

void COverlayMark::WriteGPX(FILE* file) const {
    writePointStart(file, "wpt", lat, lon);
    WriteGPXContents(file);
    std::fputs("</wpt>\n", file);
}

void COverlayMark::WriteGPXContents(FILE* file) const {
    const bool waypoint = route != nullptr;
    if (created != 0) writeTime(file, created);
    writeIdentity(file, *this, !waypoint);
    if (!link.empty())
        std::fprintf(file, "<link href=\"%s\"></link>\n", XMLescape_attribute(link).c_str());
    if (!icon.empty()) XMLwrite_tag(file, "sym", icon);
    if (!waypoint) writeType(file, *this);
    std::fprintf(file, "<extensions><xstyle:fill><xstyle:color>%s</xstyle:color></xstyle:fill>",
                 hexRgb(color).c_str());
    if (alarm_radius > 0) {
        const double proximity = inner_radius > 0 ? -double(inner_radius) : double(alarm_radius);
        std::fprintf(file,
                     "<xgarmin:WaypointExtension><xgarmin:Proximity>%s</xgarmin:Proximity>"
                     "</xgarmin:WaypointExtension>",
                     GpxNumber(proximity, 1).c_str());
    }
    std::fputs("</extensions>\n", file);
}

void COverlayRoute::WriteGPX(FILE* file) const {
    std::fputs("<rte>\n", file);
    writeIdentity(file, *this, true);
    writeType(file, *this);
    writeLineStyle(file, color, line_width, line_style);
    for (const auto& wp : waypoints) {
        writePointStart(file, "rtept", wp->lat, wp->lon);
        wp->WriteGPXContents(file);
        std::fputs("</rtept>\n", file);
    }
    std::fputs("</rte>\n", file);
}

void COverlayTrack::WriteGPX(FILE* file) const {
    std::fputs("<trk>\n", file);
    writeIdentity(file, *this, true);
    writeType(file, *this);
    writeLineStyle(file, color, line_width, line_style);
    std::fputs("<trkseg>\n", file);
    bool first = true;
    for (size_t s = 0; s < sections.size(); ++s) {
        const CTrackSection& section = *sections[s];
        // Every later section starts with the previous one's last point.
        for (int i = s == 0 ? 0 : 1; i < section.count; ++i) {
            const CTrackPoint& p = section.points[i];
            writeTrackPoint(file, p, first && p.time == 0 ? created : p.time);
            first = false;
        }
    }
    std::fputs("</trkseg>\n</trk>\n", file);
}
