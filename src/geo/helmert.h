// Seven-parameter similarity transform between earth-centred Cartesian
// frames, in the position-vector convention:
//   x' = tx + s·x − rz·y + ry·z
//   y' = ty + rz·x + s·y − rx·z
//   z' = tz − ry·x + rx·y + s·z
// Translations in metres, rotations in radians, s the scale factor
// (1 + ppm·10⁻⁶). The parameter sets are the published WGS84 ⇄ OSGB36
// (Ordnance Survey) and WGS84 ⇄ Irish Grid (Ireland 1965) ones, good to a
// few metres; each reverse set is the forward one negated.
#pragma once

struct Helmert {
    double tx = 0, ty = 0, tz = 0;  // metres
    double rx = 0, ry = 0, rz = 0;  // radians
    double s = 1;                   // scale factor

    void init_WGS84_to_OSGB36();
    void init_OSGB36_to_WGS84();
    void init_WGS84_to_IrishGrid();
    void init_IrishGrid_to_WGS84();

    void transform(double& x, double& y, double& z) const;
};
