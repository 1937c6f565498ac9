#include "maps/kartile3maker.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "app/base/fileio.h"
#include "app/base/fileutils.h"
#include "maps/chunkfile.h"
#include "maps/huffmanencoding.h"
#include "maps/kartile.h"
#include "maps/ktlformat.h"

namespace {

uint32_t load32(const std::string& b, size_t at) {
    uint32_t v = 0;
    std::memcpy(&v, b.data() + at, 4);
    return v;
}
void store32(std::string& b, size_t at, uint32_t v) {
    std::memcpy(b.data() + at, &v, 4);
}

std::string stemOf(const std::string& path) {
    const size_t slash = path.rfind('/');
    std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    const size_t dot = name.rfind('.');
    return dot == std::string::npos ? name : name.substr(0, dot);
}

// The classic header with the tile index and tiles cut out: the strings,
// extended block and outline that follow the tiles move up behind the header.
bool buildHeaderFile(const std::string& classic, std::string& out, std::string& error) {
    if (classic.size() < ktl::kHeaderSize + 8) {
        error = "the classic map is too short";
        return false;
    }
    const uint64_t tiles =
        uint64_t(load32(classic, ktl::kOffWidthTiles)) * load32(classic, ktl::kOffHeightTiles);
    const uint64_t indexEnd = ktl::kHeaderSize + 4 * tiles;
    std::vector<uint32_t> fields;
    for (uint32_t f = ktl::kOffTitle; f <= 0x3C; f += 4) fields.push_back(f);
    fields.push_back(ktl::kOffSourceFile);
    fields.push_back(ktl::kOffExtended);
    fields.push_back(ktl::kOffOutline);
    uint64_t tailStart = classic.size();
    for (uint32_t f : fields) {
        const uint32_t v = load32(classic, f);
        if (v >= indexEnd && v < tailStart) tailStart = v;
    }
    const uint32_t ext = load32(classic, ktl::kOffExtended);
    uint32_t extFields[2] = {0, 0};
    if (ext != 0 && uint64_t(ext) + ktl::kExtendedSize <= classic.size())
        for (int i = 0; i < 2; ++i) {
            extFields[i] = load32(classic, ext + 4 * i);
            if (extFields[i] >= indexEnd && extFields[i] < tailStart) tailStart = extFields[i];
        }
    const uint64_t delta = tailStart - ktl::kHeaderSize;
    auto moved = [&](uint32_t v) -> uint32_t {
        return v >= tailStart && v < classic.size() ? uint32_t(v - delta) : 0;
    };
    out.assign(classic, 0, ktl::kHeaderSize);
    out.append(classic, size_t(tailStart), std::string::npos);
    for (uint32_t f : fields) store32(out, f, moved(load32(classic, f)));
    store32(out, ktl::kOffVersion,
            ktl::versionOf(load32(classic, ktl::kOffVersion)) | ktl::kKindChunked << 24);
    if (const uint32_t newExt = load32(out, ktl::kOffExtended))
        for (int i = 0; i < 2; ++i) store32(out, newExt + 4 * i, moved(extFields[i]));
    return true;
}

// The server's chunk file, written in order through ".tmp" names and laid
// out as slices of `sliceBytes`: the first under the file's own name, the
// next as "<name>.1", "<name>.2"... A file that fits one slice is one plain
// file. Nothing is renamed into place before commit().
class SlicedOutput {
public:
    SlicedOutput(std::string target, int64_t sliceBytes)
        : m_target(std::move(target)), m_sliceBytes(sliceBytes) {}
    ~SlicedOutput() {
        if (m_file) std::fclose(m_file);
        if (!m_committed)
            for (size_t i = 0; i < m_slices; ++i) DeleteFileA(tmpName(i).c_str());
    }

    uint64_t position() const { return m_position; }
    size_t slices() const { return m_slices; }

    bool write(const void* p, size_t n) {
        auto* bytes = static_cast<const uint8_t*>(p);
        while (n > 0) {
            const size_t slice = size_t(m_position / uint64_t(m_sliceBytes));
            if (!open(slice)) return false;
            const uint64_t room = uint64_t(m_sliceBytes) - m_position % uint64_t(m_sliceBytes);
            const size_t part = size_t(std::min<uint64_t>(n, room));
            if (std::fwrite(bytes, 1, part, m_file) != part) return false;
            bytes += part;
            n -= part;
            m_position += part;
        }
        return true;
    }

