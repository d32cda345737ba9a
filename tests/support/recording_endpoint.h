#pragma once

// An in-process serial endpoint for tests: records what the station writes and answers with
// scripted bytes.

#include <deque>
#include <memory>
#include <string>
#include <vector>

#include "monitor/port_endpoint.h"

namespace halvo::test {

class RecordingEndpoint : public PortEndpoint {
public:
    void lineOpened(const LineSettings& s) override {
        settings = s;
        ++opens;
    }
    void receive(const uint8_t* data, size_t length) override {
        written.insert(written.end(), data, data + length);
        writes.emplace_back(data, data + length);
    }
    bool transmit(uint8_t* out, size_t capacity, size_t& count) override {
        count = 0;
        if (vanished) {
            return false;
        }
        if (!chunks.empty()) {
            std::vector<uint8_t>& c = chunks.front();
            while (count < capacity && !c.empty()) {
                out[count++] = c.front();
                c.erase(c.begin());
            }
            if (c.empty()) {
                chunks.pop_front();
            }
        }
        return true;
    }
    void purge() override { ++purges; }
    void lineClosed() override { ++closes; }

    // The next read returns these bytes (one chunk per read).
    void answer(std::vector<uint8_t> bytes) { chunks.push_back(std::move(bytes)); }

    std::vector<uint8_t> written;
    std::vector<std::vector<uint8_t>> writes;
    std::deque<std::vector<uint8_t>> chunks;
    LineSettings settings;
    int opens = 0;
    int closes = 0;
    int purges = 0;
    bool vanished = false;
};

// Registers an endpoint for the lifetime of the object.
class ScopedEndpoint {
public:
    explicit ScopedEndpoint(std::string name, std::shared_ptr<PortEndpoint> endpoint = nullptr)
        : name_(std::move(name)) {
        if (!endpoint) {
            recording_ = std::make_shared<RecordingEndpoint>();
            endpoint = recording_;
        }
        PortRegistry::instance().add(name_, std::move(endpoint));
    }
    ~ScopedEndpoint() { PortRegistry::instance().remove(name_); }
    RecordingEndpoint& operator*() { return *recording_; }
    RecordingEndpoint* operator->() { return recording_.get(); }
    const std::string& name() const { return name_; }

private:
    std::string name_;
    std::shared_ptr<RecordingEndpoint> recording_;
};

}  // namespace halvo::test
