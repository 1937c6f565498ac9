#include "maps/colourquantiser.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <limits>

namespace {

constexpr int kWeight[3] = {3, 4, 2};  // red, green, blue
constexpr int kBins = 1 << 15;         // 5 bits per channel
constexpr int kLloydPasses = 6;

int channel(uint32_t c, int ch) {
    return int(c >> (16 - 8 * ch)) & 0xFF;
}

uint32_t pack(const double rgb[3]) {
    uint32_t c = 0xFF000000u;
    for (int ch = 0; ch < 3; ++ch) {
        const int v = std::clamp(int(rgb[ch] + 0.5), 0, 255);
        c |= uint32_t(v) << (16 - 8 * ch);
    }
    return c;
}

// A histogram bin: how many pixels fell in it and their colour sums.
struct Bin {
    uint64_t count = 0;
    double sum[3] = {};
    double mean(int ch) const { return sum[ch] / double(count); }
};

// Bins indexed by the 5 high bits of each channel, plus the non-empty ones.
struct Histogram {
    std::vector<Bin> bins = std::vector<Bin>(kBins);
    std::vector<int> used;

    Histogram(const uint32_t* pixels, size_t count) {
        for (size_t i = 0; i < count; ++i) {
            const uint32_t p = pixels[i];
            const int r = channel(p, 0), g = channel(p, 1), b = channel(p, 2);
            Bin& bin = bins[size_t((r >> 3) << 10 | (g >> 3) << 5 | (b >> 3))];
            ++bin.count;
            bin.sum[0] += r;
            bin.sum[1] += g;
            bin.sum[2] += b;
        }
        for (int i = 0; i < kBins; ++i)
            if (bins[size_t(i)].count) used.push_back(i);
    }
};

// A median-cut box: a range of histogram bins (by index into a shared list).
struct Box {
    size_t begin, end;
    double error;  // weighted squared error around the box's mean
    int axis;      // channel of the widest weighted spread
};

void measure(const Histogram& h, const std::vector<int>& order, Box& box) {
    double n = 0, s[3] = {}, s2[3] = {};
    for (size_t i = box.begin; i < box.end; ++i) {
        const Bin& bin = h.bins[size_t(order[i])];
        n += double(bin.count);
        for (int ch = 0; ch < 3; ++ch) {
            const double m = bin.mean(ch);
            s[ch] += bin.sum[ch];
            s2[ch] += double(bin.count) * m * m;
        }
    }
    box.error = 0;
    double widest = -1;
    for (int ch = 0; ch < 3; ++ch) {
        const double spread = kWeight[ch] * (s2[ch] - s[ch] * s[ch] / n);
        box.error += spread;
        if (spread > widest) widest = spread, box.axis = ch;
    }
    if (box.end - box.begin < 2) box.error = 0;  // one bin cannot be split
}

// Sorts the box along its axis and splits where the two halves' summed
// error along that axis is least.
std::pair<Box, Box> split(const Histogram& h, std::vector<int>& order, const Box& box) {
    const int ch = box.axis;
    std::sort(order.begin() + long(box.begin), order.begin() + long(box.end), [&](int a, int b) {
        return h.bins[size_t(a)].mean(ch) < h.bins[size_t(b)].mean(ch);
    });
    double totalN = 0, totalS = 0;
    for (size_t i = box.begin; i < box.end; ++i) {
        totalN += double(h.bins[size_t(order[i])].count);
        totalS += h.bins[size_t(order[i])].sum[ch];
    }
    double n = 0, s = 0, best = std::numeric_limits<double>::max();
    size_t cut = box.begin + 1;
    for (size_t i = box.begin; i + 1 < box.end; ++i) {
        n += double(h.bins[size_t(order[i])].count);
        s += h.bins[size_t(order[i])].sum[ch];
        // Minimising within-half error equals maximising this between-half term.
        const double score = -(s * s / n + (totalS - s) * (totalS - s) / (totalN - n));
        if (score < best) best = score, cut = i + 1;
    }
    Box a{box.begin, cut, 0, 0}, b{cut, box.end, 0, 0};
    measure(h, order, a);
    measure(h, order, b);
    return {a, b};
}

int nearestIndex(const std::vector<uint32_t>& palette, uint32_t rgb) {
    int best = 0, bestDistance = std::numeric_limits<int>::max();
    for (size_t i = 0; i < palette.size(); ++i) {
        const int d = ColourQuantiser::distance(palette[i], rgb);
        if (d < bestDistance) bestDistance = d, best = int(i);
    }
    return best;
}

}  // namespace

