#pragma once

// The window's controller connected to the simulated station on a virtual clock, through the
// measurement cycle's start, as the benchmarks and figure programs drive it.

#include <memory>
#include <string>
#include <vector>

#include "app/halvo_dlg.h"
#include "sim/sim_station.h"

namespace halvo::bench {

inline std::unique_ptr<CHalvoDlg> ConnectToSimulatedStation(VirtualScheduler& scheduler, StationUi& ui,
                                                            const std::string& dir) {
    CHalvoDlg::Options options;
    options.workingDirectory = dir;
    options.enumeratePorts = [] { return std::vector<std::string>{sim::kSimMonitorPort, sim::kSimCaPort}; };
    auto dlg = std::make_unique<CHalvoDlg>(scheduler, ui, options);
    dlg->initDialog();
    dlg->setup().monitorPort.selectText(sim::kSimMonitorPort);
    dlg->setup().instrumentPort.selectText(sim::kSimCaPort);
    scheduler.runFor(0);
    dlg->onConnectClicked(true);
    scheduler.runUntil([&] { return !scheduler.isArmed(kTimerIdentify); }, 10000);
    scheduler.runFor(2000);
    return dlg;
}

// The Calibration page's choices for a run: gamma, the colour spaces (bit n for space n) at
// 1 or more levels, every white point or none; no uniformity.
inline void ChooseCalibration(CHalvoDlg& dlg, VirtualScheduler& scheduler, bool gamma, unsigned spaces, int levels,
                              bool whites) {
    Ccalib& page = dlg.calib();
    page.onGammaToggled(gamma);
    page.onUniformityToggled(false);
    page.onColorSpaceToggled(spaces != 0);
    for (int n = 0; n < kColorSpaceCount; ++n) {
        page.onTargetBoxToggled(n, (spaces & (1u << n)) != 0);
    }
    if (spaces != 0) {
        page.setStepCount(levels < 2 ? 8 : levels);
        page.onLevelToggled(levels >= 2);
    }
    scheduler.runFor(100);
    for (size_t t = 0; t < page.whiteList.rows.size() && t < dlg.whiteTargets.size(); ++t) {
        page.whiteList.rows[t].checked = whites;
        dlg.whiteTargets[t].chosen = whites;
    }
}

}  // namespace halvo::bench
