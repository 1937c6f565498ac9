// Makes a version-3 map from a classic one, laid out as a web server serves
// it: OUTDIR/<name>.ktl, the header file (kind 0x01) with the classic map's
// header, palette, strings and outline but no tiles, and OUTDIR/<name>.kt3,
// the server's chunk file with every chunk complete (all ten level prefixes
// and their checksums). A chunk whose pixels are all index 1 is stored as a
// blank entry. The pixels are the classic map's own tiles, so both maps draw
// the same.
//
// A web server holds a chunk file larger than 2 GiB as slices of exactly
// 2^31 bytes: OUTDIR/<name>.kt3, then <name>.kt3.1, <name>.kt3.2... The maker
// lays the file out that way whenever it is larger than the slice size.
#pragma once

#include <cstdint>
#include <string>

class CKartile3Maker {
public:
    struct Result {
        std::string headerPath, chunkPath;
        int chunks = 0, blankChunks = 0;
        uint64_t chunkFileBytes = 0;
        int slices = 0;  // files the chunk file takes on the server
    };
    static constexpr int64_t kServerSliceBytes = int64_t(1) << 31;
    // False with `error` set on failure; nothing is left at the targets then.
    // `sliceBytes` other than the server's own is for tests.
    static bool make(const std::string& classicPath, const std::string& outDir, Result& result,
                     std::string& error, int64_t sliceBytes = kServerSliceBytes);
};
