// An open Kartile map file: its header, palette, georeferencing and tiles.
//
// The file is read, never mapped, so a map that shrinks while it is open (a
// download rewriting it, a damaged disk) reads short instead of faulting.
// Opening copies the header and, for a classic map, the whole tile index into
// memory. A tile's bytes run from its index offset to the next larger offset
// in the index (or the end of the file, at most kMaxTileBytes). They are read
// with pread into the reading thread's ThreadDataForRead, 16 KiB at a time
// so that the next tiles of a row are usually there already; the buffer is
// sized once and grows only for a larger tile. A tile whose bytes are not all
// in the file (it was cut), or whose offset lies inside the header or index,
// is drawn in palette index 0.
// Strings and the outline are read the same way. Reads keep no shared
// position, so worker threads and the user-interface thread read one map at
// once without a lock.
//
// Maps are shared by path through sharedKTLs: Create() and Destroy() count
// the users of one object. Call them on the user-interface thread.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <mutex>
#include <string>
#include <vector>

#include "app/base/fileio.h"
#include "app/base/messagebox.h"
#include "maps/chunkkey.h"
#include "maps/geometry.h"
#include "maps/georefcoeff.h"
#include "maps/ktltilecodec.h"

class CProgressDialogData;
class CKartile;

// Scratch for reading tiles on one thread. Not to be shared between threads.
class ThreadDataForRead {
public:
    ThreadDataForRead() = default;
    ThreadDataForRead(const ThreadDataForRead&) = delete;
    ThreadDataForRead& operator=(const ThreadDataForRead&) = delete;

    alignas(64) unsigned char tile[kTilePixels];  // one decoded tile, stored-row order
    int missing = 0;  // levels of detail a chunked map lacked during the last reads
    // Told by chunked maps when a tile came from a coarser level than asked,
    // so the chunk can be fetched: (map, chunk row, chunk column, wanted
    // level, obtained level; 10 when nothing was there).
    std::function<void(CKartile* map, int row, int column, int wanted, int obtained)> missingData;

private:
    friend class CKartile;
    // File bytes read ahead from the last tile read: neighbouring tiles of a
    // row lie next to each other in the file and need no read of their own.
    // Sized once, grown rarely.
    std::vector<uint8_t> m_bytes;
    uint64_t m_bytesStart = 0;
    size_t m_bytesLength = 0;
    uint64_t m_bytesOpening = 0;  // which opening of which map they belong to
};

class CKartile {
public:
    using OpenCallback = std::function<void(bool ok)>;
    using CreateCallback = std::function<void(CKartile* map, bool ok)>;

    struct SharedEntry {
        CKartile* map = nullptr;
        int count = 0;
    };
    // Open maps by full path.
    static std::map<std::string, SharedEntry> sharedKTLs;

    // The shared object for a path, opening it on first use. The callback
    // gets the object and whether it is open. Returns none when the file is
    // not a readable map of a known kind.
    static CKartile* Create(OV_HWND parent, const std::string& path, CreateCallback callback);
    // A new object of the class the header's kind asks for, opened.
    static CKartile* CreateNew(OV_HWND parent, const std::string& path, CreateCallback callback);
    // Gives up one use; the last one deletes the map.
    void Destroy();

    // Map classes register the header kinds (bits 24-31 of the version word)
    // they read with a static KindRegistration beside their code.
    class KindRegistration {
    public:
        using Factory = CKartile* (*)();
        KindRegistration(uint32_t kind, Factory factory);

    private:
        friend class CKartile;
        uint32_t m_kind;
        Factory m_factory;
        const KindRegistration* m_next;
    };

    virtual ~CKartile();
    virtual void invalidate_read_cache(ChunkKey /*key*/) {}
    virtual void invalidate_read_cache() {}
    virtual bool is_writable() { return false; }
    virtual void DownloadPolygon(const CPolygon*, CProgressDialogData*) {}
    virtual void DownloadRoute(const CPolyline*, double /*width*/, CProgressDialogData*) {}
    virtual bool appearsFullyDownloadedWithin(const CBounds&) { return true; }
    // Decodes tile (x, y) (in tiles) into `out`: the first 64 >> level stored
    // rows, 64 indices each. Returns 0 on success.
    virtual int ReadBlock(int x, int y, int level, unsigned char* out,
                          ThreadDataForRead* scratch) = 0;
    virtual bool OnOpen() { return true; }

    // Opens the file; refusals are shown under the title "Problem". The
    // callback runs exactly once with the outcome.
    void Open(OV_HWND parent, const std::string& path, OpenCallback callback);
    void Close();

    bool isOpen() const { return m_opened; }
    const std::string& path() const { return m_path; }
    uint64_t fileSize() const { return m_fileSize; }
    int width() const { return m_width; }  // pixels
    int height() const { return m_height; }
    int widthInTiles() const { return int(m_widthTiles); }
    int heightInTiles() const { return int(m_heightTiles); }
    uint32_t magic() const;
    uint32_t versionWord() const;
    uint32_t flags() const;
    // The message of the last refused open, empty after a good one.
    const std::string& lastMessage() const { return m_lastMessage; }

