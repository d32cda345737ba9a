#pragma once

// A panel of the catalogue on the virtual clock, with the verification of the native picture as
// an operator starts it on the Measure page (gamma, colours, colour temperatures).

#include "scenarios/panel_fixture.h"

namespace halvo::test {

class NativeVerificationFixture : public PanelFixture {
protected:
    ReportBook verifyNative() {
        CMeasure& m = station->measure();
        if (station->window().continuouslyChecked) {
            station->onContinuouslyToggled(false);
        }
        // The native picture, with the time the monitor needs to switch to it.
        station->sender().sendMonitorCommand(MonitorCommand::SetColorSpace, 0, 2000);
        run(1000);
        m.onKindToggled(kKindGamma, true);
        m.onKindToggled(kKindColor, true);
        m.onKindToggled(kKindTemperature, true);
        m.onKindToggled(kKindUniformity, false);
        m.onColorSpaceToggled(false);
        EXPECT_TRUE(station->startOrStopMeasurement());
        EXPECT_TRUE(scheduler.runUntil([&] { return station->task().CalibrationState == kTaskIdle; }, 3600 * 1000));
        return BuildReportFor(station->reportSources());
    }
    int logCount(const std::string& text) const {
        int n = 0;
        for (size_t at = station->log().text().find(text); at != std::string::npos;
             at = station->log().text().find(text, at + 1)) {
            ++n;
        }
        return n;
    }
};

}  // namespace halvo::test
