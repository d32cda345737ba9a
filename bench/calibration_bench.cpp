// The colour-space table: computing the 16 x 16 x 16 table of one colour space from its
// read-backs, with one calibrated level and with all eight and the grey curve. It runs between the
// search and the upload and must stay well under a millisecond.

#include <benchmark/benchmark.h>

#include "calibration/colour_space_table.h"

namespace {

// Offsets of the size a search leaves on the simulated monitor, growing with the level.
halvo::ColourSpaceTableInput Readbacks(int levels) {
    halvo::ColourSpaceTableInput in;
    in.levels = levels;
    in.levelStep = levels < 2 ? 8 : static_cast<int>(8.0 / levels + 0.5);
    in.whiteCurve = levels > 1;
    const int base[halvo::kColorSlotCount][3] = {{0, 0, 4},     {-290, 56, 16}, {260, -60, 84}, {40, 0, -70},
                                                 {-26, 0, 78},  {300, -60, -8}, {-250, 56, -60}};
    for (int p = 0; p < 8; ++p) {
        const int level = 15 - p;
        in.inputLuminance[static_cast<size_t>(p)] = static_cast<int16_t>(63 * level);
        for (int slot = 0; slot < halvo::kColorSlotCount; ++slot) {
            for (int ch = 0; ch < 3; ++ch) {
                in.offsets[static_cast<size_t>(slot)][static_cast<size_t>(p)][static_cast<size_t>(ch)] =
                    slot == 0 && p == 0 ? 0 : base[slot][ch] * level / 15;
            }
        }
    }
    return in;
}

void BM_ColourSpaceTableOneLevel(benchmark::State& state) {
    const halvo::ColourSpaceTableInput in = Readbacks(1);
    if (halvo::ComputeColourSpaceTable(in).overflow) {
        state.SkipWithError("the read-backs overflow the table");
        return;
    }
    for (auto _ : state) {
        benchmark::DoNotOptimize(halvo::ComputeColourSpaceTable(in));
    }
}
BENCHMARK(BM_ColourSpaceTableOneLevel)->Unit(benchmark::kMicrosecond);

void BM_ColourSpaceTableEightLevels(benchmark::State& state) {
    const halvo::ColourSpaceTableInput in = Readbacks(8);
    if (halvo::ComputeColourSpaceTable(in).overflow) {
        state.SkipWithError("the read-backs overflow the table");
        return;
    }
    for (auto _ : state) {
        benchmark::DoNotOptimize(halvo::ComputeColourSpaceTable(in));
    }
}
BENCHMARK(BM_ColourSpaceTableEightLevels)->Unit(benchmark::kMicrosecond);

}  // namespace
