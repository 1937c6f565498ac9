// A classic map: every tile is stored whole in the map file itself.
#pragma once

#include "maps/kartile.h"

class CKartile1 : public CKartile {
public:
    CKartile1() = default;

    // Tiles outside the image come out in index 1; a tile whose bytes are
    // missing or damaged in index 0. Always succeeds.
    int ReadBlock(int x, int y, int level, unsigned char* out, ThreadDataForRead* scratch) override;
};
