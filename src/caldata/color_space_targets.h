#pragma once

// Colour-space targets: the fixed table of target chromaticities and luminances per colour
// space and colour slot, the names the page shows, and the level lists.

#include <array>
#include <string>
#include <vector>

#include "caldata/calibration_data.h"
#include "colorimetry/color_reading.h"

namespace halvo {

struct ColorSpaceTarget {
    double x;
    double y;
    double u;   // u'
    double vp;  // v'
    double Y;   // relative to white = 100 (D-Cinema: white 48); cd/m2 at the reference luminance
};

using ColorSpaceTargetTable = std::array<std::array<ColorSpaceTarget, kColorSlotCount>, kColorSpaceCount>;

// The default table; the page keeps a working copy that start-up and every identification
// reset to it.
const ColorSpaceTargetTable& DefaultColorSpaceTargets();

// "BT.709", "SMPTE-C", "EBU", "NTSC", "D-Cinema": the entries of the colour-space list.
extern const std::array<const char*, kColorSpaceCount> kColorSpaceListNames;
// "BT-709", "SMPTE-C", "EBU", "NTSC", "D-Cinema": the target check boxes.
extern const std::array<const char*, kColorSpaceCount> kColorSpaceBoxNames;
// "White", "Red", ... "Magenta": the rows of the colour-space target list.
extern const std::array<const char*, kColorSlotCount> kColorSlotNames;
inline constexpr const char* kNativeColorSpace = "Native";

// Entries of the level list for a level count: 2 gives "255", "187"; 3 "255", "204", "153";
// 4 "255", "221", "187", "153"; any other count the eight levels "255" .. "136".
std::vector<std::string> LevelListEntries(int levelCount);

// Level indexes between two entries of a level list filled for this count (round(8 / count));
// 1 for counts that give all eight levels or none.
int LevelIndexStep(int levelCount);

// The target reading of a slot at a level index: its chromaticity at Y scaled by
// ((15 - level) / 15)^2.2, the fixed 2.2 whatever the target gamma.
ColorReading ColorSpaceTargetReading(const ColorSpaceTarget& target, int level);

// The target of any 8-bit code (r, g, b) of a colour space: its red, green and blue targets
// mixed by (code / 255)^exponent each, as light adds.
ColorReading ColorSpaceCodeTarget(const std::array<ColorSpaceTarget, kColorSlotCount>& space, int r, int g, int b,
                                  double exponent);

// Codes inside the cube to hold a calibrated space's interior against its targets: every channel
// lit and none full, never all three equal (off the grey axis and off the faces). Sixteen on
// the 16-point table's grid (multiples of 17) and eight between grid points, where a monitor
// interpolates its table.
std::vector<std::array<int, 3>> InteriorCodes();

}  // namespace halvo
