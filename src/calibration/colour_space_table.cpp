#include "calibration/colour_space_table.h"

#include <algorithm>
#include <cmath>

#include "common/text_format.h"

namespace halvo {
namespace {

constexpr int kTop = 15;  // highest signal level index (drive 255, input code 960)
constexpr int kColours = kColorSlotCount;

// Curves over the signal level index L, by colour slot and channel; slot 0 is the grey curve W.
using Curves = std::array<std::array<std::array<double, 3>, 16>, kColours>;
// Offsets over the signal level index L (not the level index P the search counts in).
using LevelOffsets = std::array<std::array<std::array<int, 3>, 16>, kColours>;

int Truncate(double v) {
    return static_cast<int>(std::trunc(v));
}

// The straight line through (x0, y0) and (x1, y1), evaluated at x; y1 when the two points share
// their x.
double Line(double x0, double y0, double x1, double y1, double x) {
    if (x1 == x0) {
        return y1;
    }
    return y0 + (y1 - y0) * (x - x0) / (x1 - x0);
}

class TableBuilder {
public:
    explicit TableBuilder(const ColourSpaceTableInput& in, ColourSpaceTableResult& out) : in_(in), out_(out) {}

    void build() {
        if (in_.levels < 2) {
            singleLevelCurves();
        } else {
            multiLevelCurves();
        }
        faces();
        grid();
    }

private:
    void log(std::string line) { out_.log.push_back(std::move(line)); }

    // A value past the limit is logged with its place and held at the limit.
    int limited(int value, const char* marker, int colour, int level, int ch, int threshold) {
        if (value < threshold) {
            return value;
        }
        log(marker);
        log(Format("%d %d %d %d %d", in_.space, colour, level, ch, value));
        return kTableValueLimit;
    }

    // The input luminance of a level as read, or the level's nominal code when nothing usable
    // came back (the monitor did not answer): a zero would divide by zero below.
    int inputCode(int L) {
        const int I = in_.inputLuminance[static_cast<size_t>(kTop - L)];
        if (I > 0) {
            return I;
        }
        log(Format("ColorSpace input luminance of level %d missing; %d assumed.", L * 17, 64 * L));
        return 64 * L;
    }

    void singleLevelCurves() {
        const double denominator = 0.015625 * (inputCode(kTop) - 896) + 14;
        for (int k = 1; k < kColours; ++k) {
            for (int ch = 0; ch < 3; ++ch) {
                const int offset = in_.offsets[static_cast<size_t>(k)][0][static_cast<size_t>(ch)];
                const int X = limited(Truncate(15.0 * offset / denominator), "CalcOffsetPoint", k, kTop, ch,
                                      kTableValueLimit + 1);
                for (int L = 0; L <= kTop; ++L) {
                    curve(k, L, ch) = L * X / 15.0;
                }
            }
        }
    }

