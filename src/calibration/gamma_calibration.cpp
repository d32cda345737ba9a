#include "calibration/gamma_calibration.h"

#include <cmath>

#include "calibration/calibration_engine.h"
#include "calibration/gamma_fit.h"
#include "caldata/copy_check.h"
#include "common/text_format.h"

namespace halvo {

namespace {

uint32_t Grey(int v) {
    const auto level = static_cast<uint32_t>(v & 0xFF);
    return level | level << 8 | level << 16;
}

uint32_t GammaCurveCode(double targetGamma) {
    return targetGamma == 2.2 ? 14u : 16u;
}

}  // namespace

void GammaCalibration::gammaStep() {
    CalibrationContext& c = engine_.context();
    Ccalib& page = c.page;
    int32_t& step = c.task.stepCounter;
    const int N = engine_.gammaStepCount;
    if (step == 0) {
        c.logLine("Start Gamma Calibration");
        c.task.CalibrationState = kTaskGamma;
        step = 1;
        gammaLuminance.fill(0.0);
        c.send(MonitorCommand::SaveEeprom, 0, 1000);
        if (page.colorSpaceCheck.checked) {
            c.send(MonitorCommand::SetRgbGainAlt, 0xFFFFFF, 1000);
        }
        c.send(MonitorCommand::SetCscGamma, 1, 4000);
        c.send(MonitorCommand::SetGamma, GammaCurveCode(page.data.targetGamma), 2000);
        c.scheduler.arm(kTimerTrigger, 3000);
        return;
    }

    engine_.countProgress();
    const ColorReading& reading = c.currentReading;
    if (step >= 2) {
        c.logReading(reading);
        const double lv = reading.lv;
        if (N <= 256) {
            gammaLuminance[static_cast<size_t>(step - 2)] = step == 2 ? 0.0 : lv;
        } else {
            const int per = N / 256;  // readings per stored level: 2 for 512, 4 for 1024
            if (step % per == 0) {
                const int index = step / per - 1;
                if (index >= 0 && index <= 256) {
                    gammaLuminance[static_cast<size_t>(index)] = index == 0 ? 0.0 : lv;
                }
                if (step == N) {
                    gammaLuminance[256] = lv;
                }
            }
        }
        for (int k = 8; k <= 16; ++k) {
            if (step - 1 == N * k / 16) {
                engine_.reportTemperatures[static_cast<size_t>(k - 8)] = reading.cct;
                break;
            }
        }
    }
    if (step <= N + 1) {
        if (N <= 256) {
            const int v = GammaLevel8(step, N);
            c.send(MonitorCommand::DrawPattern, Grey(v), 10);
        } else {
            const int w = GammaLevel10(step, N);
            c.send(MonitorCommand::DrawGammaPattern, static_cast<uint32_t>(w), 10);
        }
        step += 1;
        c.scheduler.arm(kTimerTrigger, 3000);
        return;
    }
    engine_.reportTemperatures[9] = reading.cct;
    finishMeasurement();
}

void GammaCalibration::finishMeasurement() {
    CalibrationContext& c = engine_.context();
    Ccalib& page = c.page;
    const int N = engine_.gammaStepCount;
    GammaFitResult table;
    if (N < 256) {
        table = fitGamma(gammaLuminance.data(), N);
        measuredGamma = table.exponent;
    } else {
        std::array<double, 129> scratch{};
        for (size_t j = 0; j <= 128; ++j) {
            scratch[j] = gammaLuminance[2 * j];
        }
        measuredGamma = fitGamma(scratch.data(), 128).exponent;
        table = fitGamma(gammaLuminance.data(), 256);
    }
    for (const int i : table.reversed) {
        c.logLine(Format("Waring Mesured luminance data is Reversed(%d).", i));
    }
    page.data.gammaTable = table.table;
    page.data.measuredGamma = static_cast<float>(measuredGamma);
    page.gammaField.text = Format("%4.2lf", measuredGamma);
    page.temperatureField.text = Format("%5d", c.currentReading.cct);
    page.data.gammaText = page.gammaField.text;
    page.data.temperatureText = page.temperatureField.text;
    c.stopMeasurementTimers();
    c.task.CalibrationState = kTaskGammaUpload;
    c.task.stepCounter = 0;
    c.ui.refresh();
    c.scheduler.arm(kTimerRead, 10);
}

void SendGammaTablePacket(const CalibrationContext& c, const GammaToLvTable& t, int packet) {
    const size_t first = static_cast<size_t>(4 * packet);
    uint8_t data[9];
    data[0] = static_cast<uint8_t>(first);
    for (size_t k = 0; k < 4; ++k) {
        data[1 + 2 * k] = static_cast<uint8_t>(t[first + k] & 0xFF);
        data[2 + 2 * k] = static_cast<uint8_t>(t[first + k] >> 8);
    }
    c.monitor.sendFrame(BuildGammaTableFrame(data), "", 0);
    c.logLine(Format("Gamma to Lv %d = (%d,%d,%d,%d...)", static_cast<int>(first), t[first], t[first + 1],
                     t[first + 2], t[first + 3]));
}

void GammaCalibration::gammaUploadStep() {
    CalibrationContext& c = engine_.context();
    Ccalib& page = c.page;
    int32_t& step = c.task.stepCounter;
    const GammaToLvTable& t = page.data.gammaTable;
    if (step >= 0 && step < 64) {
        SendGammaTablePacket(c, t, step);
        ++step;
        c.scheduler.arm(kTimerRead, 80);
        return;
    }
    switch (step) {
        case 64:
            ++step;
            c.scheduler.arm(kTimerRead, 2500);
            return;
        case 65:
            c.send(MonitorCommand::SetCscGamma, 0, 4000);
            ++step;
            c.scheduler.arm(kTimerRead, 10);
            return;
        case 66:
            c.send(MonitorCommand::SetGamma, GammaCurveCode(page.data.targetGamma), 2000);
            ++step;
            c.scheduler.arm(kTimerRead, 1000);
            return;
        default: {
            page.data.panelGammaCode[0] = 8;
            const auto gamma100 = static_cast<uint32_t>(measuredGamma * 100.0);
            c.send(MonitorCommand::WriteDefaultPanelGamma, (15u << 24) | (8u << 16) | gamma100, 1000);
            step = 0;
            c.task.CalibrationState = page.colorSpaceCheck.checked ? kTaskColorSpace : kTaskWhitePoint;
            c.scheduler.arm(kTimerTrigger, 1500);
            return;
        }
    }
}

void GammaCalibration::panelGammaStep() {
    CalibrationContext& c = engine_.context();
    Ccalib& page = c.page;
    int32_t& step = c.task.stepCounter;
    const size_t space = static_cast<size_t>(std::clamp(panelGammaSpace, 0, 5));
    if (step == 0) {
        c.stopMeasurementTimers();
        // Each check fits its own points only, also when it is run again on its own.
        chartSeries[space].clear();
        c.send(MonitorCommand::SetColorSpace, static_cast<uint32_t>(space), 5000);
        c.send(MonitorCommand::SetColorTemperature, 6500, 1000);
        c.send(MonitorCommand::DrawPattern, 0, 10);
        step = 1;
        c.scheduler.arm(kTimerTrigger, 2000);
        return;
    }
    engine_.countProgress();
    if (step <= 11) {
        c.logReading(c.currentReading);
        const double level = std::ceil((step - 1) * 25.5);
        chartSeries[space].push_back({level, c.currentReading.lv});
        if (step < 11) {
            c.send(MonitorCommand::DrawPattern, Grey(static_cast<int>(std::ceil(step * 25.5))), 10);
        }
        ++step;
        c.scheduler.arm(kTimerTrigger, 3000);
        return;
    }
    const ChartGammaFit fit = fitChartGamma(chartSeries[space]);
    // A run without the gamma calibration has measured no exponent before this check (0), and
    // the monitor would be given a default panel gamma of 0; the exponent just measured is the
    // panel's gamma then.
    const double g0 = IsPanelGamma(measuredGamma) ? measuredGamma : fit.g;
    measuredGamma = fit.g;
    const double d = PanelGammaTarget(static_cast<int>(space), page.data.targetGamma) - measuredGamma;
    const int k = PanelGammaStep(d);
    const int code = std::min(k + 8, 16);
    page.data.panelGammaCode[space] = static_cast<uint8_t>(code);
    c.logLine(Format("panel gamma = %f %f %d %d %d", measuredGamma, d, k, code, static_cast<int>(space)));
    const auto g100 = static_cast<uint32_t>(g0 * 100.0);
    const uint32_t selector = page.colorPriority.checked ? (static_cast<uint32_t>(code) | static_cast<uint32_t>(space) << 8)
                                                        : (static_cast<uint32_t>(code) | 0x0F00u);
    c.send(MonitorCommand::WriteDefaultPanelGamma, selector << 16 | g100, 1000);
    nextPanelGammaSpace();
    if (panelGammaSpace < 6) {
        step = 0;
        c.scheduler.arm(kTimerTrigger, 100);
        return;
    }
    c.task.CalibrationState = kTaskIdle;
    step = 0;
    // The check ends on the last colour space it measured; the monitor goes back to its native
    // picture, which a verification right after measures first.
    c.send(MonitorCommand::SetColorSpace, 0, 5000);
    c.send(MonitorCommand::SetColorTemperature, 6500, 1000);
    c.send(MonitorCommand::Play, 0, 10);
    page.running = false;
    c.host.setRunControlsEnabled(true, 0);
    c.host.calibrationCompleted();
}

void GammaCalibration::nextPanelGammaSpace() {
    Ccalib& page = engine_.context().page;
    if (!page.colorPriority.checked) {
        panelGammaSpace = 6;
        return;
    }
    const uint8_t mask = page.data.colorSpaceMask;
    do {
        ++panelGammaSpace;
    } while (panelGammaSpace < 6 && (mask & (1u << (panelGammaSpace - 1))) == 0);
}

}  // namespace halvo
