#pragma once

// The simulated Vorla monitor's firmware: it parses every frame of the monitor protocol and the
// EEPROM frames, keeps the state they set, answers queries in the monitor's framing and decides
// what the panel shows. What each command does here:
//
// - DrawPattern / DrawPatternOL (r, g, b 8-bit levels): a full-screen patch of that colour.
//   DrawGammaPattern (10-bit grey level), DrawCustomPattern (1 white, 2 50% grey, 3 black,
//   4 a 75% white): full-screen patches as well. Pause and Play freeze or resume nothing we show.
// - SetBacklight: the backlight level 0..100 (the page's "Back light"); peak luminance follows it
//   linearly.
// - SetColorTemperature (kelvin in the low 14 bits): selects the colour-temperature preset shown.
//   With bit 15 set the preset is also selected for adjustment. Every preset holds R, G, B gains
//   (factory values close to, but not on, the preset's white). SetRgbGain and SetRgbGainAlt
//   change the gains of the preset selected for adjustment; GetRgbGain answers the shown
//   preset's gains. Gains act on linear light (see monitor_pipeline.h). "Calibration
//   execution(1)" starts a calibration with no preset selected for adjustment: gains sent before
//   a colour temperature is chosen with bit 15 change no preset.
// - SetCscGamma 1 bypasses the picture processing (the raw panel is measured), 0 enables it;
//   CalibrationExecution 0 (leaving calibration mode) enables it too.
//   SetGamma selects the gamma curve (14: 2.2, 16: 2.35, 19: 2.6). The gamma table packets
//   (FD 88 00 FE 0D, first index, four 16-bit entries) load the gamma-to-luminance table that
//   linearises the panel. WriteDefaultPanelGamma stores the panel gamma and its correction code:
//   for colour space 15 the default, else the code of that colour space; each code step above 8
//   steepens the curve by 0.025.
// - SetCalibrationId (both forms), GetCalibrationId, GetVersion, GetModelInfo, GetBacklight, the
//   extended capability query, GetInputSource, GetMonitorStatus, GetPatternStatus: as configured.
// - SaveEeprom stores the whole calibration (monitor_calibration.h) in the EEPROM; powerCycle()
//   (a test hook: the monitor switched off and on) reads it back, so unsaved work is lost. EEPROM
//   frames read and write single bytes of the 6656-byte EEPROM.
// - The uniformity packets (FA 88 00 FE 13, FE 88 00 FE 13) set the uniformity correction; what
//   its parameters mean is in monitor_uniformity.h.
// - KeepAlive is answered with two bytes (the station only counts them).
// - The colour-space commands, the RGB offsets and the colour-space tables: see
//   monitor_color_space.h.
// Everything else is accepted and kept as state for later use.
//
// Before any of that, every frame passes the protocol checker (protocol_checker.h): a frame
// that breaks the protocol, or reaches the monitor before it can take it, does nothing, and the
// violation is kept for the tests and for halvo-sim --strict.

#include <array>
#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "sim/monitor_calibration.h"
#include "sim/monitor_color_space.h"
#include "sim/monitor_frames.h"
#include "sim/monitor_inputs.h"
#include "sim/monitor_pipeline.h"
#include "sim/panel_model.h"
#include "sim/protocol_checker.h"
#include "sim/sim_serial_device.h"

namespace halvo::sim {

struct MonitorConfig {
    std::string versionText = "TXM-600-HD-S V1.02";
    uint8_t modelInfo = 0x90;
    uint8_t capability = 0x15;  // answer byte of the extended query; the station keeps its upper four bits
    std::string calibrationId = "VRL000001";
    int backlight = 100;
    int responseLatencyMs = 4;  // firmware time before an answer starts
    DriftConfig drift;          // the panel's drift from power-on (none unless asked for)
    // How "Get ColorSpace Offset" words carry their 10-bit values: sign-extended to 16 bits (-1 as
    // FF FF), or bare (-1 as FF 03), as some firmware sends them.
    OffsetWordForm offsetWords = OffsetWordForm::SignExtended;
    uint32_t seed = 1;
    // How much sooner than the protocol allows a frame may arrive and still be taken: 0 on the
    // virtual clock; over a pseudo-terminal the reader's polling makes arrival times jitter.
    int timingToleranceMs = 0;
};

class SimMonitor : public SimSerialDevice {
public:
    static constexpr size_t kEepromSize = kMonitorEepromSize;