    // Writes over bytes already written, wherever their slices are.
    bool rewrite(uint64_t at, const void* p, size_t n) {
        auto* bytes = static_cast<const uint8_t*>(p);
        if (!m_file || std::fflush(m_file) != 0 || at + n > m_position) return false;
        while (n > 0) {
            const size_t slice = size_t(at / uint64_t(m_sliceBytes));
            const uint64_t within = at % uint64_t(m_sliceBytes);
            const size_t part = size_t(std::min<uint64_t>(n, uint64_t(m_sliceBytes) - within));
            FILE* f = std::fopen(tmpName(slice).c_str(), "r+b");
            const bool ok = f && std::fseek(f, long(within), SEEK_SET) == 0 &&
                            std::fwrite(bytes, 1, part, f) == part;
            if (f && std::fclose(f) != 0) return false;
            if (!ok) return false;
            bytes += part;
            n -= part;
            at += part;
        }
        return true;
    }

    // Renames every slice into place and removes slices of an earlier,
    // longer file that would otherwise still be served after the new ones.
    bool commit() {
        const bool ok = m_file && std::fflush(m_file) == 0 && std::fclose(m_file) == 0;
        m_file = nullptr;
        if (!ok) return false;
        for (size_t i = 0; i < m_slices; ++i)
            if (!MoveFileA(tmpName(i).c_str(), finalName(i).c_str())) return false;
        m_committed = true;
        for (size_t i = m_slices; DeleteFileA(finalName(i).c_str()); ++i) {
        }
        return true;
    }

    std::string finalName(size_t slice) const {
        return slice == 0 ? m_target : m_target + "." + std::to_string(slice);
    }

private:
    std::string tmpName(size_t slice) const { return finalName(slice) + ".tmp"; }
    bool open(size_t slice) {
        if (m_file && slice + 1 == m_slices) return true;
        if (m_file && std::fclose(m_file) != 0) {
            m_file = nullptr;
            return false;
        }
        m_file = std::fopen(tmpName(slice).c_str(), "wb");
        m_slices = slice + 1;
        return m_file != nullptr;
    }

