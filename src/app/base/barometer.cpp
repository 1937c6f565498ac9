#include "app/base/barometer.h"

double GetBarometricPressure() {
    return 0;
}

bool HasBarometer() {
    return false;
}

void EnableBarometer() {}

void StartBarometerIfEnabled() {}

void StopBarometer() {}