    void multiLevelCurves() {
        const int s = std::max(in_.levelStep, 1);
        const int lowest = std::max(kTop - s * (in_.levels - 1), 1);
        // The calibrated levels as read; levels between two of them by equal steps, the input
        // luminance with them (it is only read at calibrated levels).
        LevelOffsets offset{};
        std::array<int, 16> I{};
        for (int L = kTop; L >= lowest; L -= s) {
            for (int k = 0; k < kColours; ++k) {
                offset[static_cast<size_t>(k)][static_cast<size_t>(L)] =
                    in_.offsets[static_cast<size_t>(k)][static_cast<size_t>(kTop - L)];
            }
            I[static_cast<size_t>(L)] = inputCode(L);
        }
        for (int high = kTop; high - s >= lowest; high -= s) {
            const int low = high - s;
            for (int L = low + 1; L < high; ++L) {
                const double t = static_cast<double>(L - low) / s;
                for (int k = 0; k < kColours; ++k) {
                    for (size_t ch = 0; ch < 3; ++ch) {
                        const int a = offset[static_cast<size_t>(k)][static_cast<size_t>(low)][ch];
                        const int b = offset[static_cast<size_t>(k)][static_cast<size_t>(high)][ch];
                        offset[static_cast<size_t>(k)][static_cast<size_t>(L)][ch] = Truncate(a + (b - a) * t);
                    }
                }
                const int a = I[static_cast<size_t>(low)];
                const int b = I[static_cast<size_t>(high)];
                I[static_cast<size_t>(L)] = Truncate(a + (b - a) * t);
            }
        }
        for (int L = lowest; L <= kTop; ++L) {
            log(Format("rgbInputGain[%d] = %d", L, I[static_cast<size_t>(L)]));
        }

        // Each offset was in force at its level's input code; the grid wants it at code 64 L.
        // The lines are drawn through the offsets as read (the top and bottom levels below too).
        const LevelOffsets read = offset;
        const auto at = [](const LevelOffsets& o, int k, int L, int ch) {
            return o[static_cast<size_t>(k)][static_cast<size_t>(L)][static_cast<size_t>(ch)];
        };
        const auto six = [&](int L, int ch) {
            return Format("%d %d %d %d %d %d", at(offset, 1, L, ch), at(offset, 2, L, ch), at(offset, 3, L, ch),
                          at(offset, 4, L, ch), at(offset, 5, L, ch), at(offset, 6, L, ch));
        };
        for (int L = lowest + 1; L < kTop; ++L) {
            const double I0 = I[static_cast<size_t>(L)];
            const double I1 = I[static_cast<size_t>(L + 1)];
            for (int ch = 0; ch < 3; ++ch) {
                log(Format("RGB_Offset_pre[%d][1][%d][%d] = ", in_.space, L, ch) + six(L, ch));
                for (int k = 1; k < kColours; ++k) {
                    const int v = Truncate(Line(I0, at(read, k, L, ch), I1, at(read, k, L + 1, ch), 64.0 * L));
                    offset[static_cast<size_t>(k)][static_cast<size_t>(L)][static_cast<size_t>(ch)] =
                        limited(v, "CalcOffsetPoint2", k, L, ch, kTableValueLimit + 1);
                }
                log(Format("RGB_Offset_after[%d][1][%d][%d] = ", in_.space, L, ch) + six(L, ch));
            }
        }
        // The top: the line through code 896 (level 14 as just placed) and the top's own code,
        // at code 960.
        const int top = I[kTop];
        for (int k = 1; k < kColours; ++k) {
            for (int ch = 0; ch < 3; ++ch) {
                const double v = Line(896.0, at(offset, k, kTop - 1, ch), top, at(read, k, kTop, ch), 960.0);
                offset[static_cast<size_t>(k)][kTop][static_cast<size_t>(ch)] =
                    limited(Truncate(v), "CalcOffsetPoint3", k, kTop, ch, kTableValueLimit + 1);
            }
        }
        // The lowest calibrated level, from the line through it and the level above.
        for (int k = 1; k < kColours; ++k) {
            for (int ch = 0; ch < 3; ++ch) {
                const double v = Line(I[static_cast<size_t>(lowest)], at(read, k, lowest, ch),
                                      I[static_cast<size_t>(lowest + 1)], at(read, k, lowest + 1, ch), 64.0 * lowest);
                offset[static_cast<size_t>(k)][static_cast<size_t>(lowest)][static_cast<size_t>(ch)] =
                    limited(Truncate(v), "CalcOffsetPoint4", k, lowest, ch, kTableValueLimit + 1);
            }
        }

        for (int k = 1; k < kColours; ++k) {
            for (int ch = 0; ch < 3; ++ch) {
                const double bottom = at(offset, k, lowest, ch);
                for (int L = 0; L <= kTop; ++L) {
                    curve(k, L, ch) = L >= lowest ? at(offset, k, L, ch) : L * bottom / lowest;
                }
            }
        }
        // The grey curve only when white has priority; it fades out over the four levels below
        // the lowest calibrated one.
        for (int ch = 0; ch < 3; ++ch) {
            const double bottom = at(offset, 0, lowest, ch);
            for (int L = 0; L <= kTop; ++L) {
                double w = 0.0;
                if (in_.whiteCurve) {
                    if (L >= lowest) {
                        w = at(offset, 0, L, ch);
                    } else if (L >= lowest - 4 && lowest > 4) {
                        w = (L - 4) * bottom / (lowest - 4);
                    }
                }
                curve(0, L, ch) = w;
            }
        }
    }

