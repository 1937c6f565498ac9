#include "maps/huffmanencoding.h"

#include <algorithm>
#include <queue>

namespace {

constexpr int kSymbols = 512;  // 128 indices x 4 run classes

int symbolOf(int index, int runClass) {
    return index | runClass << 7;
}
int16_t leafOf(int symbol) {
    return int16_t((symbol & 0x7F) | (symbol >> 7) << 8);
}

// One coded symbol: a leaf and the extra run bits that follow its code.
struct Token {
    int symbol;
    int extraBits;
    uint32_t extra;
    int pixels;
};

void tokenize(const uint8_t* pixels, int count, std::vector<Token>& tokens) {
    int i = 0;
    while (i < count) {
        const uint8_t index = pixels[i] & 0x7F;
        int run = 1;
        while (i + run < count && (pixels[i + run] & 0x7F) == index) ++run;
        i += run;
        while (run > 0) {
            if (run >= 22) {
                const int n = std::min(run, 277);
                tokens.push_back({symbolOf(index, 3), 8, uint32_t(n - 22), n});
                run -= n;
            } else if (run >= 6) {
                tokens.push_back({symbolOf(index, 2), 4, uint32_t(run - 6), run});
                run = 0;
            } else if (run >= 2) {
                tokens.push_back({symbolOf(index, 1), 2, uint32_t(run - 2), run});
                run = 0;
            } else {
                tokens.push_back({symbolOf(index, 0), 0, 0, 1});
                run = 0;
            }
        }
    }
}

struct Node {
    uint64_t weight;
    int zero = -1, one = -1;  // children; -1 for a leaf
    int symbol = -1;
};

class TreeWriter {
public:
    explicit TreeWriter(const std::vector<Node>& nodes) : m_nodes(nodes) {}
    // Writes the subtree in pre-order and assigns codes (root bit first).
    void write(int node, int depth, uint64_t code) {
        const Node& n = m_nodes[size_t(node)];
        if (n.zero < 0) {
            entries.push_back(leafOf(n.symbol));
            length[n.symbol] = depth;
            codes[n.symbol] = code;
            return;
        }
        const size_t branch = entries.size();
        entries.push_back(0);
        write(n.zero, depth + 1, code);
        entries[branch] = int16_t(-int(entries.size() - branch - 1));
        write(n.one, depth + 1, code | uint64_t(1) << depth);
    }
    std::vector<int16_t> entries;
    int length[kSymbols] = {};
    uint64_t codes[kSymbols] = {};

private:
    const std::vector<Node>& m_nodes;
};

class BitSink {
public:
    explicit BitSink(std::vector<uint32_t>& words) : m_words(words) {}
    void put(uint64_t bits, int n) {  // least significant first
        for (int i = 0; i < n; ++i) putBit(int(bits >> i) & 1);
    }
    void putMsbFirst(uint32_t v, int n) {
        for (int i = n - 1; i >= 0; --i) putBit(int(v >> i) & 1);
    }
    uint64_t bits() const { return m_bits; }

private:
    void putBit(int bit) {
        if ((m_bits & 31) == 0) m_words.push_back(0);
        m_words.back() |= uint32_t(bit) << (m_bits & 31);
        ++m_bits;
    }
    std::vector<uint32_t>& m_words;
    uint64_t m_bits = 0;
};

}  // namespace

