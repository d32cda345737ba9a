#pragma once

// A station on the virtual clock connected to a simulated monitor of a chosen model, with the
// operator's side of a uniformity run (a Calibrate press per position; the simulated probe
// follows the marker by itself) and the verification's nine-place measurement.

#include <algorithm>
#include <array>
#include <string>

#include "scenarios/calibration_fixture.h"

namespace halvo::test {

class UniformityFixture : public CalibrationFixture {
protected:
    // The monitor model is chosen before connecting.
    void SetUp() override { StationFixture::SetUp(); }

    void connectAs(const std::string& version, uint8_t info) {
        sim->monitor().config().versionText = version;
        sim->monitor().config().modelInfo = info;
        init();
        connect();
        run(2000);
        page().gammaCheck.checked = false;
        page().colorSpaceCheck.checked = false;
        page().uniformityCheck.checked = true;
    }

    UniformityCalibration& walk() { return station->engine().uniformity(); }

    // One Calibrate press, run until the walk waits for the next one or ends. False when it
    // neither (a hang).
    bool press() {
        const int prompts = walk().prompts;
        const int completed = walk().completedRuns;
        const int abandoned = walk().abandonedRuns;
        page().onAutoCalibration();
        ++presses;
        return scheduler.runUntil(
            [&] {
                return walk().completedRuns != completed || walk().abandonedRuns != abandoned ||
                       (walk().awaitingOperator() && walk().prompts != prompts);
            },
            30 * 60 * 1000);
    }

    // Presses until the run ends. True when it completed.
    bool walkToTheEnd(int maxPresses = 40) {
        const int completed = walk().completedRuns;
        const int abandoned = walk().abandonedRuns;
        for (int i = 0; i < maxPresses; ++i) {
            if (!press()) {
                return false;
            }
            if (walk().completedRuns != completed) {
                return true;
            }
            if (walk().abandonedRuns != abandoned) {
                return false;
            }
        }
        return false;
    }

    // Full white measured at the nine places through the station's measurement cycle, as a
    // verification does (cells 1..9, element 0 unused).
    std::array<double, 10> measureNine() {
        std::array<double, 10> lv{};
        for (int cell = 1; cell <= 9; ++cell) {
            sim->placeProbe(sim::CellCentre(cell));
            lv[static_cast<size_t>(cell)] = measure(MonitorCommand::DrawPattern, 0xFFFFFF).lv;
        }
        sim->followMarker();
        return lv;
    }

    // The verification's non-uniformity: relative to the brightest place on the monitors that
    // correct relative to it, else the half spread relative to the mid value.
    double percent(const std::array<double, 10>& lv) const {
        const MonitorIdentity& id = station->identity();
        const bool relative = id.recognisedModel || id.modelInfo == 8 || (id.modelInfo & 0x80) != 0;
        const double low = *std::min_element(lv.begin() + 1, lv.end());
        const double high = *std::max_element(lv.begin() + 1, lv.end());
        const double w = high - low;
        return relative ? w * 100.0 / high : (high - (low + w / 2)) * 100.0 / (low + w / 2);
    }

    int count(const std::string& text) const {
        const std::string& log = station->log().text();
        int n = 0;
        for (size_t at = log.find(text); at != std::string::npos; at = log.find(text, at + 1)) {
            ++n;
        }
        return n;
    }

    int presses = 0;
};

}  // namespace halvo::test
