#include "sim/monitor_uniformity.h"

#include <algorithm>
#include <cmath>

namespace halvo::sim {

namespace {

constexpr double kTableStep = 0.005;
// Column and line of the ramps per unit of screen position: the probe places' centres sit at
// 1/6, 1/2 and 5/6 of the screen.
constexpr double kColumnsPerScreen = 2880.0;
constexpr double kLinesPerScreen = 1620.0;
constexpr double kFirstPlace = 1.0 / 6.0;

int Index3(double p) {
    return std::clamp(static_cast<int>(std::floor(p * 3.0)), 0, 2);
}

int CellAt(double px, double py) {
    return 3 * Index3(py) + Index3(px) + 1;
}

// 1 at a cell's centre, falling linearly to 0 at the neighbouring cells' centres.
double Tent(int cell, double px, double py) {
    const ScreenPoint c = CellCentre(cell);
    return std::max(0.0, 1.0 - 3.0 * std::fabs(px - c.px)) * std::max(0.0, 1.0 - 3.0 * std::fabs(py - c.py));
}

double Signed(uint8_t b) {
    return static_cast<int8_t>(b);
}

double RampDimming(const std::array<uint8_t, 11>& payload, double px, double py) {
    // payload[1 + n] is Pn, payload[10] is P9.
    const auto p = [&](int n) { return payload[static_cast<size_t>(1 + n)]; };
    const double s = Signed(p(1));
    const double a = s >= 1.0 ? static_cast<double>(p(2)) : Signed(p(2));
    const double d = Signed(p(3));
    const double i = p(4);
    const double k = (px - kFirstPlace) * kColumnsPerScreen;
    const double j = (py - kFirstPlace) * kLinesPerScreen;
    constexpr double kFixed = 1024.0 * 1024.0;
    const double horizontal = (4096.0 * s * k - a * k * (k - 1.0)) / kFixed;
    const double vertical = (4096.0 * d * j - i * j * (j - 1.0)) / kFixed;
    const double floor = 4.0 * p(0) + 3.0 * (payload[10] & 0x7F);
    const double trims = 10.0 * Signed(p(5)) * Tent(5, px, py) - 10.0 * Signed(p(6)) * Tent(8, px, py) -
                         4.0 * Signed(p(7)) * Tent(6, px, py) + 10.0 * Signed(p(8)) * Tent(9, px, py);
    return horizontal + vertical + floor + trims;
}

}  // namespace

UniformityEngine UniformityEngineOf(const std::string& versionText, uint8_t info) {
    const bool gammaBits = (info & 0x90) == 0x90;
    if (versionText.find("TXM") == std::string::npos) {
        return gammaBits ? UniformityEngine::GammaCurve : UniformityEngine::Table;
    }
    if (gammaBits) {
        return UniformityEngine::GammaCurve;
    }
    if ((info & 0x80) != 0) {
        return UniformityEngine::Linear;
    }
    return info == 8 ? UniformityEngine::Shape : UniformityEngine::Gradient;
}

bool MonitorUniformity::enabled() const {
    if (kind == kTablePacket) {
        return payload[0] != 0;
    }
    return kind == kTenValuePacket && (payload[0] & 0x80) != 0;
}

void ReceiveUniformityPacket(MonitorUniformity& u, const Bytes& frame) {
    if (frame.size() == 11) {
        u.kind = MonitorUniformity::kTablePacket;
    } else if (frame.size() == 16) {
        u.kind = MonitorUniformity::kTenValuePacket;
    } else {
        return;
    }
    u.payload.fill(0);
    std::copy(frame.begin() + 5, frame.end(), u.payload.begin());
}

double UniformityGain(const MonitorUniformity& u, UniformityEngine engine, uint8_t info, const PanelModel& panel,
                      int backlight, double px, double py) {
    if (!u.enabled()) {
        return 1.0;
    }
    const bool tablePacket = u.kind == MonitorUniformity::kTablePacket;
    if (tablePacket != (engine == UniformityEngine::Table)) {
        return 1.0;  // a packet this engine does not read
    }
    const int cell = CellAt(px, py);
    const double p = u.payload[static_cast<size_t>(cell)];  // P(cell - 1)
    double gain = 1.0;
    switch (engine) {
        case UniformityEngine::Table: {
            const auto& v = u.payload;
            const int column = Index3(px);
            const int row = Index3(py);
            double steps = column == 2 ? v[2] : column == 1 ? std::max(0, v[3] - v[2]) : 0;
            steps += row == 0 ? v[1] : row == 1 ? v[4] : v[5];
            gain = 1.0 - kTableStep * steps;
            break;
        }
        case UniformityEngine::Linear: {
            const ScreenPoint c = CellCentre(cell);
            const double white = panel.emit({1.0, 1.0, 1.0}, backlight, c.px, c.py).Y;
            gain = white > 0.0 ? 1.0 - p / 6.4 / white : 1.0;
            break;
        }
        case UniformityEngine::GammaCurve: {
            const double k = (info & 0x04) != 0 ? 270.0 : 300.0;
            const double w = 1023.0 - p * k * 480.0 / (131072.0 * 2.2);
            gain = std::pow(std::max(w, 0.0) / 1023.0, 2.2);
            break;
        }
        case UniformityEngine::Gradient:
        case UniformityEngine::Shape:
            gain = 1.0 - RampDimming(u.payload, px, py) / 1023.0;
            break;
    }
    return std::clamp(gain, 0.0, 1.0);
}

void SaveUniformity(const MonitorUniformity& u, std::span<uint8_t> eeprom) {
    if (eeprom.size() < kUniformityEepromAt + 1 + u.payload.size()) {
        return;
    }
    eeprom[kUniformityEepromAt] = u.kind;
    std::copy(u.payload.begin(), u.payload.end(), eeprom.begin() + kUniformityEepromAt + 1);
}

void LoadUniformity(std::span<const uint8_t> eeprom, MonitorUniformity& u) {
    u = MonitorUniformity();
    if (eeprom.size() < kUniformityEepromAt + 1 + u.payload.size()) {
        return;
    }
    const uint8_t kind = eeprom[kUniformityEepromAt];
    if (kind != MonitorUniformity::kTablePacket && kind != MonitorUniformity::kTenValuePacket) {
        return;
    }
    u.kind = kind;
    std::copy_n(eeprom.begin() + kUniformityEepromAt + 1, u.payload.size(), u.payload.begin());
}

}  // namespace halvo::sim
