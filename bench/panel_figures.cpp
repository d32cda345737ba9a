// What a full calibration does to each simulated panel, as the station measures it with its
// CA-210: the verification before and after (items out of range), the worst white after it
// (every preset the run calibrated, Δu'v' from its target), the worst gamma error of the verification, and
// the interior of each calibrated colour space (24 codes with every channel lit and none full,
// never grey; mean and largest Δu'v' from the target space). Not a timing benchmark: it prints
// figures. Usage: halvo_bench_panel_figures [panel ...] (default: wide-lcd cool-lcd).

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "app/halvo_dlg.h"
#include "sim_station_rig.h"
#include "caldata/color_space_targets.h"
#include "reports/report_export.h"
#include "sim/panel_catalog.h"
#include "sim/sim_station.h"

namespace {

using namespace halvo;

constexpr unsigned kEverySpace = (1u << kColorSpaceCount) - 1;
constexpr unsigned kEveryMeasureSpace = (1u << kMeasureSpaceCount) - 1;

struct Station {
    VirtualScheduler scheduler;
    QuietStationUi ui;
    std::unique_ptr<sim::SimStation> sim;
    std::unique_ptr<CHalvoDlg> dlg;

    Station(const sim::PanelConfig& panel, const std::string& dir) {
        sim::SimStationConfig config;
        config.panel = panel;
        sim = std::make_unique<sim::SimStation>(scheduler, config);
        sim->install();
        dlg = bench::ConnectToSimulatedStation(scheduler, ui, dir);
        dlg->onContinuouslyToggled(false);
    }

    ReportBook verify(unsigned spaces) {
        CMeasure& m = dlg->measure();
        m.onKindToggled(kKindGamma, true);
        m.onKindToggled(kKindColor, true);
        m.onKindToggled(kKindTemperature, true);
        m.onKindToggled(kKindUniformity, false);
        m.onColorSpaceToggled(true);
        for (int cs = 0; cs < kMeasureSpaceCount; ++cs) {
            m.onColorSpaceBoxToggled(cs, (spaces & (1u << cs)) != 0);
        }
        scheduler.runFor(1000);
        dlg->startOrStopMeasurement();
        scheduler.runUntil([&] { return dlg->task().CalibrationState == kTaskIdle; }, 4 * 3600 * 1000);
        return BuildReportFor(dlg->reportSources());
    }

    // Gamma, the five colour spaces at one level, the seven white points, the panel-gamma check;
    // stored in the EEPROM. False when it failed.
    bool calibrate() {
        Ccalib& page = dlg->calib();
        page.onGammaToggled(true);
        page.onUniformityToggled(false);
        page.onColorSpaceToggled(true);
        for (int n = 0; n < kColorSpaceCount; ++n) {
            page.onTargetBoxToggled(n, (kEverySpace & (1u << n)) != 0);
        }
        page.setStepCount(8);
        page.onLevelToggled(false);
        page.onColorPriorityToggled(false);
        scheduler.runFor(100);
        for (size_t t = 0; t < page.whiteList.rows.size() && t < dlg->whiteTargets.size(); ++t) {
            page.whiteList.rows[t].checked = true;
            dlg->whiteTargets[t].chosen = true;
        }
        page.onAutoCalibration();
        scheduler.runUntil([&] { return ui.notices.completionOpen || ui.notices.failureOpen; }, 6 * 3600 * 1000);
        if (!ui.notices.completionOpen) {
            return false;
        }
        scheduler.runFor(17000);
        return true;
    }

