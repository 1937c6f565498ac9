#include "data/feedstartinfo.h"

#include <cstdio>

#include "geo/numbertext.h"
#include "nmea/nmea_raw.h"

Feed_StartInfo Feed_StartInfo::theFeed_Start_to_NMEA;

namespace {

void send(const std::string& text) {
    CNMEA_Raw raw;
    std::snprintf(raw.text, sizeof raw.text, "%s", text.c_str());
    raw.AddChecksumAndDispatch();
}

}  // namespace

std::string Feed_StartInfo::TimerSentence(const CDataStartTimer& timer) {
    return stringFormat("$POVX,SetStartTimer,%.0f,%d", timer.time_of_start,
                        int(timer.period_minutes));
}

std::string Feed_StartInfo::LineSentence(const CDataStartLine& line) {
    return stringFormat("$POVX,SetStartLine,%.6f,%.6f,%.6f,%.6f", line.left_lat, line.left_lon,
                        line.right_lat, line.right_lon);
}

void Feed_StartInfo::OnUpdate(CDataStartTimer& timer) {
    if (!applying_remote) send(TimerSentence(timer));
}

void Feed_StartInfo::OnUpdate(CDataStartLine& line) {
    if (applying_remote || line.left_lat == 0 || line.right_lat == 0) return;
    send(LineSentence(line));
}

void Feed_StartInfo::OnUpdate(NMEA_POVX::SetStartTimer& sentence) {
    CDataStartTimer& timer = CDataStartTimer::theStartTime;
    if (!timer.ApplyRemote(sentence.start_time, sentence.period)) return;
    applying_remote = true;
    Listener<CDataStartTimer>::Dispatch(timer);
    applying_remote = false;
}

void Feed_StartInfo::OnUpdate(NMEA_POVX::SetStartLine& sentence) {
    CDataStartLine& line = CDataStartLine::theStartLine;
    if (!line.ApplyRemote(sentence.left_lat, sentence.left_lon, sentence.right_lat,
                          sentence.right_lon))
        return;
    applying_remote = true;
    Listener<CDataStartLine>::Dispatch(line);
    applying_remote = false;
}
