// Arbitrary monitor answers as the read-backs a colour-space table is computed from: the offset
// words (sign-extended as the station reads them) and white's input luminance at every level.

#include <cstdint>

#include "calibration/colour_space_table.h"
#include "monitor/monitor_protocol.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace halvo;
    size_t at = 0;
    const auto next = [&]() -> uint8_t { return at < size ? data[at++] : 0; };
    const auto word = [&]() -> uint16_t {
        const uint8_t lo = next();
        return static_cast<uint16_t>(lo | next() << 8);
    };
    ColourSpaceTableInput in;
    static constexpr int kLevels[] = {1, 2, 3, 4, 8};
    in.levels = kLevels[next() % 5];
    in.levelStep = in.levels < 2 ? 8 : static_cast<int>(8.0 / in.levels + 0.5);
    in.whiteCurve = (next() & 1) != 0;
    for (int p = 0; p < 8; ++p) {
        in.inputLuminance[static_cast<size_t>(p)] = static_cast<int16_t>(word());
        for (auto& slot : in.offsets) {
            for (int& v : slot[static_cast<size_t>(p)]) {
                v = ColorSpaceOffsetValue(word());
            }
        }
    }
    ComputeColourSpaceTable(in);
    return 0;
}
