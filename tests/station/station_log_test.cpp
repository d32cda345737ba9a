// Channel prefixes, the reading line and listeners of the station log.

#include <gtest/gtest.h>

#include "station/station_log.h"

namespace halvo {
namespace {

TEST(StationLog, ChoosesThePrefixByChannel) {
    StationLog log;
    log.logMessage("a", 0);
    log.logMessage("b", 254);
    log.logMessage("c", 255);  // debug lines are dropped
    log.logMessage("d", 50);
    log.logMessage("e", 9);
    log.logMessage("f", 10);
    log.logMessage("g", 224);
    log.logMessage("h", -1);
    log.logMessage("", 0);
    EXPECT_EQ(log.text(), "SYS:a\nPOS:b\nAGN: d\nMES: e\nCAL: f\nCAL: g\nMES: h\nSYS:\n");
}

TEST(StationLog, FormatsAReading) {
    StationLog log;
    log.logReading(11, 6504, 0.3127, 0.329, 0.19783, 0.46832, 123.456, 0.0032);
    EXPECT_EQ(log.text(), "CAL: u:0.1978 v':0.4683 x:0.3127 y:0.3290 Lv:123.46 T: 6504 \u0394uv:0.0032\n");
}

TEST(StationLog, TellsListenersEveryEntryAndClear) {
    struct Listener : LogListener {
        std::string seen;
        int cleared = 0;
        void onLogAppended(const std::string& entry) override { seen += entry; }
        void onLogCleared() override { ++cleared; }
    } listener;
    StationLog log;
    log.addListener(&listener);
    log.logMessage("one", 0);
    log.logMessage("hidden", 255);
    log.clear();
    log.removeListener(&listener);
    log.logMessage("two", 0);
    EXPECT_EQ(listener.seen, "SYS:one\n");
    EXPECT_EQ(listener.cleared, 1);
    EXPECT_EQ(log.text(), "SYS:two\n");
}

}  // namespace
}  // namespace halvo
