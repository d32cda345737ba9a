#pragma once

// A simulated K-10 colorimeter on its serial line. It answers "P0", "D7", "D1" with the slot
// byte, and "N5" in the device's binary records (instruments/k10/k10_protocol.h), after the
// times the device takes and at 9600 baud.
//
// Its sensor is not a perfect match to the CIE functions: what it reads is a fixed 3x3 mix of
// the true X, Y, Z (sensorDistortion()). The factory calibration (slot 0) leaves that error in
// place. The named slots hold correction matrices made for display types; the one made for
// Vorla's wide-gamut LCD undoes the mix, the others only partly, as a matrix for another
// display type would. The other slots are erased ("Blank").
//
// Like the device it answers every "N5" with the reading it finished last and starts a new one
// at the light of that moment. Status letters: 'L' below the low-light limit, 's' when the
// light changed between the start of the reading and its answer, '0' otherwise.

#include <array>
#include <functional>
#include <optional>
#include <random>
#include <string>
#include <vector>

#include "instruments/k10/k10_protocol.h"
#include "sim/panel_model.h"
#include "sim/sim_serial_device.h"

namespace halvo::sim {

struct SimK10Config {
    std::string model = "K-10-A";
    std::string serialNumber = "210400123";
    std::string firmware = "13";
    // "P0" is answered with the model text "/////" this many times after power-up.
    int wakingReplies = 0;
    int measuringMs = 180;       // from "N5" to the start of the answer
    int lowLightExtraMs = 420;   // more below 5 cd/m2
    double lowLightY = 0.1;      // cd/m2; below it the status letter is 'L'
    double relativeNoise = 0.0008;
    double darkNoise = 0.003;    // cd/m2, standard deviation per channel
    // Forces this status letter into every measurement (a sensor fault).
    std::optional<char> forcedStatus;
    uint32_t seed = 23;
};

// A named slot of the simulated device.
struct SimK10Slot {
    int slot;
    const char* name;
    // The sensor mix of the display type the matrix was made for; its inverse is the matrix.
    Matrix3 madeFor;
};

class SimK10 : public SimSerialDevice {
public:
    using LightSource = std::function<Xyz()>;

    SimK10(const Clock& clock, LightSource light, const SimK10Config& config = SimK10Config());

    // What the sensor makes of the true light: raw = sensorDistortion() . XYZ.
    static const Matrix3& sensorDistortion();
    static const std::vector<SimK10Slot>& namedSlots();

    SimK10Config& config() { return config_; }
    // The commands received ("P0", "D7", "D1", "N5", "#<slot>" for a slot byte, ...).
    const std::vector<std::string>& commands() const { return commands_; }
    void clearCommands() { commands_.clear(); }
    int measurements() const { return measurements_; }

protected:
    void onBytes(const uint8_t* data, size_t length, int64_t atMs) override;

private:
    struct Reading {
        Xyz truth;
        Xyz raw;
    };

    void command(const std::string& text, int64_t atMs);
    void slotSelected(uint8_t slot, int64_t atMs);
    void measure(int64_t atMs);
    Reading sample();
    void reply(const K10Bytes& bytes, int64_t atMs);

    LightSource light_;
    SimK10Config config_;
    std::string line_;
    int wakingLeft_;
    // After echoing "D1" the device takes the next byte as a slot number, then a CR.
    enum class Await { Command, Slot, SlotEnd } await_ = Await::Command;
    int64_t echoedAtMs_ = 0;
    uint8_t slot_ = 0;
    std::optional<Reading> finished_;
    std::vector<std::string> commands_;
    int measurements_ = 0;
};

}  // namespace halvo::sim
