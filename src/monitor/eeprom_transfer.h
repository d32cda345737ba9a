#pragma once

// The operator's EEPROM copy: the monitor's colour data in three address ranges, read byte by
// byte into an image and written back byte by byte into the same or another monitor.

#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include "monitor/monitor_sender.h"

namespace halvo {

struct EepromArea {
    uint16_t first;  // EEPROM address
    uint16_t count;
};

inline constexpr EepromArea kEepromAreas[3] = {{32, 533}, {584, 440}, {6144, 512}};
inline constexpr size_t kEepromImageSize = 1485;

struct EepromImage {
    // Areas 1, 2 and 3 concatenated, in address order.
    std::array<uint8_t, kEepromImageSize> bytes{};
    bool present = false;

    // Addresses 38..46 (bytes 6..14 of area 1), blank-padded to 15 characters: the source
    // monitor's calibration ID as the copy confirmation shows it.
    std::string idText() const;
};

class EepromTransfer {
public:
    // Progress: position in 0..1485 after each byte.
    using Progress = std::function<void(int position)>;

    // Per byte: resend the read after this long without an answer, give up after this many
    // tries. The monitor answers in a few milliseconds; this only bounds a monitor that stopped.
    static constexpr int kAnswerTimeoutMs = 500;
    static constexpr int kReadTries = 3;

    EepromTransfer(MonitorSender& sender, StationLog& log, Scheduler& scheduler)
        : sender_(sender), log_(log), scheduler_(scheduler) {}

    // Reads all three areas. On success the image is replaced; when the monitor stops answering
    // the read ends with a log line, false and *error set, and the image is left as it was.
    bool read(EepromImage& image, const Progress& progress, std::string* error);
    // Writes every byte of the image (20 ms apart, about 30 s in all).
    void write(const EepromImage& image, const Progress& progress);
    // The write has no answers, so a monitor that went away takes all of it in silence. Reads
    // back the last byte of each area: false with a log line and *error set when the monitor
    // does not answer or holds something else.
    bool verifyWrite(const EepromImage& image, std::string* error);

private:
    void drain();
    // One byte read with its retries; nullopt when the monitor did not answer.
    std::optional<uint8_t> readByte(uint16_t address);

    MonitorSender& sender_;
    StationLog& log_;
    Scheduler& scheduler_;
};

}  // namespace halvo
