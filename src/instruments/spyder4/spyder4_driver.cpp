#include "instruments/spyder4/spyder4_driver.h"

#include <array>

#include "common/text_format.h"

namespace halvo {
namespace {

constexpr bool Ok(unsigned char result) { return result == 1; }

constexpr int kStartupBuffer = 1024;
constexpr int kSerialOffset = 4;
constexpr unsigned char kAmbientPowerUp = 3;
constexpr unsigned char kAmbientPowerDown = 0;
constexpr int kAmbientSettleMs = 1000;
constexpr int kReadTime = 120;

constexpr const char* kCommunicationError = "Comunication error, please reconnect Spyder4.";

}  // namespace

Spyder4Driver::Spyder4Driver(InstrumentContext& context, const DccmtrCalls* calls) : InstrumentDriver(context) {
    if (calls != nullptr) {
        givenCalls_ = *calls;
    }
}

int Spyder4Driver::CalibrationNumber(int listIndex) {
    // No entry chosen counts as the first, "Standard".
    return (listIndex > 0 ? listIndex : 0) + 2;
}

bool Spyder4Driver::connect(const InstrumentSettings& settings) {
    settings_ = settings;
    readOk_ = false;
    if (givenCalls_) {
        calls_ = *givenCalls_;
    } else {
        std::string error;
        if (!LoadDccmtrLibrary(library_, calls_, error)) {
            context_.log.logMessage("Spyder4: " + error, kChannelSys);
            context_.log.logMessage("DC_Startup failed", kChannelSys);
            context_.log.logMessage(kCommunicationError, kChannelSys);
            return false;
        }
    }
    std::array<char, kStartupBuffer> buffer{};
    started_ = true;
    if (!Ok(calls_.DC_Startup(buffer.data(), kStartupBuffer))) {
        context_.log.logMessage("DC_Startup failed", kChannelSys);
        context_.log.logMessage(kCommunicationError, kChannelSys);
        return false;
    }
    buffer.back() = '\0';
    context_.log.logMessage(Format("SN=%.8s", buffer.data() + kSerialOffset), kChannelSys);
    context_.link.isOpen = 1;
    return true;
}

void Spyder4Driver::disconnect() {
    readFailures_.ended(context_.log);
    if (started_) {
        calls_.DC_SetLED(0, 0);
        calls_.DC_Shutdown();
        log("DC_Shutdown");
        started_ = false;
    }
    context_.link.isOpen = 0;
}

int Spyder4Driver::prepare() {
    // Each failure is logged and the sequence goes on: the sensor is powered down and the
    // calibration chosen even when the ambient light could not be read.
    if (!Ok(calls_.DC_SetLED(1, 255))) {
        log("DC_SetLED failed");
    }
    log("DC_WriteAmbientLightControlRegVal");
    if (Ok(calls_.DC_WriteAmbientLightControlRegVal(kAmbientPowerUp))) {
        log("The ambient light sensor has been powered up...");
    } else {
        log("DC_WriteAmbientLightControlRegVal failed");
    }
    context_.scheduler.sleep(kAmbientSettleMs);
    log("Now measuring ambient light...");
    uint16_t level = 0;
    if (Ok(calls_.DC_ReadAmbientLightLevel(&level))) {
        context_.log.logMessage(Format("ReadAmbientLightLevel returned: %u", static_cast<unsigned>(level)), channel());
    } else {
        log("DC_ReadAmbientLightLevel failed");
    }
    if (Ok(calls_.DC_WriteAmbientLightControlRegVal(kAmbientPowerDown))) {
        log("The ambient light sensor has been powered down...");
    }
    if (!Ok(calls_.DC_UseCalibration(CalibrationNumber(settings_.calibrationIndex)))) {
        log("DC_UseCalibration failed");
    }
    log("Start measurement");
    return 500;
}

InstrumentDriver::Trigger Spyder4Driver::trigger() {
    int32_t X = 0;
    int32_t Y = 0;
    int32_t Z = 0;
    readOk_ = Ok(calls_.DC_GetXYZ(kReadTime, &X, &Y, &Z));
    if (readOk_) {
        X_ = X;
        Y_ = Y;
        Z_ = Z;
        readFailures_.ended(context_.log);
    } else {
        readFailures_.failed(context_.log, kCommunicationError, channel());
    }
    return {};
}

int Spyder4Driver::pollCount(bool) {
    return isOpen() ? 1 : 0;
}

RawReading Spyder4Driver::read() {
    RawReading r;
    r.retryMs = 500;
    // A failed read gives no reading: converting the previous X, Y, Z again would hand an old
    // patch's colour to the step as if it were the new one.
    if (!readOk_) {
        return r;
    }
    const double X = X_ / 1000.0;
    const double Y = Y_ / 1000.0;
    const double Z = Z_ / 1000.0;
    const double sum = X + Y + Z;
    r.ok = true;
    r.x = sum > 0.0 ? X / sum : 0.0;
    r.y = sum > 0.0 ? Y / sum : 0.0;
    r.lv = Y;
    return r;
}

}  // namespace halvo
