#include "calibration/uniformity_methods.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace halvo {

UniformityMethod SelectUniformityMethod(bool family, uint8_t info) {
    const bool gammaBits = (info & 0x90) == 0x90;
    if (!family) {
        return gammaBits ? UniformityMethod::GammaCurve : UniformityMethod::Table;
    }
    if (gammaBits) {
        return UniformityMethod::GammaCurve;
    }
    if ((info & 0x80) != 0) {
        return UniformityMethod::Linear;
    }
    if (info == 8) {
        return UniformityMethod::Shape;
    }
    return UniformityMethod::Gradient;
}

const char* UniformityMethodName(UniformityMethod method) {
    switch (method) {
        case UniformityMethod::GammaCurve: return "gamma-curve";
        case UniformityMethod::Linear: return "linear";
        case UniformityMethod::Shape: return "shape";
        case UniformityMethod::Gradient: return "gradient";
        case UniformityMethod::Table: return "table";
    }
    return "";
}

bool HasRefinementPass(UniformityMethod method) {
    return method == UniformityMethod::Gradient || method == UniformityMethod::Shape;
}

namespace {

// index, name, cell: the first sweep from the centre round the screen, then the refinement
// pass column by column from the top left.
struct Position {
    const char* name;
    int cell;
};
constexpr Position kPositions[18] = {
    {"Center", 5},      {"Left Middle", 4},  {"Left Top", 1},     {"Center Top", 2},    {"Right Top", 3},
    {"Right Middle", 6}, {"Right Bottom", 9}, {"Center Bottom", 8}, {"Left Bottom", 7},  {"Left Top", 1},
    {"Left Middle", 4},  {"Left Bottom", 7},  {"Center Top", 2},    {"Right Top", 3},    {"Center", 5},
    {"Right Middle", 6}, {"Center Bottom", 8}, {"Right Bottom", 9},
};

}  // namespace

const char* UniformityPositionName(int index) {
    return index >= 0 && index <= kRefinementLast ? kPositions[index].name : "Error Position";
}

int UniformityCellOf(int index) {
    return index >= 0 && index <= kRefinementLast ? kPositions[index].cell : 0;
}

int UniformityMarkerCode(int index) {
    const int cell = UniformityCellOf(index);
    for (int code = 0; code <= kFirstSweepLast && cell != 0; ++code) {
        if (kPositions[code].cell == cell) {
            return code;
        }
    }
    return -1;
}

UniformityParams LinearParams(const CellLuminance& lv) {
    double darkest = 1000.0;
    for (int i = 1; i <= 9; ++i) {
        darkest = std::min(darkest, lv[static_cast<size_t>(i)]);
    }
    UniformityParams p{};
    for (int i = 1; i <= 9; ++i) {
        const double steps = std::trunc((lv[static_cast<size_t>(i)] - darkest) * 6.4);
        p[static_cast<size_t>(i - 1)] = static_cast<uint8_t>(std::clamp(steps, 0.0, 255.0));
    }
    return p;
}

UniformityParams GammaCurveParams(const CellLuminance& lv, uint8_t info) {
    const bool bit4 = (info & 0x04) != 0;
    const double k = bit4 ? 270.0 : 300.0;
    const double cap = bit4 ? 255.0 : 230.0;
    double darkest = 1000.0;
    for (int i = 1; i <= 9; ++i) {
        darkest = std::min(darkest, lv[static_cast<size_t>(i)]);
    }
    UniformityParams p{};
    for (int i = 1; i <= 9; ++i) {
        const double l = lv[static_cast<size_t>(i)];
        if (!(l > 0.0) || !(darkest > 0.0)) {
            continue;  // no light measured there: nothing to dim it by
        }
        const double w = std::min(1023.0, 1023.0 * std::pow(darkest / l, 1.0 / 2.2));
        const double value = std::trunc((1023.0 - w) * 131072.0 / (k * 480.0) * 2.2);
        p[static_cast<size_t>(i - 1)] = static_cast<uint8_t>(std::clamp(value, 0.0, cap));
    }
    return p;
}

int ClassifyShape(const CellLuminance& lv, int previous) {
    if (lv[3] - lv[6] > 0.0 && lv[8] - lv[9] > 0.0) {
        return 1;
    }
    if (lv[1] + 5.0 < lv[6] && lv[1] + 5.0 < lv[3]) {
        return 3;
    }
    if (lv[1] + 5.0 < lv[6]) {
        return 2;
    }
    return previous;
}

