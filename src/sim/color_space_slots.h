#pragma once

// What the simulated monitor keeps of its colour-space slots in the EEPROM: the white gains of
// each colour space (BT.709, SMPTE-C, EBU, NTSC, D-Cinema, shown as slots 1..5). The slots'
// 16 x 16 x 16 tables are too large for the EEPROM; they live in the monitor's table memory (see
// monitor_color_space.h).

#include <array>

namespace halvo::sim {

inline constexpr int kColorSpaceSlots = 5;

struct ColorSpaceSlots {
    // R, G, B gains 0..255 per colour space.
    std::array<std::array<int, 3>, kColorSpaceSlots> white{};
};

}  // namespace halvo::sim
