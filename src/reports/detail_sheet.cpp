// A detail sheet: one measured colour space's primaries and colour temperatures against their
// targets, and its four charts.

#include <cmath>

#include "colorimetry/chromaticity.h"
#include "reports/report_cells.h"

namespace halvo {

using report::Cell;
using report::Fixed2;
using report::Fixed4;
using report::Kelvin;
using report::Merge;

namespace {

struct Patch {
    const char* label;
    int slot;        // result slot of the measured reading
    int targetSlot;  // ColorSlot of the colour space's target
};

constexpr Patch kPatches[7] = {
    {"W", kResultWhite, 0}, {"R", 3, 1}, {"G", 4, 2}, {"B", 5, 3}, {"Y", 6, 4}, {"M", 7, 6}, {"C", 8, 5},
};

// The detail sheet's tolerance figures per patch (Δu', Δv'): white as tight as the colour
// temperatures, red's u' as its summary criterion, everything else 0.005; NTSC 0.01 throughout.
std::array<double, 2> Tolerance(int colorSpace, int patch) {
    if (colorSpace == 4) {
        return {0.01, 0.01};
    }
    if (patch == 0) {
        return {0.003, 0.003};
    }
    if (patch == 1) {
        return {0.006, 0.005};
    }
    return {0.005, 0.005};
}

void Headings(ReportSheet& sheet, int row, const char* first, std::initializer_list<const char*> top,
              std::initializer_list<const char*> second) {
    Merge(sheet, row, 1, row + 1, 2, first, CellStyle::Heading);
    int col = 3;
    for (const char* h : top) {
        Cell(sheet, row, col++, h, CellStyle::Heading);
    }
    col = 3;
    for (const char* h : second) {
        Cell(sheet, row + 1, col++, h, CellStyle::SubHeading);
    }
    for (; col <= 9; ++col) {
        Cell(sheet, row + 1, col, "", CellStyle::SubHeading);
    }
}

void Measurement(ReportSheet& sheet, int row, const ColorReading& r) {
    const bool m = Measured(r.lv);
    Cell(sheet, row, 3, Fixed4(r.x, m));
    Cell(sheet, row, 4, Fixed4(r.y, m));
    Cell(sheet, row, 5, Fixed4(r.u, m));
    Cell(sheet, row, 6, Fixed4(r.vp, m));
    Cell(sheet, row, 7, Fixed2(r.lv, m));
}

void Difference(ReportSheet& sheet, int row, const ColorReading& r, double x, double y, double u, double vp,
                double lv, bool targeted) {
    const bool m = targeted && Measured(r.lv);
    Cell(sheet, row, 3, Fixed4(r.x - x, m));
    Cell(sheet, row, 4, Fixed4(r.y - y, m));
    Cell(sheet, row, 5, Fixed4(r.u - u, m));
    Cell(sheet, row, 6, Fixed4(r.vp - vp, m));
    Cell(sheet, row, 7, Fixed2(r.lv - lv, m));
}

}  // namespace

ReportSheet BuildDetailSheet(const ReportInputs& in, int cs) {
    ReportSheet sheet;
    sheet.name = kMeasureSpaceNames[static_cast<size_t>(cs)];
    const ColorSpaceResults& r = in.results->spaces[static_cast<size_t>(cs)];
    Cell(sheet, 0, 1, sheet.name, CellStyle::Title);
    AddHeaderRows(sheet, in);

    const ColorReading* rgb[3] = {&r.colors[3], &r.colors[4], &r.colors[5]};
    const bool primaries = Measured(rgb[0]->u);
    Merge(sheet, 8, 1, 8, 2, "Gamut (%)", CellStyle::Label);
    Cell(sheet, 8, 3, Fixed2(GamutPercent({rgb[0]->x, rgb[0]->y}, {rgb[1]->x, rgb[1]->y}, {rgb[2]->x, rgb[2]->y}),
                             primaries));
    Merge(sheet, 9, 1, 9, 2, "Remark", CellStyle::Label);
    Merge(sheet, 9, 3, 9, 9, "");

    // Primaries and secondaries: the measured row, then the difference from the target.
    Headings(sheet, 10, "Primary", {"x", "y", "u'", "v'", "Y (cd/\u33A1)", "\u0394u' Tolerance", "\u0394v' Tolerance"},
             {"\u0394x", "\u0394y", "\u0394u'", "\u0394v'", "\u0394Y (cd/\u33A1)"});
    const bool targeted = cs > 0;
    for (int p = 0; p < 7; ++p) {
        const int row = 12 + 2 * p;
        const ColorReading& m = r.colors[static_cast<size_t>(kPatches[p].slot)];
        Merge(sheet, row, 1, row + 1, 2, kPatches[p].label, CellStyle::Label);
        Measurement(sheet, row, m);
        ColorSpaceTarget t{};
        if (targeted) {
            t = in.targets[static_cast<size_t>(cs - 1)][static_cast<size_t>(kPatches[p].targetSlot)];
        }
        Difference(sheet, row + 1, m, t.x, t.y, t.u, t.vp, t.Y, targeted);
        const std::array<double, 2> tol = Tolerance(cs, p);
        const bool judged = PrimaryLimitsFor(cs).judged;
        Merge(sheet, row, 8, row + 1, 8, judged ? Format("%6.4lf", tol[0]) : std::string("-"));
        Merge(sheet, row, 9, row + 1, 9, judged ? Format("%6.4lf", tol[1]) : std::string("-"));
    }

    // Colour temperatures: the measured row with T(K) and duv, then the difference from the
    // target white.
    Headings(sheet, 27, "Color Temperature", {"x", "y", "u'", "v'", "Y (cd/\u33A1)", "T(K)", "duv"},
             {"\u0394x", "\u0394y", "\u0394u'", "\u0394v'", "\u0394Y (cd/\u33A1)"});
    const std::array<const char*, 4> labels = in.alternateWhites
                                                  ? std::array<const char*, 4>{"3200K", "6500K", "JUDD-OFFSET", "9300K"}
                                                  : std::array<const char*, 4>{"3200K", "5400K", "6500K", "9300K"};
    const std::array<int, 4> kelvins =
        in.alternateWhites ? std::array<int, 4>{3200, 6500, 7000, 9300} : std::array<int, 4>{3200, 5400, 6500, 9300};
    for (int i = 0; i < 4; ++i) {
        const int row = 29 + 2 * i;
        const ColorReading& m = r.temperatures[static_cast<size_t>(i)];
        ColorReading target;
        ReadingFromTemperature(100.0, in.alternateWhites, target, kelvins[static_cast<size_t>(i)]);
        Merge(sheet, row, 1, row + 1, 2, labels[static_cast<size_t>(i)], CellStyle::Label);
        Measurement(sheet, row, m);
        Cell(sheet, row, 8, Kelvin(m.cct, Measured(m.lv)));
        Cell(sheet, row, 9, Fixed4(m.duv, Measured(m.lv)));
        Difference(sheet, row + 1, m, target.x, target.y, target.u, target.vp, target.lv, true);
        Cell(sheet, row + 1, 8, "");
        Cell(sheet, row + 1, 9, "");
    }

    // The four charts, as the Measure page draws them for this colour space.
    Merge(sheet, 38, 1, 38, 5, "Y Intensity vs video level(Gamma)", CellStyle::Heading);
    Merge(sheet, 38, 6, 38, 9, "CIE 1931 chart(xy Plot)", CellStyle::Heading);
    Merge(sheet, 57, 1, 57, 5, "Y/Ymax Intensity vs video level(Gamma)", CellStyle::Heading);
    Merge(sheet, 57, 6, 57, 9, "CIE 1976 chart(u'v' Plot)", CellStyle::Heading);
    sheet.pictures = {
        {40, 2, 245, 245, 2, 20, kChartLuminance, cs},
        {40, 6, 245, 245, 2, 20, kChartXy, cs},
        {60, 2, 245, 245, 2, 20, kChartRelativeLuminance, cs},
        {60, 6, 245, 245, 2, 20, kChartUv, cs},
    };

    sheet.columnWidths = {2, 6, 12, 12, 12, 22, 12, 8, 12, 12};
    // The lower pictures reach two rows further down than row 72.
    sheet.printLastRow = 74;
    sheet.printLastCol = 9;
    return sheet;
}

}  // namespace halvo
