#pragma once

// Spyder4 (kind 4) through its library, which is looked up when the operator connects. Prepare
// switches the LED on, reads the ambient light once and selects the display-type calibration of
// the "Cal File" list; each start reads X, Y, Z in thousandths, converted two seconds later.

#include <cstdint>
#include <optional>

#include "instruments/instrument.h"
#include "instruments/repeated_failure.h"
#include "instruments/spyder4/dccmtr_library.h"

namespace halvo {

class Spyder4Driver : public InstrumentDriver {
public:
    // calls: a ready table of the library's calls (tests); nullptr loads the library on connect.
    explicit Spyder4Driver(InstrumentContext& context, const DccmtrCalls* calls = nullptr);

    InstrumentKind kind() const override { return InstrumentKind::Spyder4; }
    bool connect(const InstrumentSettings& settings) override;
    void disconnect() override;
    int prepare() override;
    Trigger trigger() override;
    int waitMs() const override { return 2000; }
    int pollCount(bool measuring) override;
    RawReading read() override;

    // The library's calibration number for a "Cal File" entry.
    static int CalibrationNumber(int listIndex);

private:
    int channel() const { return context_.monitor.task().CalibrationState; }
    void log(const char* text) { context_.log.logMessage(text, channel()); }

    VendorLibrary library_;
    std::optional<DccmtrCalls> givenCalls_;
    DccmtrCalls calls_;
    bool started_ = false;  // DC_Startup was called and DC_Shutdown not yet
    bool readOk_ = false;
    RepeatedFailure readFailures_;
    int32_t X_ = 0;
    int32_t Y_ = 0;
    int32_t Z_ = 0;
};

}  // namespace halvo