    // Faces of the cube through black: F1 (blue 0) over (r, g) from R, G and the diagonal Y; F2
    // (red 0) over (g, b) from G, B and C; F3 (green 0) over (b, r) from B, R and M.
    void faces() {
        static constexpr int kAxes[3][3] = {{kSlotRed, kSlotGreen, kSlotYellow},
                                            {kSlotGreen, kSlotBlue, kSlotCyan},
                                            {kSlotBlue, kSlotRed, kSlotMagenta}};
        for (int f = 0; f < 3; ++f) {
            const int ax = kAxes[f][0];
            const int ay = kAxes[f][1];
            const int d = kAxes[f][2];
            for (int x = 0; x <= kTop; ++x) {
                for (int y = 0; y <= kTop; ++y) {
                    for (int ch = 0; ch < 3; ++ch) {
                        double v = 0.0;
                        if (x == y) {
                            v = x == 0 ? 0.0 : curve(d, x, ch);
                        } else if (y < x) {
                            v = curve(ax, x, ch) + (curve(d, x, ch) - curve(ax, x, ch)) * y / x;
                        } else {
                            v = curve(ay, y, ch) + (curve(d, y, ch) - curve(ay, y, ch)) * x / y;
                        }
                        face_[static_cast<size_t>(f)][static_cast<size_t>(x)][static_cast<size_t>(y)]
                             [static_cast<size_t>(ch)] = v;
                    }
                }
            }
        }
    }

    double face(int f, int x, int y, int ch) const {
        return face_[static_cast<size_t>(f)][static_cast<size_t>(x)][static_cast<size_t>(y)][static_cast<size_t>(ch)];
    }

    double gridValue(int r, int g, int b, int ch) const {
        const int s = r + g + b;
        if (s == 0) {
            return 0.0;
        }
        if (r == g && g == b) {
            return curve(kSlotWhite, r, ch);
        }
        if (b == 0) {
            return face(0, r, g, ch);
        }
        if (r == 0) {
            return face(1, g, b, ch);
        }
        if (g == 0) {
            return face(2, b, r, ch);
        }
        const double mix =
            ((s - g) * face(2, b, r, ch) + (s - r) * face(1, g, b, ch) + (s - b) * face(0, r, g, ch)) / (2.0 * s);
        const double spread = (r * (g - b) * (g - b) + g * (b - r) * (b - r) + b * (r - g) * (r - g)) /
                              (static_cast<double>(r + g) * (g + b) * (b + r));
        return mix * std::sqrt(spread);
    }

    void grid() {
        double largest = 0.0;
        for (int b = 0; b <= kTop; ++b) {
            for (int g = 0; g <= kTop; ++g) {
                for (int r = 0; r <= kTop; ++r) {
                    for (int ch = 0; ch < 3; ++ch) {
                        const double v = gridValue(r, g, b, ch);
                        // Negative values past the limit would not fit either.
                        if (std::fabs(v) > largest) {
                            largest = std::fabs(v);
                            if (largest > kTableValueLimit) {
                                log(Format("(%d,%d,%d,%d)=%f", ch, r, g, b, v));
                                log("Overflow the Max value of color space data!!");
                                out_.overflow = true;
                                return;
                            }
                        }
                        out_.lut[LutIndex(r, g, b, ch)] = TableByte(v);
                    }
                }
            }
        }
    }

    double& curve(int k, int L, int ch) {
        return curves_[static_cast<size_t>(k)][static_cast<size_t>(L)][static_cast<size_t>(ch)];
    }
    double curve(int k, int L, int ch) const {
        return curves_[static_cast<size_t>(k)][static_cast<size_t>(L)][static_cast<size_t>(ch)];
    }

    const ColourSpaceTableInput& in_;
    ColourSpaceTableResult& out_;
    Curves curves_{};
    std::array<std::array<std::array<std::array<double, 3>, 16>, 16>, 3> face_{};
};

}  // namespace

uint8_t TableByte(double value) {
    // A value of 512 would make 128, which a signed byte reads as -128: hold it at the edge.
    const int q = std::clamp(static_cast<int>(std::trunc(value * 0.25 + 0.5)), -128, 127);
    return static_cast<uint8_t>(q & 0xFF);
}

ColourSpaceTableResult ComputeColourSpaceTable(const ColourSpaceTableInput& input) {
    ColourSpaceTableResult result;
    TableBuilder(input, result).build();
    return result;
}

}  // namespace halvo
