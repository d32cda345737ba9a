#pragma once

// Monitor identification: seven timed steps right after the monitor link opens. Each step reads
// the answer to the previous step's query, then sends the next one; the caller arms its timer
// with the delay a step returns.

#include <cstdint>
#include <optional>
#include <string>

#include "monitor/monitor_sender.h"

namespace halvo {

struct MonitorIdentity {
    std::string versionText;          // up to 80 bytes, shown in the monitor name field
    bool recognisedModel = false;     // version contains "TXM"
    bool modelTxm400 = false;         // version contains "TXM-400"
    bool modelTxm600HdS = false;      // version contains "TXM-600-HD-S"
    uint8_t modelInfo = 0;            // m; 0 without a valid answer
    std::string calibrationId;
    std::optional<uint8_t> backlight; // level, once the monitor answered
    uint8_t capability = 0;           // c: upper four bits of the extended query's answer

    bool supported() const;
};

// What identification tells the rest of the station as it learns it.
class IdentificationListener {
public:
    virtual ~IdentificationListener() = default;
    virtual void onVersion(const MonitorIdentity& identity) { (void)identity; }
    virtual void onCalibrationId(const std::string& id) { (void)id; }
    virtual void onBacklight(uint8_t level) { (void)level; }
    // The target marker was drawn at positionIndex; the chart's marker goes to positionIndex + 1.
    virtual void onMarkerDrawn(int32_t positionIndex) { (void)positionIndex; }
};

class MonitorIdentification {
public:
    static constexpr size_t kMaxVersionLength = 80;

    MonitorIdentification(MonitorSender& sender, StationLog& log) : sender_(sender), log_(log) {}

    void setListener(IdentificationListener* listener) { listener_ = listener; }

    // Runs step stepCounter (0..7) and advances it. Returns the delay before the next step, or
    // nullopt after step 7 (stepCounter back at 0: the measurement cycle starts next).
    std::optional<int> step(int32_t& stepCounter, int32_t positionIndex);

    const MonitorIdentity& identity() const { return identity_; }
    // How many of the steps got a valid answer (0: the monitor is silent or not a Vorla).
    int validAnswers() const { return validAnswers_; }
    // Cleared flags and model info, as a connect does.
    void reset() {
        identity_ = MonitorIdentity();
        validAnswers_ = 0;
    }

private:
    Bytes readAnswer();

    MonitorSender& sender_;
    StationLog& log_;
    IdentificationListener* listener_ = nullptr;
    MonitorIdentity identity_;
    int validAnswers_ = 0;
};

}  // namespace halvo
