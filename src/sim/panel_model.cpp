#include "sim/panel_model.h"

#include <algorithm>
#include <cmath>

namespace halvo::sim {
namespace {

// Solves a 3x3 system by Cramer's rule (the panel matrix is well conditioned).
std::array<double, 3> Solve(const double m[3][3], const double b[3]) {
    const auto det = [](const double a[3][3]) {
        return a[0][0] * (a[1][1] * a[2][2] - a[1][2] * a[2][1]) - a[0][1] * (a[1][0] * a[2][2] - a[1][2] * a[2][0]) +
               a[0][2] * (a[1][0] * a[2][1] - a[1][1] * a[2][0]);
    };
    const double d = det(m);
    std::array<double, 3> x{};
    for (int c = 0; c < 3; ++c) {
        double t[3][3];
        for (int r = 0; r < 3; ++r) {
            for (int k = 0; k < 3; ++k) {
                t[r][k] = k == c ? b[r] : m[r][k];
            }
        }
        x[c] = det(t) / d;
    }
    return x;
}

}  // namespace

PanelModel::PanelModel(const PanelConfig& config) : config_(config) {
    // Scale each primary so that the three at full drive add up to the native white at the peak
    // luminance (the standard construction of an RGB-to-XYZ matrix).
    const Chromaticity p[3] = {config.red, config.green, config.blue};
    double m[3][3];
    for (int c = 0; c < 3; ++c) {
        m[0][c] = p[c].x / p[c].y;
        m[1][c] = 1.0;
        m[2][c] = (1.0 - p[c].x - p[c].y) / p[c].y;
    }
    const double Y = config.peakLuminance - config.blackLuminance;
    const double w[3] = {Y * config.white.x / config.white.y, Y,
                         Y * (1.0 - config.white.x - config.white.y) / config.white.y};
    const std::array<double, 3> s = Solve(m, w);
    for (int c = 0; c < 3; ++c) {
        primaries_[c] = {s[c] * m[0][c], s[c] * m[1][c], s[c] * m[2][c]};
    }
}

double PanelModel::channelResponse(int channel, double code) const {
    const double c = std::clamp(code, 0.0, 1.0);
    return std::pow(c, config_.channelGamma[static_cast<size_t>(channel)]);
}

double PanelModel::positionFactor(double px, double py) const {
    const double dx = px - 0.5;
    const double dy = py - 0.5;
    // 0.5 squared distance at the corners.
    const double r2 = (dx * dx + dy * dy) / 0.5;
    return (1.0 - config_.cornerFalloff * r2) * (1.0 + config_.rightSideGain * 2.0 * dx);
}

Xyz PanelModel::emit(const std::array<double, 3>& drive, int backlight, double px, double py) const {
    const double light = std::clamp(backlight, 0, 255) / 255.0 * positionFactor(px, py);
    Xyz out;
    for (int c = 0; c < 3; ++c) {
        const double d = std::max(0.0, drive[static_cast<size_t>(c)]) * light;
        out.X += d * primaries_[static_cast<size_t>(c)].X;
        out.Y += d * primaries_[static_cast<size_t>(c)].Y;
        out.Z += d * primaries_[static_cast<size_t>(c)].Z;
    }
    // Light leaking through the closed LCD, with the native white's colour.
    const double black = config_.blackLuminance * light;
    out.X += black * config_.white.x / config_.white.y;
    out.Y += black;
    out.Z += black * (1.0 - config_.white.x - config_.white.y) / config_.white.y;
    return out;
}

ScreenPoint CellCentre(int cell) {
    const int k = std::clamp(cell, 1, 9) - 1;
    return {(k % 3 + 0.5) / 3.0, (k / 3 + 0.5) / 3.0};
}

}  // namespace halvo::sim
