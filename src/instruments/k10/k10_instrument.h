#pragma once

// The K-10 (kind 2) in the measurement cycle: connecting opens the controller's KClmtr on the
// Setup port, the trigger takes one complete measurement into currentRecord, and the read step
// passes that record's x, y and Y on without evaluating it again.

#include <memory>

#include "instruments/instrument.h"
#include "instruments/k10/k10_driver.h"

namespace halvo {

class K10Instrument : public InstrumentDriver {
public:
    explicit K10Instrument(InstrumentContext& context);

    InstrumentKind kind() const override { return InstrumentKind::K10; }
    bool connect(const InstrumentSettings& settings) override;
    void disconnect() override;
    // Selects the driver's current matrix again and logs its number.
    int prepare() override;
    Trigger trigger() override;
    int waitMs() const override { return setupWaitMs(); }
    int pollCount(bool measuring) override;
    RawReading read() override;
    // With the device's own RGB matrix; its raw values, ranges, averaging count and status flags
    // stay as measured.
    void applyOffsets(double x, double y, double lv, ColorimetricRecord& record) const override;

    KClmtr& clmtr() { return k10_; }

private:
    std::unique_ptr<KClmtr> own_;  // only when the controller lent none
    KClmtr& k10_;
};

// SelectMatrix, with a log line on `channel` when the device did not deliver the matrix.
void SelectK10Matrix(KClmtr& k10, int index, StationLog& log, int channel);

}  // namespace halvo
