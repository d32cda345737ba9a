#include "sim/sim_ca.h"

#include <cmath>

#include "common/text_format.h"

namespace halvo::sim {

SimCa::SimCa(const Clock& clock, LightSource light, const SimCaConfig& config)
    : SimSerialDevice(clock, config.seed), light_(std::move(light)), config_(config) {}

void SimCa::onBytes(const uint8_t* data, size_t length, int64_t atMs) {
    for (size_t i = 0; i < length; ++i) {
        const char c = static_cast<char>(data[i]);
        if (c == '\n' || c == '\r') {
            if (!line_.empty()) {
                command(line_, atMs);
            }
            line_.clear();
        } else if (line_.size() < 64) {
            line_.push_back(c);
        }
    }
}

void SimCa::reply(const std::string& text, int64_t atMs) {
    send(reinterpret_cast<const uint8_t*>(text.data()), text.size(), atMs);
}

void SimCa::command(const std::string& text, int64_t atMs) {
    if (text == "COM,1") {
        remote_ = true;
        reply("OK00\r", atMs + 20);
        return;
    }
    if (!remote_) {
        return;
    }
    if (text.rfind("MDS,", 0) == 0) {
        mode_ = std::atoi(text.c_str() + 4);
        reply("OK00\r", atMs + 20);
        return;
    }
    if (text == "MES") {
        const Xyz light = light_();
        std::normal_distribution<double> n(0.0, 1.0);
        // The chromaticity comes from three filtered sensors, each the noisier the less light it
        // gets (relative noise ~ 1 / sqrt(signal)). A white at 100 cd/m2 gives every channel
        // about 100 and x, y a deviation of sqrt(6) / 9 of the channels' relative one; a dim
        // white is as noisy in every channel, a saturated blue only in its weak Y (its x and y
        // are mostly Z's, which is strong).
        const double channelNoise = config_.xyNoise * 9.0 / std::sqrt(6.0);
        const auto sensed = [&](double c) {
            return c * (1.0 + channelNoise * std::sqrt(100.0 / std::max(c, 0.5)) * n(random()));
        };
        const double X = sensed(light.X);
        const double Y = sensed(light.Y);
        const double Z = sensed(light.Z);
        const double sum = X + Y + Z;
        const double x = sum > 0 ? X / sum : 0.0;
        const double y = sum > 0 ? Y / sum : 0.0;
        double lv = light.Y * (1.0 + config_.lvNoise * n(random()));
        lv = std::max(lv, 0.0);
        ++measurements_;
        const int delay = config_.measuringMs + (lv < 1.0 ? config_.lowLightExtraMs : 0);
        reply(Format("OK00,P1 %d;%d;%.*f\r", static_cast<int>(std::lround(x * 10000.0)),
                     static_cast<int>(std::lround(y * 10000.0)), lv < 10.0 ? 4 : 2, lv),
              atMs + delay);
        return;
    }
    reply("ER00\r", atMs + 20);
}

}  // namespace halvo::sim
