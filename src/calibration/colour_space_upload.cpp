// The colour-space upload (state 16): the table of the space just searched is computed, sent in
// 64 packets and stored by the final packet; then the next checked space, or the white point.

#include "calibration/calibration_engine.h"
#include "calibration/colour_space_calibration.h"
#include "calibration/lut_packet.h"
#include "common/text_format.h"

namespace halvo {

bool ColourSpaceCalibration::computeColourSpaceTable(int space) {
    if (!fillColourSpaceTable(space)) {
        engine_.context().host.calibrationFailed();
        return false;
    }
    return true;
}

bool ColourSpaceCalibration::fillColourSpaceTable(int space) {
    CalibrationContext& c = engine_.context();
    if (!IsValidColorSpace(space)) {
        return false;
    }
    ColourSpaceTableInput input;
    input.space = space;
    input.levels = levelCount();
    input.levelStep = levelStep();
    input.whiteCurve = c.page.colorPriority.checked && space != kDCinema;
    input.offsets = colourOffsets[static_cast<size_t>(space)];
    input.inputLuminance = inputLuminance;
    const ColourSpaceTableResult result = ComputeColourSpaceTable(input);
    for (const std::string& line : result.log) {
        c.logLine(line);
    }
    if (result.overflow) {
        return false;
    }
    c.page.data.lut3d[static_cast<size_t>(space)] = result.lut;
    return true;
}

void ColourSpaceCalibration::colourSpaceUploadStep() {
    CalibrationContext& c = engine_.context();
    const int space = (c.task.stepCounter >> 16) & 0xF;
    const int n = uploadCounter;
    if (n == 0) {
        if (!computeColourSpaceTable(space)) {
            return;
        }
        c.logLine("Send Colorspace Data to monitor. Please wait!!");
        uploadCounter = 1;
        c.scheduler.arm(kTimerRead, 50);
        return;
    }
    if (n <= kLutPacketCount + 1) {
        sendTablePacket(space, n - 1);
        uploadCounter = n + 1;
        c.scheduler.arm(kTimerRead, n <= kLutPacketCount ? 300 : 8000);
        return;
    }
    c.stopMeasurementTimers();
    uploadCounter = 0;
    const int next = nextCheckedSpace(space);
    if (next < 0) {
        handOverToWhitePoint();
        return;
    }
    display(next, 0);
    c.task.stepCounter = next << 16;
    c.task.CalibrationState = kTaskColorSpace;
    if (next == kDCinema) {
        c.send(MonitorCommand::SetGamma, 19, 2000);
    }
    c.scheduler.arm(kTimerTrigger, 1500);
}

void ColourSpaceCalibration::sendTablePacket(int space, int index) {
    CalibrationContext& c = engine_.context();
    if (index >= kLutPacketCount) {
        c.logLine("Save the colorspace Data to EEProm. Please wait a moment!!");
        c.monitor.sendFrame(BuildLutFinalPacket(space), "", 0);
        return;
    }
    const Bytes frame = BuildLutPacket(space, index, c.page.data.lut3d[static_cast<size_t>(space)]);
    const std::string line = Format("CS[%X][%X][%X][%X](%d) = [%d,%d,%d],[%d,%d,%d],...", space, index, frame[7],
                                    frame[8], index * static_cast<int>(kLutPacketBytes), frame[9], frame[10],
                                    frame[11], frame[12], frame[13], frame[14]);
    c.monitor.sendFrame(frame, line, 0);
}

void ColourSpaceCalibration::handOverToWhitePoint() {
    CalibrationContext& c = engine_.context();
    display(0, 0);
    c.monitor.sendRgbOffset(0, 0, 0, 1000);
    sentOffsets_ = {0, 0, 0};
    c.send(MonitorCommand::SetGamma, c.page.data.targetGamma == 2.2 ? 14u : 16u, 2000);
    c.task.CalibrationState = kTaskWhitePoint;
    c.task.stepCounter = 0;
    c.scheduler.arm(kTimerTrigger, 1500);
}

}  // namespace halvo
