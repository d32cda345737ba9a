#include "calibration/white_point_calibration.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "calibration/calibration_engine.h"
#include "colorimetry/chromaticity.h"
#include "common/text_format.h"

namespace halvo {

namespace {

int Round(double v, double delta) {
    // Half away from zero in the direction of the change.
    return static_cast<int>(delta > 0 ? std::trunc(v + 0.5) : std::trunc(v - 0.5));
}

int Clamp8(int v) {
    return std::clamp(v, 0, 255);
}

RgbGain Clamped(const RgbGain& g) {
    return {Clamp8(g.r), Clamp8(g.g), Clamp8(g.b)};
}

}  // namespace

WhiteCorrection CorrectWhiteGains(const ColorReading& reading, const ColorReading& target, double Yt,
                                  const RgbGain& current) {
    WhiteCorrection out;
    double L = -10.0 * (std::sqrt(std::max(reading.lv, 0.0)) - std::sqrt(std::max(Yt, 0.0)));
    if (std::fabs(L) <= 1.0) {
        L = 0.0;
    }
    const double du = reading.u - target.u;
    const double dv = reading.vp - target.vp;
    const double dR = -400.0 * du + L;
    const double dG = 400.0 * du + L;
    const double dB = 700.0 * dv + L;
    int R = Round(current.r + dR, dR);
    int G = Round(current.g + dG, dG);
    int B = Round(current.b + dB, dB);
    if (B < 0) {
        R -= B;
        G -= B;
        B = 0;
    }
    if (R > 255 && std::fabs(L) < 50) {
        G += 255 - R;
        B += 255 - R;
        R = 255;
        L = 0.0;
    }
    if (G > 255 && std::fabs(L) < 50) {
        R = 255;
        G = 255;
        L = 0.0;
    }
    if (B > 255 && std::fabs(L) < 50) {
        R = 255;
        B = 255;
        L = 0.0;
        if (G > 255) {
            G -= 2;
        }
    }
    if (L == 0.0 && R == 255 && B == 255) {
        out.saturated = true;
        R = 250;
    }
    out.gains = {R, G, B};
    out.L = L;
    return out;
}

WhiteVerdict JudgeWhiteIteration(const WhiteIteration& it) {
    const int i = it.i;
    const RgbGain& current = it.gainHistory[static_cast<size_t>(i)];
    const ColorReading& sample = *it.reading;
    const WhiteCorrection& corr = *it.correction;
    if (i >= WhitePointCalibration::kMaxIterations || (it.stepCounter > 2 && current == RgbGain{255, 255, 255})) {
        return WhiteVerdict::Fail;
    }
    const double tolerance = it.targetKelvin < 9000 ? 50.0 : 100.0;
    const RgbGain clamped = Clamped(corr.gains);
    int repeats = 0;
    for (int j = 0; j < i; ++j) {
        repeats += it.gainHistory[static_cast<size_t>(j)] == clamped ? 1 : 0;
    }
    // On target also in luminance: the luminance term inside its dead band (within about 2 % of
    // the target). Accepting any |L| <= 5 lets a white stay up to 10 % off: on the simulated
    // monitor the 7000 K preset then ends near 108 cd/m2, which the station's own verification
    // (+-5 % of 100 cd/m2) rejects.
    const bool onTarget = std::fabs(sample.du) < 1 && std::fabs(sample.dv) < 1 && corr.L == 0.0 &&
                          std::fabs(sample.cct - it.targetKelvin) <= tolerance;
    const bool unchanged = corr.gains == current && !corr.saturated;
    const bool settled = repeats > 5 && std::fabs(sample.du) < 2 && std::fabs(sample.dv) < 2 &&
                         std::fabs(sample.duv) < 0.004;
    if (!(onTarget || unchanged || settled || repeats > 10)) {
        return WhiteVerdict::Continue;
    }
    // The accepted gains are those of the reading. A search towards a dim target may pass
    // through black and climb back, but one that would settle on no light at all has found no
    // white: that is a failure, not a result.
    return current == RgbGain{0, 0, 0} ? WhiteVerdict::Fail : WhiteVerdict::Accept;
}

int WhitePointCalibration::targetCount() const {
    const CalibrationContext& c = engine_.context();
    return static_cast<int>(std::min(c.page.whiteList.rows.size(), c.whiteTargets.size()));
}

// The search reads its target back from the list every time: an operator's edit takes effect
// at once. A cell that no longer reads as a number leaves the value as it was.
void WhitePointCalibration::refreshTarget(int t) {
    const CalibrationContext& c = engine_.context();
    const TableRow& row = c.page.whiteList.rows[static_cast<size_t>(t)];
    const auto number = [&](size_t column, double& value) {
        if (column < row.cells.size()) {
            std::sscanf(row.cells[column].c_str(), "%lf", &value);
        }
    };
    number(1, target_.u);
    number(2, target_.vp);
    number(3, target_.lv);
    target_.lv -= luminanceOffset;
}

void WhitePointCalibration::showGains(int t) {
    CalibrationContext& c = engine_.context();
    TableRow& row = c.page.whiteList.rows[static_cast<size_t>(t)];
    if (row.cells.size() < 10) {
        row.cells.resize(10);
    }
    const RgbGain& g = workingGains[static_cast<size_t>(t)];
    row.cells[7] = Format("%3d", g.r);
    row.cells[8] = Format("%3d", g.g);
    row.cells[9] = Format("%3d", g.b);
    c.ui.refresh();
}

bool WhitePointCalibration::readGains(RgbGain& out, int waitMs) {
    CalibrationContext& c = engine_.context();
    SerialLink& link = c.monitor.link();
    link.purge();
    c.send(MonitorCommand::GetRgbGain, 0, waitMs);
    const Bytes reply = link.readChunk();
    const auto r = ReplyByte(reply, 2);
    const auto g = ReplyByte(reply, 3);
    const auto b = ReplyByte(reply, 4);
    if (!r || !g || !b) {
        return false;
    }
    out = {*r, *g, *b};
    return true;
}

void WhitePointCalibration::whitePointStep() {
    CalibrationContext& c = engine_.context();
    int32_t& step = c.task.stepCounter;
    if (step == 0) {
        c.logLine("Start Color temperature Calibration");
        iterations.fill(0);
        fellBack.fill(false);
        model_.reset();
        if (c.page.colorSpaceCheck.checked) {
            c.send(MonitorCommand::SetColorSpace, 0, 5000);
        }
        c.send(MonitorCommand::DrawPattern, 0xFFFFFF, 2000);
        for (int t = 0; t < targetCount(); ++t) {
            if (c.whiteTargets[static_cast<size_t>(t)].chosen) {
                const auto kelvin = static_cast<uint32_t>(c.whiteTargets[static_cast<size_t>(t)].temperature);
                c.send(MonitorCommand::SetColorTemperature, kelvin | 0x8000u, 1000);
                break;
            }
        }
        selectTarget();
        return;
    }
    if ((step & 0xFF) == 0) {
        selectTarget();
        return;
    }
    iterate();
}

void WhitePointCalibration::selectTarget() {
    CalibrationContext& c = engine_.context();
    int32_t& step = c.task.stepCounter;
    int t = step >> 8;
    while (t >= targetCount() || !c.whiteTargets[static_cast<size_t>(t)].chosen) {
        if (t + 1 < targetCount()) {
            ++t;
            step = t << 8;
        } else {
            endOfProcedure();
            return;
        }
    }
    luminanceOffset = 0;
    target_ = c.whiteTargets[static_cast<size_t>(t)].target;
    refreshTarget(t);
    const auto kelvin = static_cast<uint32_t>(c.whiteTargets[static_cast<size_t>(t)].temperature);
    c.send(MonitorCommand::SetColorTemperature, kelvin | 0x8000u, 1000);
    c.armReading(1000);
    step += 1;
}

void WhitePointCalibration::iterate() {
    CalibrationContext& c = engine_.context();
    int32_t& step = c.task.stepCounter;
    const int t = step >> 8;
    const int i = (step & 0xFF) - 1;
    const size_t ti = static_cast<size_t>(t);
    const size_t ii = static_cast<size_t>(i);
    c.stopMeasurementTimers();

    ColorReading& sample = readingHistory[ii];
    sample = c.currentReading;
    ReadingDifference(sample, target_);

    if (i == 0 && c.task.CalibrationState == kTaskWhitePoint) {
        RgbGain read;
        if (readGains(read, 300)) {
            gainHistory[0] = read;
        } else {
            // Without an answer the gains last known for the target stand in; the old code used
            // whatever bytes were in its buffer.
            gainHistory[0] = workingGains[ti];
            c.logLine("No RGB gain answer from the monitor; the gains last known are used.");
        }
    }
    refreshTarget(t);
    double Yt = target_.lv;

    if (c.fast() && !fellBack[ti] && i >= modelIterations) {
        fellBack[ti] = true;
        c.logLine(Format("Fast white search of %dK did not converge in %d steps: the prescribed search continues.",
                         c.whiteTargets[ti].temperature, modelIterations));
    }
    const WhiteCorrection corr = c.fast() && !fellBack[ti] ? modelCorrection(sample, i, t, Yt)
                                                           : CorrectWhiteGains(sample, target_, Yt, gainHistory[ii]);
    if (corr.saturated) {
        luminanceOffset += 2;
    }
    step += 1;

    WhiteIteration judged;
    judged.i = i;
    judged.stepCounter = step;
    judged.gainHistory = gainHistory.data();
    judged.reading = &sample;
    judged.correction = &corr;
    judged.targetKelvin = c.whiteTargets[ti].temperature;
    const WhiteVerdict verdict = JudgeWhiteIteration(judged);
    if (verdict == WhiteVerdict::Fail) {
        c.logLine("Fail to search the color temperature!!");
        c.host.calibrationFailed();
        return;
    }
    const RgbGain clamped = Clamped(corr.gains);
    if (verdict == WhiteVerdict::Accept) {
        whitePointResults[ti] = sample;
        workingGains[ti] = gainHistory[ii];
        iterations[ti] = i + 1;
        const RgbGain& g = gainHistory[ii];
        c.page.data.targetGains[ti] = {static_cast<uint8_t>(g.r), static_cast<uint8_t>(g.g), static_cast<uint8_t>(g.b)};
        TableRow& row = c.page.whiteList.rows[ti];
        if (row.cells.size() < 10) {
            row.cells.resize(10);
        }
        row.cells[4] = Format("%5d", sample.cct);
        row.cells[5] = Format("%6.2lf", sample.lv);
        row.cells[6] = Format("%7.5lf", sample.duv);
        showGains(t);
        engine_.countProgress();
        step = (t + 1) << 8;
        if (t + 1 < targetCount()) {
            c.armNextSearch(c.measurementDelayMs());
        } else {
            endOfProcedure();
        }
        return;
    }
    gainHistory[ii + 1] = clamped;
    workingGains[ti] = clamped;
    c.send(MonitorCommand::SetRgbGainAlt,
           static_cast<uint32_t>(clamped.r) | static_cast<uint32_t>(clamped.g) << 8 |
               static_cast<uint32_t>(clamped.b) << 16,
           10);
    showGains(t);
    c.armReading(c.measurementDelayMs());
}

namespace {

Vec3 AsVec(const RgbGain& g) {
    return {static_cast<double>(g.r), static_cast<double>(g.g), static_cast<double>(g.b)};
}

}  // namespace

WhiteCorrection WhitePointCalibration::modelCorrection(const ColorReading& sample, int i, int t, double& Yt) {
    CalibrationContext& c = engine_.context();
    const size_t ii = static_cast<size_t>(i);
    const Vec3 white = XyzOfReading(sample);
    const Vec3 gains = AsVec(gainHistory[ii]);
    // The model carries over from target to target: the gains scale the same channels whatever
    // the preset. Only steps within one target's search correct it.
    if (!model_.built()) {
        model_.build(white, gains);
    } else if (i > 0) {
        model_.update(AsVec(gainHistory[ii - 1]), XyzOfReading(readingHistory[ii - 1]), gains, white);
    }
    double reachable = Yt;
    const std::optional<Vec3> aimed = model_.aim(white, gains, target_.u, target_.vp, Yt, &reachable);
    if (!aimed) {
        fellBack[static_cast<size_t>(t)] = true;
        c.logLine(Format("Fast white search of %dK has no model of the panel: the prescribed search continues.",
                         c.whiteTargets[static_cast<size_t>(t)].temperature));
        return CorrectWhiteGains(sample, target_, Yt, gainHistory[ii]);
    }
    if (reachable < Yt - 1.0) {
        // Where the prescribed search ends after lowering the target by 2 cd/m2 at a time.
        luminanceOffset += 2 * static_cast<int>(std::ceil((Yt - reachable) / 2.0));
        refreshTarget(t);
        Yt = target_.lv;
    }
    WhiteCorrection out;
    out.L = -10.0 * (std::sqrt(std::max(sample.lv, 0.0)) - std::sqrt(std::max(Yt, 0.0)));
    if (std::fabs(out.L) <= 1.0) {
        out.L = 0.0;
    }
    out.gains = {static_cast<int>(std::lround((*aimed)[0])), static_cast<int>(std::lround((*aimed)[1])),
                 static_cast<int>(std::lround((*aimed)[2]))};
    return out;
}

void WhitePointCalibration::endOfProcedure() {
    CalibrationContext& c = engine_.context();
    const auto judd =
        static_cast<uint32_t>(c.whiteTargets[static_cast<size_t>(kJuddOffsetRow)].temperature) | 0x8000u;
    if (c.page.colorSpaceCheck.checked) {
        engine_.gamma().startPanelGammaCheck();
        c.send(MonitorCommand::SetColorTemperature, judd, 1000);
        c.task.CalibrationState = kTaskPanelGamma;
        c.task.stepCounter = 0;
        c.scheduler.arm(kTimerTrigger, 1500);
        return;
    }
    c.task.CalibrationState = kTaskIdle;
    c.task.stepCounter = 0;
    c.send(MonitorCommand::SetColorTemperature, judd, 1000);
    c.send(MonitorCommand::Play, 0, 10);
    c.page.running = false;
    c.host.setRunControlsEnabled(true, 0);
    c.host.calibrationCompleted();
}

void WhitePointCalibration::gainReadBackStep() {
    CalibrationContext& c = engine_.context();
    int32_t& t = c.task.stepCounter;
    if (t < 0 || t >= targetCount()) {
        t = 0;
    }
    const size_t ti = static_cast<size_t>(t);
    c.send(MonitorCommand::SetColorTemperature, static_cast<uint32_t>(c.whiteTargets[ti].temperature), 1000);
    RgbGain read;
    if (readGains(read, 200)) {
        workingGains[ti] = read;
        showGains(t);
    }
    t += 1;
    if (t >= targetCount()) {
        c.task.CalibrationState = kTaskIdle;
        t = 0;
    }
    c.scheduler.arm(kTimerTrigger, 500);
}

}  // namespace halvo
