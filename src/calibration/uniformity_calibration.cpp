#include "calibration/uniformity_calibration.h"

#include <algorithm>
#include <cmath>

#include "calibration/calibration_engine.h"
#include "calibration/uniformity_packets.h"
#include "common/text_format.h"

namespace halvo {

namespace {

constexpr uint32_t kFullWhite = 0xFFFFFF;
constexpr int kPositionWaitMs = 1500;
constexpr int kRemeasureWaitMs = 2000;
constexpr int kIdlePollMs = 800;

}  // namespace

void UniformityCalibration::begin() {
    CalibrationContext& c = engine_.context();
    c.task.positionIndex = 0;
    drawMarker(0);
}

bool UniformityCalibration::awaitingOperator() const {
    const CalibrationContext& c = engine_.context();
    return c.task.CalibrationState == kTaskIdle && engine_.uniformityResumeCount != 0;
}

void UniformityCalibration::uniformityStep() {
    CalibrationContext& c = engine_.context();
    const MonitorIdentity& id = c.identity();
    method = SelectUniformityMethod(id.recognisedModel, id.modelInfo);
    int32_t& step = c.task.stepCounter;
    if (step == 0) {
        startPosition();
    } else if (step == 1) {
        enterMeasuringMode();
    } else if (step == 2) {
        step = 3;
        c.scheduler.arm(kTimerTrigger, 2000);  // settling
        showProgress();
    } else {
        takeReading();
    }
}

bool UniformityCalibration::firstPosition() const {
    return engine_.context().task.positionIndex == 0;
}

void UniformityCalibration::startPosition() {
    CalibrationContext& c = engine_.context();
    int32_t& position = c.task.positionIndex;
    engine_.uniformityRunning = true;
    if (engine_.uniformityResumeCount != 0) {
        int resumeAt = engine_.uniformityResumeCount;
        const bool otherWalk = resumeAt > kRefinementLast || (resumeAt > kFirstSweepLast && !HasRefinementPass(method));
        if (!otherWalk && resumeAt > kRefinementFirst && !refinement.hasReference()) {
            resumeAt = kRefinementFirst;
        }
        if (otherWalk) {
            // A walk of another method (another monitor): a new one from the centre.
            engine_.uniformityResumeCount = 0;
            begin();
        } else if (resumeAt != position) {
            // The walk lost its place (a reconnect draws the marker elsewhere): show the place
            // again and let the operator move the probe there before it is measured.
            position = resumeAt;
            drawMarker(position);
            c.logLine(UniformityPositionName(position));
            waitForOperator();
            return;
        }
    }
    if (firstPosition()) {
        uniformityLv.fill(0.0);
        refineLv.fill(0.0);
        if (!c.page.uniformityList.rows.empty()) {
            std::fill(c.page.uniformityList.rows[0].cells.begin(), c.page.uniformityList.rows[0].cells.end(),
                      std::string(" "));
        }
        const bool overlay = (c.identity().modelInfo & 0x01) != 0;
        c.send(overlay ? MonitorCommand::DrawPatternOL : MonitorCommand::DrawPattern, kFullWhite, 1000);
        // The nine places are measured as the panel is, without the old correction.
        if (method == UniformityMethod::Table) {
            sendTable(0, 0, false);
        } else {
            sendTenValue(UniformityParams{}, false);
        }
    }
    c.send(MonitorCommand::DrawTargetMarker, kMarkerOff, 10);
    c.task.stepCounter = 1;
    c.scheduler.arm(kTimerTrigger, kPositionWaitMs);
    showProgress();
}

void UniformityCalibration::enterMeasuringMode() {
    CalibrationContext& c = engine_.context();
    if (!HasRefinementPass(method) || firstPosition()) {
        c.send(MonitorCommand::SetCscGamma, 1, 4000);
        c.send(MonitorCommand::SetGamma, c.page.data.targetGamma == 2.2 ? 14 : 16, 2000);
    }
    c.task.stepCounter = 2;
    c.scheduler.arm(kTimerTrigger, 500);
    showProgress();
}

void UniformityCalibration::takeReading() {
    CalibrationContext& c = engine_.context();
    const double lv = c.currentReading.lv;
    const int position = std::clamp(c.task.positionIndex, 0, kRefinementLast);
    const int cell = UniformityCellOf(position);
    if (position <= kFirstSweepLast && method == UniformityMethod::Table && !InTableWindow(lv)) {
        c.ui.messageBox(TableWindowMessage(lv));
        abandon();
        return;
    }
    if (!c.page.uniformityList.rows.empty()) {
        std::vector<std::string>& cells = c.page.uniformityList.rows[0].cells;
        cells.resize(kUniformityCellCount, " ");
        cells[static_cast<size_t>(UniformityColumnOf(cell))] = Format("%6.2lf", lv);
    }
    c.logReading(c.currentReading);
    if (position <= kFirstSweepLast) {
        uniformityLv[static_cast<size_t>(cell)] = lv;
        if (position == kFirstSweepLast) {
            firstSweepDone();
        } else {
            advance();
        }
        return;
    }
    refineLv[static_cast<size_t>(position)] = lv;
    refine(lv);
}

void UniformityCalibration::firstSweepDone() {
    CalibrationContext& c = engine_.context();
    const MonitorIdentity& id = c.identity();
    switch (method) {
        case UniformityMethod::Table: {
            CellWhole whole{};
            for (size_t i = 1; i <= 9; ++i) {
                // The whole cd/m2, not reduced to a byte: a reading of 256 or more would wrap
                // and turn a small difference into a large one.
                whole[i] = static_cast<int>(std::trunc(uniformityLv[i]));
            }
            table = ChooseTableRows(whole);
            sendTable(table.c, table.b, true);
            complete();
            return;
        }
        case UniformityMethod::Linear:
            sendTenValue(LinearParams(uniformityLv), true);
            complete();
            return;
        case UniformityMethod::GammaCurve:
            sendTenValue(GammaCurveParams(uniformityLv, id.modelInfo), true);
            complete();
            return;
        case UniformityMethod::Shape: {
            shape = ClassifyShape(uniformityLv, shape);
            c.logLine(ShapeLogText(shape));
            if (shape < 0 || shape > kLastKnownShape) {
                abandon();
                return;
            }
            // Shape 1 falls off toward the bottom: the vertical ramp alone; shape 2 toward the
            // left: the horizontal ramp alone; shape 3 both ways; shape 0 neither (the
            // refinement pass starts from a flat screen).
            firstPass = FitGradient(uniformityLv, id.modelTxm400, shape == 2 || shape == 3, shape == 1 || shape == 3);
            break;
        }
        case UniformityMethod::Gradient:
            firstPass = FitGradient(uniformityLv, id.modelTxm400);
            break;
    }
    sendTenValue(firstPass.params, true);
    refinement.start(firstPass.params, method == UniformityMethod::Shape, id.modelTxm400);
    advance();
}

void UniformityCalibration::refine(double lv) {
    CalibrationContext& c = engine_.context();
    const int position = c.task.positionIndex;
    if (position == kRefinementFirst) {
        refinement.setReference(lv);
        advance();
        return;
    }
    const UniformityRefinement::Outcome out = refinement.reading(position, lv);
    for (const std::string& line : out.logLines) {
        c.logLine(line);
    }
    if (out.gaveUp) {
        c.logLine(Format("%s: no setting within the window after %d changes; accepted as it is.",
                         UniformityPositionName(position), UniformityRefinement::kMaxChanges));
    }
    if (!out.accepted) {
        sendTenValue(refinement.params(), true);
        c.task.stepCounter += 1;
        c.scheduler.arm(kTimerTrigger, kRemeasureWaitMs);
        showProgress();
        return;
    }
    if (position < kRefinementLast) {
        if (out.changed) {
            sendTenValue(refinement.params(), true);
        }
        advance();
        return;
    }
    sendTenValue(refinement.params(), true);  // the final packet
    complete();
}

void UniformityCalibration::advance() {
    CalibrationContext& c = engine_.context();
    const int from = c.task.positionIndex;
    const int position = from + 1;
    c.task.positionIndex = position;
    drawMarker(position);
    c.logLine(UniformityPositionName(position));
    if (from >= kRefinementFirst && automaticMode && automaticMode()) {
        prompt("Calibrate");
        engine_.uniformityResumeCount = position;
        c.task.stepCounter = 0;
        c.scheduler.arm(kTimerTrigger, kPositionWaitMs);
        showProgress();
        return;
    }
    waitForOperator();
}

// The task rests until the operator has moved the probe and presses Calibrate again.
void UniformityCalibration::waitForOperator() {
    CalibrationContext& c = engine_.context();
    prompt("Calibrate");
    engine_.uniformityResumeCount = c.task.positionIndex;
    c.task.CalibrationState = kTaskIdle;
    c.task.stepCounter = 0;
    c.page.startButtonText = "Calibrate";
    c.scheduler.arm(kTimerTrigger, kIdlePollMs);
    c.ui.refresh();
}

void UniformityCalibration::complete() {
    CalibrationContext& c = engine_.context();
    c.logLine("Panel Uniformity correction is Completed.");
    c.send(MonitorCommand::SaveEeprom, 255, 1000);
    engine_.uniformityRunning = false;
    engine_.uniformityResumeCount = 0;
    c.task.positionIndex = 0;
    drawMarker(0);
    prompt(HasRefinementPass(method) ? "Calibrate" : "Calibration");
    c.task.CalibrationState = kTaskIdle;
    c.task.stepCounter = 0;
    c.page.running = false;
    c.host.setRunControlsEnabled(true, 0);
    c.scheduler.arm(kTimerTrigger, kIdlePollMs);
    ++completedRuns;
}

// The run ends without a result; the monitor leaves calibration mode as on a stop.
void UniformityCalibration::abandon() {
    CalibrationContext& c = engine_.context();
    engine_.uniformityRunning = false;
    engine_.uniformityResumeCount = 0;
    c.task.CalibrationState = kTaskIdle;
    c.task.stepCounter = 0;
    c.task.positionIndex = 0;
    c.task.progressCount = 0;
    c.send(MonitorCommand::CalibrationExecution, 0, 10);
    c.page.running = false;
    c.page.progressPosition = 0;
    c.page.statusText = "Ready..";
    c.host.setRunControlsEnabled(true, 0);
    c.scheduler.arm(kTimerTrigger, 300);
    ++abandonedRuns;
}

void UniformityCalibration::sendTenValue(const UniformityParams& p, bool enabled) {
    CalibrationContext& c = engine_.context();
    SendUniformityTenValue(c.monitor, p, enabled);
    uniformityParams = p;
    if (enabled) {
        c.page.data.uniformity = SettingsOfTenValuePacket(UniformityTenValuePacket(p, enabled));
    }
}

void UniformityCalibration::sendTable(int c, int b, bool enabled) {
    CalibrationContext& ctx = engine_.context();
    SendUniformityTable(ctx.monitor, c, b, enabled);
    if (enabled) {
        ctx.page.data.uniformity = SettingsOfTablePacket(c, b, UniformityTablePacket(c, b, enabled));
    }
}

void UniformityCalibration::showProgress() {
    CalibrationContext& c = engine_.context();
    Ccalib& page = c.page;
    page.progressPosition = std::clamp(c.task.stepCounter, 0, std::max(page.progressMaximum, 0));
    page.statusText = Format("%3d%%", page.progressPosition * 100 / std::max(page.progressMaximum, 1));
    c.ui.refresh();
}

void UniformityCalibration::drawMarker(int position) {
    CalibrationContext& c = engine_.context();
    c.send(MonitorCommand::DrawTargetMarker, static_cast<uint32_t>(UniformityMarkerCode(position)), 10);
    if (markerMoved) {
        markerMoved(position);
    }
}

void UniformityCalibration::prompt(const char* button) {
    ++prompts;
    engine_.context().logLine(std::string("Move the probe to the indicated location, and then click the ") + button +
                              " button ");
}

}  // namespace halvo
