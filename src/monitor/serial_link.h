#pragma once

// SerialLink: the port object of the monitor link and of the CA instrument link. A port name
// is either a device (a bare name under /dev such as "ttyUSB0", or an absolute path such as a
// pseudo-terminal) or the name of an in-process endpoint of the simulated station
// ("SIM-MONITOR", "SIM-CA", ...). Reads never block and return at most 100 bytes.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "monitor/serial_backend.h"

namespace halvo {

class SerialLink {
public:
    static constexpr size_t kReadChunk = 100;

    SerialLink() = default;
    ~SerialLink() { close(); }
    SerialLink(const SerialLink&) = delete;
    SerialLink& operator=(const SerialLink&) = delete;

    // Fields in the station's order.
    int32_t isOpen = 0;
    int32_t readFailed = 0;  // set when a read fails; never cleared here
    std::string portName;
    int32_t baudRate = 9600;
    int32_t dataBits = 8;
    int32_t stopBits = 0;  // 0 one, 1 one and a half, 2 two
    int32_t parity = 0;    // 0 none, 1 odd, 2 even

    // -1 when closed.
    int handle() const { return backend_ ? backend_->handle() : -1; }

    // True at once when already open. Otherwise opens portName with the line settings above;
    // false (and closed) when the port is missing, busy or refuses the settings.
    bool open();
    // One non-blocking read of at most 100 bytes (capacity permitting). False, with readFailed
    // set, when the device failed or vanished; true with 0 bytes when nothing is buffered.
    bool read(uint8_t* buffer, size_t capacity, size_t& bytesRead);
    // Convenience: one read into a fresh buffer (empty on failure or nothing).
    std::vector<uint8_t> readChunk();
    // Writes the whole buffer; the result is not reported (as the station has always done).
    void write(const uint8_t* bytes, size_t length);
    void write(const std::vector<uint8_t>& bytes) { write(bytes.data(), bytes.size()); }
    void write(const std::string& text);
    // Discards both directions' buffers.
    void purge();
    void close();

    // Why the last open failed ("no such port", "busy", ...), for logs and messages.
    const std::string& lastError() const { return lastError_; }
    // What the last successful open could not set (a pseudo-terminal's parity), or empty.
    const std::string& lineNote() const { return lineNote_; }

    LineSettings lineSettings() const { return {baudRate, dataBits, parity, stopBits}; }
    // The monitor link's fixed settings: 9600 baud, 8 data bits, no parity, one stop bit.
    void setMonitorSettings(const std::string& port);

private:
    std::unique_ptr<SerialBackend> backend_;
    std::string lastError_;
    std::string lineNote_;
};

}  // namespace halvo
