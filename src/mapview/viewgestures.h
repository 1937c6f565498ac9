// ViewGestures: what fingers, the mouse and the animation tick do to a map
// view, as numbers, with no map and no drawing.
//
// It holds the zoom animation factor f (the picture is drawn f times the
// size of its zoom level, about the zoom focus; 1.0 at rest), the pinch
// that drives f (f = base * sqrt(d / d0) for finger distances d0 at the
// start and d now), and the fling velocity (screen pixels per 100 ms tick,
// sampled over the last tenth of a second of a drag).
//
// The view applies what the gestures ask for: the zoom level steps that
// pinchMove and settlePinch return (each step halves or doubles f, so the
// picture stays as the fingers made it) and the movement that touchMove and
// advance return. Times are monotonic seconds from the view's clock.
#pragma once

#include "maps/geometry.h"

class ViewGestures {
public:
    // ---- the zoom animation factor
    double factor() const { return m_f; }
    // A smooth zoom: the level changed by one, f keeps part of the old size.
    void scaleFactor(double k) { m_f *= k; }

    double flingX() const { return m_vx; }
    double flingY() const { return m_vy; }
    bool isAnimating() const { return m_animating; }
    bool isTouching() const { return m_touching; }
    bool isPinching() const { return m_pinching; }
    // The finger went farther than the touch precision since it came down.
    bool hasMoved() const { return m_moved; }

    void animate() { m_animating = true; }
    // f back to 1, no fling, nothing animating.
    void stop();
    void stopFling() { m_vx = m_vy = 0; }
    // Touch and pinch end without a tap (a zoom by button or wheel).
    void cancelTouch() { m_touching = m_pinching = false; }

    // ---- one finger, or the mouse
    void touchDown(const FPoint& p, double t);
    // A mouse press at p: the point is taken, the drag state stays.
    void press(const FPoint& p);
    // The movement since the last point (nothing when no touch is on);
    // precision2 in squared screen pixels.
    FPoint touchMove(const FPoint& p, double t, double precision2);
    // Ends the touch; true when it was a tap (on, and did not move).
    bool touchUp(double t);

    // ---- two fingers, d the distance between them in screen pixels
    // Starts a pinch (and a touch at p) at zoom level `level`; false for a
    // distance below 1, which would divide every later move by zero.
    bool pinchBegin(const FPoint& p, double d, int level, double t);
    // f from the distance; returns the levels to step in (0 or negative)
    // while f > 1.75, not below minLevel.
    int pinchMove(double d, int level, int minLevel);
    // Ends the pinch; false when none was on.
    bool pinchEnd();
    // After pinchEnd: the levels to step so that f settles near 1, in the
    // direction the fingers went since the pinch began (negative zooms in).
    int settlePinch(int level, int minLevel, int maxLevel);

    // ---- the animation tick
    struct Tick {
        bool ran = false;   // something animates and no finger holds it
        FPoint scroll;      // the fling's movement in this tick
        bool ends = false;  // the animation is over after this tick
    };
    // Advances by `ticks` of 100 ms; a part of a tick does the same part of
    // a whole one, so frames drawn between ticks add up to whole ticks.
    Tick advance(double ticks);

private:
    double m_f = 1.0;
    double m_pinchBase = 1.0;
    int m_pinchD0 = 0;
    int m_pinchStartLevel = 0;
    bool m_pinching = false;
    double m_vx = 0, m_vy = 0;
    bool m_animating = false;
    bool m_touching = false;
    bool m_moved = false;
    double m_sampleTime = 0, m_lastMoveTime = 0;
    FPoint m_lastPoint, m_downPoint, m_samplePoint;
};
