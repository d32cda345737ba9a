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
        const double sum = light.X + light.Y + light.Z;
        double x = sum > 0 ? light.X / sum : 0.0;
        double y = sum > 0 ? light.Y / sum : 0.0;
        double lv = light.Y;
        // Chromaticity noise grows in the dark, as with any tristimulus sensor.
        const double xyNoise = config_.xyNoise * std::sqrt(100.0 / std::max(lv, 0.5));
        std::normal_distribution<double> n(0.0, 1.0);
        x += xyNoise * n(random());
        y += xyNoise * n(random());
        lv *= 1.0 + config_.lvNoise * n(random());
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
