// The simulated CA-210's scatter: its chromaticity noise comes from three sensor channels, so a
// saturated colour is not as noisy in x and y as a white of the same luminance.

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "monitor/serial_link.h"
#include "sim/sim_ca.h"
#include "support/recording_endpoint.h"

namespace halvo {
namespace {

struct Analyser {
    Analyser() : device(std::make_shared<sim::SimCa>(clock, [this] { return light; })), port("TEST-SIMCA", device) {
        link.portName = "TEST-SIMCA";
        EXPECT_TRUE(link.open());
        ask("COM,1\n");
    }
    std::string ask(const std::string& command) {
        link.write(command);
        std::string got;
        for (int ms = 0; ms < 2000 && got.find('\r') == std::string::npos; ++ms) {
            clock.runFor(1);
            const std::vector<uint8_t> chunk = link.readChunk();
            got.append(chunk.begin(), chunk.end());
        }
        return got;
    }
    // The standard deviations of x and y over n measurements.
    std::pair<double, double> scatter(const sim::Xyz& patch, int n) {
        light = patch;
        std::vector<double> xs;
        std::vector<double> ys;
        for (int k = 0; k < n; ++k) {
            int x = 0;
            int y = 0;
            double lv = 0.0;
            const std::string reply = ask("MES\n");
            EXPECT_EQ(std::sscanf(reply.c_str(), "OK00,P1 %d;%d;%lf", &x, &y, &lv), 3) << reply;
            xs.push_back(x / 10000.0);
            ys.push_back(y / 10000.0);
        }
        return {Deviation(xs), Deviation(ys)};
    }
    static double Deviation(const std::vector<double>& v) {
        double mean = 0.0;
        for (const double a : v) {
            mean += a / static_cast<double>(v.size());
        }
        double sum = 0.0;
        for (const double a : v) {
            sum += (a - mean) * (a - mean);
        }
        return std::sqrt(sum / static_cast<double>(v.size() - 1));
    }

    VirtualScheduler clock;
    sim::Xyz light{95.0, 100.0, 108.9};
    std::shared_ptr<sim::SimCa> device;
    test::ScopedEndpoint port;
    SerialLink link;
};

TEST(SimCa, ChromaticityScatterFollowsTheLightEachSensorGets) {
    Analyser ca;
    constexpr int kReadings = 400;
    // A white at 100 cd/m2: the configured 0.00015 in x and y (the estimate within 15 %).
    const auto [wx, wy] = ca.scatter({95.0, 100.0, 108.9}, kReadings);
    EXPECT_NEAR(wx, 0.00015, 0.15 * 0.00015);
    EXPECT_NEAR(wy, 0.00015, 0.15 * 0.00015);
    // A white at 7.2 cd/m2: every sensor gets a fourteenth of the light, sqrt(100 / 7.2) times
    // the noise, 0.00056.
    const double dim = 7.2 / 100.0;
    const auto [dx, dy] = ca.scatter({95.0 * dim, 100.0 * dim, 108.9 * dim}, kReadings);
    EXPECT_NEAR(dx, 0.00056, 0.15 * 0.00056);
    EXPECT_NEAR(dy, 0.00056, 0.15 * 0.00056);
    // A BT.709-like blue of the same luminance (x 0.137, y 0.053): its Z sensor gets more light
    // than the bright white's, only its Y sensor is dim, and y = Y / (X + Y + Z) is small. Worked
    // out from the three channels: 0.00016 in x and 0.00011 in y, a fifth of the dim white's.
    const auto [bx, by] = ca.scatter({18.8, 7.2, 111.0}, kReadings);
    EXPECT_NEAR(bx, 0.00016, 0.2 * 0.00016);
    EXPECT_NEAR(by, 0.00011, 0.25 * 0.00011);
    EXPECT_LT(by, dy / 3.0);
}

}  // namespace
}  // namespace halvo
