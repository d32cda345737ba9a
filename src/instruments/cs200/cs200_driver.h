#pragma once

// CS-200 (kind 5): a USB meter reached through its maker's library, which is looked up when the
// operator connects. Nothing to prepare; the start returns the wait before the data are read.

#include <memory>
#include <optional>

#include "instruments/cs200/cs200_link.h"
#include "instruments/instrument.h"
#include "instruments/repeated_failure.h"

namespace halvo {

class Cs200Driver : public InstrumentDriver {
public:
    // calls: a ready table of the library's calls (tests); nullptr loads the library on connect.
    explicit Cs200Driver(InstrumentContext& context, const Cs200Calls* calls = nullptr);

    InstrumentKind kind() const override { return InstrumentKind::Cs200; }
    bool connect(const InstrumentSettings& settings) override;
    void disconnect() override;
    Trigger trigger() override;
    int waitMs() const override { return waitMs_; }
    int pollCount(bool measuring) override;
    RawReading read() override;

private:
    int channel() const { return context_.monitor.task().CalibrationState; }

    VendorLibrary library_;
    std::optional<Cs200Calls> givenCalls_;
    std::unique_ptr<Cs200Link> link_;
    int waitMs_ = 0;
    RepeatedFailure failures_;
};

}  // namespace halvo
