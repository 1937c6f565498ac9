// Fixtures for the go-to tests: marks laid out in metres east and north of
// a first mark, held by the process-wide mark manager, and RMC sentences for
// boat positions in the same frame.
#pragma once

#include <cmath>
#include <cstdio>
#include <memory>
#include <string>

#include "overlays/markmanager.h"

namespace gototest {

class MarkField {
public:
    MarkField(double lat, double lon) {
        grid.SetOrigin(lat, lon);
        CMarkManager::theManager.ClearAll();
    }
    ~MarkField() { CMarkManager::theManager.ClearAll(); }

    COverlayMark* add(const std::string& name, double x, double y) {
        auto& marks = CMarkManager::theManager.marks;
        marks.push_back(std::make_unique<COverlayMark>());
        marks.back()->name = name;
        grid.xy_to_latlon(x, y, marks.back()->lat, marks.back()->lon);
        return marks.back().get();
    }

    // "$GPRMC,..." without checksum: a fix x metres east and y north of the
    // first mark, `second` seconds after 12:00:00 on 2024-06-06.
    std::string rmc(double x, double y, int second, const char* status = "A", float course = 0,
                    float speed = 5) const {
        double lat, lon;
        grid.xy_to_latlon(x, y, lat, lon);
        const auto dm = [](double deg) { return std::fmod(std::fabs(deg), 1.0) * 60; };
        char body[160];
        std::snprintf(body, sizeof body,
                      "$GPRMC,12%02d%02d,%s,%02d%08.5f,%c,%03d%08.5f,%c,%.1f,%.1f,060624,,",
                      second / 60 % 60, second % 60, status, int(std::fabs(lat)), dm(lat),
                      lat < 0 ? 'S' : 'N', int(std::fabs(lon)), dm(lon), lon < 0 ? 'W' : 'E', speed,
                      course);
        return body;
    }
    static double rmcTime(int second) { return 1717675200.0 + second; }

    CSimpleGrid grid;
};

}  // namespace gototest