const char* ShapeLogText(int shape) {
    switch (shape) {
        case 0: return "U8_0";
        case 1: return "U8_1";
        case 2: return "U8_2";
        case 3: return "U8_3";
        default: return "U8_UN";
    }
}

// Horizontal table, rows {key h, key e, value 1, value 2}. The thirteenth row (20,20,10,10)
// stands before (20,0,...): a search for h = 20, e = 20 stops there.
const std::array<HorizontalTableRow, 53> kHorizontalTable = {{
    {0, 0, 0, 0},     {5, 0, 5, 9},     {5, 5, 5, 6},     {5, 10, 5, 6},    {10, 0, 7, 11},   {10, 5, 7, 8},
    {10, 10, 7, 2},   {10, 15, 7, 2},   {15, 0, 10, 17},  {15, 5, 10, 15},  {15, 10, 10, 12}, {15, 15, 10, 10},
    {20, 20, 10, 10}, {20, 0, 16, 28},  {20, 5, 16, 24},  {20, 10, 16, 20}, {20, 15, 16, 16}, {20, 20, 16, 16},
    {20, 25, 16, 16}, {25, 0, 20, 35},  {25, 5, 20, 31},  {25, 10, 20, 26}, {25, 15, 20, 20}, {25, 20, 20, 20},
    {25, 25, 20, 20}, {25, 30, 20, 20}, {30, 0, 23, 38},  {30, 5, 23, 32},  {30, 10, 23, 28}, {30, 15, 23, 23},
    {30, 20, 23, 23}, {30, 25, 23, 23}, {30, 30, 23, 23}, {30, 35, 23, 23}, {35, 0, 26, 42},  {35, 5, 26, 35},
    {35, 10, 26, 30}, {35, 15, 26, 26}, {35, 20, 26, 26}, {35, 25, 26, 26}, {35, 30, 26, 26}, {35, 35, 26, 26},
    {35, 40, 26, 26}, {40, 0, 26, 42},  {40, 5, 26, 35},  {40, 10, 26, 30}, {40, 15, 26, 26}, {40, 20, 26, 26},
    {40, 25, 26, 26}, {40, 30, 26, 26}, {40, 35, 26, 26}, {40, 40, 26, 26}, {kTableEndKey, 0, 0, 0},
}};

// Vertical table, rows {key v, value 1, value 2, value 3}.
const std::array<VerticalTableRow, 12> kVerticalTable = {{
    {0, 0, 0, 0},
    {5, 3, 2, 0},
    {10, 6, 5, 0},
    {15, 11, 9, 0},
    {20, 15, 12, 0},
    {25, 20, 17, 0},
    {30, 25, 21, 0},
    {35, 30, 25, 0},
    {40, 35, 30, 0},
    {45, 35, 30, 0},
    {50, 35, 30, 0},
    {kTableEndKey, 0, 0, 0},
}};

TableChoice ChooseTableRows(const CellWhole& lv) {
    TableChoice t;
    t.h = lv[6] - lv[4];
    t.e = std::max(0, lv[6] - lv[5]);
    t.v = lv[2] - lv[7];
    bool horizontalEnd = false;
    if (t.h > 0) {
        for (size_t r = 0; r < kHorizontalTable.size(); ++r) {
            const HorizontalTableRow& row = kHorizontalTable[r];
            t.c = static_cast<int>(r);
            if (row.keyH == kTableEndKey) {
                horizontalEnd = true;
                break;
            }
            if (std::abs(row.keyH - t.h) < 3 && std::abs(row.keyE - t.e) < 3) {
                break;
            }
        }
    }
    const int key = kHorizontalTable[static_cast<size_t>(t.c)].keyH;
    if (key != kTableEndKey) {
        t.v += -key / 3;  // integer division toward zero
    }
    bool verticalEnd = false;
    if (t.v > 0) {
        for (size_t r = 0; r < kVerticalTable.size(); ++r) {
            t.b = static_cast<int>(r);
            if (kVerticalTable[r].key == kTableEndKey) {
                verticalEnd = true;
                break;
            }
            if (std::abs(kVerticalTable[r].key - t.v) < 3) {
                break;
            }
        }
    }
    // A difference beyond the table gets its last row.
    if (horizontalEnd) {
        --t.c;
    }
    if (verticalEnd) {
        --t.b;
    }
    return t;
}

bool InTableWindow(double lv) {
    return lv >= kTableLowestLv && lv <= kTableHighestLv;
}

const char* TableWindowMessage(double lv) {
    return lv > 350.0 ? "Back light level is too high. Please decress the Back Light level."
                      : "Back light level is too low. Please incress the Back Light level.";
}

}  // namespace halvo
