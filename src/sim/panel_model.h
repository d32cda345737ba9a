#pragma once

// The simulated panel: what light a Vorla monitor's LCD emits for a linear drive of its three
// channels, at a place on the screen. Native primaries and white, a black level, peak luminance
// that follows the backlight, a smooth fall-off of luminance towards the corners with one side a
// little brighter, and what makes one panel harder to calibrate than another: a toe of each
// channel's response near black, crosstalk between the channels (red and green together give
// less than their sum), the backlight's warm-up after power-on and the liquid crystal's settling
// after the picture changes. The named panels are in panel_catalog.h.
//
// Every channel has a spectrum (its colour filter over the backlight's emitters, mixed so that
// the channel lands on its configured chromaticity), and the X, Y, Z of any drive are the CIE
// integrals of the spectrum that drive emits: a spectroradiometer and a colorimeter measuring the
// same patch agree.

#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace halvo::sim {

struct Xyz {
    double X = 0.0;
    double Y = 0.0;
    double Z = 0.0;
};

struct Chromaticity {
    double x;
    double y;
};

struct PanelConfig {
    // Wide enough for the broadcast and cinema colour spaces; NTSC green lies a little beyond
    // green (and the reds on the spectrum locus a hair beyond red).
    Chromaticity red{0.6963, 0.3023};
    Chromaticity green{0.2223, 0.7310};
    Chromaticity blue{0.1339, 0.0513};
    Chromaticity white{0.3058, 0.3181};  // native white, a little below 7000 K
    double peakLuminance = 207.84313725490196;  // cd/m2 at full drive, backlight 100, screen centre
    double blackLuminance = 0.1411764705882353;  // cd/m2 at zero drive, backlight 100
    // The LCD's own response per channel: linear light = code ^ gamma, times the toe
    // code^2 / (code^2 + toe^2) (scaled to 1 at full code) that crushes the codes below about `toe`.
    std::array<double, 3> channelGamma{2.42, 2.37, 2.46};
    std::array<double, 3> channelToe{0.0, 0.0, 0.0};
    // Each channel loses this share of its light per unit of the mean drive of the other two
    // (a loaded column driver): full white is `crosstalk` darker than red + green + blue.
    double crosstalk = 0.0;
    // Luminance at the corners relative to the centre, and the extra brightness of the right
    // edge relative to the left. Over the nine probe places this is a non-uniformity of about
    // 10 % of the brightest place (the centre), the darkest being the left corners.
    double cornerFalloff = 0.18;
    double rightSideGain = 0.04;
    // Warm-up of the backlight: at power-on each channel gives this share less light, which it
    // regains with the time constant (a cold panel is dimmer, and bluer or warmer as its
    // emitters warm at different rates).
    std::array<double, 3> warmUpLoss{0.0, 0.0, 0.0};
    double warmUpTimeConstantMs = 120000.0;
    // Settling of the liquid crystal after the picture changes: the light approaches the new
    // picture with this time constant (0: at once).
    double responseMs = 0.0;
};

class PanelModel {
public:
    explicit PanelModel(const PanelConfig& config = PanelConfig());

    const PanelConfig& config() const { return config_; }

    // Light for a linear drive (each channel 0..1, 1 = the channel's full native output) with
    // backlight level 0..100 (the monitor's percentage), at screen position (px, py) in 0..1 from the top left.
    Xyz emit(const std::array<double, 3>& linearDrive, int backlight, double px, double py) const;

    // The LCD's response: linear light of a channel for a normalised code 0..1.
    double channelResponse(int channel, double code) const;
    // The share of its settled light each channel gives at a time since power-on.
    std::array<double, 3> warmUpFactors(int64_t sincePowerOnMs) const;
    // The channels' drives after the crosstalk between them.
    std::array<double, 3> crosstalkDrive(const std::array<double, 3>& linearDrive) const;

    // Relative luminance at a screen position (1 at the centre).
    double positionFactor(double px, double py) const;

    // XYZ of each primary at full drive, centre, backlight 100 (columns of the panel matrix).
    const std::array<Xyz, 3>& primaries() const { return primaries_; }

    // Spectral radiance, W/(sr m2 nm), sampled at 1 nm from kSpectrumFirstNm.
    static constexpr int kSpectrumFirstNm = 360;
    static constexpr int kSpectrumLastNm = 830;
    static constexpr int kSpectrumCount = kSpectrumLastNm - kSpectrumFirstNm + 1;
    // A channel at full drive, centre, backlight 100.
    const std::vector<double>& channelSpectrum(int channel) const {
        return channelSpectra_[static_cast<std::size_t>(channel)];
    }
    // The spectrum emit() integrates to, written for count wavelengths from firstNm by 1 nm
    // (0 outside 360..830 nm).
    void emitSpectrum(const std::array<double, 3>& linearDrive, int backlight, double px, double py, int firstNm,
                      int count, double* out) const;
    // The panel's spectrum of a light it emitted: every such light is a mix of the three
    // channels, so its X, Y, Z determine it. Written as emitSpectrum() writes.
    void spectrumOf(const Xyz& light, int firstNm, int count, double* out) const;

private:
    void writeMix(const std::array<double, 3>& weights, int firstNm, int count, double* out) const;

    PanelConfig config_;
    std::array<Xyz, 3> primaries_;
    std::array<std::vector<double>, 3> channelSpectra_;
};

// Centre of a probe place on the screen: cells 1..9 row by row from the top left.
struct ScreenPoint {
    double px;
    double py;
};
ScreenPoint CellCentre(int cell);

}  // namespace halvo::sim
