#pragma once

// The simulated station: one panel with its monitor firmware, the instruments that measure it,
// and the probe an operator would hold. Installing it registers its devices as in-process serial
// ports (SIM-MONITOR, ...), so the station opens them like any port.

#include <map>
#include <memory>
#include <set>
#include <string>
#include <utility>

#include "sim/panel_model.h"
#include "sim/sim_ca.h"
#include "sim/sim_k10.h"
#include "sim/sim_monitor.h"
#include "station/scheduler.h"

namespace halvo::sim {

inline constexpr const char* kSimMonitorPort = "SIM-MONITOR";
inline constexpr const char* kSimCaPort = "SIM-CA";
inline constexpr const char* kSimK10Port = "SIM-K10";

struct SimStationConfig {
    PanelConfig panel;
    MonitorConfig monitor;
    SimCaConfig ca;
    SimK10Config k10;
    uint32_t seed = 1;
    // Spectroradiometers plugged in (the stand-in core library enumerates them).
    int pelkoDevices = 1;
};

class SimStation {
public:
    SimStation(Scheduler& clock, const SimStationConfig& config = SimStationConfig());
    ~SimStation();
    SimStation(const SimStation&) = delete;
    SimStation& operator=(const SimStation&) = delete;

    // Registers the devices' ports and makes the station the one the stand-ins of the instrument
    // makers' libraries measure; uninstall (or destruction) undoes both.
    void install();
    void uninstall();

    PanelModel& panel() { return *panel_; }
    SimMonitor& monitor() { return *monitor_; }
    std::shared_ptr<SimMonitor> monitorEndpoint() { return monitor_; }
    SimCa& ca() { return *ca_; }
    std::shared_ptr<SimCa> caEndpoint() { return ca_; }
    SimK10& k10() { return *k10_; }
    std::shared_ptr<SimK10> k10Endpoint() { return k10_; }

    // Where the probe is: it follows the target marker, as an operator would, and otherwise stays.
    ScreenPoint probe();
    void placeProbe(ScreenPoint point) { probe_ = point; followMarker_ = false; }
    void followMarker() { followMarker_ = true; }
    // The light at the probe.
    Xyz lightAtProbe();

    // The jig of "Auto(JIG)": it carries the probe to the marked place and reports ready once
    // the marker has stood at a place for its travel time. A held jig never reports ready.
    bool jigReady();
    void holdJig(bool held) { jigHeld_ = held; }
    void setJigTravelMs(int64_t ms) { jigTravelMs_ = ms; }
    // Its spectral radiance, W/(sr m2 nm), count values from firstNm by 1 nm.
    void spectrumAtProbe(int firstNm, int count, double* out);

    Scheduler& clock() { return clock_; }

    // Fault switches for library-driven devices, by device and fault name (see sim_bridge.h).
    void setFault(const std::string& device, const std::string& fault, bool on);
    bool fault(const std::string& device, const std::string& fault) const;
    // Devices of a kind plugged in, by the device names of the faults ("pelko", ...); one of a
    // kind unless set.
    void setDeviceCount(const std::string& device, int count) { deviceCounts_[device] = count; }
    int deviceCount(const std::string& device) const;

private:
    Scheduler& clock_;
    std::set<std::pair<std::string, std::string>> faults_;
    std::map<std::string, int> deviceCounts_;
    SimStationConfig config_;
    std::unique_ptr<PanelModel> panel_;
    std::shared_ptr<SimMonitor> monitor_;
    std::shared_ptr<SimCa> ca_;
    std::shared_ptr<SimK10> k10_;
    ScreenPoint probe_{0.5, 0.5};
    bool followMarker_ = true;
    bool installed_ = false;
    bool jigHeld_ = false;
    int64_t jigTravelMs_ = 2500;
};

// The screen cell (1..9) of a target-marker code: 0..8 the first sweep (Center, Left Middle,
// Left Top, Center Top, Right Top, Right Middle, Right Bottom, Center Bottom, Left Bottom), 9..17
// the refinement order (Left Top, Left Middle, Left Bottom, Center Top, Right Top, Center, Right
// Middle, Center Bottom, Right Bottom). 0 for codes without a place.
int CellOfMarker(int code);

}  // namespace halvo::sim
