#include "instruments/i1display/eye_one_sensor.h"

namespace halvo {

int CEyeOneSensor::open() {
    if (open_ != 0) {
        return open_;
    }
    calls_.i1d3Destroy();
    status_ = calls_.i1d3Initialize();
    if (status_ == 0) {
        // No meter found leaves the handle lookup to fail, which says so in the status.
        calls_.i1d3GetNumberOfDevices();
        I1d3Handle handle = nullptr;
        status_ = calls_.i1d3GetDeviceHandle(0, &handle);
        // A handle the library did not give is never passed back to it.
        if (status_ == 0) {
            handle_ = handle;
            status_ = calls_.i1d3DeviceOpen(handle_);
        }
    }
    open_ = status_ == 0 ? 1 : 0;
    return open_;
}

int CEyeOneSensor::close() {
    if (open_ != 0) {
        status_ = calls_.i1d3DeviceClose(handle_);
    }
    open_ = 0;
    return 1;
}

bool CEyeOneSensor::measure(double& x, double& y, double& Y) {
    if (open_ == 0) {
        return false;
    }
    status_ = calls_.i1d3SetIntegrationTime(handle_, kIntegrationSeconds);
    status_ = calls_.i1d3SetMeasurementMode(handle_, kMeasurementMode);
    status_ = calls_.i1d3SetTargetLCDTime(handle_, kTargetLcdSeconds);
    double result[3] = {0.0, 0.0, 0.0};  // Y, x, y
    status_ = calls_.i1d3Measure(handle_, 1, 1, result);
    x = result[1];
    y = result[2];
    Y = result[0];
    return status_ == 0;
}

}  // namespace halvo
