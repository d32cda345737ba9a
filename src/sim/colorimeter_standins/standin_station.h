#pragma once

// What a stand-in of a colorimeter maker's library sees of the simulated station: whether its
// meter is plugged in (a station is installed and the meter's "no-device" fault is off), the
// fault switches, the light at the probe, the station's clock and seed. Without a station every
// meter is unplugged.
//
// And what makes a stand-in a meter rather than a window on the panel (MeterModel): a bias of
// its own (each tristimulus channel a little off, as every colorimeter's filters are), noise
// that shrinks with the square root of the integration time, and a dark noise of fixed size in
// cd/m2, so that readings of dark patches scatter far more than bright ones. The noise is drawn
// from the station's seed and the meter's own, and starts afresh when the meter is opened:
// the same run measures the same figures. The switch "exact" (set like a fault) makes a meter
// read the light as it is, for tests of a driver's arithmetic.

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <random>

#include "sim/bridge/sim_bridge.h"

namespace halvo::sim::standin {

struct Light {
    double X = 0.0;
    double Y = 0.0;  // cd/m2
    double Z = 0.0;
};

inline const HalvoSimHooks* Station() {
    const HalvoSimHooks* hooks = halvo_sim_hooks();
    return hooks != nullptr && hooks->version >= 1 ? hooks : nullptr;
}

inline bool Fault(const char* device, const char* fault) {
    const HalvoSimHooks* s = Station();
    return s != nullptr && s->fault != nullptr && s->fault(s->context, device, fault) != 0;
}

inline bool Present(const char* device) {
    return Station() != nullptr && !Fault(device, "no-device");
}

inline Light LightAtProbe() {
    Light light;
    if (const HalvoSimHooks* s = Station(); s != nullptr && s->lightAtProbe != nullptr) {
        double xyz[3] = {0.0, 0.0, 0.0};
        s->lightAtProbe(s->context, xyz);
        light = {xyz[0], xyz[1], xyz[2]};
    }
    return light;
}

inline uint32_t StationSeed() {
    const HalvoSimHooks* s = Station();
    return s != nullptr && s->version >= 3 ? s->seed : 1u;
}

inline int64_t NowMs() {
    const HalvoSimHooks* s = Station();
    return s != nullptr && s->nowMs != nullptr ? s->nowMs(s->context) : 0;
}

// A call that blocks on the device lets the station's time pass.
inline void SleepMs(int64_t ms) {
    if (const HalvoSimHooks* s = Station(); s != nullptr && s->sleepMs != nullptr && ms > 0) {
        s->sleepMs(s->context, ms);
    }
}

// x, y of the light; 0, 0 in the dark.
inline void Chromaticity(const Light& light, double& x, double& y) {
    const double sum = light.X + light.Y + light.Z;
    x = sum > 0.0 ? light.X / sum : 0.0;
    y = sum > 0.0 ? light.Y / sum : 0.0;
}

struct MeterModel {
    const char* device;      // the name its fault switches go by
    double bias[3];          // X, Y, Z as this meter sees them, relative to the truth
    double relativeNoise;    // standard deviation of X, Y and Z, relative, at one second
    double darkNoise;        // standard deviation of X, Y and Z in cd/m2 at one second
    uint32_t seed;           // the meter's own, mixed with the station's
};

class Readout {
public:
    explicit Readout(const MeterModel& model) : model_(model) {}

    // Called when the meter is opened.
    void restart() { random_.seed(StationSeed() * 2654435761u + model_.seed); }

    // What the meter reads of the light over an integration of the given length.
    Light read(const Light& truth, double integrationSeconds) {
        if (Fault(model_.device, "exact")) {
            return truth;
        }
        const double scale = 1.0 / std::sqrt(std::max(integrationSeconds, 0.01));
        std::normal_distribution<double> n(0.0, 1.0);
        const double t[3] = {truth.X, truth.Y, truth.Z};
        double out[3];
        for (int c = 0; c < 3; ++c) {
            const double relative = model_.relativeNoise * scale * n(random_);
            const double dark = model_.darkNoise * scale * n(random_);
            out[c] = std::max(0.0, t[c] * model_.bias[c] * (1.0 + relative) + dark);
        }
        return {out[0], out[1], out[2]};
    }

private:
    MeterModel model_;
    std::mt19937 random_{1};
};

// The mean light at the probe over an integration that blocks the caller: samples at its start,
// middle and end, so that a picture still settling is measured as it settles.
inline Light IntegratedLightAtProbe(int64_t ms) {
    const Light a = LightAtProbe();
    SleepMs(ms / 2);
    const Light b = LightAtProbe();
    SleepMs(ms - ms / 2);
    const Light c = LightAtProbe();
    return {(a.X + 2 * b.X + c.X) / 4, (a.Y + 2 * b.Y + c.Y) / 4, (a.Z + 2 * b.Z + c.Z) / 4};
}

}  // namespace halvo::sim::standin
