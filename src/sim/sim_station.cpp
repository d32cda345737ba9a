#include "sim/sim_station.h"

#include "monitor/port_endpoint.h"
#include "sim/bridge/sim_bridge.h"

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

namespace {

// The hooks of the installed station (one at a time per process).
HalvoSimHooks g_hooks{};

int64_t HookNow(void* context) {
    return static_cast<SimStation*>(context)->clock().nowMs();
}

void HookSleep(void* context, int64_t ms) {
    static_cast<SimStation*>(context)->clock().sleep(ms);
}

void HookLight(void* context, double xyz[3]) {
    const Xyz light = static_cast<SimStation*>(context)->lightAtProbe();
    xyz[0] = light.X;
    xyz[1] = light.Y;
    xyz[2] = light.Z;
}

int HookSpectrum(void* context, int firstNm, int count, double* out) {
    if (count <= 0 || out == nullptr) {
        return 0;
    }
    static_cast<SimStation*>(context)->spectrumAtProbe(firstNm, count, out);
    return count;
}

int HookFault(void* context, const char* device, const char* fault) {
    return static_cast<SimStation*>(context)->fault(device != nullptr ? device : "", fault != nullptr ? fault : "")
               ? 1
               : 0;
}

int HookDeviceCount(void* context, const char* device) {
    return static_cast<SimStation*>(context)->deviceCount(device != nullptr ? device : "");
}

}  // namespace

SimStation::SimStation(Scheduler& clock, const SimStationConfig& config)
    : clock_(clock),
      config_(config),
      panel_(std::make_unique<PanelModel>(config.panel)),
      monitor_(std::make_shared<SimMonitor>(clock, *panel_, config.monitor)),
      ca_(std::make_shared<SimCa>(
          clock, [this] { return lightAtProbe(); }, config.ca)),
      k10_(std::make_shared<SimK10>(
          clock, [this] { return lightAtProbe(); }, config.k10)) {
    deviceCounts_["pelko"] = config.pelkoDevices;
    // The operator moves the probe as soon as a marker shows a place, whether or not anything is
    // measured before the marker goes off again.
    monitor_->markerDrawn = [this](int code) {
        const int cell = CellOfMarker(code);
        if (followMarker_ && cell != 0) {
            probe_ = CellCentre(cell);
        }
    };
}

SimStation::~SimStation() {
    uninstall();
}

void SimStation::install() {
    PortRegistry::instance().add(kSimMonitorPort, monitor_);
    PortRegistry::instance().add(kSimCaPort, ca_);
    PortRegistry::instance().add(kSimK10Port, k10_);
    g_hooks = {HALVO_SIM_BRIDGE_VERSION, this,      HookNow,         HookSleep,   HookLight,
               HookSpectrum,             HookFault, HookDeviceCount, config_.seed};
    halvo_sim_set_hooks(&g_hooks);
    installed_ = true;
}

void SimStation::uninstall() {
    if (installed_) {
        PortRegistry::instance().remove(kSimMonitorPort);
        PortRegistry::instance().remove(kSimCaPort);
        PortRegistry::instance().remove(kSimK10Port);
        if (halvo_sim_hooks() == &g_hooks && g_hooks.context == this) {
            halvo_sim_set_hooks(nullptr);
        }
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

void SimStation::setFault(const std::string& device, const std::string& fault, bool on) {
    if (on) {
        faults_.insert({device, fault});
    } else {
        faults_.erase({device, fault});
    }
}

bool SimStation::fault(const std::string& device, const std::string& fault) const {
    return faults_.count({device, fault}) != 0;
}

int SimStation::deviceCount(const std::string& device) const {
    const auto it = deviceCounts_.find(device);
    return it != deviceCounts_.end() ? it->second : 1;
}

void SimStation::spectrumAtProbe(int firstNm, int count, double* out) {
    panel_->spectrumOf(lightAtProbe(), firstNm, count, out);
}

bool SimStation::jigReady() {
    const SimMonitor& m = *monitor_;
    if (jigHeld_ || CellOfMarker(m.markerCode()) == 0) {
        return false;
    }
    return clock_.nowMs() - m.markerMovedAtMs() >= jigTravelMs_;
}

Xyz SimStation::lightAtProbe() {
    const ScreenPoint p = probe();
    return monitor_->emitted(p.px, p.py);
}

}  // namespace halvo::sim
