#pragma once

// A station connected to the simulated monitor and CA-210 on the virtual clock, with helpers to
// run a calibration and to measure the monitor afterwards as a verification would.

#include <algorithm>
#include <cmath>
#include <ostream>
#include <string>
#include <vector>

#include "app/station_fixture.h"
#include "colorimetry/chromaticity.h"
#include "reports/chart_model.h"

namespace halvo::test {

class CalibrationFixture : public StationFixture {
protected:
    void SetUp() override {
        StationFixture::SetUp();
        init();
        connect();
        run(2000);
    }

    Ccalib& page() { return station->calib(); }

    // The page's choices for a run: gamma with its step entry, and the white-point rows checked.
    void choose(bool gamma, int gammaStepEntry, std::vector<int> whiteRows) {
        page().gammaCheck.checked = gamma;
        page().gammaStep.selected = gammaStepEntry;
        page().colorSpaceCheck.checked = false;
        page().uniformityCheck.checked = false;
        for (size_t t = 0; t < station->whiteTargets.size(); ++t) {
            const bool on = std::find(whiteRows.begin(), whiteRows.end(), static_cast<int>(t)) != whiteRows.end();
            station->whiteTargets[t].chosen = on;
            if (t < page().whiteList.rows.size()) {
                page().whiteList.rows[t].checked = on;
            }
        }
    }

    // The page's colour-space choices: the spaces by mask, the level count (1: "Level" clear)
    // and "Color Priority"; gamma and white points as given.
    void chooseColourSpaces(unsigned mask, int levels, bool priority, bool gamma = false,
                            std::vector<int> whiteRows = {}) {
        choose(gamma, 1, whiteRows);
        page().onColorSpaceToggled(true);
        ASSERT_TRUE(page().colorSpaceCheck.checked);
        for (int n = 0; n < kColorSpaceCount; ++n) {
            page().onTargetBoxToggled(n, (mask & (1u << n)) != 0);
        }
        page().setStepCount(levels < 2 ? 8 : levels);
        page().onLevelToggled(levels >= 2);
        page().onColorPriorityToggled(priority);
        run(100);  // the page's events: the station restores the seventh white row, checked
        for (size_t t = 0; t < station->whiteTargets.size(); ++t) {
            const bool on = std::find(whiteRows.begin(), whiteRows.end(), static_cast<int>(t)) != whiteRows.end();
            station->whiteTargets[t].chosen = on;
            page().whiteList.rows[t].checked = on;
        }
    }

    // Presses "&Auto Calibration" and runs until a notice opens. The station time it took.
    int64_t calibrate(int64_t limitMs = 6 * 3600 * 1000) {
        page().onAutoCalibration();
        const int64_t start = scheduler.nowMs();
        scheduler.runUntil([&] { return ui.notices.completionOpen || ui.notices.failureOpen; }, limitMs);
        return scheduler.nowMs() - start;
    }

    // One reading through the station's cycle ("Measure"), settleMs after the monitor showed a
    // frame.
    ColorReading measure(MonitorCommand command, uint32_t argument, int64_t settleMs = 1500) {
        if (station->window().continuouslyChecked) {
            station->onContinuouslyToggled(false);
        }
        run(1000);
        station->sender().sendMonitorCommand(command, argument, 0);
        run(settleMs);
        int readings = 0;
        station->readingObserver = [&] { ++readings; };
        station->onMeasureClicked();
        scheduler.runUntil([&] { return readings > 0; }, 20000);
        station->readingObserver = nullptr;
        return station->currentReading;
    }

    // The grey response as a verification measures it: eleven levels, the exponent fitted over
    // the levels from 128 up.
    double measureGamma() {
        std::vector<ChartPoint> points;
        for (int i = 0; i <= 10; ++i) {
            const int v = static_cast<int>(std::ceil(i * 25.5));
            const uint32_t grey = static_cast<uint32_t>(v | v << 8 | v << 16);
            points.push_back({static_cast<double>(v), measure(MonitorCommand::DrawPattern, grey).lv});
        }
        return fitChartGamma(points).g;
    }

    // Full white with the preset of a white-point row shown.
    ColorReading measureWhite(size_t row) {
        station->sender().sendMonitorCommand(MonitorCommand::SetColorTemperature,
                                             static_cast<uint32_t>(station->whiteTargets[row].temperature), 1000);
        return measure(MonitorCommand::DrawPattern, 0xFFFFFF);
    }

    // Loads a calibration data file into the page, answers "Yes" to the copy and runs the copy
    // to its end. False, with what went wrong as a failure, when it did not end with its
    // success message.
    bool copyFileIntoMonitor(const std::string& path) {
        if (!page().loadFile(path)) {
            ADD_FAILURE() << "not loaded: " << path;
            return false;
        }
        run(100);
        ui.yesAnswer = true;
        ui.messages.clear();
        page().copyToMonitor();
        ui.yesAnswer = false;
        run(100);
        scheduler.runUntil([&] { return !station->engine().upload().running(); }, 3 * 3600 * 1000);
        if (ui.messages.empty() || ui.messages.back() != "Calibration data is copied successfully.\n Please restart monitor.") {
            ADD_FAILURE() << "not copied: " << (ui.messages.empty() ? std::string("no message") : ui.messages.back());
            return false;
        }
        return true;
    }
};

// A monitor may answer the colour-space offsets as bare 10-bit two's complement words or
// sign-extended to 16 bits; the colour-space scenarios run against each.
class OffsetWordsFixture : public CalibrationFixture, public ::testing::WithParamInterface<sim::OffsetWordForm> {
protected:
    sim::SimStationConfig stationConfig() const override {
        sim::SimStationConfig c;
        c.monitor.offsetWords = GetParam();
        return c;
    }
};

inline const auto kBothOffsetWordForms =
    ::testing::Values(sim::OffsetWordForm::SignExtended, sim::OffsetWordForm::Bare10Bit);

inline std::string OffsetWordsName(const ::testing::TestParamInfo<sim::OffsetWordForm>& p) {
    return p.param == sim::OffsetWordForm::Bare10Bit ? "bare10bit" : "signExtended";
}

}  // namespace halvo::test

namespace halvo::sim {
inline void PrintTo(OffsetWordForm form, std::ostream* os) {
    *os << (form == OffsetWordForm::Bare10Bit ? "bare 10-bit words" : "sign-extended words");
}
}  // namespace halvo::sim
