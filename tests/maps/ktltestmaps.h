// Map fixtures for the map tests: indexed images, maps made from them by the
// real map maker, opening through the shared registry, and patching bytes
// of a file to damage it.
#pragma once

#include <QFile>
#include <QImage>
#include <QtEndian>
#include <functional>
#include <string>

#include "maps/kartile.h"
#include "maps/kartilemaker.h"

namespace ktltest {

// A distinct colour for each of 128 indices.
inline QRgb paletteColour(int i) {
    return qRgb((i * 37) & 0xFF, (i * 91 + 40) & 0xFF, (i * 53 + 7) & 0xFF);
}

// An indexed image whose pixel (x, y) holds index(x, y) (0..colours-1).
inline QImage indexedImage(int w, int h, const std::function<int(int, int)>& index,
                           int colours = 128) {
    QImage image(w, h, QImage::Format_Indexed8);
    QVector<QRgb> table;
    for (int i = 0; i < colours; ++i) table.push_back(paletteColour(i));
    image.setColorTable(table);
    for (int y = 0; y < h; ++y) {
        uchar* line = image.scanLine(y);
        for (int x = 0; x < w; ++x) line[x] = uchar(index(x, y));
    }
    return image;
}

// Makes a map over 10..11 E, 50..51 N (or what `setup` sets) and returns its path.
inline std::string makeMap(const QString& path, const QImage& image,
                           const std::function<void(CKartileMaker&)>& setup = {}) {
    CKartileMaker maker;
    maker.setBounds(10, 11, 50, 51, CKartileMaker::Projection::Equirectangular);
    if (setup) setup(maker);
    const std::string p = path.toStdString();
    if (!maker.make(image, p)) ADD_FAILURE() << maker.error();
    return p;
}

// A map taken from the shared registry and given back on destruction.
class OpenMap {
public:
    explicit OpenMap(const std::string& path) {
        int calls = 0;
        m_map = CKartile::Create(nullptr, path, [&](CKartile*, bool ok) {
            ++calls;
            m_ok = ok;
        });
        EXPECT_EQ(calls, m_map ? 1 : 0) << "the outcome must be reported exactly once";
    }
    ~OpenMap() {
        if (m_map) m_map->Destroy();
    }
    OpenMap(const OpenMap&) = delete;
    OpenMap& operator=(const OpenMap&) = delete;

    CKartile* operator->() const { return m_map; }
    CKartile* get() const { return m_map; }
    bool ok() const { return m_ok; }

private:
    CKartile* m_map = nullptr;
    bool m_ok = false;
};

inline bool patchFile(const std::string& path, qint64 offset, const QByteArray& bytes) {
    QFile f(QString::fromStdString(path));
    return f.open(QIODevice::ReadWrite) && f.seek(offset) && f.write(bytes) == bytes.size();
}

inline QByteArray le32(uint32_t v) {
    const uint32_t le = qToLittleEndian(v);
    return QByteArray(reinterpret_cast<const char*>(&le), 4);
}

inline uint32_t readLe32(const std::string& path, qint64 offset) {
    QFile f(QString::fromStdString(path));
    const QByteArray b = f.open(QIODevice::ReadOnly) && f.seek(offset) ? f.read(4) : QByteArray();
    return b.size() == 4 ? qFromLittleEndian<uint32_t>(b.constData()) : 0;
}

}  // namespace ktltest
