#pragma once

// The calibration run: the Calibrate/Stop button, the progress of a run, and the procedures it
// chains by CalibrationState (gamma 11 -> upload 12 -> colour space 14 -> upload 16 -> white
// point 10 -> panel-gamma check 17, as the page's choices ask).

#include <array>
#include <memory>
#include <vector>

#include "calibration/adc_calibration.h"
#include "calibration/aging.h"
#include "calibration/calibration_context.h"
#include "calibration/colour_space_calibration.h"
#include "calibration/gamma_calibration.h"
#include "calibration/uniformity_calibration.h"
#include "calibration/upload_sequence.h"
#include "calibration/white_point_calibration.h"

namespace halvo {

class CalibrationEngine {
public:
    explicit CalibrationEngine(CalibrationContext context);

    // The "&Auto Calibration" button: starts a run with the page's choices, or stops the one in
    // progress.
    void startOrStopCalibration();
    // One step of work done: progress bar and "%3d%%" status text.
    void countProgress();

    GammaCalibration& gamma() { return gamma_; }
    WhitePointCalibration& whitePoint() { return whitePoint_; }
    AnalogueInputCalibration& analogueInputs() { return analogueInputs_; }
    Aging& aging() { return aging_; }
    UniformityCalibration& uniformity() { return uniformity_; }
    ColourSpaceCalibration& colourSpace() { return colourSpace_; }
    UploadSequence& upload() { return upload_; }
    CalibrationContext& context() { return context_; }
    const CalibrationContext& context() const { return context_; }

    // The gamma step count N of the run (16..1024).
    int gammaStepCount = 32;
    // Non-zero while an interrupted uniformity run can be resumed: the position the next
    // Calibrate press measures.
    int uniformityResumeCount = 0;
    bool uniformityRunning = false;
    // Colour temperatures for the report: grey levels N*k/16 for k = 8..16, then the final one.
    std::array<int32_t, 10> reportTemperatures{};

private:
    CalibrationContext context_;
    GammaCalibration gamma_;
    WhitePointCalibration whitePoint_;
    AnalogueInputCalibration analogueInputs_;
    Aging aging_;
    UniformityCalibration uniformity_;
    ColourSpaceCalibration colourSpace_;
    UploadSequence upload_;
};

}  // namespace halvo
