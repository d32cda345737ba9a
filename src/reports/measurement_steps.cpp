// The steps of a verification run: one call per completed measurement, in task state 1 (gamma),
// 2 (colours), 3 (colour temperatures) or 4 (a uniformity position).

#include <cmath>

#include "reports/measurement_workflow.h"

namespace halvo {

namespace {

struct Patch {
    int r, g, b;
    int slot;  // where the reading taken after the patch is stored
};

// The colour patches in measuring order. White is measured twice: the first reading, taken right
// after black, is replaced by the second, taken once the panel has settled on white.
constexpr Patch kColorPatches[9] = {
    {0, 0, 0, 1},       {255, 255, 255, 2}, {255, 255, 255, 2}, {255, 0, 0, 3},   {0, 255, 0, 4},
    {0, 0, 255, 5},     {255, 255, 0, 6},   {255, 0, 255, 7},   {0, 255, 255, 8},
};

int GreyLevel(int k) {
    return static_cast<int>(std::ceil(k * 25.5));
}

void SetChroma(ChartSeries& series, size_t index, const ColorReading& r) {
    if (index >= kChartPointCapacity) {
        return;
    }
    if (series.chroma.size() <= index) {
        series.chroma.resize(index + 1, XyPoint{0.0, 0.0});
    }
    series.chroma[index] = {r.x, r.y};
}

}  // namespace

ColorSpaceResults& MeasurementWorkflow::current() {
    return s_.results.spaces[static_cast<size_t>(s_.page.displayedColorSpace())];
}

bool MeasurementWorkflow::peakRule() const {
    const uint8_t info = s_.identity.modelInfo;
    return s_.identity.recognisedModel || info == 8 || (info & 0x80) != 0;
}

std::vector<int> MeasurementWorkflow::temperatureTargets() const {
    std::vector<int> targets = {3200, 5400, 6500, 9300, 11000};
    if (s_.identity.modelTxm600HdS) {
        targets = {3200, 6500, 7000, 9300, 11000};
    }
    if (s_.page.colorSpaceMode()) {
        targets.pop_back();
    }
    return targets;
}

void MeasurementWorkflow::drawPattern(int r, int g, int b, int waitMs) {
    s_.sender.sendMonitorCommand(MonitorCommand::DrawPattern,
                                 static_cast<uint32_t>(r | g << 8 | b << 16), waitMs);
}

void MeasurementWorkflow::store(const ColorReading& r) {
    s_.log.logReading(s_.task.CalibrationState, r.cct, r.x, r.y, r.u, r.vp, r.lv, r.duv);
    ++s_.task.progressCount;
}

void MeasurementWorkflow::step(int state) {
    switch (state) {
        case 1: gammaStep(); break;
        case 2: colorStep(); break;
        case 3: temperatureStep(); break;
        case 4: uniformityStep(); break;
        default: break;
    }
}

void MeasurementWorkflow::gammaStep() {
    int32_t& k = s_.task.stepCounter;
    CMeasure& page = s_.page;
    const int cs = page.displayedColorSpace();
    if (k < 0 || k > kGammaLevelCount + 1) {
        k = 0;  // a counter this step did not leave: begin the run again
    }
    if (k == 0) {
        for (int id = kTimerPrepare; id <= kTimerRead; ++id) {
            s_.scheduler.stop(id);
        }
        // BT.709 is measured as the monitor presets it; the repeated run of the second model
        // measures it at its JUDD-OFFSET white.
        if (cs != 1 || repeatedRun_) {
            s_.sender.sendMonitorCommand(MonitorCommand::SetColorTemperature, repeatedRun_ ? 7000 : 6500, 1000);
        }
        drawPattern(0, 0, 0, 10);
        k = 1;
        rearmReading(2000);
        return;
    }
    const ColorReading& reading = s_.reading;
    ColorSpaceResults& results = current();
    if (k <= kGammaLevelCount) {
        store(reading);
        const ChartPoint point{static_cast<double>(GreyLevel(k - 1)), reading.lv};
        if (repeatedRun_) {
            results.repeatedGamma[static_cast<size_t>(k - 1)] = reading;
            repeatedPoints_.push_back(point);
        } else {
            results.gamma[static_cast<size_t>(k - 1)] = reading;
            std::vector<ChartPoint>& points = page.chart[static_cast<size_t>(cs)].gamma;
            if (points.size() < kChartPointCapacity) {
                points.push_back(point);
            }
        }
        page.setChartKind(kChartLuminance);
        if (k <= 10) {
            drawPattern(GreyLevel(k), GreyLevel(k), GreyLevel(k), 10);
        }
        ++k;
        rearmReading(3000);
        return;
    }

    // The twelfth measurement only closes the run: the gamma comes from the chart's fit.
    ++s_.task.progressCount;
    k = 0;
    if (repeatedRun_) {
        results.repeatedGammaValue = fitChartGamma(repeatedPoints_).g;
        repeatedRun_ = false;
        page.resultsFrozen = false;
    } else {
        const double g = fitChartGamma(page.chart[static_cast<size_t>(cs)].gamma).g;
        page.storeGamma(g);
        results.gammaValue = g;
        if (s_.identity.modelTxm600HdS && cs == 1) {
            repeatedRun_ = true;
            page.resultsFrozen = true;
            repeatedPoints_.clear();
            rearm(2000);
            return;
        }
    }
    if (nextColorSpace()) {
        rearm(3000);
        return;
    }
    continueAfter(1);
}

void MeasurementWorkflow::colorStep() {
    int32_t& k = s_.task.stepCounter;
    CMeasure& page = s_.page;
    if (k < 0 || k > 9) {
        k = 0;
    }
    if (k == 0) {
        for (int id = kTimerPrepare; id <= kTimerRead; ++id) {
            s_.scheduler.stop(id);
        }
        if (!page.colorSpaceMode()) {
            s_.sender.sendMonitorCommand(MonitorCommand::SetColorTemperature, 6500, 1000);
        }
        drawPattern(kColorPatches[0].r, kColorPatches[0].g, kColorPatches[0].b, 10);
        k = 1;
        rearmReading(3000);
        return;
    }
    const ColorReading& reading = s_.reading;
    const Patch& measured = kColorPatches[k - 1];
    store(reading);
    page.storeResult(measured.slot, reading);
    current().colors[static_cast<size_t>(measured.slot)] = reading;
    ChartSeries& series = page.chart[static_cast<size_t>(page.displayedColorSpace())];
    SetChroma(series, static_cast<size_t>(k - 1), reading);
    series.colorPoints = true;
    page.setChartKind(kChartXy);
    if (k <= 8) {
        drawPattern(kColorPatches[k].r, kColorPatches[k].g, kColorPatches[k].b, 10);
    }
    ++k;
    if (k <= 9) {
        rearmReading(3000);
        return;
    }
    k = 0;
    if (nextColorSpace()) {
        rearm(3000);
        return;
    }
    continueAfter(2);
}

void MeasurementWorkflow::temperatureStep() {
    int32_t& k = s_.task.stepCounter;
    CMeasure& page = s_.page;
    const std::vector<int> targets = temperatureTargets();
    if (k < 0 || k > static_cast<int>(targets.size())) {
        k = 0;
    }
    if (k == 0) {
        for (int id = kTimerPrepare; id <= kTimerRead; ++id) {
            s_.scheduler.stop(id);
        }
        drawPattern(255, 255, 255, 2000);
    } else {
        const ColorReading& reading = s_.reading;
        store(reading);
        page.storeResult(kResultFirstTemperature - 1 + k, reading);
        current().temperatures[static_cast<size_t>(k - 1)] = reading;
        ChartSeries& series = page.chart[static_cast<size_t>(page.displayedColorSpace())];
        SetChroma(series, static_cast<size_t>(colorsThisRun_ ? 8 + k : k - 1), reading);
        series.temperaturePoints = true;
        page.setChartKind(kChartXy);
    }
    if (k < static_cast<int>(targets.size())) {
        s_.sender.sendMonitorCommand(MonitorCommand::SetColorTemperature,
                                     static_cast<uint32_t>(targets[static_cast<size_t>(k)]), 1000);
        ++k;
        rearmReading(3000);
        return;
    }
    k = 0;
    if (nextColorSpace()) {
        rearm(3000);
        return;
    }
    continueAfter(3);
}

void MeasurementWorkflow::uniformityStep() {
    TaskState& task = s_.task;
    CMeasure& page = s_.page;
    if (page.autoJigChecked && !s_.jigReady) {
        rearm(1500);
        return;
    }
    int32_t& k = task.stepCounter;
    if (k == 0) {
        if (s_.identity.modelInfo & 0x01) {
            s_.sender.sendMonitorCommand(MonitorCommand::DrawPatternOL, 0xFFFFFF, 1000);
        } else {
            drawPattern(255, 255, 255, 1000);
        }
        s_.sender.sendMonitorCommand(MonitorCommand::SetColorTemperature, 6500, 1000);
        k = 1;
        rearm(100);
        return;
    }
    const int position = std::clamp(task.positionIndex, 0, kPositionCount - 1);
    const ColorReading& reading = s_.reading;
    store(reading);
    s_.results.uniformityPercent = page.storePosition(position, reading, peakRule());
    const uint8_t mask = page.colorSpaceMode() ? page.colorSpaceMask() : 1;
    for (size_t cs = 0; cs < s_.results.spaces.size(); ++cs) {
        if (mask & 1u << cs) {
            s_.results.spaces[cs].positions[static_cast<size_t>(position)] = reading;
        }
    }
    if (page.autoJigChecked) {
        ++k;
    } else {
        k = 0;
        task.CalibrationState = kTaskIdle;
    }
    if (task.positionIndex > 7) {
        task.positionIndex = 0;
        endRun();
        s_.scheduler.arm(kTimerAux, 100);
        rearm(500);
        return;
    }
    moveToNextPosition();
    if (page.autoJigChecked) {
        // The jig has to carry the probe to the new place before the next reading counts.
        s_.jigReady = false;
        rearm(1500);
        return;
    }
    showProgress();
    page.positionOffered = true;
    page.startButtonText = "Measure";
    page.startButtonEnabled = true;
    rearm(500);
}

bool MeasurementWorkflow::nextColorSpace() {
    if (!s_.page.colorSpaceMode() || runIndex_ + 1 >= runList_.size()) {
        return false;
    }
    ++runIndex_;
    selectColorSpace(runList_[runIndex_], 3000);
    ++s_.task.progressCount;
    s_.task.stepCounter = 0;
    return true;
}

void MeasurementWorkflow::startColorSpaces() {
    // Every kind walks the colour spaces from the first of the list.
    if (s_.page.colorSpaceMode() && runIndex_ != 0 && !runList_.empty()) {
        runIndex_ = 0;
        selectColorSpace(runList_.front(), 3000);
    }
}

void MeasurementWorkflow::continueAfter(int state) {
    CMeasure& page = s_.page;
    TaskState& task = s_.task;
    int next = 0;
    if (state < 2 && page.measures(kKindColor)) {
        next = 2;
    } else if (state < 3 && page.measures(kKindTemperature)) {
        next = 3;
    }
    if (next != 0) {
        startColorSpaces();
        task.CalibrationState = next;
        task.stepCounter = 0;
        rearm(3000);
        return;
    }
    if (page.measures(kKindUniformity)) {
        handOverToUniformity(state);
        return;
    }
    endRun();
    rearm(3000);
}

void MeasurementWorkflow::handOverToUniformity(int finishedState) {
    TaskState& task = s_.task;
    CMeasure& page = s_.page;
    if (finishedState == 3) {
        s_.sender.sendMonitorCommand(MonitorCommand::SetColorTemperature, 6500, 1000);
    } else {
        drawPattern(255, 255, 255, 1000);
    }
    s_.sender.sendMonitorCommand(MonitorCommand::DrawTargetMarker, static_cast<uint32_t>(task.positionIndex), 10);
    s_.showProbePosition(task.positionIndex + 1);
    if (page.autoJigChecked) {
        // The jig walks the positions itself: no operator to wait for.
        task.CalibrationState = 4;
        task.stepCounter = 0;
        rearm(1500);
        return;
    }
    logMessage("Start the uniformity measurement");
    logMessage("Move the probe to the indicated location, and then click the Measure button ");
    uniformityPending_ = true;
    showProgress();
    task.CalibrationState = kTaskIdle;
    task.stepCounter = 0;
    page.positionOffered = true;
    page.startButtonText = "Measure";
    page.startButtonEnabled = true;
    rearm(500);
}

}  // namespace halvo
