#pragma once

// Gamma calibration: the grey-level measurement (state 11), the table upload (12) and the
// panel-gamma check per colour space (17).

#include <array>
#include <vector>

#include "calibration/calibration_context.h"
#include "reports/chart_model.h"

namespace halvo {

class CalibrationEngine;

// Packet p (0..63) of the gamma-to-luminance table: entries 4p..4p+3.
void SendGammaTablePacket(const CalibrationContext& c, const GammaToLvTable& table, int packet);

class GammaCalibration {
public:
    explicit GammaCalibration(CalibrationEngine& engine) : engine_(engine) {}

    void gammaStep();        // state 11
    void gammaUploadStep();  // state 12
    void panelGammaStep();   // state 17

    // Measured luminance per level index 0..256 (index 0 is black, never measured).
    std::array<double, 257> gammaLuminance{};
    double measuredGamma = 0.0;
    // The colour space the panel-gamma check is at (0 native, 1..5 the colour spaces).
    int panelGammaSpace = 0;
    // A panel-gamma check starts at the native picture, whatever an earlier run left.
    void startPanelGammaCheck() { panelGammaSpace = 0; }
    // The grey points of each colour space's panel-gamma check.
    std::array<std::vector<ChartPoint>, 6> chartSeries;

private:
    void finishMeasurement();
    void nextPanelGammaSpace();

    CalibrationEngine& engine_;
};

}  // namespace halvo
