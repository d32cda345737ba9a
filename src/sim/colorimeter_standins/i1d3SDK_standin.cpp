// Stand-in for the i1 Display's library: one meter on the simulated station. A measurement
// blocks for the integration time set on the device and answers Y, x, y of the light at the
// probe. Statuses: 0 success, 1 not initialised, 2 no such device, 3 device not open, 4 device
// already open, 5 bad argument, 6 the measurement failed (fault "measure-fails").

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
};

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
    SleepMs(std::lround(device.integrationSeconds * 1000.0));
    if (Fault(kDevice, "measure-fails")) {
        return kMeasurementFailed;
    }
    const Light light = LightAtProbe();
    double x = 0.0;
    double y = 0.0;
    Chromaticity(light, x, y);
    result[0] = light.Y;
    result[1] = x;
    result[2] = y;
    return kOk;
}

}  // extern "C"
