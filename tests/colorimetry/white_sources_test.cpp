// White-point target codes: named sources, "Adjust", temperatures.

#include <gtest/gtest.h>

#include "colorimetry/white_sources.h"

namespace halvo {
namespace {

TEST(WhiteTargets, CodesMapToSourcesAdjustOrKelvin) {
    EXPECT_EQ(WhiteTargetLabel(0), "Source A");
    EXPECT_EQ(WhiteTargetLabel(3), "Source D\u2086\u2085");
    EXPECT_EQ(WhiteTargetLabel(4), "Source E");
    EXPECT_EQ(WhiteTargetLabel(5), "Adjust");
    EXPECT_EQ(WhiteTargetLabel(1000), "Adjust");
    EXPECT_EQ(WhiteTargetLabel(1001), "1001K");
    EXPECT_EQ(WhiteTargetLabel(6500), "6500K");

    EXPECT_FALSE(WhiteTargetReading(500, 100.0, false).has_value());
    const auto c = WhiteTargetReading(2, 80.0, false);
    ASSERT_TRUE(c.has_value());
    EXPECT_EQ(c->x, 0.3101);
    EXPECT_EQ(c->y, 0.3163);
    EXPECT_EQ(c->lv, 80.0);
    EXPECT_GT(c->cct, 6700);  // Illuminant C is about 6770 K

    const auto k = WhiteTargetReading(6500, 100.0, false);
    ASSERT_TRUE(k.has_value());
    EXPECT_EQ(k->x, 0.3128);
    EXPECT_EQ(k->cct, 6500);
}

}  // namespace
}  // namespace halvo
