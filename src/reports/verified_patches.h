#pragma once

// The patches a verification measured in one colour space, each beside its target, with the
// CIEDE2000 difference between them: the grey levels of the gamma run, black, white, the
// primaries and the secondaries. The certificate, halvo-cli's --json and the CGATS files all
// read this one list, so they show the same patches with the same figures.
//
// The difference is taken in CIELAB against the colour space's target white. The readings are
// first scaled so that the measured white has the target white's luminance (the monitor's own
// white level is judged by the luminance criteria, not here), then the measured and the target
// colour are both converted with the target white as the reference white.

#include <string>
#include <vector>

#include "caldata/color_space_targets.h"
#include "colorimetry/ciede2000.h"
#include "reports/measurement_results.h"

namespace halvo {

struct VerifiedPatch {
    std::string name;  // "Grey 50%", "White", "Red" ...
    int r = 0;         // the pattern's video levels, 0..255
    int g = 0;
    int b = 0;
    Xyz measured{};    // cd/m2
    Xyz target{};      // in the target table's units (white 100, D-Cinema 48)
    double deltaE2000 = kNotMeasured;  // kNotMeasured without a target
};

struct ColorSpacePatches {
    int colorSpace = 0;    // 0 Native .. 5 D-Cinema
    bool targeted = false; // the colour space has targets (every one but Native)
    Xyz measuredWhite{};   // the reading that scales the others; Y = 0 when none was measured
    Xyz targetWhite{};
    double targetGamma = 2.2;
    std::vector<VerifiedPatch> patches;  // measured ones only, greys first
    double meanDeltaE2000 = kNotMeasured;
    double maxDeltaE2000 = kNotMeasured;
};

// The target gamma of the gamma criterion: 2.6 for D-Cinema, 2.2 for the rest.
double TargetGamma(int colorSpace);

// One colour space's patches. Native, which has no targets, gets its patches without figures.
ColorSpacePatches VerifiedPatchesOf(const ColorSpaceResults& results, int colorSpace,
                                    const ColorSpaceTargetTable& targets);

// Every colour space of the list that measured at least one patch.
std::vector<ColorSpacePatches> VerifiedPatchesFor(const MeasurementResults& results, const std::vector<int>& spaces,
                                                  const ColorSpaceTargetTable& targets);

}  // namespace halvo
