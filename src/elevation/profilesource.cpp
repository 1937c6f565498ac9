#include "elevation/profilesource.h"

#include <algorithm>

CProfileSource::~CProfileSource() {
    // Copied: a watcher may stop watching while told.
    const std::vector<Watcher*> watchers = m_watchers;
    m_watchers.clear();
    for (Watcher* w : watchers) w->profileSourceGone(*this);
}

void CProfileSource::addWatcher(Watcher* watcher) {
    if (std::find(m_watchers.begin(), m_watchers.end(), watcher) == m_watchers.end())
        m_watchers.push_back(watcher);
}

void CProfileSource::removeWatcher(Watcher* watcher) {
    m_watchers.erase(std::remove(m_watchers.begin(), m_watchers.end(), watcher), m_watchers.end());
}

void CProfileSource::tellWatchers(void (Watcher::*notice)(CProfileSource&)) {
    // Copied: a watcher may stop watching, or another, while told.
    const std::vector<Watcher*> watchers = m_watchers;
    for (Watcher* w : watchers)
        if (std::find(m_watchers.begin(), m_watchers.end(), w) != m_watchers.end())
            (w->*notice)(*this);
}

void CProfileSource::notifyChanged() {
    tellWatchers(&Watcher::profileSourceChanged);
}

void CProfileSource::notifyProgressChanged() {
    tellWatchers(&Watcher::profileProgressChanged);
}
