// Bearings resolved to whole degrees through one table of the sines of
// 0..90 degrees, for the direction arithmetic of live data (go-to
// navigation, sailing axes). Bearings are degrees clockwise from north;
// vectors are (x east, y north).
#pragma once

// Bearing in whole degrees [0, 360) of the vector (x, y): the smallest whole
// angle whose sine reaches the larger of |x| and |y| (of the vector scaled
// to unit length), turned into the vector's quadrant. North comes first, as
// in atan2(y, x). A zero vector, or one with a NaN, gives 0.
int fast_atan2(float y, float x);

// Sine and cosine of a whole-degree bearing from the same table (any
// integer, wrapped into 0..359).
void fast_sin_cos(int degrees, float& sine, float& cosine);