    SimMonitor(const Clock& clock, const PanelModel& panel, const MonitorConfig& config = MonitorConfig());

    // What the screen emits at a position (0..1 from the top left), for the state in force.
    Xyz emitted(double px, double py) const;

    // Where the target marker is (a probe place code), or -1 when none is drawn.
    int markerCode() const { return markerCode_; }
    // Called with the code of every marker drawn (not with the code that removes it).
    std::function<void(int code)> markerDrawn;
    // When the marker last moved (was drawn at another place or removed).
    int64_t markerMovedAtMs() const { return markerMovedAtMs_; }

    MonitorConfig& config() { return config_; }
    const std::array<uint8_t, kEepromSize>& eeprom() const { return eeprom_; }
    std::array<uint8_t, kEepromSize>& eeprom() { return eeprom_; }
    const std::string& calibrationId() const { return ram_.calibrationId; }
    int backlight() const { return ram_.backlight; }
    int shownPreset() const { return picture_.shownPreset; }
    RgbGains presetGains(int kelvin);
    int gammaCode() const { return ram_.gammaCurveCode; }
    bool processingBypassed() const { return picture_.processingBypassed; }
    // The calibration the monitor works with now (RAM), and what a power cycle would restore.
    const MonitorCalibration& calibration() const { return ram_; }
    MonitorCalibration& calibration() { return ram_; }
    MonitorCalibration savedCalibration() const;
    // Switched off and on: RAM reloads from the EEPROM, the picture returns to power-on white.
    void powerCycle();
    // Back to the factory calibration (RAM and EEPROM), as a new monitor leaves the factory.
    void factoryReset();
    // Inputs, the monitor's own ADC calibration, and panel drift (monitor_inputs.h).
    MonitorInputs& inputs() { return inputs_; }
    size_t framesHandled() const { return framesHandled_; }
    // What the monitor made of the frames it got: the protocol violations.
    ProtocolChecker& checker() { return checker_; }
    const ProtocolChecker& checker() const { return checker_; }
    const MonitorColorSpaces& colorSpaces() const { return colorSpaces_; }
    const PictureState& picture() const { return picture_; }

    // Every frame received, with the time its last byte arrived, while recording is on (tests
    // assert the exact wire traffic with it). Frames the checker refused are among them.
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
    void handle(const Bytes& frame, double startMs, int64_t atMs);
    void handleCommand(uint8_t cls, uint8_t code, const Bytes& frame, int64_t atMs);
    void answer(std::initializer_list<uint8_t> bytes, int64_t atMs);
    void answer(const Bytes& bytes, int64_t atMs);
    RgbGains& preset(int kelvin);
    RgbGains factoryGains(int kelvin) const;
    MonitorCalibration factoryCalibration() const;

    const PanelModel& panel_;
    MonitorConfig config_;
    FrameSplitter splitter_;
    ProtocolChecker checker_;
    std::array<uint8_t, kEepromSize> eeprom_{};
    MonitorCalibration ram_;
    MonitorColorSpaces colorSpaces_;

    // The picture and the state that is not saved.
    PictureState picture_;
    int markerCode_ = -1;
    int64_t markerMovedAtMs_ = 0;
    static constexpr int kNoAdjustPreset = 0;
    int adjustPreset_ = 6500;
    int calibrationExecution_ = 0;
    MonitorInputs inputs_;
    int64_t poweredOnAtMs_ = 0;
    size_t framesHandled_ = 0;
    bool recording_ = false;
    std::vector<ReceivedFrame> received_;
};

}  // namespace halvo::sim
