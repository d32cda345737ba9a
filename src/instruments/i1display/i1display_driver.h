#pragma once

// i1 Display (kind 6): a CEyeOneSensor over the i1d3 library, which is looked up when the
// operator connects. The measurement is taken in the read step, 700 ms after the start step,
// and blocks for the sensor's integration time.

#include <memory>
#include <optional>

#include "instruments/i1display/c_sensor.h"
#include "instruments/i1display/i1d3_library.h"
#include "instruments/instrument.h"

namespace halvo {

class I1DisplayDriver : public InstrumentDriver {
public:
    // calls: a ready table of the library's calls (tests); nullptr loads the library on connect.
    explicit I1DisplayDriver(InstrumentContext& context, const I1d3Calls* calls = nullptr);

    InstrumentKind kind() const override { return InstrumentKind::I1Display; }
    bool connect(const InstrumentSettings& settings) override;
    void disconnect() override;
    Trigger trigger() override { return {}; }
    int waitMs() const override { return 700; }
    int pollCount(bool measuring) override;
    RawReading read() override;

    CSensor* sensor() { return sensor_.get(); }

private:
    VendorLibrary library_;
    std::optional<I1d3Calls> givenCalls_;
    std::unique_ptr<CSensor> sensor_;
};

}  // namespace halvo
