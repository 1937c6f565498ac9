// Prints the own position as one JSON object a line after each position
// update, for the nmea subcommands. Updates met during a sentence's
// dispatch are printed by Flush(), so they follow that sentence's output.
#pragma once

#include <cstdio>
#include <string>

#include "data/datagpsposition.h"
#include "app/base/datasource.h"
#include "data/overlaygpsposition.h"

class LivePositionPrinter : public Listener<CDataGPSPosition> {
public:
    explicit LivePositionPrinter(bool immediate) : m_immediate(immediate) {}

    void OnUpdate(CDataGPSPosition&) override {
        ++updates;
        if (m_immediate)
            Print();
        else
            m_pending = true;
    }
    void Flush() {
        if (m_pending) Print();
        m_pending = false;
    }
    static std::string Json() {
        const COverlayGPSPosition& p = COverlayGPSPosition::theLatestPosition;
        char text[512];
        std::snprintf(text, sizeof text,
                      "{\"position\":{\"latitude\":%.7f,\"longitude\":%.7f,\"time\":%.3f,"
                      "\"fix_status\":%d,\"fix_seen\":%s,\"speed\":%.2f,\"course\":%.1f,"
                      "\"heading\":%.1f,\"altitude\":%.1f,\"accuracy\":%.1f,"
                      "\"averaged_speed\":%.2f,\"averaged_course\":%.1f,\"odometer\":%.1f}}",
                      p.latitude, p.longitude, p.time, int(p.fix_status),
                      p.fix_seen ? "true" : "false", double(p.speed), double(p.course),
                      double(p.get_heading()), p.altitude, double(p.accuracy),
                      double(p.averaged_speed), double(p.averaged_course),
                      p.total_distance + p.leg_distance);
        return text;
    }
    static void Print() {
        std::printf("%s\n", Json().c_str());
        std::fflush(stdout);
    }

    long long updates = 0;

private:
    bool m_immediate;
    bool m_pending = false;
};
