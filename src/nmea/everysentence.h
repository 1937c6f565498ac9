// One listener of each sentence class the sentence layer knows, made from a
// listener template: for programs that must see every parser run (the
// corpus checks, the fuzz target, the throughput benchmark).
#pragma once

#include "nmea/nmea_ais.h"
#include "nmea/nmea_dsc.h"
#include "nmea/nmea_gps.h"
#include "nmea/nmea_instruments.h"
#include "nmea/nmea_povx.h"

template <template <class> class ListenerOf>
struct EverySentence {
    ListenerOf<CNMEA_GPS::RMC> rmc;
    ListenerOf<CNMEA_GPS::GGA> gga;
    ListenerOf<CNMEA_GPS::VTG> vtg;
    ListenerOf<CNMEA_GPS::GSA> gsa;
    ListenerOf<CNMEA_GPS::GSV> gsv;
    ListenerOf<CNMEA_Instruments::MWV> mwv;
    ListenerOf<CNMEA_Instruments::MWD> mwd;
    ListenerOf<CNMEA_Instruments::VHW> vhw;
    ListenerOf<CNMEA_Instruments::HDG> hdg;
    ListenerOf<CNMEA_Instruments::DPT> dpt;
    ListenerOf<CNMEA_Instruments::DBT> dbt;
    ListenerOf<CNMEA_Instruments::MTW> mtw;
    ListenerOf<CNMEA_Instruments::RPM> rpm;
    ListenerOf<CNMEA_Instruments::RSA> rsa;
    ListenerOf<CNMEA_Instruments::XDR> xdr;
    ListenerOf<CNEMA_AIS::VDM> vdm;
    ListenerOf<CNEMA_AIS::VDO> vdo;
    ListenerOf<CNMEA_DSC::DSC> dsc;
    ListenerOf<CNMEA_DSC::DSE> dse;
    ListenerOf<NMEA_POVX::SetStartLine> startLine;
    ListenerOf<NMEA_POVX::SetStartTimer> startTimer;
    ListenerOf<NMEA_POVX::AcknowledgeNotifications> acknowledge;
};
