#include "instruments/pelko/pelko_driver.h"

#include <cmath>

#include "instruments/pelko/pelko_core_library.h"

namespace halvo {
namespace {

constexpr uint32_t kFullWhite = 255u | 255u << 8 | 255u << 16;
constexpr int32_t kDefaultExposureMs = 1000;
constexpr int32_t kExposureLimit = 4000;
// A refused start is tried again on the next tick. Not at 0 ms: a device that keeps refusing
// would then hold the station's only thread in a loop that never lets time pass.
constexpr int kStartRetryMs = 10;

}  // namespace

PelkoDriver::~PelkoDriver() {
    release();
}

bool PelkoDriver::connect(const InstrumentSettings& settings) {
    settings_ = settings;
    pelkoStep = kStageStart;
    std::string error;
    core_ = BindPelkoCore(&error);
    if (core_ == nullptr) {
        context_.log.logMessage(error, kChannelSys);
    }
    if (settings.pelkoDeviceCount <= 0) {
        context_.log.logMessage("No PELKO device!!", kChannelSys);
        return false;
    }
    pelkoLastError = PELKO_OpenRadioEx(settings.pelkoDeviceIndex, &pelkoHandle);
    if (pelkoLastError != 0) {
        context_.log.logMessage("Could not open device!", kChannelSys);
        return false;
    }
    holdsHandle_ = true;
    context_.link.isOpen = 1;
    return true;
}

void PelkoDriver::release() {
    if (holdsHandle_) {
        PELKO_CORE_CALL(core_, 6, pelkoHandle);
        PELKO_CloseRadioEx(pelkoHandle);
        holdsHandle_ = false;
    }
}

void PelkoDriver::disconnect() {
    refusedStarts_.ended(context_.log);
    const bool connected = isOpen();
    // A device lost while connected is closed all the same, so that it can be opened again.
    release();
    if (connected) {
        context_.log.logMessage("Close the conection to the PELKA", kChannelSys);
    }
    context_.link.close();
}

int PelkoDriver::prepare() {
    pelkoStep = kStageStart;
    context_.monitor.sendMonitorCommand(MonitorCommand::DrawPattern, kFullWhite, 1000);
    // Let the device find the exposure of full white; without one it starts from a second.
    int32_t available = 0;
    int32_t timeMs = 0;
    PELKO_CORE_CALL(core_, 101, pelkoHandle, &available);
    if (available != 0) {
        PELKO_CORE_CALL(core_, 102, pelkoHandle, &timeMs);
    }
    if (available == 0 || timeMs == 0) {
        timeMs = kDefaultExposureMs;
    }
    PELKO_CORE_CALL(core_, 104, pelkoHandle, 1);
    PELKO_CORE_CALL(core_, 106, pelkoHandle, timeMs);
    PELKO_CORE_CALL(core_, 115, pelkoHandle, kExposureLimit);
    context_.monitor.sendMonitorCommand(MonitorCommand::DrawPattern, 0, 1000);
    return 10;
}

InstrumentDriver::Trigger PelkoDriver::trigger() {
    if (pelkoStep == kStageStart) {
        pelkoLastError = PELKO_MeasureEx(pelkoHandle, 0, 1, 1);
        if (pelkoLastError != 0) {
            // A device refusing every start is asked a hundred times a second.
            refusedStarts_.failed(context_.log, "Could not start measurement!", context_.monitor.task().CalibrationState);
            return {true, kStartRetryMs};
        }
        refusedStarts_.ended(context_.log);
        pelkoStep = kStagePoll;
        return {true, 100};
    }
    if (pelkoStep == kStagePoll) {
        pelkoLastError = PELKO_MeasureStatusEx(pelkoHandle, &pelkoStatus);
        if (pelkoLastError != 0 || pelkoStatus != 0) {
            if (pelkoLastError == PELKO_CORE_LOST) {
                context_.link.isOpen = 0;
            } else if (pelkoLastError == PELKO_CORE_ABORTED) {
                // The measurement ended without a result; polling it again would never end.
                pelkoStep = kStageStart;
            }
            return {true, 100};
        }
        pelkoStep = kStageFetch;
    }
    pelkoLastError = PELKO_ChromXYZEx(pelkoHandle, 380, 780, &pelkoX, &pelkoY, &pelkoZ);
    pelkoStep = kStageStart;
    if (pelkoLastError != 0) {
        return {true, 100};
    }
    fetched_ = true;
    return {};
}

int PelkoDriver::pollCount(bool) {
    return isOpen() ? 1 : 0;
}

RawReading PelkoDriver::read() {
    RawReading r;
    r.retryMs = 100;
    const double X = static_cast<double>(pelkoX);
    const double Y = static_cast<double>(pelkoY);
    const double Z = static_cast<double>(pelkoZ);
    const double sum = X + Y + Z;
    // Only a result fetched since the last reading is one: the read step can also come from the
    // idle polls, before the measurement asked for has even started.
    if (!isOpen() || !fetched_ || !std::isfinite(sum)) {
        return r;
    }
    fetched_ = false;
    // A fetched result without light has no chromaticity: it is handed on as a zero reading, as
    // the Spyder4's is. Measuring it again would never end on a black screen.
    r.ok = true;
    r.x = sum > 0.0 ? X / sum : 0.0;
    r.y = sum > 0.0 ? Y / sum : 0.0;
    r.lv = Y > 0.0 ? Y : 0.0;
    return r;
}

void PelkoDriver::continuouslyToggled() {
    PELKO_MeasureBreakEx(pelkoHandle);
    pelkoStep = kStageStart;
}

}  // namespace halvo