    ColorReading measure(MonitorCommand command, uint32_t argument) {
        scheduler.runFor(1000);
        dlg->sender().sendMonitorCommand(command, argument, 0);
        scheduler.runFor(1500);
        int readings = 0;
        dlg->readingObserver = [&] { ++readings; };
        dlg->onMeasureClicked();
        scheduler.runUntil([&] { return readings > 0; }, 20000);
        dlg->readingObserver = nullptr;
        return dlg->currentReading;
    }
};

int OutOfRange(const ReportBook& book) {
    return static_cast<int>(std::count_if(book.verdicts.begin(), book.verdicts.end(),
                                          [](const VerdictLine& v) { return v.verdict == Verdict::OutOfRange; }));
}

// The largest |gamma - its target| among the verification's gamma items, and which.
double WorstGamma(const ReportBook& book, std::string& which) {
    double worst = 0.0;
    for (const VerdictLine& v : book.verdicts) {
        if (v.test == "Gamma" && !v.value.empty()) {
            const double target = v.item == "D-CINEMA" ? kDCinemaGamma : 2.2;
            const double e = std::fabs(std::atof(v.value.c_str()) - target);
            if (e > worst) {
                worst = e;
                which = v.item + " " + v.value;
            }
        }
    }
    return worst;
}

// Every calibrated preset's full white against its target.
double WorstWhite(Station& s, std::string& which) {
    double worst = 0.0;
    // The monitor takes 2000 ms to switch; a preset chosen sooner would be refused, and the
    // white before it measured in its name.
    s.dlg->sender().sendMonitorCommand(MonitorCommand::SetColorSpace, 0, 2000);
    const auto& iterations = s.dlg->engine().whitePoint().iterations;
    for (size_t k = 0; k < s.dlg->whiteTargets.size(); ++k) {
        const auto& t = s.dlg->whiteTargets[k];
        // A run with colour spaces calibrates six presets; the seventh keeps its factory gains.
        if (!t.computed || k >= iterations.size() || iterations[k] == 0) {
            continue;
        }
        s.dlg->sender().sendMonitorCommand(MonitorCommand::SetColorTemperature, static_cast<uint32_t>(t.temperature),
                                           1000);
        const ColorReading r = s.measure(MonitorCommand::DrawPattern, 0xFFFFFF);
        const double e = std::hypot(r.u - t.target.u, r.vp - t.target.vp);
        if (e > worst) {
            worst = e;
            which = t.label;
        }
    }
    return worst;
}

void Interior(Station& s, int space, double& mean, double& worst) {
    const auto& targets = s.dlg->calib().colorSpaceTargets[static_cast<size_t>(space)];
    const std::vector<std::array<int, 3>> codes = InteriorCodes();
    s.dlg->sender().sendMonitorCommand(MonitorCommand::SetColorSpace, static_cast<uint32_t>(space + 1), 3000);
    const double gamma = space == kDCinema ? kDCinemaGamma : 2.2;
    mean = worst = 0.0;
    for (const auto& c : codes) {
        const ColorReading t = ColorSpaceCodeTarget(targets, c[0], c[1], c[2], gamma);
        const ColorReading r = s.measure(MonitorCommand::DrawPattern, static_cast<uint32_t>(c[0] | c[1] << 8 | c[2] << 16));
        const double e = std::hypot(r.u - t.u, r.vp - t.vp);
        mean += e / static_cast<double>(codes.size());
        worst = std::max(worst, e);
    }
}

}  // namespace

int main(int argc, char** argv) {
    std::vector<std::string> panels(argv + 1, argv + argc);
    if (panels.empty()) {
        panels = {"wide-lcd", "cool-lcd"};
    }
    const std::string dir = std::filesystem::temp_directory_path() / "halvo_panel_figures";
    std::filesystem::create_directories(dir);
    int status = 0;
    for (const std::string& name : panels) {
        std::string error;
        const std::optional<sim::PanelConfig> panel = sim::PanelFromText(name, &error);
        if (!panel) {
            std::fprintf(stderr, "%s\n", error.c_str());
            return 2;
        }
        Station s(*panel, dir);
        const ReportBook before = s.verify(kEveryMeasureSpace);
        if (!s.calibrate()) {
            std::printf("%-20s the calibration failed\n", name.c_str());
            status = 1;
            continue;
        }
        const ReportBook after = s.verify(kEveryMeasureSpace);
        std::string white;
        const double worstWhite = WorstWhite(s, white);
        std::printf("%s\n", name.c_str());
        std::printf("  verification, items out of range: %d of %zu before, %d after\n", OutOfRange(before),
                    before.verdicts.size(), OutOfRange(after));
        for (const VerdictLine& v : after.verdicts) {
            if (v.verdict == Verdict::OutOfRange) {
                std::printf("    OR after: %s %s %s %s\n", v.test.c_str(), v.item.c_str(), v.quantity.c_str(),
                            v.value.c_str());
            }
        }
        std::printf("  worst white after (calibrated presets): %.4f du'v' (%s)\n", worstWhite, white.c_str());
        std::string gamma;
        const double worstGamma = WorstGamma(after, gamma);
        std::printf("  worst gamma error after: %.3f (%s)\n", worstGamma, gamma.c_str());
        for (int space = 0; space < kColorSpaceCount; ++space) {
            double mean = 0, worst = 0;
            Interior(s, space, mean, worst);
            std::printf("  interior of %-8s (24 codes): mean %.4f, max %.4f du'v'\n",
                        kColorSpaceListNames[static_cast<size_t>(space)], mean, worst);
        }
        // Figures of frames the monitor refused would not be the station's.
        const sim::ProtocolChecker& checker = s.sim->monitor().checker();
        std::printf("  frames the monitor refused: %zu\n", checker.violationCount());
        for (const sim::ProtocolViolation& v : checker.violations()) {
            std::printf("    %s\n", v.text().c_str());
        }
        status = OutOfRange(after) == 0 && checker.violationCount() == 0 ? status : 1;
    }
    return status;
}
