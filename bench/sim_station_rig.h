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

}  // namespace halvo::bench
