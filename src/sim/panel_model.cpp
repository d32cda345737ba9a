#include "sim/panel_model.h"

#include <algorithm>
#include <cmath>

#include "sim/spectral/cie_cmf.h"
#include "sim/spectral/panel_emitters.h"

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
    // The emitters' tristimulus values, columns of e.
    std::array<std::vector<double>, 3> emitters;
    double e[3][3];
    for (int k = 0; k < 3; ++k) {
        auto& shape = emitters[static_cast<size_t>(k)];
        shape.resize(kSpectrumCount);
        for (int i = 0; i < kSpectrumCount; ++i) {
            shape[static_cast<size_t>(i)] = EmitterShape(static_cast<Emitter>(k), kSpectrumFirstNm + i);
        }
        const std::array<double, 3> t = TristimulusOf(shape.data(), kSpectrumFirstNm, kSpectrumCount, 1);
        for (int r = 0; r < 3; ++r) {
            e[r][k] = t[static_cast<size_t>(r)];
        }
    }
    // Each channel's filter passes the mix of emitters that puts the channel on its configured
    // chromaticity (with the default primaries every mix is positive: a little leakage of the
    // other two emitters). Scaled to Y = 1 here.
    const Chromaticity p[3] = {config.red, config.green, config.blue};
    double m[3][3];
    for (int c = 0; c < 3; ++c) {
        m[0][c] = p[c].x / p[c].y;
        m[1][c] = 1.0;
        m[2][c] = (1.0 - p[c].x - p[c].y) / p[c].y;
    }
    // Then each primary is scaled so that the three at full drive add up to the native white at
    // the peak luminance (the standard construction of an RGB-to-XYZ matrix).
    const double Y = config.peakLuminance - config.blackLuminance;
    const double w[3] = {Y * config.white.x / config.white.y, Y,
                         Y * (1.0 - config.white.x - config.white.y) / config.white.y};
    const std::array<double, 3> s = Solve(m, w);
    for (int c = 0; c < 3; ++c) {
        const double target[3] = {m[0][c], m[1][c], m[2][c]};
        const std::array<double, 3> mix = Solve(e, target);
        auto& spectrum = channelSpectra_[static_cast<size_t>(c)];
        spectrum.assign(kSpectrumCount, 0.0);
        for (int k = 0; k < 3; ++k) {
            for (int i = 0; i < kSpectrumCount; ++i) {
                spectrum[static_cast<size_t>(i)] +=
                    s[static_cast<size_t>(c)] * mix[static_cast<size_t>(k)] * emitters[static_cast<size_t>(k)][static_cast<size_t>(i)];
            }
        }
        const std::array<double, 3> t = TristimulusOf(spectrum.data(), kSpectrumFirstNm, kSpectrumCount, 1);
        primaries_[static_cast<size_t>(c)] = {t[0], t[1], t[2]};
    }
}

double PanelModel::channelResponse(int channel, double code) const {
    const size_t k = static_cast<size_t>(channel);
    const double c = std::clamp(code, 0.0, 1.0);
    const double power = std::pow(c, config_.channelGamma[k]);
    const double t2 = config_.channelToe[k] * config_.channelToe[k];
    if (t2 <= 0.0) {
        return power;
    }
    return power * c * c / (c * c + t2) * (1.0 + t2);
}

std::array<double, 3> PanelModel::warmUpFactors(int64_t sincePowerOnMs) const {
    std::array<double, 3> f{1.0, 1.0, 1.0};
    if (config_.warmUpTimeConstantMs <= 0.0) {
        return f;
    }
    const double cold = std::exp(-static_cast<double>(std::max<int64_t>(sincePowerOnMs, 0)) / config_.warmUpTimeConstantMs);
    for (size_t c = 0; c < 3; ++c) {
        f[c] = 1.0 - config_.warmUpLoss[c] * cold;
    }
    return f;
}

std::array<double, 3> PanelModel::crosstalkDrive(const std::array<double, 3>& d) const {
    if (config_.crosstalk == 0.0) {
        return d;
    }
    std::array<double, 3> out{};
    for (size_t c = 0; c < 3; ++c) {
        const double others = (std::max(0.0, d[(c + 1) % 3]) + std::max(0.0, d[(c + 2) % 3])) / 2.0;
        out[c] = d[c] * (1.0 - config_.crosstalk * others);
    }
    return out;
}

double PanelModel::positionFactor(double px, double py) const {
    const double dx = px - 0.5;
    const double dy = py - 0.5;
    // 0.5 squared distance at the corners.
    const double r2 = (dx * dx + dy * dy) / 0.5;
    return (1.0 - config_.cornerFalloff * r2) * (1.0 + config_.rightSideGain * 2.0 * dx);
}

Xyz PanelModel::emit(const std::array<double, 3>& linearDrive, int backlight, double px, double py) const {
    const std::array<double, 3> drive = crosstalkDrive(linearDrive);
    const double light = std::clamp(backlight, 0, 100) / 100.0 * positionFactor(px, py);
    // Light leaking through the closed LCD: all three channels a little open, with the native
    // white's colour.
    const double whiteY = primaries_[0].Y + primaries_[1].Y + primaries_[2].Y;
    const double leak = config_.blackLuminance * light / whiteY;
    Xyz out;
    for (int c = 0; c < 3; ++c) {
        const double d = std::max(0.0, drive[static_cast<size_t>(c)]) * light + leak;
        out.X += d * primaries_[static_cast<size_t>(c)].X;
        out.Y += d * primaries_[static_cast<size_t>(c)].Y;
        out.Z += d * primaries_[static_cast<size_t>(c)].Z;
    }
    return out;
}

void PanelModel::emitSpectrum(const std::array<double, 3>& linearDrive, int backlight, double px, double py,
                              int firstNm, int count, double* out) const {
    const std::array<double, 3> drive = crosstalkDrive(linearDrive);
    const double light = std::clamp(backlight, 0, 100) / 100.0 * positionFactor(px, py);
    const double whiteY = primaries_[0].Y + primaries_[1].Y + primaries_[2].Y;
    const double leak = config_.blackLuminance * light / whiteY;
    std::array<double, 3> weights{};
    for (size_t c = 0; c < 3; ++c) {
        weights[c] = std::max(0.0, drive[c]) * light + leak;
    }
    writeMix(weights, firstNm, count, out);
}

void PanelModel::spectrumOf(const Xyz& light, int firstNm, int count, double* out) const {
    const auto& p = primaries_;
    const double m[3][3] = {{p[0].X, p[1].X, p[2].X}, {p[0].Y, p[1].Y, p[2].Y}, {p[0].Z, p[1].Z, p[2].Z}};
    const double b[3] = {light.X, light.Y, light.Z};
    writeMix(Solve(m, b), firstNm, count, out);
}

void PanelModel::writeMix(const std::array<double, 3>& weights, int firstNm, int count, double* out) const {
    for (int i = 0; i < count; ++i) {
        const int k = firstNm + i - kSpectrumFirstNm;
        double v = 0.0;
        if (k >= 0 && k < kSpectrumCount) {
            for (size_t c = 0; c < 3; ++c) {
                v += weights[c] * channelSpectra_[c][static_cast<size_t>(k)];
            }
        }
        out[i] = v;
    }
}

ScreenPoint CellCentre(int cell) {
    const int k = std::clamp(cell, 1, 9) - 1;
    return {(k % 3 + 0.5) / 3.0, (k / 3 + 0.5) / 3.0};
}

}  // namespace halvo::sim
