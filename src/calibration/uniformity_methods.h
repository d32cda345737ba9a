#pragma once

// Uniformity correction: the nine probe places, the choice of correction method by monitor
// model, and the arithmetic of the three one-pass methods (linear, gamma-curve, table). The
// gradient and shape methods fit ramps (gradient_fit.h) and refine them (uniformity_refinement.h).
//
// Luminances are kept per screen cell, numbered 1..9 row by row from the top left, in arrays
// indexed by the cell number (element 0 unused), so that the formulas read as Lv6 - Lv4.

#include <array>
#include <cstdint>

namespace halvo {

using CellLuminance = std::array<double, 10>;
// P0..P9 of the ten-value packet.
using UniformityParams = std::array<uint8_t, 10>;

enum class UniformityMethod { GammaCurve, Linear, Shape, Gradient, Table };

// family: the model name contains "TXM"; info: the model-information byte.
UniformityMethod SelectUniformityMethod(bool family, uint8_t info);
const char* UniformityMethodName(UniformityMethod method);
// Methods that go on from the nine places to a refinement pass over positions 9..17.
bool HasRefinementPass(UniformityMethod method);

// Positions 0..8 are the first sweep (Center first), 9..17 the refinement pass (Left Top first).
inline constexpr int kFirstSweepLast = 8;
inline constexpr int kRefinementFirst = 9;
inline constexpr int kRefinementLast = 17;
// The target-marker code that removes the marker.
inline constexpr int kMarkerOff = 10;

// "Center", ..., "Error Position" for anything outside 0..17.
const char* UniformityPositionName(int index);
// Screen cell 1..9 of a position, 0 outside 0..17.
int UniformityCellOf(int index);
// The marker code of a position: the first-sweep index of its place (so that no place is ever
// drawn with the code that removes the marker). -1 outside 0..17.
int UniformityMarkerCode(int index);
// Column of a cell in the Calibration page's uniformity row ("T-L" .. "B-R").
inline int UniformityColumnOf(int cell) { return cell - 1; }

// Linear method: each cell's excess over the darkest, 6.4 steps per cd/m2, at most 255.
UniformityParams LinearParams(const CellLuminance& lv);

// Gamma-curve method: the 10-bit level that, through a 2.2 curve, dims the cell to the darkest
// one, expressed as the monitor's correction value (k = 270 and cap 255 with info bit value 4,
// else k = 300 and cap 230).
UniformityParams GammaCurveParams(const CellLuminance& lv, uint8_t info);

// Shape method: 1 when the right column falls toward the bottom and the bottom row toward the
// right, else 3 when the top-left is more than 5 cd/m2 darker than both the right-middle and
// the top-right, else 2 when it is more than 5 darker than the right-middle; otherwise the
// previous shape stays.
int ClassifyShape(const CellLuminance& lv, int previous);
// "U8_0" .. "U8_3", and "U8_UN" for a shape this station does not know.
const char* ShapeLogText(int shape);
inline constexpr int kLastKnownShape = 3;

// Table method. Luminances are whole cd/m2 (the method refuses readings outside 120..400).
struct HorizontalTableRow {
    int keyH, keyE, value1, value2;
};
struct VerticalTableRow {
    int key, value1, value2, value3;
};
inline constexpr int kTableEndKey = 255;
extern const std::array<HorizontalTableRow, 53> kHorizontalTable;  // end row last
extern const std::array<VerticalTableRow, 12> kVerticalTable;      // end row last

struct TableChoice {
    int h = 0;  // right minus left, middle row
    int e = 0;  // right minus centre, middle row, at least 0
    int v = 0;  // top centre minus bottom left, less a third of the horizontal key
    int c = 0;  // row of the horizontal table
    int b = 0;  // row of the vertical table
};
using CellWhole = std::array<int, 10>;
TableChoice ChooseTableRows(const CellWhole& lv);

// The luminance window of the table method and the text shown when a reading is outside it.
inline constexpr double kTableLowestLv = 120.0;
inline constexpr double kTableHighestLv = 400.0;
bool InTableWindow(double lv);
const char* TableWindowMessage(double lv);

}  // namespace halvo
