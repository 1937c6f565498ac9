// The device barometer. This platform has none: the pressure reads 0 and
// the other calls do nothing, so the altitude modes that need a barometer
// fall back as they do for a missing pressure.
#pragma once

double GetBarometricPressure();  // hPa; 0 or less when there is none
bool HasBarometer();
void EnableBarometer();
void StartBarometerIfEnabled();
void StopBarometer();
