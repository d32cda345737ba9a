#pragma once

// CA-210 and CA-310 (kinds 0 and 1): driven identically over their own serial port.

#include "instruments/instrument.h"
#include "monitor/monitor_protocol.h"

namespace halvo {

class CaDriver : public InstrumentDriver {
public:
    CaDriver(InstrumentContext& context, InstrumentKind kind) : InstrumentDriver(context), kind_(kind) {}

    InstrumentKind kind() const override { return kind_; }
    bool connect(const InstrumentSettings& settings) override;
    void afterConnect() override;
    void disconnect() override;
    int prepare() override;
    Trigger trigger() override;
    int waitMs() const override { return setupWaitMs(); }
    bool tellsWhenAnswered() const override { return true; }
    bool answerComplete() override;
    int pollCount(bool continuous) override;
    RawReading read() override;

    // Consecutive malformed replies.
    int caRetryCount() const { return caRetryCount_; }

private:
    InstrumentKind kind_;
    Bytes reply_;
    Bytes early_;  // taken in by answerComplete(), not yet handed on
    int caRetryCount_ = 0;
};

}  // namespace halvo
