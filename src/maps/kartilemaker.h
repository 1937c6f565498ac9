// Makes a classic map file from an image and its georeferencing.
//
// The image is cut into 64 x 64 tiles (the right and bottom edges are
// padded by repeating the last column and row), given a palette of at most
// 128 colours chosen from the image itself, and each tile is stored in the
// smallest of the four tile encodings. The georeferencing is a cubic
// polynomial pair fitted by least squares in each direction, either to the
// corners of an equirectangular or Mercator image or to ground control points.
// The outline is the image's own corners, so the padding is outside the map.
#pragma once

#include <QImage>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "maps/georefcoeff.h"
#include "maps/polynomialfit.h"

class CKartileMaker {
public:
    enum class Projection { Equirectangular, Mercator };

    // Georeferencing, one of the two. Longitudes east of `east` < `west`
    // cross the 180th meridian. Degrees.
    void setBounds(double west, double east, double south, double north, Projection projection);
    void setControlPoints(std::vector<PolynomialFit::ControlPoint> points);

    // Header strings (UTF-8 here, stored as ISO 8859-1).
    std::string name, title, identifier, edition, revision, copyright, scale, mapType, depthUnits,
        heightUnits, sourceFile;
    uint32_t magic = 0x1423D5FE;  // 0x1423D5FF is equally valid
    uint32_t version = 1;         // 0..5 are readable
    uint32_t flags = 0;
    bool hasDatumShift = false;
    double latitudeShift = 0, longitudeShift = 0;  // degrees

    // Writes the map through "<path>.tmp" and a rename. An indexed image
    // with at most 128 colours keeps its colours and indices exactly; any
    // other image is quantised. False with error() set on failure.
    bool make(const QImage& image, const std::string& path);

    const std::string& error() const { return m_error; }
    const Geo_ref_coeff_t& georef() const { return m_georef; }
    double fitError() const { return m_fitError; }  // largest control-point misfit, pixels
    const std::vector<uint32_t>& palette() const { return m_palette; }
    // Tiles written in each encoding: one index, run-length, bit-packed, Huffman.
    const int* encodingCounts() const { return m_encodingCounts; }

private:
    class Writer;
    // The steps of make.
    bool fitGeoreferencing(int width, int height);
    std::vector<uint8_t> paletteIndices(const QImage& image);
    std::vector<uint8_t> headerBlock(int tilesX, int tilesY) const;
    void writeTiles(Writer& out, std::vector<uint8_t>& header, const std::vector<uint8_t>& indices,
                    int width, int height);
    void writeTrailer(Writer& out, std::vector<uint8_t>& header, int width, int height) const;
    bool finishFile(FILE* file, const Writer& out, const std::vector<uint8_t>& header,
                    const std::string& temporary, const std::string& path);
    bool fail(const std::string& message);

    Projection m_projection = Projection::Equirectangular;
    double m_bounds[4] = {0, 0, 0, 0};  // west, east, south, north
    bool m_haveBounds = false;
    std::vector<PolynomialFit::ControlPoint> m_points;

    std::string m_error;
    Geo_ref_coeff_t m_georef;
    double m_fitError = 0;
    std::vector<uint32_t> m_palette;
    int m_encodingCounts[4] = {};
};
