#pragma once

// In-process serial endpoints: the far end of a line that lives in this process (the simulated
// station's monitor and instruments). A SerialLink opened on a registered name talks to the
// endpoint instead of a device, and the station cannot tell the difference.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "monitor/serial_backend.h"

namespace halvo {

class PortEndpoint {
public:
    virtual ~PortEndpoint() = default;
    // The station opened the line with these settings.
    virtual void lineOpened(const LineSettings& settings) { (void)settings; }
    // Bytes the station wrote.
    virtual void receive(const uint8_t* data, size_t length) = 0;
    // Bytes for the station that are available now (at most capacity). A device that has
    // vanished returns false.
    virtual bool transmit(uint8_t* out, size_t capacity, size_t& count) = 0;
    // The station discarded both buffers.
    virtual void purge() {}
    virtual void lineClosed() {}
};

// Process-wide list of endpoint names. An endpoint is opened by at most one link at a time,
// like a device.
class PortRegistry {
public:
    static PortRegistry& instance();

    void add(const std::string& name, std::shared_ptr<PortEndpoint> endpoint);
    void remove(const std::string& name);
    std::vector<std::string> names() const;
    bool contains(const std::string& name) const;

    // A backend talking to the endpoint, or nullptr with *error set when the name is unknown or
    // the endpoint is already open.
    std::unique_ptr<SerialBackend> open(const std::string& name, const LineSettings& settings, std::string* error);

private:
    struct Entry {
        std::string name;
        std::shared_ptr<PortEndpoint> endpoint;
        bool open = false;
    };
    friend class EndpointBackend;
    void release(const std::string& name);

    mutable std::mutex mutex_;
    std::vector<Entry> entries_;
};

// The serial ports of this machine, in the order of the Setup lists: the devices the system
// reports, then the names in HALVO_EXTRA_PORTS (colon-separated), then the registered
// in-process endpoints.
std::vector<std::string> EnumerateSerialPorts();

}  // namespace halvo
