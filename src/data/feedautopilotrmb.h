// CFeed_AutopilotRMB: sends the go-to state to an autopilot as
//   $ECRMB,A,<xte>,<L|R>,X,<dest>,<lat>,<N|S>,<lon>,<E|W>,<range>,<bearing>,
//   <closing velocity>,<A|V>,A
// with cross-track error and range in nautical miles (metres / 1852), the
// bearing in degrees, the closing velocity in knots (the speed along the
// best direction towards the mark; 0 without a fix) and 'A' when the
// destination has just changed. The destination is the first six letters
// and digits of the mark's name in upper case.
//
// The go-to navigation hands it each update (OnGotoUpdate); nothing is
// formatted when no connection listens to outgoing sentences.
#pragma once

#include <string>

class CFeed_AutopilotRMB {
public:
    // One go-to update, as the go-to navigation computes it.
    struct Goto {
        const void* mark = nullptr;  // the destination's identity; null = no go-to
        std::string name;
        double latitude = 0, longitude = 0;  // degrees
        double distance = 0;                 // metres to the destination
        double bearing = 0;                  // degrees to the destination
        double cross_track = 0;              // metres, negative = left of the leg
        float to_mark[2] = {0, 0};           // unit vector (east, north) to the mark
    };

    static CFeed_AutopilotRMB theFeed;

    // Sends the sentence for this update; false when nothing was sent.
    bool OnGotoUpdate(const Goto& go);
    // The sentence text without checksum; `arrived` is the A/V flag.
    static std::string Format(const Goto& go, const std::string& destination, double closing,
                              bool arrived);
    // First six letters and digits, upper case.
    static std::string DestinationId(const std::string& name);

private:
    const void* m_mark = nullptr;
    std::string m_destination;
};
