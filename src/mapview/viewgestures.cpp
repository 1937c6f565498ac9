#include "mapview/viewgestures.h"

#include <algorithm>
#include <cmath>

void ViewGestures::stop() {
    m_f = 1;
    m_vx = m_vy = 0;
    m_animating = false;
}

// ---------------------------------------------------------------- one finger

void ViewGestures::touchDown(const FPoint& p, double t) {
    m_animating = true;
    m_touching = true;
    m_moved = false;
    m_vx = m_vy = 0;
    m_sampleTime = t;
    m_lastPoint = m_downPoint = m_samplePoint = p;
}

void ViewGestures::press(const FPoint& p) {
    m_lastPoint = m_downPoint = p;
    m_touching = true;
}

FPoint ViewGestures::touchMove(const FPoint& p, double t, double precision2) {
    if (!m_touching) return {};
    if (!m_moved && p.distanceSq(m_downPoint) > precision2) m_moved = true;
    const double elapsed = t - m_sampleTime;
    if (elapsed >= 0.1 - 1e-9) {
        m_vx = (p.x - m_samplePoint.x) * 0.1 / elapsed;
        m_vy = (p.y - m_samplePoint.y) * 0.1 / elapsed;
        m_sampleTime = t;
        m_samplePoint = p;
    }
    m_lastMoveTime = t;
    const FPoint delta(p.x - m_lastPoint.x, p.y - m_lastPoint.y);
    m_lastPoint = p;
    return delta;
}

bool ViewGestures::touchUp(double t) {
    const bool wasTouching = m_touching;
    m_touching = m_pinching = false;
    // A finger that rested before lifting throws nothing.
    if (t - m_lastMoveTime > 0.15) m_vx = m_vy = 0;
    return wasTouching && !m_moved;
}

// ---------------------------------------------------------------- two fingers

bool ViewGestures::pinchBegin(const FPoint& p, double d, int level, double t) {
    if (!(d >= 1)) return false;
    touchDown(p, t);
    m_pinchD0 = int(d);
    m_pinchBase = 1;
    m_pinchStartLevel = level;
    m_pinching = true;
    return true;
}

int ViewGestures::pinchMove(double d, int level, int minLevel) {
    m_f = m_pinchBase * std::sqrt(std::max(d, 0.0) / m_pinchD0);
    int steps = 0;
    for (; m_f > 1.75 && level + steps >= minLevel + 1; --steps) {
        m_f /= 2;
        m_pinchBase /= 2;
    }
    return steps;
}

bool ViewGestures::pinchEnd() {
    const bool wasPinching = m_pinching;
    m_touching = m_pinching = false;
    if (wasPinching) m_animating = true;
    return wasPinching;
}

int ViewGestures::settlePinch(int level, int minLevel, int maxLevel) {
    // The moves may already have stepped in, leaving f just below 1 after a
    // zoom-in: the whole change since the start says which way to settle.
    const double total = m_f * std::ldexp(1.0, m_pinchStartLevel - level);
    int steps = 0;
    if (total > 1) {
        for (; m_f > 1.01 && level + steps >= minLevel + 1; --steps) {
            m_f /= 2;
            m_pinchBase /= 2;
        }
        m_f = std::min(m_f, 2.0);
    } else {
        for (; m_f < 0.99 && level + steps < maxLevel; ++steps) {
            m_f *= 2;
            m_pinchBase *= 2;
        }
        m_f = std::max(m_f, 0.5);
    }
    return steps;
}

// ---------------------------------------------------------------- animation

ViewGestures::Tick ViewGestures::advance(double ticks) {
    Tick tick;
    if (!m_animating || m_touching || !(ticks > 0)) return tick;
    tick.ran = true;
    // Per tick: velocity x 0.9, f 0.25 nearer to 1.
    const double decay = ticks == 1.0 ? 0.9 : std::pow(0.9, ticks);
    m_vx *= decay;
    m_vy *= decay;
    const double step = 0.25 * ticks;
    if (m_f > 1)
        m_f = std::max(1.0, m_f - step);
    else if (m_f < 1)
        m_f = std::min(1.0, m_f + step);
    tick.ends = std::fabs(m_vx) < 1 && std::fabs(m_vy) < 1 && m_f == 1.0;
    tick.scroll = FPoint(m_vx * ticks, m_vy * ticks);
    return tick;
}