    std::string m_target;
    int64_t m_sliceBytes;
    FILE* m_file = nullptr;
    size_t m_slices = 0;
    uint64_t m_position = 0;
    bool m_committed = false;
};

using MapHandle = std::unique_ptr<CKartile, void (*)(CKartile*)>;

// The classic map's bytes and the map opened on them.
MapHandle openClassic(const std::string& classicPath, std::string& classic, std::string& error) {
    MapHandle none(nullptr, [](CKartile*) {});
    if (!read_whole_file(classicPath, classic)) {
        error = "cannot read " + classicPath;
        return none;
    }
    if (classic.size() < 8 || ktl::kindOf(load32(classic, ktl::kOffVersion)) != ktl::kKindClassic) {
        error = classicPath + " is not a classic map";
        return none;
    }
    CKartile* map = CKartile::CreateNew(nullptr, classicPath, {});
    if (!map || !map->isOpen()) {
        if (map) map->Destroy();
        error = "cannot open " + classicPath;
        return none;
    }
    return MapHandle(map, [](CKartile* m) { m->Destroy(); });
}

// Chunk (row, column) of the map in chunk stored-row order, cut from its tiles.
void cutChunk(CKartile* map, int row, int column, uint8_t* pixels, ThreadDataForRead& scratch) {
    const uint16_t* storedRow = CChunkFile::StoredRowTable();
    for (int ty = 0; ty < 16; ++ty)
        for (int tx = 0; tx < 16; ++tx) {
            map->ReadBlock(column * 16 + tx, row * 16 + ty, 0, scratch.tile, &scratch);
            for (int k = 0; k < kTileSize; ++k) {
                // Tile row k is image row r(k) of tile row ty: chunk image row 64 ty + r(k).
                const int stored = storedRow[64 * ty + kTileRowOfStored[k]];
                std::memcpy(&pixels[size_t(stored) * CChunkFile::kChunkSide + 64 * tx],
                            &scratch.tile[k * kTileSize], kTileSize);
            }
        }
}

bool allIndexOne(const uint8_t* pixels) {
    for (int i = 0; i < CChunkFile::kChunkPixels; ++i)
        if (pixels[i] != 1) return false;
    return true;
}

// The coded chunk with every level's prefix size and checksum.
bool encodeRecord(const uint8_t* pixels, std::vector<uint32_t>& words,
                  CChunkFile::RecordHeader& rh) {
    static const std::vector<int> prefixPixels = [] {
        std::vector<int> v;
        for (int l = 0; l < CChunkFile::kLevels; ++l) v.push_back(CChunkFile::PixelsForLevel(l));
        return v;
    }();
    std::vector<int> sizes;
    CHuffmanEncoding::encode_run(pixels, CChunkFile::kChunkPixels, words, prefixPixels, &sizes);
    rh = CChunkFile::RecordHeader();
    sizes[0] = int(words.size());
    for (int l = 0; l < CChunkFile::kLevels; ++l) {
        rh.sizes[l] = sizes[size_t(l)];
        rh.checksum[l] = CChunkFile::LevelChecksum(words.data(), rh.sizes[l]);
    }
    rh.present = rh.sizes[0];
    return rh.isGood();
}

// Header, a directory to be filled in, then every chunk's record (blank
// chunks get the blank entry instead); the directory is written last.
bool writeChunkFile(CKartile* map, const CChunkFile::FileHeader& fh, SlicedOutput& out,
                    CKartile3Maker::Result& result, std::string& error) {
    const size_t chunkCount = size_t(fh.columns) * size_t(fh.rows);
    std::vector<uint64_t> directory(chunkCount, 0);
    uint64_t position = CChunkFile::kHeaderSize + 8 * chunkCount;
    const std::string cannotWrite = "cannot write " + result.chunkPath;
    if (!out.write(&fh, sizeof fh) || !out.write(directory.data(), 8 * chunkCount)) {
        error = cannotWrite;
        return false;
    }
    std::unique_ptr<uint8_t[]> pixels(new uint8_t[CChunkFile::kChunkPixels]);
    ThreadDataForRead scratch;
    std::vector<uint32_t> words;
    for (int row = 0; row < fh.rows; ++row) {
        for (int column = 0; column < fh.columns; ++column) {
            cutChunk(map, row, column, pixels.get(), scratch);
            const size_t index = size_t(row) * fh.columns + column;
            ++result.chunks;
            if (allIndexOne(pixels.get())) {
                directory[index] = CChunkFile::kBlankEntry;
                ++result.blankChunks;
                continue;
            }
            CChunkFile::RecordHeader rh;
            if (!encodeRecord(pixels.get(), words, rh)) {
                error = "a chunk does not fit a record";
                return false;
            }
            directory[index] = position;
            if (!out.write(&rh, sizeof rh) || !out.write(words.data(), 4 * words.size())) {
                error = cannotWrite;
                return false;
            }
            position += sizeof rh + 4 * words.size();
        }
    }
    if (!out.rewrite(CChunkFile::kHeaderSize, directory.data(), 8 * chunkCount) || !out.commit()) {
        error = cannotWrite;
        return false;
    }
    result.chunkFileBytes = position;
    result.slices = int(out.slices());
    return true;
}

}  // namespace

bool CKartile3Maker::make(const std::string& classicPath, const std::string& outDir, Result& result,
                          std::string& error, int64_t sliceBytes) {
    if (sliceBytes < int64_t(CChunkFile::kHeaderSize)) {
        error = "a slice must hold at least the chunk file's header";
        return false;
    }
    std::string classic;
    const MapHandle map = openClassic(classicPath, classic, error);
    if (!map) return false;
    const std::string stem = stemOf(classicPath);
    result.headerPath = outDir + "/" + stem + ".ktl";
    result.chunkPath = outDir + "/" + stem + ".kt3";
    std::string header;
    if (!buildHeaderFile(classic, header, error)) return false;

    CChunkFile::FileHeader fh;
    fh.columns = (map->widthInTiles() + 15) / 16;
    fh.rows = (map->heightInTiles() + 15) / 16;
    if (!fh.isGood()) {
        error = "the map is too large for a chunk directory";
        return false;
    }
    SlicedOutput chunkFile(result.chunkPath, sliceBytes);
    if (!writeChunkFile(map.get(), fh, chunkFile, result, error)) return false;
    if (!write_to_file(result.headerPath, header)) {
        for (size_t i = 0; i < chunkFile.slices(); ++i) DeleteFileA(chunkFile.finalName(i).c_str());
        error = "cannot write " + result.headerPath;
        return false;
    }
    return true;
}
