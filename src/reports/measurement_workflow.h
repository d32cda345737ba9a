#pragma once

// The verification run of the Measure page. "Measure" starts or stops it; each completed
// measurement calls step() with the task state 1..4 (1 gamma over eleven grey levels, 2 the
// colour patches, 3 the colour-temperature presets, 4 one uniformity position), which stores the
// reading, draws the next pattern and re-arms timer 2. With colour-space mode on, every kind runs
// once per selected colour space. Uniformity is walked by the operator ("Position", "Measure"
// per position) or, with "Auto(JIG)", by a jig that reports each position ready.
//
// The workflow is handed the station's parts it drives; it never reaches for the controller.

#include <functional>
#include <vector>

#include "colorimetry/color_reading.h"
#include "monitor/identification.h"
#include "monitor/monitor_sender.h"
#include "reports/measure_page.h"
#include "reports/measurement_results.h"
#include "station/measured_settling.h"
#include "station/scheduler.h"
#include "station/station_log.h"
#include "station/station_ui.h"
#include "station/task_state.h"

namespace halvo {

struct MeasurementStation {
    Scheduler& scheduler;
    MonitorSender& sender;
    StationLog& log;
    TaskState& task;
    StationUi& ui;
    CMeasure& page;
    MeasurementResults& results;
    const ColorReading& reading;
    const MonitorIdentity& identity;
    // Set by the jig when the probe is in place; the workflow clears it when the probe has to move.
    bool& jigReady;
    // Both links alive, or the refusal (sound and log line) and false.
    std::function<bool()> checkLinks;
    // enable true: pages and controls back; false with mode 1: a measurement runs.
    std::function<void(bool enable, int mode)> setRunControlsEnabled;
    // The main window's probe field: position index + 1.
    std::function<void(int type)> showProbePosition;
    // The run's mode, and the wait between a pattern and its measurement.
    MeasuredSettling& settling;
};

class MeasurementWorkflow {
public:
    explicit MeasurementWorkflow(MeasurementStation station) : s_(std::move(station)) {}

    // "Measure": starts a run (true) or stops the running one, or refuses with its message.
    bool startOrStopMeasurement();
    // The step of task state 1..4 for the reading just taken.
    void step(int state);
    // The progress display after every step of states 1..8.
    void showProgress();
    // "Position": the marker moves on to the next uniformity position.
    void moveToNextPosition();
    // Command 1/4: the report values back to not measured, except while uniformity (state 4)
    // continues a run that measured other kinds.
    void resetReportValues();

    // The steps the last start chose, for the page's progress bar.
    int progressTotal() const { return s_.task.progressTotal; }
    // A run handed over to the operator for the uniformity positions.
    bool uniformityPending() const { return uniformityPending_ && s_.page.running; }
    // The colour spaces of the run, in measuring order.
    const std::vector<int>& runList() const { return runList_; }

private:
    void logMessage(const std::string& text);
    void stopRun();
    bool chooseFirstState(int& first);
    void gammaStep();
    void colorStep();
    void temperatureStep();
    void uniformityStep();
    // After the last step of a kind: the next colour space of the list (true), or none left.
    bool nextColorSpace();
    // After every colour space of a kind: the next kind, the uniformity hand-over or the end.
    void continueAfter(int state);
    void startColorSpaces();
    void selectColorSpace(int colorSpace, int waitMs);
    void handOverToUniformity(int finishedState);
    void endRun();
    void store(const ColorReading& reading);
    void drawPattern(int r, int g, int b, int waitMs);
    void rearm(int ms);
    // The measurement of the pattern just drawn (measured settling in the fast run).
    void rearmReading(int ms) { s_.settling.armReading(s_.scheduler, ms); }
    std::vector<int> temperatureTargets() const;
    ColorSpaceResults& current();
    bool peakRule() const;

    MeasurementStation s_;
    std::vector<int> runList_;
    size_t runIndex_ = 0;
    bool uniformityPending_ = false;
    bool repeatedRun_ = false;     // the second model's repeated BT.709 gamma run
    bool colorsThisRun_ = false;   // colour points precede the colour-temperature points
    std::vector<ChartPoint> repeatedPoints_;
};

}  // namespace halvo
