#include "maps/ktltilecodec.h"

#include <algorithm>
#include <cstring>

const uint8_t kTileRowOfStored[kTileSize] = {
    0,  32, 16, 48, 8,  40, 24, 56, 4,  36, 20, 52, 12, 44, 28, 60, 2,  34, 18, 50, 10, 42,
    26, 58, 6,  38, 22, 54, 14, 46, 30, 62, 1,  33, 17, 49, 9,  41, 25, 57, 5,  37, 21, 53,
    13, 45, 29, 61, 3,  35, 19, 51, 11, 43, 27, 59, 7,  39, 23, 55, 15, 47, 31, 63};

namespace {

uint8_t sanitized(uint8_t index) {
    return index < kPaletteSize ? index : 0;
}

// Smallest k >= 1 with 2^k >= n.
int bitsFor(int n) {
    int k = 1;
    while ((1 << k) < n) ++k;
    return k;
}

// Copies n sub-palette entries into a 128-entry table whose other entries
// are 0, so a field naming a missing entry reads index 0.
void loadSubPalette(const uint8_t* entries, int n, uint8_t table[kPaletteSize]) {
    std::memset(table, 0, kPaletteSize);
    for (int i = 0; i < n; ++i) table[i] = sanitized(entries[i]);
}

bool decodeRuns(const uint8_t* data, size_t available, int n, int count, uint8_t* out) {
    if (available < size_t(1 + n)) return false;
    uint8_t sub[kPaletteSize];
    loadSubPalette(data + 1, n, sub);
    const int k = n == 1 ? 0 : bitsFor(n);
    const int mask = (1 << k) - 1;
    size_t pos = size_t(1 + n);
    int written = 0;
    while (written < count) {
        if (pos >= available) return false;
        const uint8_t run = data[pos++];
        int length = run >> k;
        if (length > count - written) length = count - written;
        std::memset(out + written, sub[run & mask], size_t(length));
        written += length;
    }
    return true;
}

bool decodeBitPacked(const uint8_t* data, size_t available, int n, int count, uint8_t* out) {
    const int k = bitsFor(n);
    const int perWord = 32 / k;
    const size_t words = size_t((count + perWord - 1) / perWord);
    if (available < size_t(1 + n) + 4 * words) return false;
    uint8_t sub[kPaletteSize];
    loadSubPalette(data + 1, n, sub);
    const uint32_t mask = (1u << k) - 1;
    const uint8_t* p = data + 1 + n;
    int written = 0;
    for (size_t w = 0; w < words; ++w, p += 4) {
        uint32_t word =
            uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
        const int take = count - written < perWord ? count - written : perWord;
        for (int j = 0; j < take; ++j, word >>= k) out[written + j] = sub[word & mask];
        written += take;
    }
    return true;
}

// The Huffman code tree, read in place. Positions are byte offsets from the
// tree's first byte. Every child lies after its parent, so any walk ends.
class HuffmanTree {
public:
    HuffmanTree(const uint8_t* tree, size_t available) : m_tree(tree), m_available(available) {}

    // Finds the last leaf (root, then "1" children); false when the tree
    // runs past the data.
    bool findEnd() {
        m_lastLeaf = m_available;  // no limit while searching
        size_t pos = 0;
        while (true) {
            if (pos >= m_available) return false;
            if (isLeaf(pos)) break;
            size_t zero, one;
            if (!children(pos, zero, one)) return false;
            pos = one;
        }
        m_lastLeaf = pos;
        return true;
    }

    size_t lastLeaf() const { return m_lastLeaf; }
    bool isLeaf(size_t pos) const { return m_tree[pos] < 0x80; }
    uint8_t leaf(size_t pos) const { return m_tree[pos]; }

