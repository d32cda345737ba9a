#include "monitor/port_endpoint.h"

#include <algorithm>
#include <cstdlib>
#include <sstream>

#include "monitor/posix_serial.h"

namespace halvo {



// A SerialLink's view of an in-process endpoint. Handles are pseudo numbers above any file
// descriptor a process gets, so they stay distinct and never look invalid.
class EndpointBackend : public SerialBackend {
public:
    EndpointBackend(std::string name, std::shared_ptr<PortEndpoint> endpoint, int handle)
        : name_(std::move(name)), endpoint_(std::move(endpoint)), handle_(handle) {}
    ~EndpointBackend() override {
        endpoint_->lineClosed();
        PortRegistry::instance().release(name_);
    }
    ReadResult read(uint8_t* buffer, size_t capacity) override {
        ReadResult r;
        r.ok = endpoint_->transmit(buffer, capacity, r.count);
        if (!r.ok) {
            r.count = 0;
        }
        return r;
    }
    void write(const uint8_t* data, size_t length) override { endpoint_->receive(data, length); }
    void purge() override { endpoint_->purge(); }
    int handle() const override { return handle_; }

private:
    std::string name_;
    std::shared_ptr<PortEndpoint> endpoint_;
    int handle_;
};

PortRegistry& PortRegistry::instance() {
    static PortRegistry registry;
    return registry;
}

void PortRegistry::add(const std::string& name, std::shared_ptr<PortEndpoint> endpoint) {
    std::lock_guard<std::mutex> lock(mutex_);
    for (Entry& e : entries_) {
        if (e.name == name) {
            e.endpoint = std::move(endpoint);
            e.open = false;
            return;
        }
    }
    entries_.push_back({name, std::move(endpoint), false});
}

void PortRegistry::remove(const std::string& name) {
    std::lock_guard<std::mutex> lock(mutex_);
    entries_.erase(std::remove_if(entries_.begin(), entries_.end(), [&](const Entry& e) { return e.name == name; }),
                   entries_.end());
}

std::vector<std::string> PortRegistry::names() const {
    std::lock_guard<std::mutex> lock(mutex_);
    std::vector<std::string> out;
    for (const Entry& e : entries_) {
        out.push_back(e.name);
    }
    return out;
}

bool PortRegistry::contains(const std::string& name) const {
    std::lock_guard<std::mutex> lock(mutex_);
    return std::any_of(entries_.begin(), entries_.end(), [&](const Entry& e) { return e.name == name; });
}

std::unique_ptr<SerialBackend> PortRegistry::open(const std::string& name, const LineSettings& settings,
                                                  std::string* error) {
    std::shared_ptr<PortEndpoint> endpoint;
    int handle = 0;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        for (size_t i = 0; i < entries_.size(); ++i) {
            Entry& e = entries_[i];
            if (e.name != name) {
                continue;
            }
            if (e.open) {
                if (error) {
                    *error = name + " is already open";
                }
                return nullptr;
            }
            e.open = true;
            endpoint = e.endpoint;
            handle = 0x10000 + static_cast<int>(i);
            break;
        }
    }
    if (!endpoint) {
        if (error) {
            *error = "no port " + name;
        }
        return nullptr;
    }
    endpoint->lineOpened(settings);
    return std::make_unique<EndpointBackend>(name, std::move(endpoint), handle);
}

void PortRegistry::release(const std::string& name) {
    std::lock_guard<std::mutex> lock(mutex_);
    for (Entry& e : entries_) {
        if (e.name == name) {
            e.open = false;
        }
    }
}

std::vector<std::string> EnumerateSerialPorts() {
    std::vector<std::string> ports = EnumerateDeviceSerialPorts();
    if (const char* extra = std::getenv("HALVO_EXTRA_PORTS")) {
        std::stringstream list(extra);
        std::string name;
        while (std::getline(list, name, ':')) {
            if (!name.empty() && std::find(ports.begin(), ports.end(), name) == ports.end()) {
                ports.push_back(name);
            }
        }
    }
    for (const std::string& name : PortRegistry::instance().names()) {
        if (std::find(ports.begin(), ports.end(), name) == ports.end()) {
            ports.push_back(name);
        }
    }
    return ports;
}

}  // namespace halvo
