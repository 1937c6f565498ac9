// An RGBA colour of 8 bits per channel, as the settings, the overlay files
// and the drawing code share it.
//
// Text form ("hash"): "#AARRGGBB", upper-case hexadecimal, alpha first.
#pragma once

#include <QColor>
#include <cstdint>
#include <string>

class GraphicsColor {
public:
    GraphicsColor() = default;  // opaque black
    GraphicsColor(int r, int g, int b, int a = 255) { setRgb(r, g, b, a); }

    // Channels 0..255; values outside are clamped.
    void setRgb(int r, int g, int b, int a = 255);
    // Channels 0..1; values outside (and NaN, as 0) are clamped.
    void setRgbF(float r, float g, float b, float a = 1.0f);

    int red() const { return m_r; }
    int green() const { return m_g; }
    int blue() const { return m_b; }
    int alpha() const { return m_a; }
    float redF() const { return m_r / 255.0f; }
    float greenF() const { return m_g / 255.0f; }
    float blueF() const { return m_b / 255.0f; }
    float alphaF() const { return m_a / 255.0f; }

    // "#AARRGGBB".
    std::string ToHash() const;
    // Accepts '#' followed by 3 (RGB), 4 (ARGB), 6 (RRGGBB) or 8 (AARRGGBB)
    // hex digits; colours without alpha are opaque. Anything else is refused
    // and leaves the colour as it was.
    bool SetHash(const std::string& hash);

    QColor toQColor() const { return QColor(m_r, m_g, m_b, m_a); }
    static GraphicsColor fromQColor(const QColor& c) {
        return GraphicsColor(c.red(), c.green(), c.blue(), c.alpha());
    }

    bool operator==(const GraphicsColor& o) const {
        return m_r == o.m_r && m_g == o.m_g && m_b == o.m_b && m_a == o.m_a;
    }
    bool operator!=(const GraphicsColor& o) const { return !(*this == o); }

private:
    uint8_t m_r = 0, m_g = 0, m_b = 0, m_a = 255;
};
