// The gradient method's first pass: ramp sums with the monitor's truncation, the fits of the
// starts and slopes, the compensation bytes, and how the bytes are read back. Expected values
// were worked out independently, term by term.

#include <gtest/gtest.h>

#include "calibration/gradient_fit.h"

namespace halvo {
namespace {

TEST(GradientRamps, SumsTruncateEveryTermTowardZero) {
    EXPECT_EQ(HorizontalRampSum(1, 0), 1920 * 4);
    // -2k/1024 truncates to 0 for k < 512, -1 up to 1023, -2 up to 1535, -3 to the end.
    EXPECT_EQ(HorizontalRampSum(0, 1), -(512 * 1 + 512 * 2 + 384 * 3));
    EXPECT_EQ(VerticalRampSum(0, 1, 1200), -(512 * 1 + 176 * 2));
    EXPECT_EQ(VerticalRampSum(5, 0, 0), 0);
}

TEST(GradientRamps, HorizontalFitOfARow) {
    // t = 951: s = trunc(72 * 2^20 / 3932160) = trunc(19.2).
    EXPECT_EQ(HorizontalStart(951), 19);
    EXPECT_EQ(HorizontalStart(1023), 0);
    EXPECT_EQ(HorizontalStart(1100), -20);
    // Row sums / 1024 with s = 19: 33.28 at slope 31, 29.82 at 32; the first not above 1023 - 991.
    EXPECT_EQ(HorizontalSlopeIndex(19, 991), 32);
    // A flat row: s = 0 searches from -128 and stops where the sum no longer exceeds 0.
    EXPECT_EQ(HorizontalSlopeIndex(0, 1023), 0);
    // A target no slope reaches takes the steepest the byte carries.
    EXPECT_EQ(HorizontalSlopeIndex(100, 0), 1);
    EXPECT_EQ(HorizontalSlopeIndex(1, 2000), 254);
}

TEST(GradientRamps, VerticalFitAndCompensations) {
    // Left column 186.3 / 194.3 / 186.3, worked by hand with the ratios left whole:
    //   1023 * 186.3 / 194.3 = 980.880, so d = trunc(42.120 * 2^20 / 2211840) = trunc(19.968) = 19
    //   (truncating the ratio to 980 first would give trunc(43 * 0.474) = 20).
    // The bottom target is 1023 - 1023 * 186.3 / 186.3 = 0. With d = 19 line l adds
    // trunc((77824 - 2 i l) / 1024) = trunc((38912 - i l) / 512):
    //   i = 72: lines 0..533 add 20310, lines 548..1079 take 20167: sum 143, / 1024 = 0.14 > 0;
    //   i = 73: lines 0..526 add 20029, lines 541..1079 take 21014: sum -985, / 1024 = -0.96,
    //   not above 0, so i = 73.
    const int d = VerticalStart(186.3, 194.3);
    EXPECT_EQ(d, 19);
    const int i = VerticalSlopeIndex(d, 186.3, 186.3);
    EXPECT_EQ(i, 73);
    // P9 over 1200 lines: lines 1080..1199 take 10311 more, sum -11296; m = trunc(-11296 / 1024)
    // = -11 and P9 = trunc(1 + 11 / 3) = 4. Over the TXM-400's 1080 lines m = trunc(-985 / 1024) =
    // 0: no compensation.
    EXPECT_EQ(VerticalCompensation(d, i, false), 4);
    EXPECT_EQ(VerticalCompensation(d, i, true), 0);
    EXPECT_EQ(VerticalStart(186.3, 0.0), 0);

    EXPECT_EQ(RowCompensation(0, 0, 0, 0), 0);
    // A row that ends brighter on the right than on the left needs the floor lifted: the row
    // sum / 1024 is -15 (7.5 s for s = -2), so c = -15 and trunc(1 + 15/4) = 4.
    EXPECT_EQ(RowCompensation(-2, 0, 0, 0), 4);
}

TEST(GradientRamps, BytesAreReadBackWithTheirSigns) {
    UniformityParams p{};
    p[1] = 19;
    p[2] = 200;
    p[3] = static_cast<uint8_t>(-3);
    p[4] = 250;
    GradientRamps r = DecodeRamps(p);
    EXPECT_EQ(r.s, 19);
    EXPECT_EQ(r.a, 200) << "a rising start has slopes 1..254";
    EXPECT_EQ(r.d, -3);
    EXPECT_EQ(r.i, 250);
    p[1] = 0;
    EXPECT_EQ(DecodeRamps(p).a, -56) << "otherwise the slope runs -128..127";
}

TEST(GradientFit, FirstPassOfASymmetricPanel) {
    CellLuminance lv{};
    const double rows[3][3] = {{186.3, 199.7, 196.5}, {194.3, 208.0, 205.0}, {186.3, 199.7, 196.5}};
    for (int r = 0; r < 3; ++r) {
        for (int c = 0; c < 3; ++c) {
            lv[static_cast<size_t>(3 * r + c + 1)] = rows[r][c];
        }
    }
    const GradientFit f = FitGradient(lv, false);
    // Top row: t = trunc(1023 * 186.3 / 199.7) = 954, u = trunc(1023 * 186.3 / 196.5) = 969.
    EXPECT_EQ(f.t[0], 954);
    EXPECT_EQ(f.u[0], 969);
    EXPECT_EQ(f.s[0], HorizontalStart(954));
    EXPECT_EQ(f.a[0], HorizontalSlopeIndex(f.s[0], 969));
    EXPECT_EQ(f.params[1], f.s[0]);
    EXPECT_EQ(f.params[2], f.a[0]);
    // d, i and P9 as worked out above.
    EXPECT_EQ(f.params[3], 19);
    EXPECT_EQ(f.params[4], 73);
    EXPECT_EQ(f.params[9], 4);
    EXPECT_EQ(f.params[0], 0) << "every ramp dims: nothing to lift";
    for (size_t k = 5; k <= 8; ++k) {
        EXPECT_EQ(f.params[k], 0) << "the trims are the refinement's";
    }
    const GradientFit txm400 = FitGradient(lv, true);
    EXPECT_EQ(txm400.params[9], 0);

    // The shape method leaves a ramp out.
    const GradientFit vertical = FitGradient(lv, false, false, true);
    EXPECT_EQ(vertical.params[1], 0);
    EXPECT_EQ(vertical.params[2], 0);
    EXPECT_EQ(vertical.params[3], 19);
    const GradientFit horizontal = FitGradient(lv, false, true, false);
    EXPECT_EQ(horizontal.params[3], 0);
    EXPECT_EQ(horizontal.params[4], 0);
    EXPECT_EQ(horizontal.params[9], 0);
}

}  // namespace
}  // namespace halvo
