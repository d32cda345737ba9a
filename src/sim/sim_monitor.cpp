#include "sim/sim_monitor.h"

#include <algorithm>
#include <cmath>

#include "colorimetry/chromaticity.h"

namespace halvo::sim {

// The presets a Vorla monitor leaves the factory with.
constexpr int kFactoryPresets[] = {3200, 5400, 6500, 7000, 9300, 10000, 11000};

SimMonitor::SimMonitor(const Clock& clock, const PanelModel& panel, const MonitorConfig& config)
    : SimSerialDevice(clock, config.seed), panel_(panel), config_(config), colorSpaces_(panel) {
    inputs_.drift = config.drift;
    checker_.setTimingToleranceMs(config.timingToleranceMs);
    splitter_.discarded = [this](const Bytes& bytes, double startMs, const char* why) {
        checker_.discarded(bytes, startMs, why);
    };
    // A factory EEPROM: repeatable contents, with the factory calibration stored in it.
    std::mt19937 fill(config.seed * 2654435761u);
    for (uint8_t& b : eeprom_) {
        b = static_cast<uint8_t>(fill() & 0xFF);
    }
    factoryReset();
}

MonitorCalibration SimMonitor::factoryCalibration() const {
    MonitorCalibration c;
    for (const int kelvin : kFactoryPresets) {
        c.presets.push_back({kelvin, factoryGains(kelvin)});
    }
    c.gammaTable = FactoryGammaTable();
    c.backlight = config_.backlight;
    c.calibrationId = config_.calibrationId.substr(0, 9);
    const RgbGains d65 = factoryGains(6500);
    c.colorSpaces.white.fill({d65.r, d65.g, d65.b});
    return c;
}

void SimMonitor::factoryReset() {
    colorSpaces_.eraseTables();
    ram_ = factoryCalibration();
    SaveCalibration(ram_, eeprom_);
    powerCycle();
}

void SimMonitor::powerCycle() {
    MonitorCalibration loaded = factoryCalibration();
    LoadCalibration(eeprom_, loaded);
    ram_ = loaded;
    picture_ = PictureState();
    markerCode_ = -1;
    adjustPreset_ = picture_.shownPreset;
    calibrationExecution_ = 0;
    poweredOnAtMs_ = clock().nowMs();
    colorSpaces_.powerCycle();
    checker_.powerCycle();
    onPurge();
}

MonitorCalibration SimMonitor::savedCalibration() const {
    MonitorCalibration c = factoryCalibration();
    LoadCalibration(eeprom_, c);
    return c;
}

RgbGains SimMonitor::factoryGains(int kelvin) const {
    // The drive that puts full white on the preset's target, scaled so the largest channel is
    // full, then the factory's usual error: a few percent per channel.
    ColorReading target;
    ReadingFromTemperature(100.0, false, target, std::clamp(kelvin, 1000, 25000));
    const auto& p = panel_.primaries();
    const double W[3] = {target.x / target.y, 1.0, (1.0 - target.x - target.y) / target.y};
    const double m[3][3] = {{p[0].X, p[1].X, p[2].X}, {p[0].Y, p[1].Y, p[2].Y}, {p[0].Z, p[1].Z, p[2].Z}};
    const auto det = [](const double a[3][3]) {
        return a[0][0] * (a[1][1] * a[2][2] - a[1][2] * a[2][1]) - a[0][1] * (a[1][0] * a[2][2] - a[1][2] * a[2][0]) +
               a[0][2] * (a[1][0] * a[2][1] - a[1][1] * a[2][0]);
    };
    double d[3];
    for (int c = 0; c < 3; ++c) {
        double t[3][3];
        for (int r = 0; r < 3; ++r) {
            for (int k = 0; k < 3; ++k) {
                t[r][k] = k == c ? W[r] : m[r][k];
            }
        }
        d[c] = std::max(0.0, det(t) / det(m));
    }
    const double top = std::max({d[0], d[1], d[2], 1e-9});
    // Factory alignment leaves green a little strong: red and blue 1.5-3.5 % short of where
    // they belong, a few thousandths in u'v' and a few percent in luminance.
    std::mt19937 err(config_.seed * 7919u + static_cast<uint32_t>(kelvin));
    std::uniform_real_distribution<double> shortfall(0.015, 0.035);
    const double f[3] = {0.99 - shortfall(err), 0.99, 0.99 - shortfall(err)};
    RgbGains g;
    g.r = static_cast<int>(std::lround(255.0 * d[0] / top * f[0]));
    g.g = static_cast<int>(std::lround(255.0 * d[1] / top * f[1]));
    g.b = static_cast<int>(std::lround(255.0 * d[2] / top * f[2]));
    return g;
}

RgbGains& SimMonitor::preset(int kelvin) {
    if (RgbGains* existing = ram_.findPreset(kelvin)) {
        return *existing;
    }
    return ram_.preset(kelvin, factoryGains(kelvin));
}

RgbGains SimMonitor::presetGains(int kelvin) {
    return preset(kelvin);
}

Xyz SimMonitor::emitted(double px, double py) const {
    const std::array<double, 3> codes =
        colorSpaces_.active(picture_) ? colorSpaces_.panelCodes(ram_, picture_) : PanelCodes(ram_, picture_);
    const std::array<double, 3> drift = inputs_.driftFactors(clock().nowMs() - poweredOnAtMs_);
    std::array<double, 3> drive{};
    for (size_t c = 0; c < 3; ++c) {
        drive[c] = panel_.channelResponse(static_cast<int>(c), codes[c]) * drift[c];
    }
    const Xyz light = panel_.emit(drive, ram_.backlight, px, py);
    const double gain = UniformityGain(ram_.uniformity, UniformityEngineOf(config_.versionText, config_.modelInfo),
                                       config_.modelInfo, panel_, ram_.backlight, px, py);
    return {light.X * gain, light.Y * gain, light.Z * gain};
}

void SimMonitor::onBytes(const uint8_t* data, size_t length, int64_t atMs) {
    for (const FrameSplitter::Frame& frame : splitter_.push(data, length, arrivalStartMs(), byteTimeMs(), atMs)) {
        handle(frame.bytes, frame.startMs, atMs);
    }
}

void SimMonitor::answer(std::initializer_list<uint8_t> bytes, int64_t atMs) {
    answer(Bytes(bytes), atMs);
}

void SimMonitor::answer(const Bytes& bytes, int64_t atMs) {
    send(bytes.data(), bytes.size(), atMs + config_.responseLatencyMs);
}

void SimMonitor::handle(const Bytes& f, double startMs, int64_t atMs) {
    if (recording_) {
        received_.push_back({atMs, f});
    }
    if (!checker_.take(f, startMs)) {
        return;
    }
    ++framesHandled_;
    const size_t n = f.size();
    if (f[0] == 0x05) {
        answer({0xF1, 0x82}, atMs);  // serial mode changed
        return;
    }
    if (n == 2 && f[1] == 0x9B) {
        answer({0xF1, 0x9B}, atMs);  // keep-alive
        return;
    }
    if (n == 4 && f[1] == 0xEE) {
        return;  // pause, play
    }
    if (n == 8 && f[1] == 0x1B) {
        const size_t address = static_cast<size_t>(f[6]) << 8 | f[7];
        answer({0xF1, address < kEepromSize ? eeprom_[address] : uint8_t{0xFF}}, atMs);
        return;
    }
    if (n == 9 && f[1] == 0x1A) {
        const size_t address = static_cast<size_t>(f[6]) << 8 | f[7];
        if (address < kEepromSize) {
            eeprom_[address] = f[8];
        }
        return;
    }
    if (n == 5 && f[1] == 0x8B && f[4] == 0xF5) {
        answer({0xF4, 0x8B, 0x00, 0xFE, config_.capability}, atMs);
        return;
    }
    if (n >= 5 && (f[1] == 0x88 || f[1] == 0x89) && f[2] == 0x00 && f[3] == 0xFE) {
        handleCommand(f[1], f[4], f, atMs);
    }
}

void SimMonitor::handleCommand(uint8_t cls, uint8_t code, const Bytes& f, int64_t atMs) {
    const size_t n = f.size();
    const auto arg = [&](size_t i) -> int { return 5 + i < n ? f[5 + i] : 0; };
    if (cls == 0x89) {
        if (const std::optional<Bytes> reply = colorSpaces_.answerQuery(code, ram_, picture_, config_.offsetWords)) {
            answer(*reply, atMs);
            return;
        }
        switch (code) {
            case 0x01: {
                const int k = picture_.shownPreset;
                answer({0xF3, 0x89, static_cast<uint8_t>(k & 0xFF), static_cast<uint8_t>(k >> 8)}, atMs);
                return;
            }
            case 0x0A:
                answer({0xF2, 0x89, static_cast<uint8_t>(ram_.gammaCurveCode)}, atMs);
                return;
            case 0x03: {
                const RgbGains g = preset(picture_.shownPreset);
                answer({0xF4, 0x89, static_cast<uint8_t>(g.r), static_cast<uint8_t>(g.g), static_cast<uint8_t>(g.b)},
                       atMs);
                return;
            }
            case 0x06:
            case 0x07: {
                const std::string& text = code == 0x06 ? ram_.calibrationId : config_.versionText;
                Bytes reply(2 + text.size());
                reply[0] = static_cast<uint8_t>(0xF0 + std::min<size_t>(15, text.size() + 1));
                reply[1] = 0x89;
                std::copy(text.begin(), text.end(), reply.begin() + 2);
                answer(reply, atMs);
                return;
            }
            case 0x09:
                answer({0xF2, 0x89, static_cast<uint8_t>(ram_.backlight)}, atMs);
                return;
            case 0x0E:
                answer({0xF2, 0x89, static_cast<uint8_t>(inputs_.source())}, atMs);
                return;
            case 0x10:
                answer({0xF2, 0x89, static_cast<uint8_t>(inputs_.signalPresent() ? 1 : 0)}, atMs);
                return;
            case 0x12:
                answer({0xF2, 0x89, static_cast<uint8_t>(inputs_.patternAvailable ? 1 : 0)}, atMs);
                return;
            case 0x23:
                answer({0xF4, 0x89, 0x00, 0xFE, config_.modelInfo}, atMs);
                return;
            default:
                return;
        }
    }
    if (colorSpaces_.handleCommand(code, f, ram_, eeprom_)) {
        return;
    }
    switch (code) {
        case 0x00:  // DrawPattern
        case 0x24:  // DrawPatternOL
            picture_.patternCode = {arg(0) / 255.0, arg(1) / 255.0, arg(2) / 255.0};
            return;
        case 0x08: {  // DrawCustomPattern: 0 the internal calibration pattern (a 50 % grey field)
            static constexpr double kLevels[] = {0.5, 1.0, 0.5, 0.0, 0.75};
            const double level = arg(0) >= 0 && arg(0) <= 4 ? kLevels[arg(0)] : 0.0;
            picture_.patternCode = {level, level, level};
            return;
        }
        case 0x14: {  // DrawGammaPattern, a 10-bit grey level
            const int level = (arg(0) | arg(1) << 8) & 0x3FF;
            picture_.patternCode.fill(level / 1023.0);
            return;
        }
        case 0x01: {  // SetColorTemperature
            const int value = arg(0) | arg(1) << 8;
            const int kelvin = value & 0x3FFF;
            picture_.shownPreset = kelvin;
            preset(kelvin);
            if (value & 0x8000) {
                adjustPreset_ = kelvin;
            }
            return;
        }
        case 0x02:
        case 0x03: {  // SetRgbGainAlt, SetRgbGain
            if (adjustPreset_ != kNoAdjustPreset) {
                preset(adjustPreset_) = {arg(0), arg(1), arg(2)};
            }
            return;
        }
        case 0x04:  // SaveEeprom
            SaveCalibration(ram_, eeprom_);
            return;
        case 0x05: {  // DrawTargetMarker
            const int marker = arg(0) == 10 ? -1 : arg(0);
            if (marker != markerCode_) {
                markerMovedAtMs_ = atMs;
            }
            markerCode_ = marker;
            if (markerCode_ >= 0 && markerDrawn) {
                markerDrawn(markerCode_);
            }
            return;
        }
        case 0x06: {  // SetCalibrationId: the full form carries up to 9 characters
            std::string id;
            for (size_t i = 5; i < n && i < 14 && f[i] != 0; ++i) {
                id.push_back(static_cast<char>(f[i]));
            }
            ram_.calibrationId = id;
            return;
        }
        case 0x09:  // SetBacklight
            ram_.backlight = arg(0);
            return;
        case 0x0A:  // SetGamma
            ram_.gammaCurveCode = arg(0);
            return;
        case 0x0C:  // SetCscGamma
            picture_.processingBypassed = arg(0) == 1;
            return;
        case 0x0E:  // SetInputSource
            inputs_.selectSource(arg(0));
            return;
        case 0x0F:  // StartAutoColorCalibration
            inputs_.startAdc(atMs);
            return;
        case 0x11:  // CalibrationExecution
            calibrationExecution_ = arg(0);
            if (arg(0) == 1) {
                adjustPreset_ = kNoAdjustPreset;
            } else {
                // Leaving calibration mode returns the monitor to its normal picture, as after a
                // stopped or failed run.
                picture_.processingBypassed = false;
            }
            return;
        case 0x0B: {  // WriteDefaultPanelGamma: gamma x 100 (14 bits), code, colour space
            const int value = arg(0) | arg(1) << 8;
            const int space = arg(3);
            if (space == 15) {
                ram_.defaultPanelGammaX100 = value & 0x3FFF;
                ram_.defaultPanelGammaCode = std::clamp(arg(2), 0, 16);
            } else if (space >= 0 && space < 6) {
                ram_.spacePanelGammaCode[static_cast<size_t>(space)] = std::clamp(arg(2), 0, 16);
            }
            return;
        }
        case 0x0D: {  // gamma table packet: first index, four 16-bit entries
            const int first = arg(0);
            for (int k = 0; k < 4 && first + k < 256; ++k) {
                ram_.gammaTable[static_cast<size_t>(first + k)] =
                    static_cast<uint16_t>(arg(1 + 2 * static_cast<size_t>(k)) | arg(2 + 2 * static_cast<size_t>(k)) << 8);
            }
            return;
        }
        case 0x13:  // uniformity packets
            ReceiveUniformityPacket(ram_.uniformity, f);
            return;
        case 0x21:  // SetColorSpace
            picture_.displaySpace = arg(0);
            return;
        default:
            return;
    }
}

}  // namespace halvo::sim
