#pragma once

// Sending to the monitor: write the frame, log its text on the current task's channel, sleep the
// caller's delay. Nothing waits for an answer; replies are read by a later step.
//
// The port takes a frame at once, and the line carries it at the link's baud rate (a 201-byte
// colour-space block takes 210 ms at 9600). A frame written while the one before is still on
// its way queues behind it, and the wait that follows it then starts before the monitor even
// has it: a run of long frames sent faster than the line carries them builds up seconds of
// backlog, so a save that is given 8000 ms gets far less, and beyond the port's buffer bytes are
// lost. So a frame is written only once the line has carried the one before.

#include <cstdint>
#include <string>

#include "monitor/monitor_protocol.h"
#include "monitor/serial_link.h"
#include "station/scheduler.h"
#include "station/station_log.h"
#include "station/task_state.h"

namespace halvo {

class MonitorSender {
public:
    MonitorSender(SerialLink& link, StationLog& log, Scheduler& scheduler, const TaskState& task)
        : link_(link), log_(log), scheduler_(scheduler), task_(task) {}

    // Builds the command's frame, writes it in one write, logs its text unless it is a query or
    // KeepAlive, and sleeps delayMs. False (nothing sent) for values that are not commands.
    bool sendMonitorCommand(MonitorCommand command, uint32_t argument, int delayMs);
    // "RGB Offset(%d,%d,%d)" with the offsets as given.
    void sendRgbOffset(int red, int green, int blue, int delayMs);
    // The full-form calibration ID frame, 500 ms, "Changed Monitor ID".
    void sendCalibrationId(const std::string& id);
    // A frame built by its owning procedure; logText empty means not logged.
    void sendFrame(const Bytes& frame, const std::string& logText, int delayMs);

    SerialLink& link() { return link_; }
    // The task in progress, whose channel the lines of a step go to.
    const TaskState& task() const { return task_; }

private:
    void write(const Bytes& frame);

    SerialLink& link_;
    StationLog& log_;
    Scheduler& scheduler_;
    const TaskState& task_;
    int64_t lineFreeAtMs_ = 0;  // when the line has carried the last frame written
};

}  // namespace halvo
