#include "sim/monitor_color_space.h"

#include <algorithm>
#include <cmath>

namespace halvo::sim {
namespace {

// EEPROM addresses of the colour-space whites (see monitor_calibration.h).
constexpr size_t kWhites = 6128;       // 5 x (R, G, B)
constexpr size_t kWhitesMarker = 6143;
constexpr uint8_t kMarker = 0xC5;

constexpr double kDCinemaExponent = 2.6;

int Signed16(uint8_t lo, uint8_t hi) {
    const int v = lo | hi << 8;
    return v >= 0x8000 ? v - 0x10000 : v;
}

Bytes Word(uint8_t lead, std::initializer_list<int> values) {
    Bytes out = {lead, 0x89};
    for (const int v : values) {
        const auto w = static_cast<uint16_t>(v & 0xFFFF);
        out.push_back(static_cast<uint8_t>(w & 0xFF));
        out.push_back(static_cast<uint8_t>(w >> 8));
    }
    return out;
}

// One channel of a table at grid point (x, y, z) = (r, g, b), each 0..15, trilinearly.
double Trilinear(const ColorTable& t, double x, double y, double z, int ch) {
    const auto cell = [](double v, int& i, double& f) {
        v = std::clamp(v, 0.0, 15.0);
        i = std::min(static_cast<int>(v), 14);
        f = v - i;
    };
    int ir = 0, ig = 0, ib = 0;
    double fr = 0, fg = 0, fb = 0;
    cell(x, ir, fr);
    cell(y, ig, fg);
    cell(z, ib, fb);
    double sum = 0.0;
    for (int db = 0; db < 2; ++db) {
        for (int dg = 0; dg < 2; ++dg) {
            for (int dr = 0; dr < 2; ++dr) {
                const double w = (dr ? fr : 1 - fr) * (dg ? fg : 1 - fg) * (db ? fb : 1 - fb);
                if (w == 0.0) {
                    continue;
                }
                const size_t at = static_cast<size_t>((ib + db) * 768 + (ig + dg) * 48 + (ir + dr) * 3 + ch);
                sum += w * t[at];
            }
        }
    }
    return sum;
}

}  // namespace

bool MonitorColorSpaces::handleCommand(uint8_t code, const Bytes& f, MonitorCalibration& ram,
                                       std::array<uint8_t, kMonitorEepromSize>& eeprom) {
    const size_t n = f.size();
    const auto arg = [&](size_t i) -> int { return 5 + i < n ? f[5 + i] : 0; };
    switch (code) {
        case 0x22:  // Set Native ColorSpace
            calibratingSlot_ = arg(0) >= 1 && arg(0) <= kColorSpaceSlots ? arg(0) : 0;
            return true;
        case 0x21:  // Set monitor ColorSpace: the firmware shows the slot
            calibratingSlot_ = 0;
            return false;
        case 0x11:  // Calibration execution
            if (arg(0) == 0) {
                calibratingSlot_ = 0;
            }
            return false;
        case 0x02:
        case 0x03:  // RGB gain: the white of the slot being calibrated
            if (calibratingSlot_ == 0) {
                return false;
            }
            calibrationGains_ = {arg(0), arg(1), arg(2)};
            return true;
        case 0x20:  // RGB offset
            if (n >= 11) {
                for (size_t c = 0; c < 3; ++c) {
                    offsetFrame_[c] = Signed16(f[5 + 2 * c], f[6 + 2 * c]);
                }
            }
            return true;
        case 0x15:  // Set ColorSpace White (space, R, G, B)
            if (arg(0) < kColorSpaceSlots) {
                ram.colorSpaces.white[static_cast<size_t>(arg(0))] = {arg(1), arg(2), arg(3)};
            }
            return true;
        case 0x19:
            tablePacket(f, ram, eeprom);
            return true;
        default:
            return false;
    }
}

void MonitorColorSpaces::tablePacket(const Bytes& f, const MonitorCalibration& ram,
                                     std::array<uint8_t, kMonitorEepromSize>& eeprom) {
    if (f.size() != 201 || f[5] >= kColorSpaceSlots) {
        ++rejectedPackets_;
        return;
    }
    Staging& s = staging_[f[5]];
    const uint8_t index = f[6];
    if (index == 0xFF) {
        if (s.received.all()) {
            ColorTable table;
            std::transform(s.bytes.begin(), s.bytes.end(), table.begin(),
                           [](uint8_t b) { return static_cast<int8_t>(b); });
            tables_[f[5]] = table;
            SaveColorSpaceSlots(ram.colorSpaces, eeprom);
        }
        s.received.reset();
        return;
    }
    unsigned sum = 0;
    for (size_t i = 9; i < 201; ++i) {
        sum += f[i];
    }
    if (index >= 64 || f[7] != (sum & 0xFF) || f[8] != static_cast<uint8_t>(~f[7])) {
        ++rejectedPackets_;
        return;
    }
    std::copy(f.begin() + 9, f.end(), s.bytes.begin() + static_cast<long>(index) * 192);
    s.received.set(index);
}

int MonitorColorSpaces::slotShown(const PictureState& picture) const {
    if (picture.processingBypassed) {
        return 0;
    }
    if (calibratingSlot_ != 0) {
        return calibratingSlot_;
    }
    return picture.displaySpace >= 1 && picture.displaySpace <= kColorSpaceSlots ? picture.displaySpace : 0;
}

bool MonitorColorSpaces::active(const PictureState& picture) const {
    return slotShown(picture) != 0;
}

MonitorColorSpaces::Slot MonitorColorSpaces::slot(const MonitorCalibration& ram, const PictureState& picture) const {
    Slot s;
    const int shown = slotShown(picture);
    const int code = ram.panelGammaCode(shown);
    const double curve =
        calibratingSlot_ == 0 && shown == kColorSpaceSlots ? kDCinemaExponent : GammaCurveExponent(ram.gammaCurveCode);
    s.exponent = curve + 0.025 * (code - 8);
    std::array<int, 3> gains = calibrationGains_;
    if (calibratingSlot_ == 0 && shown != 0) {
        gains = ram.colorSpaces.white[static_cast<size_t>(shown - 1)];
    }
    const auto& p = panel_.primaries();
    const double whiteY = p[0].Y + p[1].Y + p[2].Y;
    std::array<double, 3> a{};
    double top = 0.0;
    double weighted = 0.0;
    for (size_t c = 0; c < 3; ++c) {
        a[c] = std::clamp(gains[c], 0, 255) / 255.0;
        top = std::max(top, a[c]);
        weighted += p[c].Y / whiteY * a[c];
    }
    if (top <= 0.0) {
        s.k = 0.0;
        return s;  // no light at all
    }
    const double balance = weighted / top;
    s.k = std::pow(balance, 1.0 / s.exponent);
    for (size_t c = 0; c < 3; ++c) {
        s.trim[c] = a[c] / balance;
    }
    return s;
}

std::array<double, 3> MonitorColorSpaces::offsetsInForce(const PictureState& picture, const Slot& s) const {
    std::array<double, 3> v{};
    const int shown = slotShown(picture);
    if (shown == 0) {
        return v;
    }
    if (calibratingSlot_ != 0) {
        for (size_t c = 0; c < 3; ++c) {
            v[c] = s.k * offsetFrame_[c];
        }
        return v;
    }
    const std::optional<ColorTable>& table = tables_[static_cast<size_t>(shown - 1)];
    if (!table) {
        return v;
    }
    const std::array<double, 3>& q = picture.patternCode;
    for (int c = 0; c < 3; ++c) {
        v[static_cast<size_t>(c)] = 4.0 * Trilinear(*table, 15.0 * s.k * q[0], 15.0 * s.k * q[1], 15.0 * s.k * q[2], c);
    }
    return v;
}

std::array<double, 3> MonitorColorSpaces::light(const MonitorCalibration& ram, const PictureState& picture) const {
    const Slot s = slot(ram, picture);
    std::array<double, 3> out{};
    if (s.k <= 0.0) {
        return out;
    }
    std::array<double, 3> q{};
    for (size_t c = 0; c < 3; ++c) {
        q[c] = std::clamp(picture.patternCode[c], 0.0, 1.0);
    }
    const double m = s.k * std::max({q[0], q[1], q[2]});
    const double slope = std::pow(m, s.exponent - 1.0);
    const std::array<double, 3> v = offsetsInForce(picture, s);
    for (size_t c = 0; c < 3; ++c) {
        const double signal = std::pow(s.k * q[c], s.exponent) + v[c] / 1023.0 * slope;
        out[c] = s.trim[c] * std::clamp(signal, 0.0, 1.0);
    }
    return out;
}

std::array<double, 3> MonitorColorSpaces::panelCodes(const MonitorCalibration& ram, const PictureState& picture) const {
    const std::array<double, 3> l = light(ram, picture);
    const double full = ram.gammaTable[255];
    std::array<double, 3> codes{};
    for (size_t c = 0; c < 3; ++c) {
        codes[c] = InverseTable(ram.gammaTable, l[c] * full) / 255.0;
    }
    return codes;
}

std::optional<Bytes> MonitorColorSpaces::answerQuery(uint8_t code, const MonitorCalibration& ram,
                                                     const PictureState& picture, OffsetWordForm offsetWords) const {
    if (code != 0x16 && code != 0x17 && code != 0x18) {
        return std::nullopt;
    }
    const Slot s = slotShown(picture) != 0 ? slot(ram, picture) : Slot{};
    const std::array<double, 3>& q = picture.patternCode;
    if (code == 0x16) {
        const double level = std::clamp(std::max({q[0], q[1], q[2]}), 0.0, 1.0);
        return Word(0xF3, {static_cast<int>(std::lround(960.0 * s.k * level))});
    }
    if (code == 0x17) {
        std::array<int, 3> d{};
        for (size_t c = 0; c < 3; ++c) {
            d[c] = std::clamp(static_cast<int>(std::lround(s.k * offsetFrame_[c])), -512, 511);
            if (offsetWords == OffsetWordForm::Bare10Bit) {
                d[c] &= 0x3FF;
            }
        }
        return Word(0xF7, {d[0], d[1], d[2]});
    }
    const auto& p = panel_.primaries();
    const std::array<double, 3> l = slotShown(picture) != 0 ? light(ram, picture) : std::array<double, 3>{};
    const double Y = (p[0].Y * l[0] + p[1].Y * l[1] + p[2].Y * l[2]) / (p[0].Y + p[1].Y + p[2].Y);
    return Word(0xF3, {static_cast<int>(std::lround(960.0 * std::pow(std::max(Y, 0.0), 1.0 / s.exponent)))});
}

void MonitorColorSpaces::powerCycle() {
    calibratingSlot_ = 0;
    calibrationGains_ = {255, 255, 255};
    offsetFrame_ = {0, 0, 0};
    for (Staging& s : staging_) {
        s.received.reset();
    }
}

void MonitorColorSpaces::eraseTables() {
    for (std::optional<ColorTable>& t : tables_) {
        t.reset();
    }
    powerCycle();
}

void SaveColorSpaceSlots(const ColorSpaceSlots& slots, std::array<uint8_t, kMonitorEepromSize>& e) {
    for (size_t s = 0; s < kColorSpaceSlots; ++s) {
        for (size_t c = 0; c < 3; ++c) {
            e[kWhites + 3 * s + c] = static_cast<uint8_t>(std::clamp(slots.white[s][c], 0, 255));
        }
    }
    e[kWhitesMarker] = kMarker;
}

void LoadColorSpaceSlots(const std::array<uint8_t, kMonitorEepromSize>& e, ColorSpaceSlots& slots) {
    if (e[kWhitesMarker] != kMarker) {
        return;  // stored before the monitor kept colour spaces: the factory whites stay
    }
    for (size_t s = 0; s < kColorSpaceSlots; ++s) {
        for (size_t c = 0; c < 3; ++c) {
            slots.white[s][c] = e[kWhites + 3 * s + c];
        }
    }
}

}  // namespace halvo::sim
