#include "app/base/screenresolution.h"

double graphicsResolution = 1.0;