    // ARGB colours of indices 0..127 with alpha 0xFF; 128..255 repeat index 0
    // so a stray index never reads past the table.
    const uint32_t* palette() const { return m_palette; }
    // M[128 * a + b]: the index standing for an even mix of a and b (< 128).
    const uint8_t* mixingMatrix() const { return m_mixing; }
    const Geo_ref_coeff_t& georef() const { return m_georef; }
    bool hasDatumShift() const { return m_hasDatumShift; }
    double latitudeShift() const { return m_latShift; }   // degrees
    double longitudeShift() const { return m_lonShift; }  // degrees
    double referenceLongitude() const { return m_refLongitude; }

    // Header strings (ISO 8859-1 in the file, UTF-8 here); empty for offset 0
    // or an offset outside the file.
    void GetHeaderString(uint32_t offset, std::string& out) const;
    std::string headerString(uint32_t headerField) const;  // the string a header field points at
    // The same through ordinary reads of an open handle: at most 1023 bytes.
    static bool GetString(HANDLE file, uint32_t offset, std::string& out);
    std::string GetTitle() const;
    std::string GetCopyright() const;
    std::string GetMapType() const;

    // Georeferencing; pixels are full-resolution, positions degrees (WGS84
    // after the datum shift).
    void xy_to_latlong(int x, int y, double& lat, double& lon) const;
    void latlong_to_xy(double lat, double lon, double& x, double& y) const;
    // Truncated toward zero; false and (-1, -1) far outside any image.
    bool latlong_to_xy(double lat, double lon, IntPoint& point) const;
    double get_scale(double x, double y) const;    // nautical miles per pixel
    void getBoundaryPolygon(CPolygon& out) const;  // appends Vertex(lon, lat) points
    bool doesContain(double lat, double lon);

    // Composes w x h ARGB output pixels, rows `stride` pixels apart. x, y are
    // full-resolution pixels. level < 0 magnifies by 2^-level, level > 0
    // reduces by 2^level through the mixing matrix. Returns 1 when a tile
    // read fails, else 0.
    int ReadRectRGB(int x, int y, int w, int h, int stride, int level, uint32_t* out,
                    ThreadDataForRead* scratch);

    // Reads the bytes of the tile at a file offset into the scratch's
    // buffer: null when the offset is inside the header or index or the
    // bytes are no longer all in the file; else *length gets their count.
    const uint8_t* readTile(uint32_t offset, size_t* length, ThreadDataForRead* scratch) const;

    // The most bytes a tile may take: a Huffman tile of 4096 codes of up to
    // 127 bits and its code tree.
    static constexpr size_t kMaxTileBytes = 0x10400;
    static constexpr size_t kReadAhead = 0x4000;  // bytes read at once for tiles

    // The file's size plus the files in its chunk folder ("<name>.KT3", or
    // "<name>.kt3" when that holds nothing).
    static int64_t getKtlFileSize(const std::string& path);

protected:
    CKartile() = default;
    // Tile index entry of tile (x, y); 0 outside the image.
    uint32_t tileOffset(int x, int y) const;
    uint32_t firstTileOffset() const;
    uint64_t indexEnd() const;  // end of the header and tile index in the file
    // Copies bytes at a file offset; false when they are not all in the file.
    bool readBytes(uint64_t offset, void* out, size_t length) const;
    // Up to `length` bytes at a file offset; the count read, -1 on error.
    int64_t readAt(uint64_t offset, void* out, size_t length) const;

private:
    bool refuse(OV_HWND parent, const std::string& message);
    void computeReferenceLongitude();
    void collectTileStarts();
    uint32_t headerU32(uint32_t offset) const;

    bool m_opened = false;
    std::string m_path;
    std::string m_lastMessage;
    HANDLE m_file = INVALID_HANDLE_VALUE;
    uint64_t m_fileSize = 0;
    std::vector<uint8_t> m_head;  // the header and, for a classic map, the tile index
    uint64_t m_opening = 0;       // distinct for every successful opening
    // Every tile offset past the index, sorted and distinct: the next one
    // above a tile's offset (else the end of the file) is where it ends.
    std::vector<uint32_t> m_tileStarts;

    uint32_t m_widthTiles = 0;
    uint32_t m_heightTiles = 0;
    int m_width = 0;
    int m_height = 0;
    uint32_t m_palette[256] = {};
    uint8_t m_mixing[128 * 128] = {};
    Geo_ref_coeff_t m_georef;
    uint32_t m_extended[8] = {};  // the extended header block, zero when absent
    bool m_hasDatumShift = false;
    double m_latShift = 0;
    double m_lonShift = 0;
    double m_refLongitude = 0;

    mutable std::mutex m_boundaryMutex;
    mutable bool m_boundaryBuilt = false;
    mutable CPolygon m_boundary;
};
