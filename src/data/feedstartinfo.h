// Feed_StartInfo (`theFeed_Start_to_NMEA`): keeps the race start in step
// with other devices. A local change of the start timer or line is sent as
//   $POVX,SetStartTimer,<start time %.0f>,<period minutes>
//   $POVX,SetStartLine,<left lat>,<left lon>,<right lat>,<right lon>  (%.6f)
// through the generated-sentence output (the line only once both ends are
// set); a received one is stored, saved only when a value changed, and
// dispatched with applying_remote set so that it is not sent back out.
#pragma once

#include <string>

#include "app/base/datasource.h"
#include "data/startdata.h"
#include "nmea/nmea_povx.h"

class Feed_StartInfo : public Listener<CDataStartTimer>,
                       public Listener<CDataStartLine>,
                       public Listener<NMEA_POVX::SetStartTimer>,
                       public Listener<NMEA_POVX::SetStartLine> {
public:
    void OnUpdate(CDataStartTimer& timer) override;
    void OnUpdate(CDataStartLine& line) override;
    void OnUpdate(NMEA_POVX::SetStartTimer& sentence) override;
    void OnUpdate(NMEA_POVX::SetStartLine& sentence) override;

    // The sentence texts without the checksum.
    static std::string TimerSentence(const CDataStartTimer& timer);
    static std::string LineSentence(const CDataStartLine& line);

    bool applying_remote = false;

    static Feed_StartInfo theFeed_Start_to_NMEA;
};
