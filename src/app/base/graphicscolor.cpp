#include "app/base/graphicscolor.h"

#include <cmath>
#include <cstdio>

namespace {

uint8_t clampByte(int v) {
    return uint8_t(v < 0 ? 0 : v > 255 ? 255 : v);
}

uint8_t unitToByte(float v) {
    if (!(v > 0.0f)) return 0;  // also NaN
    if (v >= 1.0f) return 255;
    return uint8_t(std::lround(v * 255.0f));
}

int hexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

}  // namespace

void GraphicsColor::setRgb(int r, int g, int b, int a) {
    m_r = clampByte(r);
    m_g = clampByte(g);
    m_b = clampByte(b);
    m_a = clampByte(a);
}

void GraphicsColor::setRgbF(float r, float g, float b, float a) {
    m_r = unitToByte(r);
    m_g = unitToByte(g);
    m_b = unitToByte(b);
    m_a = unitToByte(a);
}

std::string GraphicsColor::ToHash() const {
    char text[16];
    std::snprintf(text, sizeof text, "#%02X%02X%02X%02X", m_a, m_r, m_g, m_b);
    return text;
}

bool GraphicsColor::SetHash(const std::string& hash) {
    if (hash.size() < 4 || hash[0] != '#') return false;
    const size_t n = hash.size() - 1;
    if (n != 3 && n != 4 && n != 6 && n != 8) return false;
    int digits[8];
    for (size_t i = 0; i < n; ++i) {
        digits[i] = hexValue(hash[i + 1]);
        if (digits[i] < 0) return false;
    }
    // Short forms repeat each digit ("#F80" is "#FF8800").
    const bool shortForm = n <= 4;
    const int channels = shortForm ? int(n) : int(n / 2);
    int value[4];
    for (int c = 0; c < channels; ++c)
        value[c] = shortForm ? digits[c] * 17 : digits[2 * c] * 16 + digits[2 * c + 1];
    if (channels == 4)
        setRgb(value[1], value[2], value[3], value[0]);
    else
        setRgb(value[0], value[1], value[2], 255);
    return true;
}
