// Huffman code for the palette indices of one map tile, written in the
// tile's tree form: pre-order signed bytes where 0..127 is a leaf holding
// that index, -s (0x81..0xFF) a branch whose "1" child starts s bytes after
// its "0" child, and 0x80 plus a little-endian i16 -s the same branch when
// the "0" subtree is longer than 127 bytes. Code bits go into the stream
// least significant bit first, the bit chosen at the root first.
#pragma once

#include <cstdint>
#include <vector>

class KtlHuffmanEncoder {
public:
    // counts[i] is how often index i (0..127) occurs; at least one is non-zero.
    explicit KtlHuffmanEncoder(const uint32_t counts[128]);

    const std::vector<uint8_t>& tree() const { return m_tree; }
    int codeLength(int index) const { return m_length[index]; }
    // Bits of the code in stream order: bit 0 is taken first.
    uint64_t code(int index) const { return m_code[index]; }
    // Total bits the counted pixels need.
    uint64_t payloadBits() const { return m_payloadBits; }

    // Appends the bit stream for `count` indices (each one counted).
    void appendBits(const uint8_t* indices, int count, std::vector<uint8_t>& out) const;

private:
    struct Node {
        uint64_t weight;
        int zero;  // child taken on bit 0; -1 for a leaf
        int one;
        int index;  // palette index of a leaf
    };
    void writeSubtree(const std::vector<Node>& nodes, int node, std::vector<uint8_t>& out);
    void assignCodes(const std::vector<Node>& nodes, int node, int depth, uint64_t code);

    std::vector<uint8_t> m_tree;
    int m_length[128] = {};
    uint64_t m_code[128] = {};
    uint64_t m_payloadBits = 0;
};
