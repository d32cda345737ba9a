#include "monitor/monitor_sender.h"

#include "common/text_format.h"

namespace halvo {

bool MonitorSender::sendMonitorCommand(MonitorCommand command, uint32_t argument, int delayMs) {
    const std::optional<Bytes> frame = BuildMonitorFrame(command, argument);
    if (!frame) {
        return false;
    }
    link_.write(*frame);
    if (!IsSilentCommand(command)) {
        log_.logMessage(MonitorCommandText(command, argument), task_.CalibrationState);
    }
    scheduler_.sleep(delayMs);
    return true;
}

void MonitorSender::sendRgbOffset(int red, int green, int blue, int delayMs) {
    link_.write(BuildRgbOffsetFrame(red, green, blue));
    log_.logMessage(Format("RGB Offset(%d,%d,%d)", red, green, blue), task_.CalibrationState);
    scheduler_.sleep(delayMs);
}

void MonitorSender::sendCalibrationId(const std::string& id) {
    link_.write(BuildCalibrationIdFrame(id));
    scheduler_.sleep(500);
    log_.logMessage("Changed Monitor ID", task_.CalibrationState);
}

void MonitorSender::sendFrame(const Bytes& frame, const std::string& logText, int delayMs) {
    link_.write(frame);
    if (!logText.empty()) {
        log_.logMessage(logText, task_.CalibrationState);
    }
    scheduler_.sleep(delayMs);
}

}  // namespace halvo
