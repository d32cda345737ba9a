#include "instruments/k10/serial_port.h"

#include <termios.h>

#include "monitor/port_endpoint.h"

namespace halvo {
namespace {

constexpr LineSettings kK10Line{9600, 8, 0, 0};

}  // namespace

serialPort::~serialPort() {
    close();
}

bool serialPort::open(const std::string& name) {
    close();
    name_ = name;
    lastError_.clear();
    endpoint_ = PortRegistry::instance().contains(name);
    backend_ = endpoint_ ? PortRegistry::instance().open(name, kK10Line, &lastError_)
                         : OpenDeviceSerial(name, kK10Line, &lastError_);
    failed_ = false;
    return backend_ != nullptr;
}

void serialPort::close() {
    backend_.reset();
    failed_ = false;
}

bool serialPort::usable() {
    if (!backend_ || failed_) {
        return false;
    }
    if (endpoint_) {
        // An endpoint answers an empty read with failure once its device has gone.
        uint8_t none = 0;
        failed_ = !backend_->read(&none, 0).ok;
        return !failed_;
    }
    termios state{};
    failed_ = ::tcgetattr(backend_->handle(), &state) != 0;
    return !failed_;
}

void serialPort::discardInput() {
    if (backend_) {
        backend_->purge();
    }
}

void serialPort::write(const std::vector<uint8_t>& bytes) {
    if (backend_ && !bytes.empty()) {
        backend_->write(bytes.data(), bytes.size());
    }
}

bool serialPort::readQueued(std::vector<uint8_t>& into) {
    if (!backend_ || failed_) {
        return false;
    }
    const size_t before = into.size();
    into.resize(before + kBufferSize);
    const ReadResult r = backend_->read(into.data() + before, kBufferSize);
    into.resize(before + (r.ok ? r.count : 0));
    failed_ = !r.ok;
    return r.ok;
}

}  // namespace halvo
