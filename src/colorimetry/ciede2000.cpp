#include "colorimetry/ciede2000.h"

#include <cmath>

namespace halvo {

namespace {

constexpr double kPi = 3.14159265358979323846;

double Radians(double degrees) { return degrees * kPi / 180.0; }

// CIE 15:2004, 8.2.1: the cube root above (6/29)^3, the linear segment below it.
double LabF(double t) {
    constexpr double kEpsilon = 216.0 / 24389.0;
    constexpr double kKappa = 24389.0 / 27.0;
    return t > kEpsilon ? std::cbrt(t) : (kKappa * t + 16.0) / 116.0;
}

// The hue angle h' in degrees, 0..360; 0 for an achromatic colour, as the formula defines it.
double HueDegrees(double b, double aPrime) {
    if (b == 0.0 && aPrime == 0.0) {
        return 0.0;
    }
    const double h = std::atan2(b, aPrime) * 180.0 / kPi;
    return h < 0.0 ? h + 360.0 : h;
}

}  // namespace

Xyz XyzFromXyY(double x, double y, double Y) {
    if (!(y > 0.0)) {
        return {0.0, 0.0, 0.0};
    }
    return {x * Y / y, Y, (1.0 - x - y) * Y / y};
}

Lab LabFromXyz(const Xyz& c, const Xyz& w) {
    if (!(w.X > 0.0) || !(w.Y > 0.0) || !(w.Z > 0.0)) {
        return {0.0, 0.0, 0.0};
    }
    const double fx = LabF(c.X / w.X);
    const double fy = LabF(c.Y / w.Y);
    const double fz = LabF(c.Z / w.Z);
    return {116.0 * fy - 16.0, 500.0 * (fx - fy), 200.0 * (fy - fz)};
}

// G. Sharma, W. Wu, E. N. Dalal, "The CIEDE2000 color-difference formula: implementation notes,
// supplementary test data, and mathematical observations", Color Res. Appl. 30 (2005), eqs. 1-22;
// the symbols are theirs (a' is aPrime, C'-bar is cBarPrime, and so on).
double Ciede2000(const Lab& s1, const Lab& s2) {
    const double c1 = std::hypot(s1.a, s1.b);
    const double c2 = std::hypot(s2.a, s2.b);
    const double cBar = (c1 + c2) / 2.0;
    const double cBar7 = std::pow(cBar, 7.0);
    const double g = 0.5 * (1.0 - std::sqrt(cBar7 / (cBar7 + std::pow(25.0, 7.0))));
    const double a1Prime = (1.0 + g) * s1.a;
    const double a2Prime = (1.0 + g) * s2.a;
    const double c1Prime = std::hypot(a1Prime, s1.b);
    const double c2Prime = std::hypot(a2Prime, s2.b);
    const double h1Prime = HueDegrees(s1.b, a1Prime);
    const double h2Prime = HueDegrees(s2.b, a2Prime);

    const double deltaLPrime = s2.L - s1.L;
    const double deltaCPrime = c2Prime - c1Prime;
    const bool achromatic = c1Prime * c2Prime == 0.0;
    // The hue difference goes the short way round the circle (eq. 10).
    double deltahPrime = 0.0;
    if (!achromatic) {
        deltahPrime = h2Prime - h1Prime;
        if (deltahPrime > 180.0) {
            deltahPrime -= 360.0;
        } else if (deltahPrime < -180.0) {
            deltahPrime += 360.0;
        }
    }
    const double deltaHPrime = 2.0 * std::sqrt(c1Prime * c2Prime) * std::sin(Radians(deltahPrime / 2.0));

    const double lBarPrime = (s1.L + s2.L) / 2.0;
    const double cBarPrime = (c1Prime + c2Prime) / 2.0;
    // The mean hue, again across the 0/360 seam where the two hues straddle it (eq. 14).
    double hBarPrime = h1Prime + h2Prime;
    if (!achromatic) {
        if (std::fabs(h1Prime - h2Prime) <= 180.0) {
            hBarPrime /= 2.0;
        } else if (hBarPrime < 360.0) {
            hBarPrime = (hBarPrime + 360.0) / 2.0;
        } else {
            hBarPrime = (hBarPrime - 360.0) / 2.0;
        }
    }
    const double t = 1.0 - 0.17 * std::cos(Radians(hBarPrime - 30.0)) + 0.24 * std::cos(Radians(2.0 * hBarPrime)) +
                     0.32 * std::cos(Radians(3.0 * hBarPrime + 6.0)) - 0.20 * std::cos(Radians(4.0 * hBarPrime - 63.0));
    const double deltaTheta = 30.0 * std::exp(-std::pow((hBarPrime - 275.0) / 25.0, 2.0));
    const double cBarPrime7 = std::pow(cBarPrime, 7.0);
    const double rC = 2.0 * std::sqrt(cBarPrime7 / (cBarPrime7 + std::pow(25.0, 7.0)));
    const double lDev = (lBarPrime - 50.0) * (lBarPrime - 50.0);
    const double sL = 1.0 + 0.015 * lDev / std::sqrt(20.0 + lDev);
    const double sC = 1.0 + 0.045 * cBarPrime;
    const double sH = 1.0 + 0.015 * cBarPrime * t;
    const double rT = -std::sin(Radians(2.0 * deltaTheta)) * rC;

    const double l = deltaLPrime / sL;
    const double c = deltaCPrime / sC;
    const double h = deltaHPrime / sH;
    return std::sqrt(l * l + c * c + h * h + rT * c * h);
}

}  // namespace halvo
