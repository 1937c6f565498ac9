// Chooses a small palette for a true-colour image and maps pixels onto it.
//
// Colours are compared in RGB weighted 3:4:2 (squared differences), a cheap
// stand-in for perceived difference: the eye separates greens best and
// blues least. The palette comes from median cut over a 15-bit histogram
// (each box split on its widest weighted axis at the point that leaves the
// least error) followed by k-means (Lloyd) passes over the histogram.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

class ColourQuantiser {
public:
    // Weighted squared distance between two 0x??RRGGBB colours.
    static int distance(uint32_t a, uint32_t b);

    // Up to `colours` colours (0xFFRRGGBB) for the pixels (0x??RRGGBB, alpha
    // ignored); fewer when the image has fewer distinct colours.
    static std::vector<uint32_t> choosePalette(const uint32_t* pixels, size_t count,
                                               int colours = 128);

    // Index of the nearest palette entry, remembered per 24-bit colour.
    class Mapper {
    public:
        explicit Mapper(std::vector<uint32_t> palette);
        uint8_t nearest(uint32_t rgb) {
            uint8_t& slot = m_cache[rgb & 0xFFFFFF];
            if (slot == 0xFF) slot = search(rgb);
            return slot;
        }
        uint8_t search(uint32_t rgb) const;  // without the cache

    private:
        std::vector<uint32_t> m_palette;
        std::unique_ptr<uint8_t[]> m_cache;  // 2^24 entries, 0xFF = not yet known
    };

    // M[128 * a + b]: the entry nearest the even mix of entries a and b.
    // Entries past the palette's size stand for entry 0.
    static std::vector<uint8_t> mixingMatrix(const std::vector<uint32_t>& palette);
};
