#include "calibration/upload_sequence.h"

#include <algorithm>

#include "calibration/calibration_engine.h"
#include "caldata/color_space_targets.h"
#include "calibration/colour_space_search.h"
#include "calibration/lut_packet.h"
#include "calibration/uniformity_packets.h"
#include "common/text_format.h"

namespace halvo {

namespace {

constexpr int kPhaseBasics = 0;
constexpr int kPhaseUniformity = 1;
constexpr int kPhaseGammaTable = 2;
constexpr int kPhaseGammaSettle = 3;
constexpr int kPhasePanelGamma = 4;
constexpr int kPhaseColorSpacePrepare = 5;
constexpr int kPhaseColorSpaces = 6;
constexpr int kPhaseWhiteGains = 7;
constexpr int kPhasePanelGammaCodes = 8;
constexpr int kPhaseFinish = 9;

constexpr int kGammaPackets = 64;
// Colour-space sub-steps after the replay.
constexpr int kFirstTablePacket = 3;
constexpr int kSaveTable = kFirstTablePacket + 64;
constexpr int kNextSpace = kSaveTable + 1;

int FirstSpace(const CalibrationData& d, int from) {
    for (int n = from; n < kColorSpaceCount; ++n) {
        if ((d.colorSpaceMask & (1u << n)) != 0 && HoldsColourSpaceCalibration(d, n)) {
            return n;
        }
    }
    return -1;
}

uint32_t PackGains(const Rgb8& g) {
    return static_cast<uint32_t>(g[0]) | static_cast<uint32_t>(g[1]) << 8 | static_cast<uint32_t>(g[2]) << 16;
}

// Nothing the copy sends is answered outside the colour-space replay, so a monitor that went
// away takes the whole copy in silence. Before the copy is called a success, it has to answer
// a keep-alive.
bool MonitorAnswers(CalibrationContext& c) {
    SerialLink& link = c.monitor.link();
    link.purge();
    c.send(MonitorCommand::KeepAlive, 0, 0);
    for (int waited = 0; waited < 500; waited += 10) {
        c.scheduler.sleep(10);
        if (!link.readChunk().empty()) {
            return true;
        }
    }
    return false;
}

}  // namespace

void UploadSequence::start() {
    CalibrationContext& c = engine_.context();
    running_ = true;
    completed_ = false;
    phase_ = kPhaseBasics;
    k_ = 0;
    y_ = 0;
    colour_ = 0;
    level_ = 0;
    steps_ = 0;
    c.page.progressPosition = 0;
    c.page.statusText = Format("%3d%%", 0);
}

void UploadSequence::abort() {
    CalibrationContext& c = engine_.context();
    if (!running_) {
        return;
    }
    running_ = false;
    c.page.progressPosition = 0;
    c.page.statusText = "Ready..";
    c.host.setRunControlsEnabled(true, 0);
}

void UploadSequence::step() {
    if (!running_) {
        return;
    }
    delayMs_ = 10;
    switch (phase_) {
        case kPhaseBasics: sendBasics(); break;
        case kPhaseUniformity: sendUniformity(); break;
        case kPhaseGammaTable: sendGammaTable(); break;
        case kPhaseGammaSettle:
            delayMs_ = engine_.context().page.data.gammaPresent ? 3000 : 10;
            phase_ = kPhasePanelGamma;
            break;
        case kPhasePanelGamma: sendPanelGamma(); break;
        case kPhaseColorSpacePrepare: prepareColorSpaces(); break;
        case kPhaseColorSpaces: replayColorSpace(); break;
        case kPhaseWhiteGains: sendWhiteGains(); break;
        case kPhasePanelGammaCodes: sendPanelGammaCodes(); break;
        default: finish(); return;
    }
    if (!running_) {
        return;  // given up in this step
    }
    k_ += 1;
    steps_ += 1;
    CalibrationContext& c = engine_.context();
    const int total = std::max(c.page.progressMaximum, 1);
    c.page.progressPosition = std::min(steps_, total);
    c.page.statusText = Format("%3d%%", c.page.progressPosition * 100 / total);
    c.ui.refresh();
    c.scheduler.arm(kTimerSequence, delayMs_);
}

void UploadSequence::next(int delayMs) { delayMs_ = delayMs; }

void UploadSequence::sendBasics() {
    CalibrationContext& c = engine_.context();
    const CalibrationData& d = c.page.data;
    c.send(MonitorCommand::SaveEeprom, 0, 1000);
    if (d.backlightValue != 255) {
        c.send(MonitorCommand::SetBacklight, static_cast<uint32_t>(d.backlightValue), 1000);
    }
    c.send(MonitorCommand::SetColorTemperature, static_cast<uint32_t>(c.whiteTargets[0].temperature), 10);
    phase_ = kPhaseUniformity;
    next(1000);
}

void UploadSequence::sendUniformity() {
    CalibrationContext& c = engine_.context();
    const CalibrationData& d = c.page.data;
    int delay = 10;
    if (d.uniformityPresent) {
        // Data made here and not yet saved counts as this version's.
        const float version = d.fileVersion > 0.0f ? d.fileVersion : d.version;
        if (version > 7.3f) {
            const MonitorIdentity& id = c.identity();
            const bool tenValue = id.recognisedModel || (id.modelInfo & 0x90) == 0x90;
            SendStoredUniformity(c.monitor, d.uniformity, tenValue);
        }
        delay = 300;
    }
    if (d.gammaPresent) {
        c.send(MonitorCommand::SetCscGamma, 1, 4000);
        delay = 100;
    }
    phase_ = kPhaseGammaTable;
    k_ = 0;  // the first packet carries entries 0..3
    next(delay);
}

void UploadSequence::sendGammaTable() {
    CalibrationContext& c = engine_.context();
    if (!c.page.data.gammaPresent) {
        phase_ = kPhaseGammaSettle;
        next(10);
        return;
    }
    SendGammaTablePacket(c, c.page.data.gammaTable, k_ - 1);
    if (k_ >= kGammaPackets) {
        phase_ = kPhaseGammaSettle;
    }
    next(300);
}

void UploadSequence::sendPanelGamma() {
    CalibrationContext& c = engine_.context();
    const CalibrationData& d = c.page.data;
    const auto gamma100 = static_cast<uint32_t>(d.measuredGamma * 100.0f) & 0x3FFFu;
    c.send(MonitorCommand::SetCscGamma, 0, 4000);
    c.send(MonitorCommand::WriteDefaultPanelGamma, (15u << 24) | (8u << 16) | gamma100, 1000);
    c.send(MonitorCommand::SetGamma, d.targetGamma < 2.3 ? 14 : 16, 2000);
    phase_ = kPhaseColorSpacePrepare;
    k_ = 0;
    next(1000);
}

void UploadSequence::prepareColorSpaces() {
    CalibrationContext& c = engine_.context();
    const CalibrationData& d = c.page.data;
    if (d.colorSpacePresent) {
        c.send(MonitorCommand::SetNativeColorSpace, 0, 5000);
        c.send(MonitorCommand::SetColorSpace, 0, 2000);
        c.send(MonitorCommand::DrawPattern, 0xFFFFFF, 1000);
    }
    for (int n = 0; d.colorSpacePresent && n < kColorSpaceCount; ++n) {
        if ((d.colorSpaceMask & (1u << n)) != 0 && !HoldsColourSpaceCalibration(d, n)) {
            c.logLine(Format("%s holds no calibration; the monitor keeps its own.",
                             kColorSpaceListNames[static_cast<size_t>(n)]));
        }
    }
    phase_ = kPhaseColorSpaces;
    // The replay begins with the first colour space the data holds; a set without BT.709 would
    // otherwise write an empty table into the BT.709 slot.
    k_ = std::max(FirstSpace(d, 0), 0) << 12;
    y_ = 0;
    next(10);
}

void UploadSequence::replayColorSpace() {
    CalibrationContext& c = engine_.context();
    const CalibrationData& d = c.page.data;
    if (!d.colorSpacePresent || FirstSpace(d, 0) < 0) {
        k_ = 0;
        phase_ = kPhaseWhiteGains;
        next(10);
        return;
    }
    const int space = (k_ >> 12) & 0xF;
    if (y_ == 0) {
        c.send(MonitorCommand::SetNativeColorSpace, static_cast<uint32_t>(space + 1), 5000);
        colour_ = 0;
        level_ = 0;
        y_ = 1;
        next(10);
    } else if (y_ == 1) {
        c.monitor.sendRgbOffset(0, 0, 0, 1000);
        c.send(MonitorCommand::DrawPattern, 0xFFFFFF, 1000);
        c.send(MonitorCommand::SetColorSpace, static_cast<uint32_t>(space + 1), 2000);
        y_ = 2;
        next(1000);
    } else if (y_ == 2) {
        replayPatch(space);
    } else if (y_ < kSaveTable) {
        engine_.colourSpace().sendTablePacket(space, y_ - kFirstTablePacket);
        y_ += 1;
        next(100);
    } else if (y_ == kSaveTable) {
        engine_.colourSpace().sendTablePacket(space, kLutPacketCount);
        y_ = kNextSpace;
        next(8000);
    } else {
        nextColorSpace(space);
    }
}

// One colour at one level, sent as the calibration left it, with the monitor's read-backs the
// table is worked out from.
void UploadSequence::replayPatch(int space) {
    CalibrationContext& c = engine_.context();
    const CalibrationData& d = c.page.data;
    ColourSpaceCalibration& cs = engine_.colourSpace();
    const ColorSpaceEntry& e = d.entry(space, colour_, level_);
    if (colour_ == kSlotWhite && level_ == 0) {
        const uint32_t gains = static_cast<uint32_t>(e.r & 0xFF) | static_cast<uint32_t>(e.g & 0xFF) << 8 |
                               static_cast<uint32_t>(e.b & 0xFF) << 16;
        c.send(MonitorCommand::SetColorSpaceWhite, static_cast<uint32_t>(space) | gains << 8, 1000);
        c.send(MonitorCommand::SetRgbGainAlt, gains, 1000);
        cs.readInputLuminance(0);
        cs.colourOffsets[static_cast<size_t>(space)][kSlotWhite][0] = {0, 0, 0};
    } else {
        c.send(MonitorCommand::DrawPattern, ColourPattern(colour_, level_), 1000);
        if (colour_ == kSlotWhite) {
            cs.readInputLuminance(level_);
        }
        c.monitor.sendRgbOffset(e.r, e.g, e.b, 1000);
        cs.readOffsets(space, colour_, level_);
        c.scheduler.sleep(300);
    }
    const std::vector<int> levels = CalibratedLevels(d.levelCount);
    const auto following = std::upper_bound(levels.begin(), levels.end(), level_);
    if (following == levels.end()) {
        colour_ += 1;
        level_ = 0;
    } else {
        level_ = *following;
    }
    if (colour_ >= kColorSlotCount) {
        if (!cs.fillColourSpaceTable(space)) {
            // Nothing half-written goes to the monitor: the slot keeps its old table.
            c.logLine(Format("The colour-space table of %s does not fit the monitor; copying stopped.",
                             kColorSpaceListNames[static_cast<size_t>(space)]));
            abort();
            c.scheduler.arm(kTimerTrigger, 1000);
            c.ui.messageBox("The colour-space data cannot be copied: its table does not fit the monitor.");
            return;
        }
        c.logLine("Send Colorspace Data to monitor. Please wait!!");
        y_ = kFirstTablePacket;
    }
    next(100);
}

void UploadSequence::nextColorSpace(int after) {
    CalibrationContext& c = engine_.context();
    const int n = FirstSpace(c.page.data, after + 1);
    if (n >= 0) {
        k_ = n << 12;
        y_ = 0;
        next(10);
        return;
    }
    c.monitor.sendRgbOffset(0, 0, 0, 1000);
    phase_ = kPhaseWhiteGains;
    k_ = 0;
    y_ = 0;
    next(10);
}

void UploadSequence::sendWhiteGains() {
    CalibrationContext& c = engine_.context();
    const CalibrationData& d = c.page.data;
    const int i = k_;
    if (i >= 1 && i <= kWhiteRowCount) {
        if (i == 1) {
            c.send(MonitorCommand::SetColorTemperature,
                   static_cast<uint32_t>(c.whiteTargets[0].temperature) | 0x8000u, 1000);
        }
        const size_t t = static_cast<size_t>(i - 1);
        c.send(MonitorCommand::SetColorTemperature, static_cast<uint32_t>(c.whiteTargets[t].temperature) | 0x8000u,
               1000);
        c.send(MonitorCommand::SetRgbGainAlt, PackGains(d.targetGains[t]), 1000);
    }
    // With colour spaces the seventh preset is left as the monitor has it.
    if (i >= (d.colorSpacePresent ? kWhiteRowCount - 1 : kWhiteRowCount)) {
        phase_ = kPhasePanelGammaCodes;
    }
    next(500);
}

void UploadSequence::sendPanelGammaCodes() {
    CalibrationContext& c = engine_.context();
    const CalibrationData& d = c.page.data;
    if (d.colorSpacePresent) {
        const auto gamma100 = static_cast<uint32_t>(d.measuredGamma * 100.0f) & 0x3FFFu;
        // A slot whose code is beyond 16 was never calibrated (255 in a set made without the
        // panel-gamma check): the monitor keeps its own, the default slot's too.
        for (uint32_t s = 0; s < kPanelGammaSlots; ++s) {
            const uint32_t code = d.panelGammaCode[s];
            if (code <= 16) {
                c.send(MonitorCommand::WriteDefaultPanelGamma, (code + 256u * s) << 16 | gamma100, 1000);
            }
        }
    }
    phase_ = kPhaseFinish;
    next(500);
}

void UploadSequence::finish() {
    CalibrationContext& c = engine_.context();
    if (!MonitorAnswers(c)) {
        abort();
        c.task.CalibrationState = kTaskIdle;
        c.scheduler.arm(kTimerTrigger, 1000);
        c.ui.playSound(Sound::Error, false);
        const std::string message =
            "The monitor stopped answering during the copy; it may not hold the calibration data. "
            "Check the cable and copy again.";
        c.log.logMessage(message, kChannelSys);
        c.ui.messageBox(message);
        return;
    }
    running_ = false;
    completed_ = true;
    c.task.CalibrationState = kTaskIdle;
    k_ = 0;
    c.send(MonitorCommand::SetColorTemperature, 6500u | 0x8000u, 1000);
    c.send(MonitorCommand::Play, 0, 1000);
    c.host.setRunControlsEnabled(true, 0);
    c.send(MonitorCommand::SaveEeprom, 255, 1000);
    c.page.progressPosition = c.page.progressMaximum;
    c.page.statusText = Format("%3d%%", 100);
    c.scheduler.arm(kTimerTrigger, 1000);
    c.ui.refresh();
    c.ui.messageBox("Calibration data is copied successfully.\n Please restart monitor.");
}

}  // namespace halvo
