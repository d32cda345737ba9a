#pragma once

// A simulated device on a serial line, living on the station's clock. Bytes the station writes
// arrive after their transmission time at the line's baud rate; the device's answers become
// readable byte by byte as they would come down a real cable. Faults make it drop, garble,
// delay or stop answering, or vanish like a pulled USB adapter.

#include <cstdint>
#include <deque>
#include <random>

#include "monitor/port_endpoint.h"
#include "station/scheduler.h"

namespace halvo::sim {

struct SerialFaults {
    bool silent = false;        // takes everything, answers nothing
    bool garble = false;        // answers with random bytes instead
    int extraDelayMs = 0;       // answers this much later
    double dropProbability = 0; // each answer is lost with this probability
    bool vanished = false;      // the device is gone: reads fail
    bool unplugged = false;     // the cable is out: nothing reaches the device, nothing comes back
    long unplugAfterBytes = -1; // pulled once the device has heard this many more bytes (-1: not)
};

class SimSerialDevice : public PortEndpoint {
public:
    SimSerialDevice(const Clock& clock, uint32_t seed) : clock_(clock), random_(seed) {}

    SerialFaults& faults() { return faults_; }
    const Clock& clock() const { return clock_; }

    // PortEndpoint
    void lineOpened(const LineSettings& settings) override;
    void receive(const uint8_t* data, size_t length) override;
    bool transmit(uint8_t* out, size_t capacity, size_t& count) override;
    void purge() override;
    void lineClosed() override;

    // Milliseconds one byte takes on the line (10 bits per byte).
    double byteTimeMs() const { return 10000.0 / baud_; }
    bool lineOpen() const { return open_; }
    // Bytes queued for the station, readable or still on their way.
    size_t pendingOutput() const { return output_.size(); }

protected:
    // The device got bytes; `atMs` is when the last of them arrived.
    virtual void onBytes(const uint8_t* data, size_t length, int64_t atMs) = 0;
    // When the first of the bytes onBytes is handed began to arrive (they follow at byteTimeMs).
    double arrivalStartMs() const { return arrivalStartMs_; }
    virtual void onPurge() {}
    // Queues an answer that starts coming down the line at `startMs` (faults applied).
    void send(const uint8_t* data, size_t length, int64_t startMs);
    std::mt19937& random() { return random_; }

private:
    struct TimedByte {
        double atMs;
        uint8_t value;
    };

    const Clock& clock_;
    std::mt19937 random_;
    SerialFaults faults_;
    std::deque<TimedByte> output_;
    double inputFreeAtMs_ = 0.0;  // when the line from the station is idle again
    double arrivalStartMs_ = 0.0;
    double outputFreeAtMs_ = 0.0;
    int32_t baud_ = 9600;
    bool open_ = false;
};

}  // namespace halvo::sim
