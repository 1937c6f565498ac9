// CMastRotation: the angle of a rotating mast against the boat's centre
// line, from a transducer sentence (XDR type 'A', angle in degrees, whose
// name contains "MAST"); dispatched as Listener<CMastRotation>. Positive
// turns to starboard. The apparent wind dial turns its mast by it.
#pragma once

#include "app/base/datasource.h"
#include "nmea/nmea_instruments.h"

class CMastRotation : public Listener<CNMEA_Instruments::XDR> {
public:
    void OnUpdate(CNMEA_Instruments::XDR& xdr) override;
    // The reading of an XDR of the mast sensor; false for other transducers.
    static bool MastAngle(const CNMEA_Instruments::XDR& xdr, float& degrees);

    float angle = 0;  // degrees
    bool valid = false;

    static CMastRotation theMastRotation;
};
