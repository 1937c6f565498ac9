// An open Kartile map file: its header, palette, georeferencing and tiles.
//
// The file is mapped read-only. Offsets below the end of the header and tile
// index (at least the first 32 MiB) come from one primary view fixed at
// open; anything further is read through a movable 32 MiB window. Each
// ThreadDataForRead keeps a window of its own, so worker threads decoding
// tiles and the user-interface thread reading strings never move a window
// under one another. Every offset read from the file is checked against the
// file's size before use; a damaged tile is drawn in palette index 0.
//
// Maps are shared by path through sharedKTLs: Create() and Destroy() count
// the users of one object. Call them on the user-interface thread.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <mutex>
#include <string>

#include "app/fileio.h"
#include "app/messagebox.h"
#include "maps/geometry.h"
#include "maps/georefcoeff.h"
#include "maps/ktltilecodec.h"

class CProgressDialogData;
class CKartile;

// Scratch for reading tiles on one thread. Not to be shared between threads.
class ThreadDataForRead {
public:
    ThreadDataForRead() = default;
    ~ThreadDataForRead();
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
    void releaseView();
    // This thread's window on the part of a map file beyond the primary view.
    const uint8_t* m_view = nullptr;
    uint64_t m_viewStart = 0;
    size_t m_viewLength = 0;
    uint64_t m_viewOpening = 0;  // which opening of which map the window belongs to
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
    virtual void invalidate_read_cache(unsigned /*key*/) {}
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

    // Address of a file offset and, in *available, how many bytes may be
    // read from it (the rest of the window: 16 KiB at least unless the file
    // ends). Offsets past the primary view use the scratch's own window.
    // Null when the offset is outside the file or cannot be mapped.
    const uint8_t* get_addr(uint64_t offset, size_t* available, ThreadDataForRead* scratch) const;

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

private:
    bool refuse(OV_HWND parent, const std::string& message);
    void computeReferenceLongitude();
    uint32_t headerU32(uint32_t offset) const;

    bool m_opened = false;
    std::string m_path;
    std::string m_lastMessage;
    HANDLE m_file = INVALID_HANDLE_VALUE;
    uint64_t m_fileSize = 0;
    const uint8_t* m_primary = nullptr;
    size_t m_primaryLength = 0;
    uint64_t m_opening = 0;  // distinct for every successful mapping, see ThreadDataForRead

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

    // Window for reads that come without a scratch (strings, outline).
    mutable std::mutex m_sharedViewMutex;
    mutable ThreadDataForRead m_sharedView;

    mutable std::mutex m_boundaryMutex;
    mutable bool m_boundaryBuilt = false;
    mutable CPolygon m_boundary;
};
