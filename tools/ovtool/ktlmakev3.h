// The version-3 half of "ovtool ktl make --v3 OUTDIR".
#pragma once

#include <QString>

// Writes OUTDIR/<name>.ktl and OUTDIR/<name>.kt3 (in slices of `sliceBytes`
// when larger) from a classic map, prints a summary and returns the exit status.
int ktlMakeV3(const QString& classicPath, const QString& outDir, qint64 sliceBytes);
