// The named panels and what makes one harder to calibrate than another: the toe, the crosstalk,
// the warm-up and the settling after a picture change, as the simulated monitor shows them.

#include <gtest/gtest.h>

#include <cmath>

#include "monitor/monitor_protocol.h"
#include "sim/panel_catalog.h"
#include "sim/sim_station.h"

namespace halvo::sim {
namespace {

// The distance of two chromaticities in u'v', where calibrations judge them.
double DeltaUv(const Chromaticity& a, const Chromaticity& b) {
    const auto u = [](const Chromaticity& c) { return 4 * c.x / (-2 * c.x + 12 * c.y + 3); };
    const auto v = [](const Chromaticity& c) { return 9 * c.y / (-2 * c.x + 12 * c.y + 3); };
    return std::hypot(u(a) - u(b), v(a) - v(b));
}

TEST(PanelCatalog, TheSecondPanelDiffersInEverythingACalibrationDependsOn) {
    const NamedPanel* wide = FindPanel("wide-lcd");
    const NamedPanel* cool = FindPanel("cool-lcd");
    ASSERT_NE(wide, nullptr);
    ASSERT_NE(cool, nullptr);
    EXPECT_STREQ(PanelCatalog().front().name, kDefaultPanelName);
    const PanelConfig& a = wide->config;
    const PanelConfig& b = cool->config;
    for (const auto& [p, q] : {std::pair{a.red, b.red}, {a.green, b.green}, {a.blue, b.blue}, {a.white, b.white}}) {
        // Both must hold the broadcast spaces and nearly NTSC, which keeps red and blue close.
        EXPECT_GT(DeltaUv(p, q), 0.003);
    }
    const auto spread = [](const PanelConfig& c) {
        return *std::max_element(c.channelGamma.begin(), c.channelGamma.end()) -
               *std::min_element(c.channelGamma.begin(), c.channelGamma.end());
    };
    EXPECT_GT(spread(b), 3 * spread(a));
    EXPECT_GT(b.channelToe[0], 0.0);
    EXPECT_GE(b.crosstalk, 0.02);
    EXPECT_GT(b.cornerFalloff, a.cornerFalloff * 1.4);
    EXPECT_GT(b.warmUpLoss[2], 0.02);
    EXPECT_EQ(a.warmUpLoss[2], 0.0);
    EXPECT_GT(FindPanel("cool-lcd-slow")->config.responseMs, 500.0);
    EXPECT_GT(FindPanel("cool-lcd-crosstalk")->config.crosstalk, 2 * b.crosstalk);
    // Every name is in the help.
    const std::string help = PanelNamesHelp();
    for (const NamedPanel& p : PanelCatalog()) {
        EXPECT_NE(help.find(std::string(p.name) + " "), std::string::npos) << p.name;
    }
}

TEST(PanelCatalog, OptionsOverrideOneParameterEachAndBadOnesAreRefused) {
    std::string error;
    const std::optional<PanelConfig> c = PanelFromText("cool-lcd:response-ms=400,crosstalk=0.05,falloff=0.3", &error);
    ASSERT_TRUE(c) << error;
    EXPECT_EQ(c->responseMs, 400.0);
    EXPECT_EQ(c->crosstalk, 0.05);
    EXPECT_EQ(c->cornerFalloff, 0.3);
    EXPECT_EQ(c->channelGamma, FindPanel("cool-lcd")->config.channelGamma) << "the rest as named";
    const std::optional<PanelConfig> warm = PanelFromText("cool-lcd:warm-up=2,warm-up-ms=60000", &error);
    ASSERT_TRUE(warm) << error;
    EXPECT_DOUBLE_EQ(warm->warmUpLoss[2], 2 * FindPanel("cool-lcd")->config.warmUpLoss[2]);
    EXPECT_EQ(warm->warmUpTimeConstantMs, 60000.0);

    struct Bad {
        const char* given;
        const char* says;
    };
    for (const Bad& bad : {Bad{"oled", "unknown panel \"oled\" (wide-lcd, cool-lcd"},
                           Bad{"cool-lcd:crosstalk", "needs the form key=number"},
                           Bad{"cool-lcd:crosstalk=lots", "needs the form key=number"},
                           Bad{"cool-lcd:crosstalk=0.9", "must lie within"},
                           Bad{"cool-lcd:gamma=2", "unknown panel option \"gamma\""},
                           Bad{"cool-lcd:", "needs the form key=number"}}) {
        error.clear();
        EXPECT_FALSE(PanelFromText(bad.given, &error)) << bad.given;
        EXPECT_NE(error.find(bad.says), std::string::npos) << bad.given << ": " << error;
    }
}

TEST(PanelModel, AToeCrushesTheCodesNearBlackOnly) {
    PanelConfig c;
    c.channelToe = {0.06, 0.0, 0.0};
    const PanelModel toe(c);
    const PanelModel plain{PanelConfig()};
    EXPECT_LT(toe.channelResponse(0, 0.03), 0.25 * plain.channelResponse(0, 0.03));
    EXPECT_NEAR(toe.channelResponse(0, 0.5) / plain.channelResponse(0, 0.5), 1.0, 0.02);
    EXPECT_DOUBLE_EQ(toe.channelResponse(0, 1.0), 1.0);
    EXPECT_DOUBLE_EQ(toe.channelResponse(1, 0.03), plain.channelResponse(1, 0.03)) << "per channel";
    double previous = 0.0;
    for (int code = 1; code <= 255; ++code) {
        const double r = toe.channelResponse(0, code / 255.0);
        EXPECT_GT(r, previous) << code;
        previous = r;
    }
}

TEST(PanelModel, WithCrosstalkRedAndGreenGiveLessThanTheirSum) {
    PanelConfig c;
    c.crosstalk = 0.04;
    const PanelModel panel(c);
    const Xyz red = panel.emit({1, 0, 0}, 100, 0.5, 0.5);
    const Xyz green = panel.emit({0, 1, 0}, 100, 0.5, 0.5);
    const Xyz yellow = panel.emit({1, 1, 0}, 100, 0.5, 0.5);
    const Xyz white = panel.emit({1, 1, 1}, 100, 0.5, 0.5);
    const double black = c.blackLuminance;
    // Each of the two loses half the crosstalk with the other full.
    EXPECT_NEAR((yellow.Y - black) / (red.Y + green.Y - 2 * black), 1 - 0.02, 1e-3);
    const Xyz blue = panel.emit({0, 0, 1}, 100, 0.5, 0.5);
    EXPECT_NEAR((white.Y - black) / (red.Y + green.Y + blue.Y - 3 * black), 1 - 0.04, 1e-3);
    // A channel alone keeps its primary.
    const PanelModel none{PanelConfig()};
    EXPECT_NEAR(red.Y, none.emit({1, 0, 0}, 100, 0.5, 0.5).Y, 1e-9);
    // The spectrum says the same as the tristimulus values.
    std::vector<double> spectrum(PanelModel::kSpectrumCount);
    panel.emitSpectrum({1, 1, 0}, 100, 0.5, 0.5, PanelModel::kSpectrumFirstNm, PanelModel::kSpectrumCount,
                       spectrum.data());
    std::vector<double> fromLight(PanelModel::kSpectrumCount);
    panel.spectrumOf(yellow, PanelModel::kSpectrumFirstNm, PanelModel::kSpectrumCount, fromLight.data());
    for (size_t i = 0; i < spectrum.size(); i += 47) {
        EXPECT_NEAR(spectrum[i], fromLight[i], 1e-9 + 1e-6 * std::fabs(spectrum[i])) << i;
    }
}

struct Rig {
    explicit Rig(const std::string& panel) : station(clock, Config(panel)) {}
    static SimStationConfig Config(const std::string& panel) {
        SimStationConfig c;
        std::string error;
        c.panel = PanelFromText(panel, &error).value();
        return c;
    }
    void send(MonitorCommand c, uint32_t arg) {
        const Bytes f = *BuildMonitorFrame(c, arg);
        station.monitor().receive(f.data(), f.size());
        clock.sleep(5);
    }
    VirtualScheduler clock;
    SimStation station;
};

TEST(PanelModel, TheCoolPanelWarmsUpInItsFirstMinutesAndStaysWarmThroughAPowerCycle) {
    Rig rig("cool-lcd");
    rig.send(MonitorCommand::DrawPattern, 0xFFFFFF);
    const Xyz cold = rig.station.lightAtProbe();
    rig.clock.sleep(15 * 60 * 1000);
    const Xyz warm = rig.station.lightAtProbe();
    EXPECT_NEAR(cold.Y / warm.Y, 0.965, 0.01);
    // Blue warms the most: the cold white is yellower.
    EXPECT_LT(cold.Z / cold.Y, warm.Z / warm.Y * 0.99);
    rig.clock.sleep(15 * 60 * 1000);
    EXPECT_NEAR(rig.station.lightAtProbe().Y, warm.Y, warm.Y * 1e-3) << "settled after ten time constants";
    rig.station.monitor().powerCycle();
    rig.send(MonitorCommand::DrawPattern, 0xFFFFFF);
    EXPECT_NEAR(rig.station.lightAtProbe().Y, warm.Y, warm.Y * 1e-3);
}

TEST(PanelModel, ASlowPanelSettlesTowardsANewPictureWithItsTimeConstant) {
    Rig slow("cool-lcd:response-ms=1000,warm-up=0");
    slow.send(MonitorCommand::DrawPattern, 0x000000);
    slow.clock.sleep(20000);
    const double black = slow.station.lightAtProbe().Y;
    slow.send(MonitorCommand::DrawPattern, 0xFFFFFF);
    slow.clock.sleep(20000);
    const double white = slow.station.lightAtProbe().Y;
    slow.send(MonitorCommand::DrawPattern, 0x000000);  // at t0
    slow.clock.sleep(1000 - 5);
    EXPECT_NEAR((slow.station.lightAtProbe().Y - black) / (white - black), std::exp(-1.0), 0.01);
    // Changed again half-way: it heads for the new picture from where it was.
    slow.send(MonitorCommand::DrawPattern, 0xFFFFFF);
    const double from = (slow.station.lightAtProbe().Y - black) / (white - black);
    EXPECT_NEAR(from, std::exp(-1.0) + (1 - std::exp(-1.0)) * (1 - std::exp(-0.005)), 0.01);
    slow.clock.sleep(3000 - 5);
    EXPECT_NEAR((slow.station.lightAtProbe().Y - black) / (white - black), 1 - (1 - from) * std::exp(-3.0), 0.01);
    // A black measured three seconds after white still carries 5 % of it: more than a
    // verification allows for black.
    slow.clock.sleep(20000);
    slow.send(MonitorCommand::DrawPattern, 0x000000);
    slow.clock.sleep(3000);
    EXPECT_GT(slow.station.lightAtProbe().Y, 0.31);

    Rig quick("wide-lcd");
    quick.send(MonitorCommand::DrawPattern, 0xFFFFFF);
    const double full = quick.station.lightAtProbe().Y;
    quick.send(MonitorCommand::DrawPattern, 0x000000);
    EXPECT_LT(quick.station.lightAtProbe().Y, full * 0.01) << "today's panel shows a picture at once";
}

}  // namespace
}  // namespace halvo::sim
