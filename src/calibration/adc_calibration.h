#pragma once

// The analogue inputs: the monitor's own auto colour (ADC) calibration of its RGB or YPbPr input
// (states 21, 22), and the choice of the input the monitor shows (state 20).

#include "calibration/calibration_context.h"

namespace halvo {

class CalibrationEngine;

// Input-source codes of the monitor.
inline constexpr int kSourceYPbPr = 8;
inline constexpr int kSourceYPbPrOld = 7;
inline constexpr int kSourceRgb = 10;
inline constexpr int kSourceDigital = 11;
inline constexpr int kSourceDigitalNew = 15;

// The code for a page source (0 "Digital", 1 "RGB", 2 "YPbPr") on a monitor model: the "KVT"
// and "ZRQ" series number their digital and YPbPr inputs differently.
int InputSourceCode(int pageSource, const std::string& modelName);

class AnalogueInputCalibration {
public:
    explicit AnalogueInputCalibration(CalibrationEngine& engine) : engine_(engine) {}
    void adcStep();          // states 21 and 22
    void inputSourceStep();  // state 20

private:
    // One byte of the monitor's answer to a query (reply byte 2), or -1.
    int query(MonitorCommand command);
    void showProgress();

    CalibrationEngine& engine_;
};

}  // namespace halvo
