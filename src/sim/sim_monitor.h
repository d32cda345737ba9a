#pragma once

// The simulated Vorla monitor's firmware: it parses every frame of the monitor protocol and the
// EEPROM frames, keeps the state they set, answers queries in the monitor's framing and decides
// what the panel shows. What each command does here:
//
// - DrawPattern / DrawPatternOL (r, g, b 8-bit levels): a full-screen patch of that colour.
//   DrawGammaPattern (10-bit grey level), DrawCustomPattern (1 white, 2 50% grey, 3 black,
//   4 a 75% white): full-screen patches as well. Pause and Play freeze or resume nothing we show.
// - SetBacklight: the backlight level 0..255; peak luminance follows it linearly.
// - SetColorTemperature (kelvin in the low 14 bits): selects the colour-temperature preset shown.
//   With bit 15 set the preset is also selected for adjustment. Every preset holds R, G, B gains
//   (factory values close to, but not on, the preset's white). SetRgbGain and SetRgbGainAlt
//   change the gains of the preset selected for adjustment (else of the one shown); GetRgbGain
//   answers the shown preset's gains. Gains act on linear light: gain / 255 of the channel.
// - SetCalibrationId (both forms), GetCalibrationId, GetVersion, GetModelInfo, GetBacklight, the
//   extended capability query, GetInputSource, GetMonitorStatus, GetPatternStatus: as configured.
// - SaveEeprom stores the calibration ID into the EEPROM (addresses 38..46). EEPROM frames read
//   and write single bytes of the 6656-byte EEPROM.
// - KeepAlive is answered with two bytes (the station only counts them).
// Everything else is accepted and kept as state for later use.

#include <array>
#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "sim/monitor_frames.h"
#include "sim/panel_model.h"
#include "sim/sim_serial_device.h"

namespace halvo::sim {

struct MonitorConfig {
    std::string versionText = "TXM-600-HD-S V1.02";
    uint8_t modelInfo = 0x90;
    uint8_t capability = 0x15;  // answer byte of the extended query; the station keeps its upper four bits
    std::string calibrationId = "VRL000001";
    int backlight = 200;
    int responseLatencyMs = 4;  // firmware time before an answer starts
    uint32_t seed = 1;
};

struct RgbGains {
    int r = 255;
    int g = 255;
    int b = 255;
};

class SimMonitor : public SimSerialDevice {
public:
    static constexpr size_t kEepromSize = 6656;

    SimMonitor(const Clock& clock, const PanelModel& panel, const MonitorConfig& config = MonitorConfig());

    // What the screen emits at a position (0..1 from the top left), for the state in force.
    Xyz emitted(double px, double py) const;

    // Where the target marker is (a probe place code), or -1 when none is drawn.
    int markerCode() const { return markerCode_; }

    MonitorConfig& config() { return config_; }
    const std::array<uint8_t, kEepromSize>& eeprom() const { return eeprom_; }
    std::array<uint8_t, kEepromSize>& eeprom() { return eeprom_; }
    const std::string& calibrationId() const { return calibrationId_; }
    int backlight() const { return backlight_; }
    int shownPreset() const { return shownPreset_; }
    RgbGains presetGains(int kelvin);
    int gammaCode() const { return gammaCode_; }
    bool processingBypassed() const { return cscGammaBypass_; }
    size_t framesHandled() const { return framesHandled_; }

    // Every frame received, with the time its last byte arrived, while recording is on (tests
    // assert the exact wire traffic with it).
    struct ReceivedFrame {
        int64_t atMs;
        Bytes bytes;
    };
    void recordFrames(bool on) { recording_ = on; }
    const std::vector<ReceivedFrame>& receivedFrames() const { return received_; }
    void clearReceivedFrames() { received_.clear(); }

protected:
    void onBytes(const uint8_t* data, size_t length, int64_t atMs) override;
    void onPurge() override { splitter_.clear(); }

private:
    void handle(const Bytes& frame, int64_t atMs);
    void handleCommand(uint8_t cls, uint8_t code, const Bytes& frame, int64_t atMs);
    void answer(std::initializer_list<uint8_t> bytes, int64_t atMs);
    void answer(const Bytes& bytes, int64_t atMs);
    RgbGains& preset(int kelvin);
    RgbGains factoryGains(int kelvin);

    const PanelModel& panel_;
    MonitorConfig config_;
    FrameSplitter splitter_;
    std::array<uint8_t, kEepromSize> eeprom_{};
    std::map<int, RgbGains> presets_;

    // The picture.
    std::array<double, 3> patternCode_{1.0, 1.0, 1.0};  // normalised 0..1 per channel; white at power-on
    int markerCode_ = -1;
    int backlight_;
    int shownPreset_ = 6500;
    int adjustPreset_ = 6500;
    int gammaCode_ = 14;
    bool cscGammaBypass_ = false;
    int calibrationExecution_ = 0;
    int inputSource_ = 8;
    std::string calibrationId_;
    size_t framesHandled_ = 0;
    bool recording_ = false;
    std::vector<ReceivedFrame> received_;
};

}  // namespace halvo::sim
