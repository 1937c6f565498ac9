// CProfileSource: what a profile is drawn from (a track or a route): a name,
// its points, how far along it the boat is, and a notice to its watchers
// whenever any of these change. Tracks and routes implement it; the profile
// item watches the sources it shows.
#pragma once

#include <string>
#include <vector>

// One point of a line: degrees, seconds since 1970 (0 = none), metres
// (-9999 = none).
struct ProfilePoint {
    double lat = 0;
    double lon = 0;
    double time = 0;
    double altitude = -9999;
};

class CProfileSource {
public:
    class Watcher {
    public:
        virtual ~Watcher() = default;
        virtual void profileSourceChanged(CProfileSource& source) = 0;
        // Only the progress moved.
        virtual void profileProgressChanged(CProfileSource& source) {
            profileSourceChanged(source);
        }
        // The source is being destroyed: forget it.
        virtual void profileSourceGone(CProfileSource& source) = 0;
    };

    CProfileSource() = default;
    virtual ~CProfileSource();
    CProfileSource(const CProfileSource&) = delete;
    CProfileSource& operator=(const CProfileSource&) = delete;

    virtual std::string profileName() const = 0;
    virtual std::vector<ProfilePoint> profilePoints() const = 0;
    // Fraction 0..1 of the line behind the boat while it is followed;
    // negative when it is not.
    virtual double progressFraction() const { return -1; }

    void addWatcher(Watcher* watcher);
    void removeWatcher(Watcher* watcher);

protected:
    // Points (and perhaps the progress) changed; only the progress moved.
    void notifyChanged();
    void notifyProgressChanged();

private:
    void tellWatchers(void (Watcher::*notice)(CProfileSource&));
    std::vector<Watcher*> m_watchers;
};
