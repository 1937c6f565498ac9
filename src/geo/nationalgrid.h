// A national grid on a datum of its own, as a position format: WGS84
// latitude and longitude go to earth-centred coordinates, through a
// seven-parameter Helmert transform to the local datum, back to latitude and
// longitude there, and through its Transverse Mercator to easting and
// northing (metres); the reverse runs the same way back. The Helmert sets are
// good to a few metres. Grid references are letters for the 100 km square
// and 5 + 5 digits of metres within it.
#pragma once

#include "geo/helmert.h"
#include "geo/units.h"
#include "maps/utmproj.h"

class CNationalGrid : public CUnits::PositionFormatType {
public:
    struct Definition {
        void (utm_proj::*initProjection)();
        void (Helmert::*initToLocal)();
        void (Helmert::*initToWGS84)();
        double maxEasting, maxNorthing;  // metres; the grid starts at 0, 0
        bool upperBoundsExclusive;
        int letterCount;  // letters in a grid reference
    };

    CNationalGrid(const char* formatName, const Definition& definition);

    // "<off grid>" and false outside the grid's range.
    bool format(double lat, double lon, std::string& text) const override;
    // Letters, then 6, 8 or 10 (or more, of which the first 10 count) digits.
    bool scan(const char* text, double& lat, double& lon) const override;

    // WGS84 degrees to grid metres; false off the grid.
    bool ToGrid(double lat, double lon, double& E, double& N) const;
    // Grid metres to WGS84 degrees; false for a point the projection cannot invert.
    bool FromGrid(double E, double N, double& lat, double& lon) const;
    // Easting and northing (metres) to a lettered reference; false off the grid.
    bool FormatGridReference(double E, double N, std::string& text) const;
    // A lettered reference to easting and northing (metres); false when it does not read.
    bool ScanGridReference(const char* text, double& E, double& N) const;

protected:
    // The letters of the 100 km square (e100, n100); false when there are none.
    virtual bool SquareLetters(int e100, int n100, std::string& letters) const = 0;
    // The south-west corner (metres) of the square the upper-case letters name.
    virtual bool SquareOffset(const char* letters, double& E, double& N) const = 0;

    // Letters A–Z without I, 5 × 5 with A at the top left, for a 100 km
    // square within a 500 km block: index to (column, row) and back.
    static char LetterOfSquareIndex(int index);
    static int SquareIndexOfLetter(char letter);  // -1 when none

private:
    const Definition& m_definition;
};
