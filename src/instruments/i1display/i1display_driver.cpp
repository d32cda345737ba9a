#include "instruments/i1display/i1display_driver.h"

#include "instruments/i1display/eye_one_sensor.h"

namespace halvo {

I1DisplayDriver::I1DisplayDriver(InstrumentContext& context, const I1d3Calls* calls) : InstrumentDriver(context) {
    if (calls != nullptr) {
        givenCalls_ = *calls;
    }
}

bool I1DisplayDriver::connect(const InstrumentSettings& settings) {
    settings_ = settings;
    I1d3Calls calls;
    if (givenCalls_) {
        calls = *givenCalls_;
    } else {
        std::string error;
        if (!LoadI1d3Library(library_, calls, error)) {
            context_.log.logMessage("Cannot open colorimeter port", kChannelSys);
            context_.log.logMessage("i1 Display: " + error, kChannelSys);
            return false;
        }
    }
    sensor_ = std::make_unique<CEyeOneSensor>(calls);
    if (sensor_->open() == 0) {
        context_.log.logMessage("Cannot open colorimeter port", kChannelSys);
        return false;
    }
    context_.link.isOpen = 1;
    return true;
}

void I1DisplayDriver::disconnect() {
    if (sensor_) {
        sensor_->close();
    }
    context_.link.isOpen = 0;
}

int I1DisplayDriver::pollCount(bool) {
    return sensor_ && isOpen() && sensor_->lastStatusOk() ? 1 : 0;
}

RawReading I1DisplayDriver::read() {
    RawReading r;
    r.retryMs = 500;
    if (!sensor_ || !isOpen()) {
        return r;
    }
    double x = 0.0;
    double y = 0.0;
    double Y = 0.0;
    if (!sensor_->measure(x, y, Y)) {
        return r;
    }
    r.ok = true;
    r.x = x;
    r.y = y;
    r.lv = Y;
    return r;
}

}  // namespace halvo
