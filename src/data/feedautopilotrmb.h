// CFeed_AutopilotRMB: sends the go-to state to an autopilot. It listens to
// the go-to state (CDataGotoMark) for the whole process and, while there is
// a destination with a known bearing and some connection takes outgoing
// sentences, answers each update with
//   $ECRMB,A,<xte>,<L|R>,X,<dest>,<lat>,<N|S>,<lon>,<E|W>,<range>,<bearing>,
//   <closing velocity>,<A|V>,A
// xte and range in nautical miles (metres / 1852); L/R the direction to
// steer back to the leg (L when the boat is right of it); dest the first
// six letters and digits of the mark's name in upper case; the
// destination's position as ddmm.mmmmm / dddmm.mmmmm like every NMEA
// position; the bearing in degrees; the closing velocity in knots (the own
// speed along the best direction towards the mark, 0 without a fix); 'A'
// when the destination has just changed from a previous one.
#pragma once

#include <string>

#include "app/base/datasource.h"
#include "overlays/datagotomark.h"

class CFeed_AutopilotRMB : public Listener<CDataGotoMark> {
public:
    // The values of one sentence.
    struct Values {
        double cross_track = 0;              // metres, > 0 right of the leg
        double latitude = 0, longitude = 0;  // degrees
        double distance = 0;                 // metres
        double bearing = 0;                  // degrees
        double closing = 0;                  // knots
        bool arrived = false;
    };

    static CFeed_AutopilotRMB theFeed;

    void OnUpdate(CDataGotoMark& go) override;

    // The sentence text without checksum.
    static std::string Format(const Values& values, const std::string& destination);
    // First six letters and digits, upper case.
    static std::string DestinationId(const std::string& name);

private:
    const COverlayMark* m_mark = nullptr;  // the destination last heard of
    std::string m_destination;
    bool m_arrival_pending = false;
};
