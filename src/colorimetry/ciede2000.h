#pragma once

// CIELAB against any white, and the CIEDE2000 colour difference of two CIELAB colours.

namespace halvo {

struct Lab {
    double L;
    double a;
    double b;
};

struct Xyz {
    double X;
    double Y;
    double Z;
};

// X, Y, Z of a chromaticity at luminance Y; zeros when y is not positive.
Xyz XyzFromXyY(double x, double y, double Y);

// CIELAB of a colour against the white `white` (same units as the colour). A white with a
// non-positive component gives L*, a*, b* of zero.
Lab LabFromXyz(const Xyz& colour, const Xyz& white);

// CIEDE2000 with the parametric factors kL = kC = kH = 1.
double Ciede2000(const Lab& first, const Lab& second);

}  // namespace halvo
