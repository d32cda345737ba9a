#pragma once

// What a SerialLink talks through: an operating-system serial device or an in-process endpoint.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

namespace halvo {

struct LineSettings {
    int32_t baudRate = 9600;
    int32_t dataBits = 8;
    int32_t parity = 0;    // 0 none, 1 odd, 2 even
    int32_t stopBits = 0;  // 0 one, 1 one and a half, 2 two
};

struct ReadResult {
    bool ok = true;  // false: the device failed or vanished
    size_t count = 0;
};

class SerialBackend {
public:
    virtual ~SerialBackend() = default;
    // Non-blocking: returns at once with what is buffered, possibly nothing.
    virtual ReadResult read(uint8_t* buffer, size_t capacity) = 0;
    virtual void write(const uint8_t* data, size_t length) = 0;
    virtual void purge() = 0;
    // A handle for display and identity (a file descriptor, or a pseudo handle).
    virtual int handle() const = 0;
};

// Opens an operating-system serial device (a bare name under /dev, or an absolute path) with
// the line settings, exclusively. nullptr with *error set on failure. A pseudo-terminal carries
// neither parity nor data bits other than 8: it opens with the rest of the settings and *note
// (when given) says what it could not take; a real port that refuses a setting does not open.
std::unique_ptr<SerialBackend> OpenDeviceSerial(const std::string& name, const LineSettings& settings,
                                                std::string* error, std::string* note = nullptr);

}  // namespace halvo
