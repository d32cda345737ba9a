#pragma once

// CSensor: what the station asks of a colorimeter behind a maker's library: open it, close it,
// whether its last call went well, and one measurement of x, y and Y.

namespace halvo {

class CSensor {
public:
    virtual ~CSensor() = default;
    // Non-zero when the device is open.
    virtual int open() = 0;
    // Always 1.
    virtual int close() = 0;
    virtual bool lastStatusOk() const = 0;
    // x, y and Y (cd/m2) of one measurement; false when it failed.
    virtual bool measure(double& x, double& y, double& Y) = 0;
};

}  // namespace halvo
