#include "sim/sim_station.h"

#include "monitor/port_endpoint.h"

namespace halvo::sim {

int CellOfMarker(int code) {
    static constexpr int kFirstSweep[9] = {5, 4, 1, 2, 3, 6, 9, 8, 7};
    static constexpr int kRefinement[9] = {1, 4, 7, 2, 3, 5, 6, 8, 9};
    if (code >= 0 && code <= 8) {
        return kFirstSweep[code];
    }
    if (code >= 9 && code <= 17) {
        return kRefinement[code - 9];
    }
    return 0;
}

SimStation::SimStation(const Clock& clock, const SimStationConfig& config)
    : clock_(clock),
      config_(config),
      panel_(std::make_unique<PanelModel>(config.panel)),
      monitor_(std::make_shared<SimMonitor>(clock, *panel_, config.monitor)),
      ca_(std::make_shared<SimCa>(
          clock, [this] { return lightAtProbe(); }, config.ca)) {}

SimStation::~SimStation() {
    uninstall();
}

void SimStation::install() {
    PortRegistry::instance().add(kSimMonitorPort, monitor_);
    PortRegistry::instance().add(kSimCaPort, ca_);
    installed_ = true;
}

void SimStation::uninstall() {
    if (installed_) {
        PortRegistry::instance().remove(kSimMonitorPort);
        PortRegistry::instance().remove(kSimCaPort);
        installed_ = false;
    }
}

ScreenPoint SimStation::probe() {
    if (followMarker_) {
        const int cell = CellOfMarker(monitor_->markerCode());
        if (cell != 0) {
            probe_ = CellCentre(cell);
        }
    }
    return probe_;
}

Xyz SimStation::lightAtProbe() {
    const ScreenPoint p = probe();
    return monitor_->emitted(p.px, p.py);
}

}  // namespace halvo::sim
