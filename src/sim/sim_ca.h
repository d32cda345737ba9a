#pragma once

// A simulated CA-210/CA-310 colour analyser on its serial line: it takes "COM,1", "MDS,0" and
// "MES" (each ended by a line feed), and after its measuring time answers a measurement of the
// light at the probe in the form "OK00,P1 <x*10000>;<y*10000>;<Lv>\r", with repeatable noise.
// Until "COM,1" puts it in remote operation it answers nothing.

#include <functional>
#include <random>
#include <string>

#include "sim/panel_model.h"
#include "sim/sim_serial_device.h"

namespace halvo::sim {

struct SimCaConfig {
    int measuringMs = 200;       // from "MES" to the start of the answer
    int lowLightExtraMs = 100;   // more below 1 cd/m2
    double xyNoise = 0.00015;    // standard deviation of x and y of a white at 100 cd/m2 (more in the dark)
    double lvNoise = 0.001;      // relative standard deviation of Lv
    uint32_t seed = 11;
};

class SimCa : public SimSerialDevice {
public:
    using LightSource = std::function<Xyz()>;

    SimCa(const Clock& clock, LightSource light, const SimCaConfig& config = SimCaConfig());

    bool remote() const { return remote_; }
    int measurements() const { return measurements_; }

protected:
    void onBytes(const uint8_t* data, size_t length, int64_t atMs) override;
    void onPurge() override { line_.clear(); }

private:
    void command(const std::string& text, int64_t atMs);
    void reply(const std::string& text, int64_t atMs);

    LightSource light_;
    SimCaConfig config_;
    std::string line_;
    bool remote_ = false;
    int mode_ = -1;
    int measurements_ = 0;
};

}  // namespace halvo::sim
