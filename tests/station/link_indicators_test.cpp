// The link indicators: alive on data, down after more than five empty polls.

#include <gtest/gtest.h>

#include "station/link_indicators.h"

namespace halvo {
namespace {

TEST(LinkIndicators, GoDownOnTheSixthEmptyPollAndComeBackOnData) {
    LinkIndicators links;
    links.update(3, 0, false);
    EXPECT_TRUE(links.monitorAlive());
    EXPECT_FALSE(links.instrumentAlive());  // before any data, the first empty poll is down
    for (int i = 0; i < 5; ++i) {
        links.update(0, 0, false);
        EXPECT_TRUE(links.monitorAlive()) << i;
    }
    links.update(0, 0, false);
    EXPECT_FALSE(links.monitorAlive());
    links.update(1, 0, false);
    EXPECT_TRUE(links.monitorAlive());
    EXPECT_TRUE(links.monitorShown());
}

TEST(LinkIndicators, ForcedUpdatesRestartTheCountersAndIconsChangeOnlyOnChange) {
    LinkIndicators links;
    links.update(2, 2, false);
    const int changes = links.iconChanges();
    links.update(2, 2, false);
    EXPECT_EQ(links.iconChanges(), changes);
    links.update(0, 0, true);  // disconnect: both down at once
    EXPECT_FALSE(links.monitorAlive());
    EXPECT_FALSE(links.instrumentAlive());
    EXPECT_EQ(links.iconChanges(), changes + 2);
}

}  // namespace
}  // namespace halvo
