#pragma once

// serialPort: the K-10's own port. Its line is fixed (9600 baud, 8 data bits, no parity, one
// stop bit) and it never waits: a read hands over the bytes already queued, at most one driver
// buffer (1600 bytes) at a time. Like SerialLink it opens operating-system devices and the
// in-process endpoints of the simulated station by name.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "monitor/serial_backend.h"

namespace halvo {

class serialPort {
public:
    static constexpr size_t kBufferSize = 1600;

    serialPort() = default;
    virtual ~serialPort();
    serialPort(const serialPort&) = delete;
    serialPort& operator=(const serialPort&) = delete;

    // Opens the port exclusively with the fixed line; closes a previous one first. False with
    // lastError() set when the port is missing, busy or refuses the line.
    bool open(const std::string& name);
    void close();
    bool isOpen() const { return backend_ != nullptr; }
    // Whether the port's state can still be read: open, no failed read, and the device (or the
    // endpoint) still there.
    bool usable();

    // Discards what is queued in both directions.
    void discardInput();
    void write(const std::vector<uint8_t>& bytes);
    // Appends the bytes queued now; false (and from then on not usable) when the device failed.
    bool readQueued(std::vector<uint8_t>& into);

    const std::string& name() const { return name_; }
    const std::string& lastError() const { return lastError_; }

private:
    std::string name_;
    std::unique_ptr<SerialBackend> backend_;
    bool endpoint_ = false;  // an in-process endpoint rather than a device
    bool failed_ = false;
    std::string lastError_;
};

}  // namespace halvo
