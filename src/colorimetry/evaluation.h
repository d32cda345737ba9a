#pragma once

#include "colorimetry/colorimetric_record.h"

namespace halvo {

// Full evaluation of an XYZ triple with the fixed XYZ-to-RGB matrix. Unusable input (a negative,
// non-finite or absurdly large component) gives a complete record of zeros with
// kFlagUnusableInput set.
ColorimetricRecord EvaluateXyz(double X, double Y, double Z);

// Same from chromaticity and luminance; y = 0 evaluates (0, 0, 0) with kFlagUnusableInput set.
ColorimetricRecord EvaluateXyY(double x, double y, double Y);

// The evaluation steps after the record's X, Y, Z are set: linear RGB with the given matrix,
// chromaticities, colour temperature and Duv, dominant wavelength and CIELAB. The K-10 driver
// calls it with the device's own matrix.
void EvaluateInto(const RgbMatrix& matrix, ColorimetricRecord& record);

}  // namespace halvo