    // Children of the branch at pos; false when they fall outside the tree.
    bool children(size_t pos, size_t& zero, size_t& one) const {
        const uint8_t b = m_tree[pos];
        if (b == 0x80) {
            if (pos + 2 >= m_available) return false;
            const int16_t value = int16_t(uint16_t(m_tree[pos + 1] | m_tree[pos + 2] << 8));
            const int size = -int(value);
            if (size < 0) return false;  // would point backwards and loop
            zero = pos + 3;
            one = zero + size_t(size);
        } else {
            zero = pos + 1;
            one = zero + size_t(256 - b);
        }
        return zero <= m_lastLeaf && one <= m_lastLeaf;
    }

private:
    const uint8_t* m_tree;
    size_t m_available;
    size_t m_lastLeaf = 0;
};

constexpr int kMaxLookupBits = 11;
constexpr uint32_t kContinue = 0x80000000u;  // entry holds a node position, not a leaf

// Walks the tree to at most `limit` levels, calling visit(pos, depth, code)
// for each leaf and for each branch at the limit (code: the path's bits,
// first bit lowest). False when a child falls outside the tree.
template <typename Visit>
bool walkTop(const HuffmanTree& tree, int limit, Visit visit) {
    struct Pending {
        size_t pos;
        int depth;
        uint32_t code;
    };
    Pending stack[2 * kMaxLookupBits + 2];
    int top = 0;
    stack[top++] = {0, 0, 0};
    while (top > 0) {
        const Pending p = stack[--top];
        if (tree.isLeaf(p.pos) || p.depth == limit) {
            visit(p.pos, p.depth, p.code);
            continue;
        }
        size_t zero, one;
        if (!tree.children(p.pos, zero, one)) return false;
        stack[top++] = {one, p.depth + 1, p.code | 1u << p.depth};
        stack[top++] = {zero, p.depth + 1, p.code};
    }
    return true;
}

// Table of the next `bits` bits (first bit lowest): a leaf and its code
// length, or the node reached after `bits` bits for longer codes. The width
// is the tree's depth up to 11, so small trees fill small tables.
bool buildLookup(const HuffmanTree& tree, uint32_t lookup[1 << kMaxLookupBits], int& bits) {
    bits = 1;
    if (!walkTop(tree, kMaxLookupBits,
                 [&](size_t, int depth, uint32_t) { bits = std::max(bits, depth); }))
        return false;
    return walkTop(tree, bits, [&](size_t pos, int depth, uint32_t code) {
        const uint32_t entry = tree.isLeaf(pos) ? uint32_t(tree.leaf(pos)) | uint32_t(depth) << 16
                                                : kContinue | uint32_t(pos);
        for (uint32_t high = 0; high < (1u << (bits - depth)); ++high)
            lookup[code | high << depth] = entry;
    });
}

// Pair entries: first index in bits 0-6, second in bits 8-14, both codes'
// length in bits 16-20, the first code's length in bits 21-24, kPair set.
// Other entries are copied from the single lookup.
constexpr uint32_t kPair = 0x02000000u;

void pairLookup(const uint32_t* lookup, int bits, uint32_t* pairs) {
    for (uint32_t i = 0; i < (1u << bits); ++i) {
        const uint32_t first = lookup[i];
        pairs[i] = first;
        if (first & kContinue) continue;
        const uint32_t length = (first >> 16) & 0x1F;
        if (int(length) >= bits) continue;
        // The bits after the first code, unknown ones as 0: a second code
        // that ends within the known bits is right whatever follows.
        const uint32_t second = lookup[i >> length];
        if (second & kContinue) continue;
        const uint32_t secondLength = (second >> 16) & 0x1F;
        if (int(length + secondLength) > bits) continue;
        pairs[i] = (first & 0x7F) | (second & 0x7F) << 8 | (length + secondLength) << 16 |
                   length << 21 | kPair;
    }
}

bool decodeHuffman(const uint8_t* data, size_t available, int count, uint8_t* out) {
    HuffmanTree tree(data + 1, available - 1);
    if (!tree.findEnd()) return false;
    if (tree.lastLeaf() == 0) {  // the root is a leaf: one index, no bits
        std::memset(out, tree.leaf(0), size_t(count));
        return true;
    }
    // Tree positions fit the 16 bits of a lookup entry only in a sane tile.
    if (tree.lastLeaf() > 0xFFFF) return false;
    uint32_t lookup[1 << kMaxLookupBits];
    int lookupBits = 0;
    if (!buildLookup(tree, lookup, lookupBits)) return false;
    const uint64_t lookupMask = (uint64_t(1) << lookupBits) - 1;

    const uint8_t* bits = data + 1 + tree.lastLeaf() + 1;
    const size_t bitBytes = available - (1 + tree.lastLeaf() + 1);
    size_t next = 0;  // next byte of the bit stream to load
    uint64_t buffer = 0;
    int held = 0;
    uint64_t consumed = 0;
    // Past the end the buffer fills with zeros; the count of bits used is
    // checked once at the end.
    auto refill = [&]() {
        if (next + 8 <= bitBytes) {
            uint64_t word;
            std::memcpy(&word, bits + next, 8);  // little-endian host
            buffer |= word << held;
            next += size_t((63 - held) >> 3);
            held |= 56;
        } else {
            while (held <= 56) {
                if (next < bitBytes) buffer |= uint64_t(bits[next]) << held;
                ++next;
                held += 8;
            }
        }
    };
    // Where the bits of one code leave room for the next code, one lookup
    // gives both pixels: most codes of a tile are short.
    uint32_t pairs[1 << kMaxLookupBits];
    pairLookup(lookup, lookupBits, pairs);
    int i = 0;
    while (i < count) {
        if (held < lookupBits) refill();
        const uint32_t entry = pairs[buffer & lookupMask];
        if (!(entry & kContinue)) {
            out[i++] = uint8_t(entry & 0x7F);
            int length = int(entry >> 16) & 0x1F;
            if (entry & kPair) {
                if (i < count)
                    out[i++] = uint8_t((entry >> 8) & 0x7F);
                else
                    length = int(entry >> 21) & 0xF;  // the second pixel is not wanted
            }
            buffer >>= length;
            held -= length;
            consumed += uint64_t(length);
            continue;
        }
        buffer >>= lookupBits;
        held -= lookupBits;
        consumed += uint64_t(lookupBits);
        size_t pos = entry & 0xFFFF;
        while (!tree.isLeaf(pos)) {
            if (held == 0) refill();
            size_t zero, one;
            if (!tree.children(pos, zero, one)) return false;
            pos = (buffer & 1) ? one : zero;
            buffer >>= 1;
            --held;
            ++consumed;
        }
        out[i++] = tree.leaf(pos);
    }
    return consumed <= uint64_t(bitBytes) * 8;
}

}  // namespace

int KtlTileCodec::pixelsForLevel(int level) {
    if (level < 0) level = 0;
    return level > 6 ? 0 : kTileSize * (kTileSize >> level);
}

bool KtlTileCodec::decode(const uint8_t* data, size_t available, int level, uint8_t* out) {
    const int count = pixelsForLevel(level);
    if (count == 0) return true;
    bool ok = false;
    if (data && available >= 1) {
        const uint8_t first = data[0];
        if (first == 0x00) {
            ok = decodeHuffman(data, available, count, out);
        } else if (first < 0x80) {
            ok = decodeRuns(data, available, first, count, out);
        } else if (first == 0xFF) {
            ok = available >= 2;
            if (ok) std::memset(out, sanitized(data[1]), size_t(count));
        } else if (first > 0x80) {
            ok = decodeBitPacked(data, available, 256 - first, count, out);
        }
    }
    if (!ok) std::memset(out, 0, size_t(count));
    return ok;
}
