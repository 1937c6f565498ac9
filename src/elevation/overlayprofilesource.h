// Tracks and routes as profile sources. Each adapter names its object by
// identity (the "ovid" number), finds it again on every use, and tells its
// watchers when the object changes (map updates of the track's sections or
// of the route) and, for a route, when the go-to state moves the boat along
// it. A source whose object went has no points and draws an empty profile.
//
// The overlays know nothing of profiles: the dependency runs from here to
// them only.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "app/base/datasource.h"
#include "elevation/profilesource.h"
#include "overlays/datagotomark.h"
#include "overlays/overlayobject.h"

class COverlayRoute;
class COverlayTrack;
struct CTrackPoint;

// A recorded point as a profile point (no altitude recorded: -9999).
ProfilePoint ProfilePointOf(const CTrackPoint& point);

class COverlayProfileSource : public CProfileSource, public Listener<COverlayObject> {
public:
    enum class Kind : int32_t { None = 0, Track = 1, Route = 2 };

    explicit COverlayProfileSource(uint64_t id) : m_id(id) {}
    uint64_t objectId() const { return m_id; }
    virtual Kind kind() const = 0;
    // False once the object was deleted.
    virtual bool objectValid() const = 0;

    // A source for the object of that kind and identity (null for None).
    static std::unique_ptr<COverlayProfileSource> make(Kind kind, uint64_t id);

protected:
    // Watchers hear once until they read the points again.
    void changed();
    void pointsRead() const { m_told = false; }

private:
    uint64_t m_id;
    mutable bool m_told = false;
};

class CTrackProfileSource : public COverlayProfileSource {
public:
    using COverlayProfileSource::COverlayProfileSource;
    Kind kind() const override { return Kind::Track; }
    bool objectValid() const override { return track() != nullptr; }
    COverlayTrack* track() const;

    std::string profileName() const override;
    std::vector<ProfilePoint> profilePoints() const override;
    void OnUpdate(COverlayObject& object) override;
};

class CRouteProfileSource : public COverlayProfileSource, public Listener<CDataGotoMark> {
public:
    using COverlayProfileSource::COverlayProfileSource;
    Kind kind() const override { return Kind::Route; }
    bool objectValid() const override { return route() != nullptr; }
    COverlayRoute* route() const;

    std::string profileName() const override;
    std::vector<ProfilePoint> profilePoints() const override;
    // (length - (distance to the next waypoint + distance after it)) /
    // length while the route is followed.
    double progressFraction() const override;
    void OnUpdate(COverlayObject& object) override;
    void OnUpdate(CDataGotoMark& state) override;
};
