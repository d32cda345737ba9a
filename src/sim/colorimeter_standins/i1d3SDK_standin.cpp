// Stand-in for the i1 Display's library: one meter on the simulated station. A measurement
// blocks for its integration and answers Y, x, y of the mean light at the probe over it, as the
// meter reads it (its bias and noise, standin_station.h). Measurement mode 1 integrates for the
// time set on the device; mode 0 adapts: the target LCD time for light of 20 cd/m2 and more,
// longer in proportion below, up to four times the set time. Statuses: 0 success, 1 not
// initialised, 2 no such device, 3 device not open, 4 device already open, 5 bad argument, 6 the
// measurement failed (fault "measure-fails"), 7 the sensor saturated (above 3000 cd/m2, or fault
// "saturated").

#include <algorithm>
#include <cmath>

#include "instruments/i1display/i1d3_abi.h"
#include "sim/colorimeter_standins/standin_station.h"

namespace {

using namespace halvo::sim::standin;

constexpr const char* kDevice = "i1d3";

enum Status : int {
    kOk = 0,
    kNotInitialised = 1,
    kNoDevice = 2,
    kNotOpen = 3,
    kAlreadyOpen = 4,
    kBadArgument = 5,
    kMeasurementFailed = 6,
    kSaturated = 7,
};

constexpr double kSaturationY = 3000.0;  // cd/m2
constexpr double kAdaptiveBrightY = 20.0;

Readout readout({kDevice, {0.996, 1.004, 1.010}, 0.0007, 0.0015, 300});

struct Device {
    bool open = false;
    double integrationSeconds = 0.2;
    int mode = 0;
    double targetLcdSeconds = 0.0;
};

bool initialised = false;
Device device;

// The one device, when the handle names it and it is open.
int CheckOpen(I1d3Handle handle) {
    if (!initialised) {
        return kNotInitialised;
    }
    if (handle != &device) {
        return kNoDevice;
    }
    return device.open ? kOk : kNotOpen;
}

}  // namespace

extern "C" {

int i1d3Initialize(void) {
    initialised = true;
    return kOk;
}

int i1d3Destroy(void) {
    initialised = false;
    device = Device();
    return kOk;
}

int i1d3GetNumberOfDevices(void) {
    return initialised && Present(kDevice) ? 1 : 0;
}

int i1d3GetDeviceHandle(int index, I1d3Handle* handle) {
    if (!initialised) {
        return kNotInitialised;
    }
    if (handle == nullptr) {
        return kBadArgument;
    }
    if (index != 0 || !Present(kDevice)) {
        return kNoDevice;
    }
    *handle = &device;
    return kOk;
}

int i1d3DeviceOpen(I1d3Handle handle) {
    if (!initialised) {
        return kNotInitialised;
    }
    if (handle != &device || !Present(kDevice)) {
        return kNoDevice;
    }
    if (device.open) {
        return kAlreadyOpen;
    }
    device = Device();
    device.open = true;
    readout.restart();
    return kOk;
}

int i1d3DeviceClose(I1d3Handle handle) {
    const int status = CheckOpen(handle);
    if (status == kOk) {
        device.open = false;
    }
    return status;
}

int i1d3SetIntegrationTime(I1d3Handle handle, double seconds) {
    const int status = CheckOpen(handle);
    if (status != kOk) {
        return status;
    }
    if (!(seconds > 0.0 && seconds <= 10.0)) {
        return kBadArgument;
    }
    device.integrationSeconds = seconds;
    return kOk;
}

int i1d3SetMeasurementMode(I1d3Handle handle, int mode) {
    const int status = CheckOpen(handle);
    if (status == kOk) {
        device.mode = mode;
    }
    return status;
}

int i1d3SetTargetLCDTime(I1d3Handle handle, double seconds) {
    const int status = CheckOpen(handle);
    if (status == kOk) {
        device.targetLcdSeconds = seconds;
    }
    return status;
}

int i1d3Measure(I1d3Handle handle, int /*quantity*/, int /*count*/, double* result) {
    const int status = CheckOpen(handle);
    if (status != kOk) {
        return status;
    }
    if (result == nullptr) {
        return kBadArgument;
    }
    if (!Present(kDevice)) {  // pulled out while open
        return kNoDevice;
    }
    double seconds = device.integrationSeconds;
    if (device.mode == 0) {
        const double y = std::max(LightAtProbe().Y, 1e-3);
        const double lcd = std::max(device.targetLcdSeconds, 0.1);
        seconds = std::clamp(lcd * kAdaptiveBrightY / y, lcd, 4.0 * device.integrationSeconds);
    }
    const Light truth = IntegratedLightAtProbe(std::lround(seconds * 1000.0));
    if (Fault(kDevice, "measure-fails")) {
        return kMeasurementFailed;
    }
    if (truth.Y > kSaturationY || Fault(kDevice, "saturated")) {
        return kSaturated;
    }
    const Light light = readout.read(truth, seconds);
    double x = 0.0;
    double y = 0.0;
    Chromaticity(light, x, y);
    result[0] = light.Y;
    result[1] = x;
    result[2] = y;
    return kOk;
}

}  // extern "C"
