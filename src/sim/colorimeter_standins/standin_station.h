#pragma once

// What a stand-in of a colorimeter maker's library sees of the simulated station: whether its
// meter is plugged in (a station is installed and the meter's "no-device" fault is off), the
// fault switches, the light at the probe and the station's clock. Without a station every meter
// is unplugged.

#include <cstdint>

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

}  // namespace halvo::sim::standin
