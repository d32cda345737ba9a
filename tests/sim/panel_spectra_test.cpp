// The simulated panel's spectra: what any drive emits integrates, through the CIE functions, to
// exactly the X, Y, Z the panel reports, so every simulated instrument sees the same light.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <functional>
#include <vector>

#include "monitor/monitor_protocol.h"
#include "sim/bridge/sim_bridge.h"
#include "sim/sim_station.h"
#include "sim/spectral/cie_cmf.h"
#include "support/numeric.h"

namespace halvo::sim {
namespace {

using test::Near;

// Summing 471 products in another order than the 3x3 matrix does.
constexpr double kSummationTolerance = 1e-10;

std::vector<double> Spectrum(const std::function<void(double*)>& write) {
    std::vector<double> s(PanelModel::kSpectrumCount);
    write(s.data());
    return s;
}

std::array<double, 3> Integral(const std::vector<double>& s) {
    return TristimulusOf(s.data(), PanelModel::kSpectrumFirstNm, static_cast<int>(s.size()), 1);
}

TEST(PanelSpectra, EveryDriveEmitsTheTristimulusValuesOfItsSpectrum) {
    const PanelModel panel;
    const std::array<double, 3> drives[] = {{1, 1, 1}, {1, 0, 0}, {0, 1, 0}, {0, 0, 1}, {0.3, 0.55, 0.1}, {0, 0, 0}};
    for (const auto& drive : drives) {
        for (int backlight : {100, 47}) {
            for (const ScreenPoint p : {ScreenPoint{0.5, 0.5}, ScreenPoint{0.1, 0.9}}) {
                const Xyz light = panel.emit(drive, backlight, p.px, p.py);
                const auto t = Integral(Spectrum([&](double* out) {
                    panel.emitSpectrum(drive, backlight, p.px, p.py, PanelModel::kSpectrumFirstNm,
                                       PanelModel::kSpectrumCount, out);
                }));
                EXPECT_TRUE(Near(t[0], light.X, 1e-12, kSummationTolerance));
                EXPECT_TRUE(Near(t[1], light.Y, 1e-12, kSummationTolerance));
                EXPECT_TRUE(Near(t[2], light.Z, 1e-12, kSummationTolerance));
            }
        }
    }
}

TEST(PanelSpectra, ChannelsArePhysicalAndLandOnTheConfiguredPrimariesAndWhite) {
    const PanelModel panel;
    const PanelConfig& c = panel.config();
    const Chromaticity wanted[3] = {c.red, c.green, c.blue};
    double whiteY = 0.0;
    std::array<double, 3> white{};
    for (int ch = 0; ch < 3; ++ch) {
        const std::vector<double>& s = panel.channelSpectrum(ch);
        EXPECT_GE(*std::min_element(s.begin(), s.end()), 0.0) << "channel " << ch;
        const auto t = Integral(s);
        EXPECT_TRUE(Near(t[0] / (t[0] + t[1] + t[2]), wanted[ch].x, 1e-12));
        EXPECT_TRUE(Near(t[1] / (t[0] + t[1] + t[2]), wanted[ch].y, 1e-12));
        for (size_t k = 0; k < 3; ++k) {
            white[k] += t[k];
        }
        whiteY += t[1];
    }
    EXPECT_TRUE(Near(whiteY, c.peakLuminance - c.blackLuminance, 1e-9));
    EXPECT_TRUE(Near(white[0] / (white[0] + white[1] + white[2]), c.white.x, 1e-12));
    EXPECT_TRUE(Near(white[1] / (white[0] + white[1] + white[2]), c.white.y, 1e-12));
}

TEST(PanelSpectra, TheStationGivesTheSpectrumOfTheLightAtTheProbe) {
    VirtualScheduler clock;
    SimStation station(clock);
    station.install();
    const HalvoSimHooks* hooks = halvo_sim_hooks();
    ASSERT_NE(hooks, nullptr);
    EXPECT_EQ(hooks->deviceCount(hooks->context, "pelko"), 1);
    station.setDeviceCount("pelko", 2);
    EXPECT_EQ(hooks->deviceCount(hooks->context, "pelko"), 2);

    for (uint32_t pattern : {0xFFFFFFu, 0x2080C0u, 0x000000u}) {
        const Bytes frame = *BuildMonitorFrame(MonitorCommand::DrawPattern, pattern);
        station.monitor().receive(frame.data(), frame.size());
        clock.sleep(50);
        const Xyz light = station.lightAtProbe();
        std::vector<double> s(PanelModel::kSpectrumCount);
        ASSERT_EQ(hooks->spectrumAtProbe(hooks->context, PanelModel::kSpectrumFirstNm, PanelModel::kSpectrumCount,
                                         s.data()),
                  PanelModel::kSpectrumCount);
        const auto t = Integral(s);
        EXPECT_TRUE(Near(t[0], light.X, 1e-12, kSummationTolerance));
        EXPECT_TRUE(Near(t[1], light.Y, 1e-12, kSummationTolerance));
        EXPECT_TRUE(Near(t[2], light.Z, 1e-12, kSummationTolerance));
    }
    // Outside the panel's spectrum there is no light.
    double beyond[3] = {1, 1, 1};
    EXPECT_EQ(hooks->spectrumAtProbe(hooks->context, 900, 3, beyond), 3);
    EXPECT_EQ(beyond[0] + beyond[1] + beyond[2], 0.0);
}

}  // namespace
}  // namespace halvo::sim
