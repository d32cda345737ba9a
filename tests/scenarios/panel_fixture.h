#pragma once

// A station on the virtual clock connected to a simulated monitor with a panel of the
// catalogue, with the Calibration page's choices of a run, the verification of the Measure
// page (what an operator reads off the report), and the interior of a colour space measured
// against its target.

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "caldata/color_space_targets.h"
#include "common/text_format.h"
#include "reports/report_export.h"
#include "scenarios/uniformity_fixture.h"
#include "sim/panel_catalog.h"

namespace halvo::test {

class PanelFixture : public UniformityFixture, public ::testing::WithParamInterface<std::string> {
protected:
    sim::SimStationConfig stationConfig() const override {
        sim::SimStationConfig c;
        std::string error;
        c.panel = sim::PanelFromText(GetParam(), &error).value();
        return c;
    }
    // Connected to the monitor as it is built (the station's own model and information byte).
    void ready() { connectAs(sim->monitor().config().versionText, sim->monitor().config().modelInfo); }

    // The Calibration page for a run: gamma, the colour spaces of the mask (none: "Color Space"
    // clear) at a level count with or without "Color Priority", the white-point rows.
    void chooseRun(bool gamma, unsigned spaces, int levels, bool priority, const std::vector<int>& whites) {
        page().uniformityCheck.checked = false;
        if (spaces == 0) {
            choose(gamma, 1, whites);
        } else {
            chooseColourSpaces(spaces, levels, priority, gamma, whites);
        }
    }
    // A calibration to its completion notice, stored by its countdown. False when it failed.
    bool calibrateAndStore() {
        calibrate();
        if (!ui.notices.completionOpen) {
            return false;
        }
        run(17000);
        return true;
    }

    // The Measure page's verification of gamma, colours and colour temperatures in the measure
    // spaces of the mask (bit 0 Native .. bit 5 D-Cinema), and of uniformity by the jig; the
    // report it gives.
    ReportBook verify(unsigned measureSpaces, bool uniformity = false) {
        CMeasure& m = station->measure();
        if (station->window().continuouslyChecked) {
            station->onContinuouslyToggled(false);
        }
        if (measureSpaces == 1) {
            // The native picture alone: the operator has the monitor show it (a run in colour
            // spaces leaves the last one shown).
            showSpace(0);
        }
        run(1000);
        m.onKindToggled(kKindGamma, !uniformity);
        m.onKindToggled(kKindColor, !uniformity);
        m.onKindToggled(kKindTemperature, !uniformity);
        m.onKindToggled(kKindUniformity, uniformity);
        m.onColorSpaceToggled(measureSpaces != 1);
        for (int cs = 0; cs < kMeasureSpaceCount && measureSpaces != 1; ++cs) {
            m.onColorSpaceBoxToggled(cs, (measureSpaces & (1u << cs)) != 0);
        }
        if (uniformity) {
            station->attachJig([this] { return sim->jigReady(); });
            m.onAutoJigToggled(true);
        }
        EXPECT_TRUE(station->startOrStopMeasurement());
        EXPECT_TRUE(scheduler.runUntil([&] { return station->task().CalibrationState == kTaskIdle; }, 4 * 3600 * 1000));
        m.onAutoJigToggled(false);
        return BuildReportFor(station->reportSources());
    }
    // The items out of range, one line each ("" when none).
    // A colour-space slot shown (0 the native picture), with the 2000 ms the monitor takes to
    // switch before the next frame, as the station's own switches wait.
    void showSpace(int slot) {
        station->sender().sendMonitorCommand(MonitorCommand::SetColorSpace, static_cast<uint32_t>(slot), 2000);
    }
    static std::string OutOfRange(const ReportBook& book) {
        std::string out;
        for (const VerdictLine& v : book.verdicts) {
            if (v.verdict == Verdict::OutOfRange) {
                out += v.test + " " + v.item + " " + v.quantity + " " + v.value + "\n";
            }
        }
        return out;
    }
    static int Judged(const ReportBook& book) {
        return static_cast<int>(std::count_if(book.verdicts.begin(), book.verdicts.end(),
                                              [](const VerdictLine& v) { return v.verdict != Verdict::NotMeasured; }));
    }
    static const VerdictLine* Find(const ReportBook& book, const std::string& test, const std::string& item,
                                   const std::string& quantity) {
        for (const VerdictLine& v : book.verdicts) {
            if (v.test == test && v.item == item && v.quantity == quantity) {
                return &v;
            }
        }
        return nullptr;
    }

    // Δu'v' of a code (8-bit r, g, b) of a calibrated colour space, measured through the
    // station's cycle with the space shown, against the target: the space's primaries at full
    // level mixed by (code / 255)^2.2 each, the exponent the targets of every level use.
    double interiorError(int space, int r, int g, int b) {
        const ColorReading t =
            ColorSpaceCodeTarget(page().colorSpaceTargets[static_cast<size_t>(space)], r, g, b, 2.2);
        const ColorReading m = measureCode(space, r, g, b);
        return std::hypot(m.u - t.u, m.vp - t.vp);
    }
    // A code with a colour space shown, through the station's measurement cycle.
    ColorReading measureCode(int space, int r, int g, int b) {
        showSpace(space + 1);
        return measure(MonitorCommand::DrawPattern, static_cast<uint32_t>(r | g << 8 | b << 16));
    }
};

inline std::string PanelTestName(const ::testing::TestParamInfo<std::string>& p) {
    std::string name = p.param;
    std::replace(name.begin(), name.end(), '-', '_');
    return name;
}

}  // namespace halvo::test
