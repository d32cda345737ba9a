#include "monitor/monitor_sender.h"

#include "common/text_format.h"

namespace halvo {

void MonitorSender::write(const Bytes& frame) {
    if (frame.empty()) {
        return;  // a log line with its wait only
    }
    const int64_t now = scheduler_.nowMs();
    if (lineFreeAtMs_ > now) {
        scheduler_.sleep(lineFreeAtMs_ - now);
    }
    link_.write(frame);
    // Ten bits a byte: start, eight data bits, stop.
    const int64_t baud = link_.baudRate > 0 ? link_.baudRate : 9600;
    const auto bits = static_cast<int64_t>(frame.size()) * 10;
    lineFreeAtMs_ = scheduler_.nowMs() + (bits * 1000 + baud - 1) / baud;
}

bool MonitorSender::sendMonitorCommand(MonitorCommand command, uint32_t argument, int delayMs) {
    const std::optional<Bytes> frame = BuildMonitorFrame(command, argument);
    if (!frame) {
        return false;
    }
    write(*frame);
    if (!IsSilentCommand(command)) {
        log_.logMessage(MonitorCommandText(command, argument), task_.CalibrationState);
    }
    scheduler_.sleep(delayMs);
    return true;
}

void MonitorSender::sendRgbOffset(int red, int green, int blue, int delayMs) {
    write(BuildRgbOffsetFrame(red, green, blue));
    log_.logMessage(Format("RGB Offset(%d,%d,%d)", red, green, blue), task_.CalibrationState);
    scheduler_.sleep(delayMs);
}

void MonitorSender::sendCalibrationId(const std::string& id) {
    write(BuildCalibrationIdFrame(id));
    scheduler_.sleep(500);
    log_.logMessage("Changed Monitor ID", task_.CalibrationState);
}

void MonitorSender::sendFrame(const Bytes& frame, const std::string& logText, int delayMs) {
    write(frame);
    if (!logText.empty()) {
        log_.logMessage(logText, task_.CalibrationState);
    }
    scheduler_.sleep(delayMs);
}

}  // namespace halvo
