#include "maps/ktlhuffmanencoder.h"

#include <algorithm>
#include <queue>

KtlHuffmanEncoder::KtlHuffmanEncoder(const uint32_t counts[128]) {
    std::vector<Node> nodes;
    using Item = std::pair<uint64_t, int>;  // weight, node; ties go to the older node
    std::priority_queue<Item, std::vector<Item>, std::greater<Item>> queue;
    for (int i = 0; i < 128; ++i) {
        if (counts[i] == 0) continue;
        queue.push({counts[i], int(nodes.size())});
        nodes.push_back({counts[i], -1, -1, i});
    }
    if (nodes.empty()) {  // nothing counted: a lone leaf of index 0
        queue.push({0, 0});
        nodes.push_back({0, -1, -1, 0});
    }
    while (queue.size() > 1) {
        const Item rarer = queue.top();
        queue.pop();
        const Item other = queue.top();
        queue.pop();
        // The rarer side takes bit 0; with skewed counts it is the deeper,
        // larger subtree, which is what the long branch form is for.
        queue.push({rarer.first + other.first, int(nodes.size())});
        nodes.push_back({rarer.first + other.first, rarer.second, other.second, -1});
    }
    const int root = queue.top().second;
    writeSubtree(nodes, root, m_tree);
    assignCodes(nodes, root, 0, 0);
    for (int i = 0; i < 128; ++i) m_payloadBits += uint64_t(counts[i]) * uint64_t(m_length[i]);
}

void KtlHuffmanEncoder::writeSubtree(const std::vector<Node>& nodes, int node,
                                     std::vector<uint8_t>& out) {
    // Iterative along the "1" spine; the "0" side recurses (depth stays
    // within the Huffman depth of 4096 pixels).
    while (nodes[size_t(node)].zero >= 0) {
        std::vector<uint8_t> zeroPart;
        writeSubtree(nodes, nodes[size_t(node)].zero, zeroPart);
        const size_t size = zeroPart.size();
        if (size <= 127) {
            out.push_back(uint8_t(256 - size));
        } else {
            const uint16_t negative = uint16_t(-int(size));
            out.push_back(0x80);
            out.push_back(uint8_t(negative));
            out.push_back(uint8_t(negative >> 8));
        }
        out.insert(out.end(), zeroPart.begin(), zeroPart.end());
        node = nodes[size_t(node)].one;
    }
    out.push_back(uint8_t(nodes[size_t(node)].index));
}

void KtlHuffmanEncoder::assignCodes(const std::vector<Node>& nodes, int node, int depth,
                                    uint64_t code) {
    const Node& n = nodes[size_t(node)];
    if (n.zero < 0) {
        m_length[n.index] = depth;
        m_code[n.index] = code;
        return;
    }
    assignCodes(nodes, n.zero, depth + 1, code);
    assignCodes(nodes, n.one, depth + 1, code | uint64_t(1) << depth);
}

void KtlHuffmanEncoder::appendBits(const uint8_t* indices, int count,
                                   std::vector<uint8_t>& out) const {
    uint64_t buffer = 0;
    int held = 0;
    for (int i = 0; i < count; ++i) {
        const int index = indices[i] & 127;
        int length = m_length[index];
        uint64_t code = m_code[index];
        while (length > 0) {
            const int take = std::min(length, 32);
            buffer |= (code & ((uint64_t(1) << take) - 1)) << held;
            held += take;
            code >>= take;
            length -= take;
            while (held >= 8) {
                out.push_back(uint8_t(buffer));
                buffer >>= 8;
                held -= 8;
            }
        }
    }
    if (held > 0) out.push_back(uint8_t(buffer));
}
