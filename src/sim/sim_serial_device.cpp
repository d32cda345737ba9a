#include "sim/sim_serial_device.h"

#include <algorithm>
#include <cmath>

namespace halvo::sim {

void SimSerialDevice::lineOpened(const LineSettings& settings) {
    baud_ = settings.baudRate > 0 ? settings.baudRate : 9600;
    open_ = true;
}

void SimSerialDevice::lineClosed() {
    open_ = false;
}

void SimSerialDevice::receive(const uint8_t* data, size_t length) {
    if (length == 0 || faults_.unplugged) {
        return;
    }
    if (faults_.unplugAfterBytes >= 0) {
        const auto room = static_cast<size_t>(faults_.unplugAfterBytes);
        if (length >= room) {
            // The cable comes out in the middle of this write: the device hears its start only.
            faults_.unplugged = true;
            faults_.unplugAfterBytes = -1;
            length = room;
            if (length == 0) {
                return;
            }
        } else {
            faults_.unplugAfterBytes -= static_cast<long>(length);
        }
    }
    const double now = static_cast<double>(clock_.nowMs());
    const double start = std::max(now, inputFreeAtMs_);
    arrivalStartMs_ = start;
    inputFreeAtMs_ = start + byteTimeMs() * static_cast<double>(length);
    onBytes(data, length, static_cast<int64_t>(std::ceil(inputFreeAtMs_)));
}

bool SimSerialDevice::transmit(uint8_t* out, size_t capacity, size_t& count) {
    count = 0;
    if (faults_.vanished) {
        return false;
    }
    const double now = static_cast<double>(clock_.nowMs());
    while (count < capacity && !output_.empty() && output_.front().atMs <= now) {
        out[count++] = output_.front().value;
        output_.pop_front();
    }
    return true;
}

void SimSerialDevice::purge() {
    output_.clear();
    onPurge();
}

void SimSerialDevice::send(const uint8_t* data, size_t length, int64_t startMs) {
    if (faults_.silent || faults_.unplugged || length == 0) {
        return;
    }
    if (faults_.dropProbability > 0.0 && std::uniform_real_distribution<double>(0.0, 1.0)(random_) <
                                              faults_.dropProbability) {
        return;
    }
    double t = std::max(static_cast<double>(startMs + faults_.extraDelayMs), outputFreeAtMs_);
    for (size_t i = 0; i < length; ++i) {
        t += byteTimeMs();
        const uint8_t value =
            faults_.garble ? static_cast<uint8_t>(std::uniform_int_distribution<int>(0, 255)(random_)) : data[i];
        output_.push_back({t, value});
    }
    outputFreeAtMs_ = t;
}

}  // namespace halvo::sim