bool CHuffmanEncoding::decode_run(const uint32_t* words, int64_t nwords, uint8_t* out,
                                  int64_t count) {
    if (nwords < 1 || nwords > kMaxWords || count < 1 || count > kMaxCount) return false;
    const uint32_t t = words[0];
    if (t >= uint64_t(nwords)) return false;
    const auto* tree = reinterpret_cast<const uint8_t*>(words) + 4;
    const int64_t entries = 2 * (int64_t(t) - 1);
    if (entries < 1) return false;
    auto entry = [tree](int64_t i) { return int16_t(tree[2 * i] | tree[2 * i + 1] << 8); };

    const uint64_t totalBits = uint64_t(nwords) * 32;
    uint64_t bit = uint64_t(t) * 32;
    auto takeBit = [&](int& b) {
        if (bit >= totalBits) return false;
        b = int(words[bit >> 5] >> (bit & 31)) & 1;
        ++bit;
        return true;
    };

    int64_t written = 0;
    while (written < count) {
        int64_t pos = 0;
        int16_t e = entry(0);
        while (e < 0) {
            int b;
            if (!takeBit(b)) return false;
            pos = b ? pos + 1 - int64_t(e) : pos + 1;
            if (pos >= entries) return false;
            e = entry(pos);
        }
        const uint8_t index = uint8_t(e & 0x7F);
        const int runClass = (e >> 8) & 3;
        int64_t run = 1;
        if (runClass > 0) {
            uint32_t v = 0;
            for (int i = 0; i < (1 << runClass); ++i) {
                int b;
                if (!takeBit(b)) return false;
                v = v << 1 | uint32_t(b);
            }
            run = kRunBase[runClass] + v;
        }
        run = std::min(run, count - written);
        std::fill(out + written, out + written + run, index);
        written += run;
    }
    return true;
}

void CHuffmanEncoding::encode_run(const uint8_t* pixels, int count, std::vector<uint32_t>& words,
                                  const std::vector<int>& prefixPixels,
                                  std::vector<int>* prefixWords) {
    words.clear();
    std::vector<Token> tokens;
    tokenize(pixels, count, tokens);

    std::vector<Node> nodes;
    uint64_t weights[kSymbols] = {};
    for (const Token& tk : tokens) ++weights[tk.symbol];
    using Item = std::pair<uint64_t, int>;  // weight, node; ties broken by node number
    std::priority_queue<Item, std::vector<Item>, std::greater<Item>> queue;
    for (int s = 0; s < kSymbols; ++s) {
        if (!weights[s]) continue;
        nodes.push_back({weights[s], -1, -1, s});
        queue.push({weights[s], int(nodes.size()) - 1});
    }
    if (nodes.empty()) {  // nothing to code: a lone leaf keeps the tree well formed
        nodes.push_back({1, -1, -1, symbolOf(0, 0)});
        queue.push({1, 0});
    }
    while (queue.size() > 1) {
        const Item a = queue.top();
        queue.pop();
        const Item b = queue.top();
        queue.pop();
        nodes.push_back({a.first + b.first, a.second, b.second, -1});
        queue.push({a.first + b.first, int(nodes.size()) - 1});
    }
    TreeWriter tree(nodes);
    tree.write(queue.top().second, 0, 0);
    if (tree.entries.size() % 2) tree.entries.push_back(0);

    const uint32_t t = uint32_t(1 + tree.entries.size() / 2);
    words.push_back(t);
    for (size_t i = 0; i < tree.entries.size(); i += 2)
        words.push_back(uint16_t(tree.entries[i]) | uint32_t(uint16_t(tree.entries[i + 1])) << 16);

    BitSink sink(words);
    // Prefixes in ascending order of pixels, whatever order they were asked in.
    std::vector<size_t> order(prefixPixels.size());
    for (size_t i = 0; i < order.size(); ++i) order[i] = i;
    std::sort(order.begin(), order.end(),
              [&](size_t a, size_t b) { return prefixPixels[a] < prefixPixels[b]; });
    if (prefixWords) prefixWords->assign(prefixPixels.size(), int(t));
    size_t next = 0;
    int64_t done = 0;
    for (const Token& tk : tokens) {
        sink.put(tree.codes[tk.symbol], tree.length[tk.symbol]);
        sink.putMsbFirst(tk.extra, tk.extraBits);
        done += tk.pixels;
        while (prefixWords && next < order.size() && done >= prefixPixels[order[next]])
            (*prefixWords)[order[next++]] = int(t + (sink.bits() + 31) / 32);
    }
    // A lone leaf of class 0 needs no bits at all, yet the reader wants t < nwords.
    if (words.size() == t) words.push_back(0);
    if (prefixWords)
        for (int& w : *prefixWords) w = std::min(std::max(w, int(t) + 1), int(words.size()));
}
