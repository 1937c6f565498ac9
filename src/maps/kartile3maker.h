// Makes a version-3 map from a classic one, laid out as a web server serves
// it: OUTDIR/<name>.ktl, the header file (kind 0x01) with the classic map's
// header, palette, strings and outline but no tiles, and OUTDIR/<name>.kt3,
// the server's chunk file with every chunk complete (all ten level prefixes
// and their checksums). A chunk whose pixels are all index 1 is stored as a
// blank entry. The pixels are the classic map's own tiles, so both maps draw
// the same.
#pragma once

#include <cstdint>
#include <string>

class CKartile3Maker {
public:
    struct Result {
        std::string headerPath, chunkPath;
        int chunks = 0, blankChunks = 0;
        uint64_t chunkFileBytes = 0;
    };
    // False with `error` set on failure; nothing is left at the targets then.
    static bool make(const std::string& classicPath, const std::string& outDir, Result& result,
                     std::string& error);
};
