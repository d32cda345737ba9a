#pragma once

// The PELKO spectroradiometer (kind 3), through Vantrel and, for the exposure set-up, the maker's
// core library directly. The exposure is set once on a white screen; a measurement then runs in
// three stages over trigger ticks (start, poll until done, fetch X, Y, Z over 380..780 nm) so the
// station never blocks while the device integrates.

#include <cstdint>

#include "instruments/instrument.h"
#include "instruments/repeated_failure.h"
#include "radiometric/vantrel.h"

namespace halvo {

class PelkoDriver : public InstrumentDriver {
public:
    explicit PelkoDriver(InstrumentContext& context) : InstrumentDriver(context) {}
    ~PelkoDriver() override;
    PelkoDriver(const PelkoDriver&) = delete;
    PelkoDriver& operator=(const PelkoDriver&) = delete;

    InstrumentKind kind() const override { return InstrumentKind::Pelko; }
    bool connect(const InstrumentSettings& settings) override;
    void disconnect() override;
    int prepare() override;
    Trigger trigger() override;
    int waitMs() const override { return 50; }
    int pollCount(bool measuring) override;
    RawReading read() override;
    void continuouslyToggled() override;

    // Measurement stages.
    static constexpr int32_t kStageStart = 0;
    static constexpr int32_t kStagePoll = 1;
    static constexpr int32_t kStageFetch = 2;

    int32_t pelkoHandle = 0;
    int32_t pelkoStep = kStageStart;
    int32_t pelkoStatus = 0;
    int32_t pelkoLastError = 0;
    float pelkoX = 0.0f;
    float pelkoY = 0.0f;
    float pelkoZ = 0.0f;

private:
    // Closes a device this driver opened, whether or not it is still usable.
    void release();

    PelkoCoreLookup core_ = nullptr;
    bool holdsHandle_ = false;
    RepeatedFailure refusedStarts_;
    bool fetched_ = false;  // a result fetched and not yet read
};

}  // namespace halvo
