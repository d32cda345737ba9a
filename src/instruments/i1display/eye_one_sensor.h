#pragma once

// CEyeOneSensor: the i1 Display through its library. It opens the first device the library
// finds and measures with a one-second integration, answering Y, x, y.

#include "instruments/i1display/c_sensor.h"
#include "instruments/i1display/i1d3_library.h"

namespace halvo {

class CEyeOneSensor : public CSensor {
public:
    explicit CEyeOneSensor(const I1d3Calls& calls) : calls_(calls) {}
    ~CEyeOneSensor() override = default;

    // Already open: the flag, without a library call. Otherwise restarts the library and opens
    // its first device.
    int open() override;
    int close() override;
    bool lastStatusOk() const override { return status_ == 0; }
    bool measure(double& x, double& y, double& Y) override;

    static constexpr double kIntegrationSeconds = 1.0;
    static constexpr int kMeasurementMode = 1;
    static constexpr double kTargetLcdSeconds = 0.5;

private:
    I1d3Calls calls_;
    int open_ = 0;
    I1d3Handle handle_ = nullptr;
    int status_ = 0;
};

}  // namespace halvo
