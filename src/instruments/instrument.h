#pragma once

// The instrument side of the measurement cycle: what every driver does for the three timer steps
// (prepare, trigger, read), and the kinds the Setup list offers.

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "colorimetry/colorimetric_record.h"
#include "monitor/monitor_sender.h"
#include "monitor/serial_link.h"
#include "station/measured_settling.h"
#include "station/scheduler.h"
#include "station/station_log.h"

namespace halvo {

class KClmtr;

// The index of the Setup page's instrument list.
enum class InstrumentKind : int { Ca210 = 0, Ca310 = 1, K10 = 2, Pelko = 3, Spyder4 = 4, Cs200 = 5, I1Display = 6 };

inline constexpr int kInstrumentKindCount = 7;
inline constexpr std::array<const char*, kInstrumentKindCount> kInstrumentNames = {
    "CA-210", "CA-310", "K-10", "PELKO", "Spyder4", "CS-200", "i1 Display"};

// Settings a driver takes from the Setup page when the operator connects.
struct InstrumentSettings {
    std::string port;             // instrument port (CA-210/CA-310, K-10)
    LineSettings line;            // CA-210/CA-310 line
    int measurementWaitMs = 350;  // trigger-to-read wait of CA-210, CA-310, K-10 (at connect)
    int cs200SpeedIndex = 2;      // "Measurement speed" list index
    int cs200DurationSeconds = 1; // "Measurement Duration"
    int pelkoDeviceIndex = 0;     // device chosen in the PELKO device list
    int pelkoDeviceCount = 0;     // PELKO devices found by the last search
    int calibrationIndex = 0;     // "Cal File" entry (K-10 matrix, Spyder4 calibration)
};

// What the station lends a driver: its instrument link (whose isOpen is the instrument-connected
// flag for every kind), the log, the clock, the monitor (the PELKO draws its own exposure
// patterns) and the latest evaluation (the K-10 fills it itself).
struct InstrumentContext {
    SerialLink& link;
    StationLog& log;
    Scheduler& scheduler;
    MonitorSender& monitor;
    ColorimetricRecord& currentRecord;
    // The K-10 driver the controller keeps for the program's lifetime (null: the K-10 adapter
    // makes its own).
    KClmtr* k10 = nullptr;
    // The trigger-to-read wait the Setup page shows now. The field can be changed while connected,
    // so the value taken at connect would go stale (null: that value is used).
    std::function<int()> measurementWaitMs = nullptr;
};

// One raw result of cycle step 3.
struct RawReading {
    bool ok = false;           // false: no usable result; re-arm the trigger after retryMs
    int retryMs = 500;
    double x = 0.0;
    double y = 0.0;
    double lv = 0.0;
    bool recordFilled = false;  // the driver's own evaluation is already in currentRecord
};

class InstrumentDriver {
public:
    explicit InstrumentDriver(InstrumentContext& context) : context_(context) {}
    virtual ~InstrumentDriver() = default;

    virtual InstrumentKind kind() const = 0;
    const char* name() const { return kInstrumentNames[static_cast<size_t>(kind())]; }

    // Connect (the connect sequence): opens the device, logs its own failure text and marks the
    // link open on success.
    virtual bool connect(const InstrumentSettings& settings) = 0;
    // After the controls are unlocked and the timers stopped (the CA's "COM,1").
    virtual void afterConnect() {}
    virtual void disconnect() = 0;
    bool isOpen() const { return context_.link.isOpen != 0; }

    // Cycle step 1: prepare the instrument; returns the delay before the first trigger.
    virtual int prepare() { return 500; }

    // Cycle step 2, only when connected and measuring. rearm: stop here and run the trigger step
    // again after delayMs (a measurement still in progress); else arm the read after waitMs().
    struct Trigger {
        bool rearm = false;
        int delayMs = 0;
    };
    virtual Trigger trigger() = 0;
    // Trigger-to-read wait of this kind.
    virtual int waitMs() const = 0;
    // The fast run reads at the meter's own pace: a driver that can tell its answer has come in
    // whole says so, and the cycle reads as soon as it has, waitMs() still the upper bound.
    virtual bool tellsWhenAnswered() const { return false; }
    // Takes in what the meter has sent so far; true once the answer is whole. What it took in
    // is handed on by the next pollCount().
    virtual bool answerComplete() { return true; }

    // How far two readings of an unchanged patch may differ (the fast run's settling test); a
    // driver whose meter is noisier or steadier than the CA class says so here.
    virtual Repeatability repeatability() const { return Repeatability(); }

    // Cycle step 3.1: the byte count that keeps the instrument's link indicator alive.
    virtual int pollCount(bool measuring) = 0;
    // Cycle step 3.4: the raw result, or why to retry.
    virtual RawReading read() = 0;

    // "Continuously" was toggled (the PELKO breaks off a running measurement).
    virtual void continuouslyToggled() {}

    // For a driver that fills currentRecord itself (recordFilled): evaluate the record again
    // from the reading with the Setup page's offsets applied, so that every field agrees with
    // x and y. The others are evaluated by the cycle.
    virtual void applyOffsets(double x, double y, double lv, ColorimetricRecord& record) const {
        (void)x;
        (void)y;
        (void)lv;
        (void)record;
    }

protected:
    // The Setup page's "Measurement Wait(Colorimeter wait):" as it stands now.
    int setupWaitMs() const {
        return context_.measurementWaitMs ? context_.measurementWaitMs() : settings_.measurementWaitMs;
    }

    InstrumentContext& context_;
    InstrumentSettings settings_;
};

// The drivers, one descriptor each, in the Setup list's order.
struct InstrumentDescriptor {
    InstrumentKind kind;
    const char* name;
    bool usesSerialPort;  // the Setup instrument port applies
    std::unique_ptr<InstrumentDriver> (*create)(InstrumentContext& context);
};

const InstrumentDescriptor& DescribeInstrument(InstrumentKind kind);
std::unique_ptr<InstrumentDriver> CreateInstrumentDriver(InstrumentKind kind, InstrumentContext& context);

}  // namespace halvo
