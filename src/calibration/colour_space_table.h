#pragma once

// The 16 x 16 x 16 table of a colour space, computed from what the monitor reported while its
// colours were searched: the offsets it derived for each colour and level, and the input
// luminance of white at each level (a 10-bit input code; grid index L stands for code 64 L).
//
// Stage 1 turns the offsets into one curve per colour and channel over the signal level index
// L = 0..15, stage 2 fills the three faces of the cube that touch black from two axis curves and
// a diagonal, stage 3 fills the grid from the faces. Every table value is a 10-bit offset; the
// table holds a quarter of it in a signed byte.

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "caldata/calibration_data.h"

namespace halvo {

// Offsets read back per colour slot (White .. Magenta), level index P (drive (15 - P) * 17) and
// channel (R, G, B).
using ColourOffsets = std::array<std::array<std::array<int, 3>, kLevelStorage>, kColorSlotCount>;
// Input luminance read back after white was accepted, by level index P.
using InputLuminances = std::array<int16_t, kLevelStorage>;

struct ColourSpaceTableInput {
    int space = 0;        // 0..4; only the log lines carry it
    int levels = 1;       // calibrated levels B
    int levelStep = 8;    // level indexes between calibrated levels, trunc(8 / B + 0.5)
    bool whiteCurve = false;  // "Color Priority" on and the space is not D-Cinema
    ColourOffsets offsets{};
    InputLuminances inputLuminance{};
};

struct ColourSpaceTableResult {
    Lut3D lut{};
    // Every line the computation reports, in order, as the station logs them.
    std::vector<std::string> log;
    // A value beyond what the table can hold: the run cannot use the table.
    bool overflow = false;
};

// The largest offset a table value may carry (a quarter of it fills a signed byte).
inline constexpr int kTableValueLimit = 512;

ColourSpaceTableResult ComputeColourSpaceTable(const ColourSpaceTableInput& input);

// The byte a table value is stored as: a quarter of it, rounded half up and truncated toward
// zero, held within a signed byte.
uint8_t TableByte(double value);

// Offset of grid point (r, g, b), channel ch, in a Lut3D.
inline constexpr size_t LutIndex(int r, int g, int b, int ch) {
    return static_cast<size_t>(b * 768 + g * 48 + r * 3 + ch);
}

}  // namespace halvo
