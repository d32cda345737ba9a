#include "monitor/serial_link.h"

#include <algorithm>

#include "monitor/port_endpoint.h"

namespace halvo {

bool SerialLink::open() {
    if (isOpen) {
        return true;
    }
    lastError_.clear();
    lineNote_.clear();
    const LineSettings settings = lineSettings();
    if (PortRegistry::instance().contains(portName)) {
        backend_ = PortRegistry::instance().open(portName, settings, &lastError_);
    } else {
        backend_ = OpenDeviceSerial(portName, settings, &lastError_, &lineNote_);
    }
    if (!backend_) {
        isOpen = 0;
        return false;
    }
    isOpen = 1;
    return true;
}

bool SerialLink::read(uint8_t* buffer, size_t capacity, size_t& bytesRead) {
    bytesRead = 0;
    if (!backend_) {
        readFailed = 1;
        return false;
    }
    const ReadResult r = backend_->read(buffer, std::min(capacity, kReadChunk));
    if (!r.ok) {
        readFailed = 1;
        return false;
    }
    bytesRead = r.count;
    return true;
}

std::vector<uint8_t> SerialLink::readChunk() {
    std::vector<uint8_t> bytes(kReadChunk);
    size_t n = 0;
    if (!read(bytes.data(), bytes.size(), n)) {
        n = 0;
    }
    bytes.resize(n);
    return bytes;
}

void SerialLink::write(const uint8_t* bytes, size_t length) {
    if (backend_ && length > 0) {
        backend_->write(bytes, length);
    }
}

void SerialLink::write(const std::string& text) {
    write(reinterpret_cast<const uint8_t*>(text.data()), text.size());
}

void SerialLink::purge() {
    if (backend_) {
        backend_->purge();
    }
}

void SerialLink::close() {
    backend_.reset();
    isOpen = 0;
}

void SerialLink::setMonitorSettings(const std::string& port) {
    portName = port;
    baudRate = 9600;
    dataBits = 8;
    parity = 0;
    stopBits = 0;
}

}  // namespace halvo
