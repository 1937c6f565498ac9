// CMastRotation: the angle of a rotating mast against the boat's centre
// line, from a transducer sentence (XDR type 'A', angle in degrees, whose
// name contains "MAST"); dispatched as Listener<CMastRotation>. Positive
// turns to starboard. It exists while something shows it (Shared()), so
// that transducer sentences are parsed only then.
#pragma once

#include <memory>

#include "app/base/datasource.h"
#include "nmea/nmea_instruments.h"

class CMastRotation : public Listener<CNMEA_Instruments::XDR> {
public:
    void OnUpdate(CNMEA_Instruments::XDR& xdr) override;
    // The reading of an XDR of the mast sensor; false for other transducers.
    static bool MastAngle(const CNMEA_Instruments::XDR& xdr, float& degrees);
    // The one sensor object, made for the first holder and gone with the last.
    static std::shared_ptr<CMastRotation> Shared();

    float angle = 0;  // degrees
    bool valid = false;
};
