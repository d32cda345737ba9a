#pragma once

// Instruments whose drivers this build does not carry: connecting fails with a log line, so the
// station runs on with the monitor alone.

#include "instruments/instrument.h"

namespace halvo {

class UnavailableDriver : public InstrumentDriver {
public:
    UnavailableDriver(InstrumentContext& context, InstrumentKind kind) : InstrumentDriver(context), kind_(kind) {}

    InstrumentKind kind() const override { return kind_; }
    bool connect(const InstrumentSettings&) override {
        context_.log.logMessage("Cannot open colorimeter port", kChannelSys);
        context_.log.logMessage(std::string(name()) + " is not supported by this build.", kChannelSys);
        return false;
    }
    void disconnect() override { context_.link.close(); }
    Trigger trigger() override { return {}; }
    int waitMs() const override { return 500; }
    int pollCount(bool) override { return 0; }
    RawReading read() override { return {}; }

private:
    InstrumentKind kind_;
};

}  // namespace halvo
