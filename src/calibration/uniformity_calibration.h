#pragma once

// Uniformity correction (task 13): the operator walks the probe over nine places of a full-white
// screen, one Calibrate press per place; the method the monitor model calls for turns the nine
// luminances into its correction, which is sent and saved in the monitor. The gradient and shape
// methods then walk a second time (positions 9..17) and refine their parameters place by place.
//
// One position takes four steps of stepCounter: 0 removes the marker (and at the first position
// shows white and switches the old correction off), 1 puts the monitor into measuring mode, 2
// lets the panel settle, 3 and later take readings. Between positions the task is idle and the
// engine's uniformityResumeCount holds the position the next Calibrate press measures: that is
// how a walk continues, and how one that lost its task (a reconnect) picks up where it was.
// A walk that lost its place (a reconnect moves the marker to the centre) shows the place again
// and waits for one more press before measuring it; a resume past Left Top of the refinement
// pass without its reference reading (none taken in this session) goes back to Left Top.

#include <array>
#include <functional>

#include "calibration/calibration_context.h"
#include "calibration/gradient_fit.h"
#include "calibration/uniformity_methods.h"
#include "calibration/uniformity_refinement.h"

namespace halvo {

class CalibrationEngine;

class UniformityCalibration {
public:
    explicit UniformityCalibration(CalibrationEngine& engine) : engine_(engine) {}

    void uniformityStep();  // state 13
    // A new run from the Calibrate button: the walk starts at the centre.
    void begin();
    // Between two positions, waiting for the operator's Calibrate press.
    bool awaitingOperator() const;

    // The measurement page's automatic mode: refinement positions follow one another without a
    // press. Set by the controller; off when unset.
    std::function<bool()> automaticMode;
    // The target marker moved to a position (the window's probe display follows it).
    std::function<void(int position)> markerMoved;

    UniformityMethod method = UniformityMethod::Table;
    // Luminance per cell of the first sweep, and per position of the refinement pass.
    CellLuminance uniformityLv{};
    std::array<double, kRefinementLast + 1> refineLv{};
    // The parameters last sent in the ten-value packet.
    UniformityParams uniformityParams{};
    TableChoice table;
    GradientFit firstPass;
    int shape = 0;
    UniformityRefinement refinement;
    // Runs that ended with the correction saved, and runs refused or stopped by the procedure.
    int completedRuns = 0;
    int abandonedRuns = 0;
    // Prompts to move the probe logged so far.
    int prompts = 0;

private:
    void startPosition();
    void enterMeasuringMode();
    void takeReading();
    void firstSweepDone();
    void refine(double lv);
    void advance();
    void waitForOperator();
    void complete();
    void abandon();
    void sendTenValue(const UniformityParams& p, bool enabled);
    void sendTable(int c, int b, bool enabled);
    void showProgress();
    void drawMarker(int position);
    bool firstPosition() const;
    void prompt(const char* button);

    CalibrationEngine& engine_;
};

}  // namespace halvo
