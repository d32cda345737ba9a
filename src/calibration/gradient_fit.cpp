#include "calibration/gradient_fit.h"

#include <algorithm>
#include <cmath>

namespace halvo {

namespace {

// 1920 columns and 1080 lines of 2048 steps each.
constexpr double kColumnSpan = 3932160.0;
constexpr double kLineSpan = 2211840.0;
constexpr double kFixedOne = 1024.0 * 1024.0;

int64_t Term(int start, int slope, int at) {
    return (4096 * static_cast<int64_t>(start) - 2 * static_cast<int64_t>(slope) * at) / 1024;
}

// 1023 Lv_a / Lv_b. The quotient first: equal luminances give exactly 1023.
double Ratio1023(double part, double whole) {
    return whole > 0.0 ? 1023.0 * (part / whole) : 1023.0;
}

// The rows' t and u are whole numbers; the left column's ratios are not.
int WholeRatio1023(double part, double whole) {
    return static_cast<int>(std::trunc(Ratio1023(part, whole)));
}

int8_t Signed(uint8_t b) {
    return static_cast<int8_t>(b);
}

}  // namespace

int64_t HorizontalRampSum(int s, int a) {
    int64_t sum = 0;
    for (int k = 0; k < kRampColumns; ++k) {
        sum += Term(s, a, k);
    }
    return sum;
}

int64_t VerticalRampSum(int d, int i, int lines) {
    int64_t sum = 0;
    for (int l = 0; l < lines; ++l) {
        sum += Term(d, i, l);
    }
    return sum;
}

int HorizontalStart(int t) {
    return static_cast<int>(std::trunc((1023.0 - t) * kFixedOne / kColumnSpan));
}

int HorizontalSlopeIndex(int s, int u) {
    // A start of at least one falls from the left, so only positive slopes make sense; otherwise
    // the search begins far negative.
    const int first = s >= 1 ? 1 : -128;
    const int last = s >= 1 ? 254 : 127;
    for (int a = first; a <= last; ++a) {
        if (static_cast<double>(HorizontalRampSum(s, a)) / 1024.0 <= 1023.0 - u) {
            return a;
        }
    }
    return last;  // the steepest ramp the byte can carry
}

int VerticalStart(double lvTop, double lvMiddle) {
    return static_cast<int>(std::trunc((1023.0 - Ratio1023(lvTop, lvMiddle)) * kFixedOne / kLineSpan));
}

int VerticalSlopeIndex(int d, double lvTop, double lvBottom) {
    const double target = 1023.0 - Ratio1023(lvTop, lvBottom);
    for (int i = 1; i <= 255; ++i) {
        if (static_cast<double>(VerticalRampSum(d, i, kRampLines)) / 1024.0 <= target) {
            return i;
        }
    }
    return 255;
}

int RowCompensation(int s, int a, int d, int i) {
    const int64_t horizontal = HorizontalRampSum(s, a);
    int64_t vertical = 0;
    int64_t lowest = 0;
    for (int j = 1; j <= kRampLines; ++j) {
        vertical += Term(d, i, j - 1);
        lowest = std::min(lowest, (vertical + horizontal) / 1024);
    }
    return lowest < 0 ? static_cast<int>(std::trunc(1.0 - static_cast<double>(lowest) / 4.0)) : 0;
}

int VerticalCompensation(int d, int i, bool txm400) {
    const int lines = txm400 ? 1080 : 1200;
    const int64_t m = VerticalRampSum(d, i, lines) / 1024;
    return m < 0 ? static_cast<int>(std::trunc(1.0 - static_cast<double>(m) / 3.0)) : 0;
}

GradientRamps DecodeRamps(const UniformityParams& p) {
    GradientRamps r;
    r.s = Signed(p[1]);
    r.a = r.s >= 1 ? p[2] : Signed(p[2]);
    r.d = Signed(p[3]);
    r.i = p[4];
    return r;
}

int RecomputeRowCompensation(const UniformityParams& p) {
    const GradientRamps r = DecodeRamps(p);
    return RowCompensation(r.s, r.a, r.d, r.i);
}

int RecomputeVerticalCompensation(const UniformityParams& p, bool txm400) {
    const GradientRamps r = DecodeRamps(p);
    return VerticalCompensation(r.d, r.i, txm400);
}

GradientFit FitGradient(const CellLuminance& lv, bool txm400, bool withHorizontal, bool withVertical) {
    GradientFit f;
    if (withVertical) {
        f.d = VerticalStart(lv[1], lv[4]);
        f.i = VerticalSlopeIndex(f.d, lv[1], lv[7]);
    }
    int compensation = 0;
    for (int r = 0; r < 3; ++r) {
        const double left = lv[static_cast<size_t>(3 * r + 1)];
        const double centre = lv[static_cast<size_t>(3 * r + 2)];
        const double right = lv[static_cast<size_t>(3 * r + 3)];
        f.t[r] = WholeRatio1023(left, centre);
        f.u[r] = WholeRatio1023(left, right);
        if (withHorizontal) {
            f.s[r] = HorizontalStart(f.t[r]);
            f.a[r] = HorizontalSlopeIndex(f.s[r], f.u[r]);
        }
        f.compensation[r] = RowCompensation(f.s[r], f.a[r], f.d, f.i);
        compensation = std::max(compensation, f.compensation[r]);
    }
    // Bytes wrap: a negative start travels as its two's complement.
    f.params[0] = static_cast<uint8_t>(compensation);
    f.params[1] = static_cast<uint8_t>(f.s[0]);
    f.params[2] = static_cast<uint8_t>(f.a[0]);
    f.params[3] = static_cast<uint8_t>(f.d);
    f.params[4] = static_cast<uint8_t>(f.i);
    f.params[9] = static_cast<uint8_t>(VerticalCompensation(f.d, f.i, txm400));
    return f;
}

}  // namespace halvo
