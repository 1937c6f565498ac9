// The device pixel ratio of the main window's screen, read by everything that
// draws in pixels; start-up sets it once the window exists.
#pragma once

extern double graphicsResolution;