int ColourQuantiser::distance(uint32_t a, uint32_t b) {
    int d = 0;
    for (int ch = 0; ch < 3; ++ch) {
        const int diff = channel(a, ch) - channel(b, ch);
        d += kWeight[ch] * diff * diff;
    }
    return d;
}

std::vector<uint32_t> ColourQuantiser::choosePalette(const uint32_t* pixels, size_t count,
                                                     int colours) {
    std::vector<uint32_t> palette;
    if (count == 0 || colours < 1) return palette;
    const Histogram h(pixels, count);
    std::vector<int> order = h.used;

    std::vector<Box> boxes{{0, order.size(), 0, 0}};
    measure(h, order, boxes[0]);
    while (int(boxes.size()) < colours) {
        auto worst = std::max_element(boxes.begin(), boxes.end(),
                                      [](const Box& a, const Box& b) { return a.error < b.error; });
        if (worst->error <= 0) break;
        const auto halves = split(h, order, *worst);
        *worst = halves.first;
        boxes.push_back(halves.second);
    }

    // Centres of the boxes, then Lloyd passes: each bin to its nearest
    // centre, each centre to the mean of its bins.
    std::vector<std::array<double, 3>> centres;
    for (const Box& box : boxes) {
        double n = 0, s[3] = {};
        for (size_t i = box.begin; i < box.end; ++i) {
            const Bin& bin = h.bins[size_t(order[i])];
            n += double(bin.count);
            for (int ch = 0; ch < 3; ++ch) s[ch] += bin.sum[ch];
        }
        centres.push_back({s[0] / n, s[1] / n, s[2] / n});
    }
    for (int pass = 0; pass < kLloydPasses; ++pass) {
        std::vector<std::array<double, 4>> sums(centres.size(), {0, 0, 0, 0});
        for (int index : h.used) {
            const Bin& bin = h.bins[size_t(index)];
            double m[3] = {bin.mean(0), bin.mean(1), bin.mean(2)};
            size_t best = 0;
            double bestDistance = std::numeric_limits<double>::max();
            for (size_t c = 0; c < centres.size(); ++c) {
                double d = 0;
                for (int ch = 0; ch < 3; ++ch) {
                    const double diff = m[ch] - centres[c][size_t(ch)];
                    d += kWeight[ch] * diff * diff;
                }
                if (d < bestDistance) bestDistance = d, best = c;
            }
            for (int ch = 0; ch < 3; ++ch) sums[best][size_t(ch)] += bin.sum[ch];
            sums[best][3] += double(bin.count);
        }
        for (size_t c = 0; c < centres.size(); ++c)
            if (sums[c][3] > 0)
                for (int ch = 0; ch < 3; ++ch)
                    centres[c][size_t(ch)] = sums[c][size_t(ch)] / sums[c][3];
    }
    for (const auto& c : centres) {
        const double rgb[3] = {c[0], c[1], c[2]};
        const uint32_t packed = pack(rgb);
        if (std::find(palette.begin(), palette.end(), packed) == palette.end())
            palette.push_back(packed);
    }
    return palette;
}

ColourQuantiser::Mapper::Mapper(std::vector<uint32_t> palette)
    : m_palette(std::move(palette)), m_cache(new uint8_t[size_t(1) << 24]) {
    std::memset(m_cache.get(), 0xFF, size_t(1) << 24);
}

uint8_t ColourQuantiser::Mapper::search(uint32_t rgb) const {
    return uint8_t(nearestIndex(m_palette, rgb));
}

std::vector<uint8_t> ColourQuantiser::mixingMatrix(const std::vector<uint32_t>& palette) {
    std::vector<uint8_t> matrix(128 * 128, 0);
    const size_t n = std::min<size_t>(palette.size(), 128);
    for (size_t a = 0; a < n; ++a) {
        for (size_t b = a; b < n; ++b) {
            double mix[3];
            for (int ch = 0; ch < 3; ++ch)
                mix[ch] = (channel(palette[a], ch) + channel(palette[b], ch)) / 2.0;
            const uint8_t index = uint8_t(nearestIndex(palette, pack(mix)));
            matrix[128 * a + b] = matrix[128 * b + a] = index;
        }
    }
    return matrix;
}
