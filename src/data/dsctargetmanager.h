// CDSCTargetManager (`theManager`): assembles DSC calls and their expansion
// sentences (DSE) into CDSCTarget values, one pending call per MMSI, and
// dispatches each completed call once (Listener<CDSCTarget>).
//
// A call waits for its expansion at most kPendingSeconds; then it is handed
// on as it is, so that a distress call is never lost to a missing DSE. At
// most kMaxPending calls wait; beyond that the oldest is dropped, so that a
// stream of forged calls cannot grow without bound.
//
// CDSC_to_Mark (`theFeed`) turns each call into the mark "DSC:%d" and a
// distress call into a notification (id: the MMSI negated).
#pragma once

#include <cstddef>
#include <cstdint>
#include <map>

#include "app/base/datasource.h"
#include "data/dsctarget.h"
#include "nmea/nmea_dsc.h"

class CDSCTargetManager : public Listener<CNMEA_DSC::DSC>, public Listener<CNMEA_DSC::DSE> {
public:
    static CDSCTargetManager theManager;
    static constexpr double kPendingSeconds = 30;
    static constexpr size_t kMaxPending = 64;
    static constexpr int kDistressFormat = 12;

    void OnUpdate(CNMEA_DSC::DSC& sentence) override;
    void OnUpdate(CNMEA_DSC::DSE& sentence) override;
    // Hands on the pending call of that MMSI and forgets it.
    void Dispatch(unsigned mmsi);
    // Hands on the calls that waited too long at time now.
    void ExpirePending(double now);
    void ClearAll() { pending.clear(); }

    std::map<unsigned, CDSCTarget> pending;
};

class CDSC_to_Mark : public Listener<CDSCTarget> {
public:
    static CDSC_to_Mark theFeed;
    static constexpr double kGotoRange = 500;        // metres
    static constexpr double kUnknownDistance = 100;  // metres, without an own position

    void OnUpdate(CDSCTarget& call) override;
};
