// Stand-in for the Spyder4's library: one sensor on the simulated station. Its serial number is
// fixed; its ambient-light sensor has to be powered up half a second before it can be read;
// each of the six display-type calibrations (2..7) weights X, Y and Z a little differently, as
// the real correction matrices move a reading by a few thousandths. A read integrates over
// readTime / 120 seconds before the call (the library answers at once), with the sensor's bias
// and noise (standin_station.h); light above 2000 cd/m2 saturates it and the read fails. Faults:
// "no-device", "measure-fails", "ambient-fails".

#include <cmath>
#include <cstring>

#include "instruments/spyder4/dccmtr_abi.h"
#include "sim/colorimeter_standins/standin_station.h"

namespace {

using namespace halvo::sim::standin;

constexpr const char* kDevice = "spyder4";
constexpr const char* kSerialNumber = "40719284";
constexpr unsigned char kOk = 1;
constexpr unsigned char kFailed = 0;
constexpr int64_t kAmbientSettleMs = 500;
constexpr uint16_t kRoomLevel = 148;

// X, Y, Z weights of calibrations 2..7.
constexpr double kCalibrationWeights[6][3] = {
    {1.000, 1.000, 1.000},  // Standard
    {1.004, 1.000, 0.994},  // Normal-Gamut LCD/ CCFL
    {0.995, 1.003, 1.008},  // Wide-Gamut LCD/ CCFL
    {1.006, 0.998, 0.990},  // Normal-Gamut LCD/ White LED
    {0.992, 1.002, 1.012},  // Wide-Gamut LCD/ RGB LED
    {0.997, 1.004, 1.005},  // Wide-Gamut LCD/ CCFL2
};
constexpr int kFirstCalibration = 2;
constexpr double kReadTimeUnitsPerSecond = 120.0;
constexpr double kSaturationY = 2000.0;  // cd/m2

Readout readout({kDevice, {1.006, 0.995, 0.988}, 0.0012, 0.003, 400});

struct Sensor {
    bool started = false;
    bool ledOn = false;
    bool ambientPowered = false;
    int64_t ambientPoweredAtMs = 0;
    int calibration = kFirstCalibration;
};

Sensor sensor;

bool Usable() {
    return sensor.started && Present(kDevice);
}

int32_t Thousandths(double value) {
    return static_cast<int32_t>(std::lround(std::fmax(0.0, std::fmin(value, 2.0e6)) * 1000.0));
}

}  // namespace

extern "C" {

unsigned char DC_Startup(char* buffer, int size) {
    if (buffer == nullptr || size < 13 || !Present(kDevice)) {
        return kFailed;
    }
    std::memset(buffer, 0, static_cast<size_t>(size));
    std::memcpy(buffer + 4, kSerialNumber, std::strlen(kSerialNumber));
    sensor = Sensor();
    sensor.started = true;
    readout.restart();
    return kOk;
}

unsigned char DC_SetLED(int on, int brightness) {
    if (!Usable() || brightness < 0 || brightness > 255) {
        return kFailed;
    }
    sensor.ledOn = on != 0;
    return kOk;
}

unsigned char DC_WriteAmbientLightControlRegVal(unsigned char value) {
    if (!Usable() || (value != 0 && value != 3)) {
        return kFailed;
    }
    sensor.ambientPowered = value == 3;
    sensor.ambientPoweredAtMs = NowMs();
    return kOk;
}

unsigned char DC_ReadAmbientLightLevel(uint16_t* level) {
    if (!Usable() || level == nullptr || !sensor.ambientPowered ||
        NowMs() - sensor.ambientPoweredAtMs < kAmbientSettleMs || Fault(kDevice, "ambient-fails")) {
        return kFailed;
    }
    *level = kRoomLevel;
    return kOk;
}

unsigned char DC_UseCalibration(int calibration) {
    if (!Usable() || calibration < kFirstCalibration || calibration >= kFirstCalibration + 6) {
        return kFailed;
    }
    sensor.calibration = calibration;
    return kOk;
}

unsigned char DC_GetXYZ(int readTime, int32_t* X, int32_t* Y, int32_t* Z) {
    if (!Usable() || readTime <= 0 || X == nullptr || Y == nullptr || Z == nullptr || Fault(kDevice, "measure-fails")) {
        return kFailed;
    }
    const Light truth = LightAtProbe();
    if (truth.Y > kSaturationY) {
        return kFailed;
    }
    const Light light = readout.read(truth, readTime / kReadTimeUnitsPerSecond);
    const double* w = kCalibrationWeights[sensor.calibration - kFirstCalibration];
    *X = Thousandths(light.X * w[0]);
    *Y = Thousandths(light.Y * w[1]);
    *Z = Thousandths(light.Z * w[2]);
    return kOk;
}

unsigned char DC_Shutdown(void) {
    if (!sensor.started) {
        return kFailed;
    }
    sensor = Sensor();
    return kOk;
}

}  // extern "C"
