#include "data/feedrmctogpsposition.h"

#include <cstring>

#include "app/base/barometer.h"
#include "data/overlaygpsposition.h"
#include "geo/units.h"
#include "nmea/dataconnection.h"

CFeedRMC_to_GPSPosition CFeedRMC_to_GPSPosition::theFeed;

namespace {

COverlayGPSPosition& position() {
    return COverlayGPSPosition::theLatestPosition;
}

bool fromSimulation(const CNMEASentence& s) {
    return s.connection && s.connection->simulated;
}

}  // namespace

bool CFeedRMC_to_GPSPosition::check_talker(char talker, char& preferred, bool haveFix) {
    if (talker == preferred) return true;
    if (talker == 'N' || !haveFix) {
        preferred = talker;
        return true;
    }
    if (preferred == 'N') return false;
    if (talker == 'P') {
        preferred = 'P';
        return true;
    }
    if (preferred == 'P') return false;
    preferred = talker;
    return true;
}

void CFeedRMC_to_GPSPosition::reset() {
    preferred_position_talker = preferred_satellite_talker = 0;
    rmc_seen = gga_seen = false;
    std::memset(prns_used, 0, sizeof prns_used);
    satellites = CDataGPSSatelliteSignals();
}

void CFeedRMC_to_GPSPosition::OnUpdate(CNMEA_GPS::RMC& s) {
    COverlayGPSPosition& p = position();
    if (!check_talker(s.talker, preferred_position_talker, p.HasFix())) return;
    p.time = s.time;
    if (s.latitude == 0 && s.longitude == 0) return;
    p.fix_owner = this;
    p.set_latlon(s.latitude, s.longitude);
    p.set_course(s.course, s.speed);
    if (!s.valid)
        p.fix_status = CDataGPSPosition::kNoFix;
    else if (fromSimulation(s))
        p.fix_status = CDataGPSPosition::kSimulated;
    else if (p.fix_status == CDataGPSPosition::kNoFix)
        p.fix_status = CDataGPSPosition::kGPSFix;
    p.DispatchPositionUpdate();
    rmc_seen = true;
}

void CFeedRMC_to_GPSPosition::OnUpdate(CNMEA_GPS::GGA& s) {
    COverlayGPSPosition& p = position();
    const double now = Listener<CNMEA_GPS::GGA>::pDatasource->Timestamp();
    p.CDataAltitude::Set(s.altitude, GetBarometricPressure(), now);
    satellites.used = s.satellites_used;
    p.accuracy = s.hdop;
    const int status = CDataGPSPosition::FixStatusFromGGAQuality(s.fix_quality);
    if (status >= 0) p.fix_status = status;
    if (fromSimulation(s)) p.fix_status = CDataGPSPosition::kSimulated;
    if (!rmc_seen && !(s.latitude == 0 && s.longitude == 0)) {
        p.fix_owner = ggaIdentity();
        p.set_latlon(s.latitude, s.longitude);
        p.time = now;
        p.DispatchPositionUpdate();
    }
    gga_seen = true;
}

void CFeedRMC_to_GPSPosition::OnUpdate(CNMEA_GPS::VTG& s) {
    if (!rmc_seen) position().set_course(s.course, s.speed);
}

void CFeedRMC_to_GPSPosition::OnUpdate(CNMEA_GPS::GSA& s) {
    std::memcpy(prns_used, s.prn, sizeof prns_used);
    int used = 0;
    for (uint8_t prn : prns_used) used += prn != 0;
    satellites.used = used;
}

void CFeedRMC_to_GPSPosition::OnUpdate(CNMEA_GPS::GSV& s) {
    if (!check_talker(s.talker, preferred_satellite_talker, position().HasFix())) return;
    satellites.in_view = s.satellites_in_view;
    if (s.message_number == 1) satellites.Clear();
    for (int k = 0; k < 4; ++k) {
        const CNMEA_GPS::GSV::Satellite& sat = s.satellites[k];
        const int index = (s.message_number - 1) * 4 + k;
        if (sat.prn == 0 || index < 0 || index >= CDataGPSSatelliteSignals::kSatellites) continue;
        bool used = false;
        for (uint8_t prn : prns_used) used = used || prn == sat.prn;
        satellites.SetSatellite(index, sat.prn, sat.snr, used, sat.elevation, sat.azimuth);
    }
    if (s.message_number == s.message_count)
        Listener<CDataGPSSatelliteSignals>::Dispatch(satellites);
}

void CFeedRMC_to_GPSPosition::OnUpdate(CNMEA_Instruments::HDG& s) {
    const float variation = CUnits::Default ? CUnits::Default->magnetic_variation : 0.0f;
    const double now = Listener<CNMEA_Instruments::HDG>::pDatasource->Timestamp();
    position().set_heading(COverlayGPSPosition::compass_cal.Adjust(s.heading) + variation, now);
    // Heading listeners (the compass display, the turn angle) hear of it at once.
    position().DispatchHeadingUpdate();
}
